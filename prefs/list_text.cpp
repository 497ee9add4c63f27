#include "prefs/list_text.h"

#include <cstring>

std::string textFromBytes(const char *bytes, size_t length)
{
    if (!bytes)
        return {};
    const void *zero = std::memchr(bytes, 0, length);
    return std::string(bytes, zero ? static_cast<const char *>(zero) - bytes : length);
}

std::string listTextFromBytes(const char *bytes, size_t length)
{
    std::string list;
    size_t pos = 0;
    while (bytes && pos < length && bytes[pos] != 0) {
        std::string item = textFromBytes(bytes + pos, length - pos);
        pos += item.size() + 1;
        list += item;
        list += '\0';
    }
    list += '\0';
    return list;
}

std::string P_listTextEmpty() { return std::string(1, '\0'); }

// Offsets of the strings, walked within the list's own bytes: a list that
// lost its end marker still stops at size().
static size_t nextString(const std::string &list, size_t pos)
{
    size_t end = list.find('\0', pos);
    return end == std::string::npos ? list.size() : end + 1;
}

static bool atEnd(const std::string &list, size_t pos) { return pos >= list.size() || list[pos] == '\0'; }

size_t P_listTextCount(const std::string &list)
{
    size_t count = 0;
    for (size_t pos = 0; !atEnd(list, pos); pos = nextString(list, pos))
        count++;
    return count;
}

// Offset of the index-th string, or npos.
static size_t stringOffset(const std::string &list, size_t index)
{
    size_t pos = 0;
    for (size_t i = 0; !atEnd(list, pos); i++, pos = nextString(list, pos))
        if (i == index)
            return pos;
    return std::string::npos;
}

const char *P_listTextAt(const std::string &list, size_t index)
{
    size_t pos = stringOffset(list, index);
    return pos == std::string::npos ? nullptr : list.c_str() + pos;
}

long P_listTextFind(const std::string &list, const char *text)
{
    if (!text)
        return -1;
    long index = 0;
    for (size_t pos = 0; !atEnd(list, pos); pos = nextString(list, pos), index++)
        if (std::strcmp(list.c_str() + pos, text) == 0)
            return index;
    return -1;
}

bool P_listTextAppend(std::string &list, const char *text)
{
    if (!text || !*text)
        return false;
    // Where the end marker is (or would be): after the last string.
    size_t end = 0;
    while (!atEnd(list, end))
        end = nextString(list, end);
    list.resize(end);
    if (end && list[end - 1] != '\0')
        list += '\0';  // a last string that lost its zero
    list += text;
    list += '\0';
    list += '\0';
    return true;
}

bool P_listTextRemove(std::string &list, size_t index, size_t count)
{
    size_t from = stringOffset(list, index);
    if (from == std::string::npos)
        return false;
    size_t to = from;
    for (size_t i = 0; i < count; i++) {
        if (atEnd(list, to))
            return false;
        to = nextString(list, to);
    }
    list.erase(from, to - from);
    return true;
}
