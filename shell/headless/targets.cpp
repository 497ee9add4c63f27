#include "shell/headless/targets.h"

#include <cstring>

#include "shell/display.h"
#include "shell/display/canvas.h"
#include "wml/layout.h"

namespace {

int32_t readInt(const uint8_t *p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// The length of the record at offset, checked against the table's end;
// 0 ends the walk (the terminator or anything malformed).
int32_t recordLength(const uint8_t *table, uint32_t offset, uint32_t size)
{
    if (offset + 8 > size)
        return 0;
    int32_t length = readInt(table + offset);
    if (length < 8 || length % 4 != 0 || offset + static_cast<uint32_t>(length) > size)
        return 0;
    return length;
}

// A zero-terminated text inside [from, end) of the record, or empty when
// it is not terminated there.
std::string textAt(const uint8_t *record, uint32_t from, uint32_t end)
{
    if (from >= end)
        return {};
    const void *nul = std::memchr(record + from, 0, end - from);
    if (!nul)
        return {};
    return std::string(reinterpret_cast<const char *>(record + from));
}

void middle(const uint8_t *rect, int *x, int *y)
{
    *x = readInt(rect) + readInt(rect + 8) / 2;
    *y = readInt(rect + 4) + readInt(rect + 12) / 2;
}

}  // namespace

bool findLinkPoint(const uint8_t *table, const std::string &text, int *x, int *y)
{
    if (!table)
        return false;
    for (uint32_t at = 0; int32_t length = recordLength(table, at, LAYOUT_TABLE_SIZE); at += length) {
        const uint8_t *r = table + at;
        uint32_t end = static_cast<uint32_t>(length);
        if (end <= LR_TEXT || readInt(r + LR_TYPE) != static_cast<int32_t>(LTYPE_TEXT) || !(r[LR_STYLE] & STYLE_LINK))
            continue;
        if (deckTextToUtf8(textAt(r, LR_TEXT, end).c_str()).find(text) == std::string::npos)
            continue;
        middle(r + LR_X, x, y);
        return true;
    }
    return false;
}

bool findFieldPoint(const uint8_t *table, const std::string &name, int *x, int *y)
{
    if (!table)
        return false;
    for (uint32_t at = 0; int32_t length = recordLength(table, at, EVENT_TABLE_SIZE); at += length) {
        const uint8_t *r = table + at;
        uint32_t end = static_cast<uint32_t>(length);
        if (end < ER_HREF || (r[ER_TYPE] != EVENT_INPUT && r[ER_TYPE] != EVENT_SELECT))
            continue;
        if (textAt(r, ER_NAME, ER_NAME + ER_NAME_SIZE) != name)
            continue;
        middle(r + ER_X, x, y);
        return true;
    }
    return false;
}
