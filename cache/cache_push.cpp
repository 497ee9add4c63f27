// Push messages: entries of type 3 under "push://<seconds>_<type>", kept
// until the user deletes them.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "cache/cache_entry_file.h"
#include "cache/cache_store.h"
#include "cache/push_message.h"
#include "common/clock.h"
#include "common/int_to_text.h"
#include "common/log.h"
#include "shell/display.h"

uint32_t gPushCount = 0;  // push entries as last counted or added

namespace {

// Push numbers count seconds from 2 November 1998, 09:46:40 UTC.
constexpr uint32_t kPushEpoch = 910000000;
// With no pad the width only bounds the field: the longest int32 text.
constexpr int kDecimalWidth = 11;

std::string decimal(int32_t value)
{
    char text[INT_TO_TEXT_MAX];
    return intToText(text, sizeof text, value, 10, kDecimalWidth, 0) < 0 ? std::string("0") : std::string(text);
}

std::string pushUrl(int32_t number, uint32_t contentType)
{
    return "push://" + decimal(number) + "_" + decimal(static_cast<int32_t>(contentType));
}

// The decimal number after the "_" of a push URI (push URIs hold exactly
// one); digits beyond 32 bits are ignored. False without a "_".
bool pushUriType(const char *uri, uint32_t *contentType)
{
    const char *underscore = uri ? std::strchr(uri, '_') : nullptr;
    if (!underscore)
        return false;
    uint32_t value = 0;
    for (const char *p = underscore + 1; *p >= '0' && *p <= '9'; p++) {
        uint64_t next = uint64_t{value} * 10 + static_cast<uint32_t>(*p - '0');
        if (next > UINT32_MAX)
            break;
        value = static_cast<uint32_t>(next);
    }
    *contentType = value;
    return true;
}

// The highest arrival number among the push entry files, read from their
// names ("push___<n>_<type>_<type>.wbc"); 0 when there are none.
uint64_t highestPushNumber()
{
    uint64_t highest = 0;
    for (const std::string &name : listEntryFiles("push___")) {
        uint64_t number = 0;
        for (size_t i = 7; i < name.size() && name[i] >= '0' && name[i] <= '9' && number < INT32_MAX; i++)
            number = number * 10 + static_cast<uint32_t>(name[i] - '0');
        highest = std::max(highest, number);
    }
    return highest;
}

// The arrival number of "push://<n>_<type>"; 0 when there is none.
uint64_t pushNumber(const char *uri)
{
    const char *p = uri && std::strncmp(uri, "push://", 7) == 0 ? uri + 7 : "";
    uint64_t number = 0;
    for (; *p >= '0' && *p <= '9' && number < UINT32_MAX; p++)
        number = number * 10 + static_cast<uint32_t>(*p - '0');
    return number;
}

}  // namespace

int getPushList(char *buffer, uint32_t size)
{
    if (!buffer || size == 0)
        return 0;
    Log_str("Cache: in getPushList\n");
    uint32_t used = 0;
    int count = 0;
    for (const std::string &name : listEntryFiles("")) {
        CacheEntry entry{};
        if (!readSoundEntry(name, &entry, false))
            continue;
        Log_printf("Cache: entry type is %d\n", entry.entryType);
        if (entry.entryType == ENTRY_TYPE_PUSH) {
            if (uint64_t{used} + entry.urlLength + 1 >= size) {
                freeEntryBuffers(&entry);
                break;
            }
            std::memcpy(buffer + used, entry.url, entry.urlLength);
            used += entry.urlLength;
            count++;
        }
        freeEntryBuffers(&entry);
    }
    buffer[used] = 0;
    gPushCount = static_cast<uint32_t>(count);
    return count;
}

int putPush(const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength)
{
    uint32_t contentType = headerContentType(headers, headersLength);
    // Numbers only grow: two pushes within one second must not share a
    // name (the later would replace the earlier), the list (in name order)
    // stays in arrival order, and the number of a dropped push is never
    // given to a newer one.
    uint64_t number = std::max<uint64_t>(Clock_nowSeconds() - kPushEpoch, highestPushNumber() + 1);
    std::string url = pushUrl(static_cast<int32_t>(std::min<uint64_t>(number, INT32_MAX)), contentType);

    CacheEntry entry{};
    entry.contentType = contentType;
    entry.url = url.data();
    entry.urlLength = static_cast<uint32_t>(url.size() + 1);
    entry.headers = const_cast<uint8_t *>(headers);
    entry.headersLength = headers ? headersLength : 0;
    entry.body = const_cast<uint8_t *>(body);
    entry.bodyLength = body ? bodyLength : 0;
    entry.entryType = ENTRY_TYPE_PUSH;
    entry.entryFlag = ENTRY_COMPLETE;
    entry.freshness = FRESH_ALWAYS;
    int code = putEntry(&entry);
    switch (code) {
    case PUTENTRY_STORED:
        Log_str("Cache: added to cache!\n");
        gPushCount++;
        refreshPushIndicator();
        break;
    case PUTENTRY_FULL: Log_str("Cache: full!\n"); break;
    default:
        Log_str("Cache: something went wrong!\n");
        code = PUTENTRY_WRITE_FAILED;
        break;
    }
    return code;
}

void deletePush(const char *uri)
{
    uint32_t contentType = 0;
    if (!pushUriType(uri, &contentType)) {
        Log_str("Cache: uh-oh, couldn't find content type in the deletePush uri!\n");
        return;
    }
    removeEntry(uri, contentType);
}

int dropOldestPushes(uint32_t keep)
{
    struct Listed {
        uint64_t number;
        std::string name;
        uint32_t size;
    };
    std::vector<Listed> pushes;
    for (const std::string &name : listEntryFiles("")) {
        CacheEntry entry{};
        if (!readSoundEntry(name, &entry, false))
            continue;
        if (entry.entryType == ENTRY_TYPE_PUSH)
            pushes.push_back({pushNumber(entry.url), name, entry.entrySize});
        freeEntryBuffers(&entry);
    }
    // By number, not by name: "push://999999999" sorts after "push://1000000000".
    std::sort(pushes.begin(), pushes.end(), [](const Listed &a, const Listed &b) { return a.number < b.number; });
    int dropped = 0;
    for (size_t i = 0; i + keep < pushes.size(); i++) {
        Log_printf("Cache: dropping the oldest push message (%s)\n", pushes[i].name.c_str());
        deleteEntryFile(pushes[i].name, pushes[i].size);
        dropped++;
    }
    gPushCount = static_cast<uint32_t>(pushes.size() - static_cast<size_t>(dropped));
    return dropped;
}

std::string C_pushOpenUrl(const char *uri)
{
    uint32_t contentType = 0;
    if (!pushUriType(uri, &contentType))
        return {};
    CacheEntry entry{};
    if (getEntry(uri, contentType, &entry, false) != GETENTRY_FOUND || entry.entryType != ENTRY_TYPE_PUSH) {
        freeEntryBuffers(&entry);
        return {};
    }
    std::string href;
    PushKind kind = pushKind(contentType, entry.body, entry.bodyLength, &href);
    freeEntryBuffers(&entry);
    if (kind == PUSH_KIND_DECK)
        return uri;
    return href;
}
