// Push messages: entries of type 3 under "push://<seconds>_<type>", kept
// until the user deletes them.
#include <cstring>
#include <string>

#include "cache/cache_entry_file.h"
#include "cache/cache_store.h"
#include "common/clock.h"
#include "common/int_to_text.h"
#include "common/log.h"
#include "shell/display.h"

uint32_t gPushCount = 0;  // push entries as last counted or added

namespace {

// Push numbers count seconds from 2 November 1998, 09:46:40 UTC.
constexpr uint32_t kPushEpoch = 910000000;
// Pushes arriving within one second take the next free numbers; the
// search is bounded so a full directory cannot hold it up.
constexpr int kPushNumberTries = 1000;
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
    // Two pushes within one second must not share a name: the later would
    // replace the earlier.
    int32_t number = static_cast<int32_t>(nowSeconds() - kPushEpoch);
    std::string url = pushUrl(number, contentType);
    for (int i = 1; i < kPushNumberTries && entryFileExists(makeEntryFileName(url.c_str(), contentType)); i++)
        url = pushUrl(static_cast<int32_t>(static_cast<uint32_t>(number) + i), contentType);

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
    case PUTENTRY_FULL:
        Log_str("Cache: full!\n");
        break;
    default:
        Log_str("Cache: something went wrong!\n");
        code = PUTENTRY_WRITE_FAILED;
        break;
    }
    return code;
}

void deletePush(const char *uri)
{
    const char *underscore = uri ? std::strchr(uri, '_') : nullptr;
    if (!underscore) {
        Log_str("Cache: uh-oh, couldn't find content type in the deletePush uri!\n");
        return;
    }
    // The decimal number after the "_"; digits beyond 32 bits are ignored.
    uint32_t contentType = 0;
    for (const char *p = underscore + 1; *p >= '0' && *p <= '9'; p++) {
        uint64_t next = uint64_t{contentType} * 10 + static_cast<uint32_t>(*p - '0');
        if (next > UINT32_MAX)
            break;
        contentType = static_cast<uint32_t>(next);
    }
    removeEntry(uri, contentType);
}
