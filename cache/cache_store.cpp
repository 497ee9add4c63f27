// The cache store: storing, finding, removing and evicting entries.
#include "cache/cache_store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "cache/cache_entry_file.h"
#include "common/byte_reader.h"
#include "common/clock.h"
#include "common/directories.h"
#include "common/log.h"
#include "common/url.h"

namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool isSpared(uint16_t entryType) { return entryType == ENTRY_TYPE_NONE || entryType == ENTRY_TYPE_PUSH; }

bool isRequesting(uint16_t entryFlag) { return entryFlag == ENTRY_REQUESTING || entryFlag == ENTRY_REQUESTING_OLD; }

// Removes whatever file has this name, whichever URL it holds: the newer
// entry takes the name.
void removeFileOfName(const std::string &name)
{
    CacheEntry old{};
    uint64_t length = 0;
    switch (readEntryFile(name, &old, false, &length)) {
    case ENTRY_FILE_OK:
        deleteEntryFile(name, old.entrySize);
        freeEntryBuffers(&old);
        break;
    case ENTRY_FILE_DAMAGED: discardDamagedEntry(name, length); break;
    case ENTRY_FILE_UNREADABLE: break;
    }
}

bool writeEntryFile(const std::string &name, const CacheEntry *e)
{
    File f(std::fopen(Dir_cachePath(name.c_str()).c_str(), "w+b"));
    if (!f)
        return false;
    uint8_t header[CACHE_HEADER_SIZE];
    packEntryHeader(e, header);
    bool ok = std::fwrite(header, 1, sizeof header, f.get()) == sizeof header &&
              std::fwrite(e->url, 1, e->urlLength, f.get()) == e->urlLength &&
              (!e->headersLength || std::fwrite(e->headers, 1, e->headersLength, f.get()) == e->headersLength) &&
              (!e->bodyLength || std::fwrite(e->body, 1, e->bodyLength, f.get()) == e->bodyLength);
    return std::fclose(f.release()) == 0 && ok;
}

// Whether entry is the one looked for: a complete entry under key, or
// (wantRequesting) a requesting entry under key + marker.
bool holdsKey(const CacheEntry *entry, const std::string &key, bool wantRequesting)
{
    if (wantRequesting)
        return isRequesting(entry->entryFlag) && entry->url == key + REQUESTING_MARKER;
    return entry->entryFlag == ENTRY_COMPLETE && entry->url == key;
}

// The files a look-up tries, in order: the exact names, or for any type
// every file that may hold the key or its requesting entry.
std::vector<std::string> lookupCandidates(const std::string &key, uint32_t contentType)
{
    std::string requestingKey = key + REQUESTING_MARKER;
    if (contentType != 0)
        return {makeEntryFileName(key.c_str(), contentType), makeEntryFileName(requestingKey.c_str(), contentType)};
    std::string stem = entryFileStem(key);
    std::vector<std::string> names = listEntryFiles(stem + "_");
    std::string requestingStem = entryFileStem(requestingKey);
    if (requestingStem != stem + REQUESTING_MARKER) {
        // A shortened name: the requesting entry's file is not under the key's.
        for (std::string &name : listEntryFiles(requestingStem + "_"))
            names.push_back(std::move(name));
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
    }
    return names;
}

}  // namespace

std::string C_makeCacheKey(const char *url)
{
    if (!url)
        return {};
    size_t length = std::strlen(url);
    std::vector<char> canonical(url, url + length + 1);
    stripUrlFragment(canonical.data());
    std::vector<char> key(length + 1);
    if (!unescapeUrl(canonical.data(), key.data(), key.size()))
        return {};
    return key.data();
}

int putEntry(CacheEntry *e)
{
    if (!e || !e->url || (e->headersLength && !e->headers) || (e->bodyLength && !e->body))
        return PUTENTRY_WRITE_FAILED;
    std::string name = makeEntryFileName(e->url, e->contentType);
    removeFileOfName(name);

    uint64_t urlLength = std::strlen(e->url) + 1;
    uint64_t total = CACHE_HEADER_SIZE + urlLength + e->headersLength + e->bodyLength;
    // An entry larger than the whole cache can never fit: evicting
    // everything first would only lose the rest.
    if (total > gCacheSettings.maxSize)
        return PUTENTRY_FULL;
    if (gCacheSettings.size + total > gCacheSettings.maxSize &&
        !freeSpace(gCacheSettings.size + total - gCacheSettings.maxSize, 0))
        return PUTENTRY_FULL;

    e->urlLength = static_cast<uint32_t>(urlLength);
    e->entrySize = static_cast<uint32_t>(total);
    gCacheSettings.size += e->entrySize;
    // Every stored entry is either never fresh (POST answers) or always fresh.
    e->dateTime = 0;
    e->expiresTime = 0;
    if (e->freshness != FRESH_NEVER)
        e->freshness = FRESH_ALWAYS;

    Log_printf("Cache: putEntry (fn %s)\n", name.c_str());
    if (!writeEntryFile(name, e)) {
        // Nothing half-written stays behind, and Size holds only what is there.
        std::remove(Dir_cachePath(name.c_str()).c_str());
        reduceCacheSize(total);
        return PUTENTRY_WRITE_FAILED;
    }
    return PUTENTRY_STORED;
}

int getEntry(const char *keyUrl, uint32_t contentType, CacheEntry *entry, bool headerOnly)
{
    *entry = CacheEntry{};
    std::string key = keyUrl ? keyUrl : "";
    for (const std::string &name : lookupCandidates(key, contentType)) {
        Log_printf("Cache: getEntry (fn %s)\n", name.c_str());
        if (!readSoundEntry(name, entry, !headerOnly))
            continue;
        if (holdsKey(entry, key, false)) {
            if (headerOnly) {
                std::free(entry->headers);
                std::free(entry->body);
                entry->headers = nullptr;
                entry->body = nullptr;
            }
            return GETENTRY_FOUND;
        }
        bool requested = holdsKey(entry, key, true);
        freeEntryBuffers(entry);
        // A requesting entry of an earlier session is a miss: ask again.
        if (requested)
            return entry->entryFlag == ENTRY_REQUESTING && entry->session == gCacheSettings.currentSession
                       ? GETENTRY_REQUESTED
                       : GETENTRY_MISS;
    }
    *entry = CacheEntry{};
    return GETENTRY_MISS;
}

int getEntryByTid(CacheEntry *entry, uint32_t tid)
{
    *entry = CacheEntry{};
    for (const std::string &name : listEntryFiles("")) {
        if (!readSoundEntry(name, entry, false))
            continue;
        freeEntryBuffers(entry);
        Log_printf("Cache: entry flag is %d, TID is %d\n", entry->entryFlag, static_cast<int>(entry->tid));
        if (entry->entryFlag != ENTRY_REQUESTING || entry->tid != tid)
            continue;
        Log_printf("Cache: getEntry (fn %s)\n", name.c_str());
        if (readEntryFile(name, entry, true, nullptr) == ENTRY_FILE_OK)
            return 1;
    }
    *entry = CacheEntry{};
    return 0;
}

void removeEntry(const char *keyUrl, uint32_t contentType)
{
    std::string name = makeEntryFileName(keyUrl, contentType);
    CacheEntry entry{};
    uint64_t length = 0;
    switch (readEntryFile(name, &entry, false, &length)) {
    case ENTRY_FILE_OK:
        // A file of the same name holding another URL is that URL's entry.
        if (keyUrl && std::strcmp(entry.url, keyUrl) == 0)
            deleteEntryFile(name, entry.entrySize);
        freeEntryBuffers(&entry);
        break;
    case ENTRY_FILE_DAMAGED: discardDamagedEntry(name, length); break;
    case ENTRY_FILE_UNREADABLE: break;
    }
}

// pass 0 protects the current and the previous session (with session 0
// the bound wraps and nothing is protected); pass 1 only the current.
static bool isProtected(const CacheEntry *entry, int pass)
{
    uint32_t current = gCacheSettings.currentSession;
    return pass == 0 ? entry->session >= current - 1 : entry->session == current;
}

bool freeSpace(uint64_t needed, int pass)
{
    Log_printf("Cache: freeSpace (size= %llu  flag= %d)\n", static_cast<unsigned long long>(needed), pass);
    std::vector<std::string> names = listEntryFiles("");
    if (names.empty())
        return false;
    uint64_t freed = 0;
    for (const std::string &name : names) {
        if (freed >= needed)
            break;
        CacheEntry entry{};
        uint64_t length = 0;
        EntryFileState state = readEntryFile(name, &entry, false, &length);
        if (state == ENTRY_FILE_DAMAGED)
            freed += discardDamagedEntry(name, length);
        if (state != ENTRY_FILE_OK)
            continue;
        freeEntryBuffers(&entry);
        if (isSpared(entry.entryType) || isProtected(&entry, pass))
            continue;
        deleteEntryFile(name, entry.entrySize);
        freed += entry.entrySize;
        Log_printf("Cache: freeSpace - removing %s to free %u bytes\n", name.c_str(), entry.entrySize);
    }
    if (freed >= needed)
        return true;
    return pass == 0 && freeSpace(needed - freed, 1);
}

bool clearCache()
{
    Log_str("Cache: clear cache\n");
    gCacheSettings.size = 0;
    std::vector<std::string> names = listEntryFiles("");
    if (names.empty())
        return false;
    for (const std::string &name : names) {
        CacheEntry entry{};
        if (!readSoundEntry(name, &entry, false))
            continue;
        freeEntryBuffers(&entry);
        if (isSpared(entry.entryType)) {
            gCacheSettings.size += entry.entrySize;
        } else {
            Log_printf("Cache: clear cache - removing %s\n", name.c_str());
            std::remove(Dir_cachePath(name.c_str()).c_str());
        }
    }
    return true;
}

void freeRequestingEntries()
{
    Log_str("Cache: freeRequestingEntries....\n");
    for (const std::string &name : listEntryFiles("")) {
        CacheEntry entry{};
        if (!readSoundEntry(name, &entry, false))
            continue;
        freeEntryBuffers(&entry);
        if (!isRequesting(entry.entryFlag))
            continue;
        Log_printf("Cache: freeRequestingEntries - removing %s to free %u bytes\n", name.c_str(), entry.entrySize);
        deleteEntryFile(name, entry.entrySize);
    }
}

int abortRequestingEntries(const char *url, void (*abortTid)(uint32_t tid))
{
    Log_printf("Cache: abortRequestingEntries.... (uri: %s)\n", url ? url : "");
    std::vector<std::string> names = listEntryFiles("");
    if (names.empty())
        return ABORT_NO_FILES;
    // The stored URL is the key form with the marker, so the given URL is
    // brought to that form before comparing.
    bool compare = url && *url;
    std::string wanted = compare ? C_makeCacheKey(url) + REQUESTING_MARKER : std::string();
    bool lastMatched = false;
    for (const std::string &name : names) {
        CacheEntry entry{};
        if (!readSoundEntry(name, &entry, false))
            continue;
        if (entry.entryFlag == ENTRY_REQUESTING) {
            if (compare)
                lastMatched = wanted == entry.url;
            Log_printf("Cache: abortRequestingEntries (TID %d)\n", static_cast<int>(entry.tid));
            if (abortTid)
                abortTid(entry.tid);
        }
        freeEntryBuffers(&entry);
    }
    return lastMatched ? ABORT_DONE_OWN_URL : ABORT_DONE;
}

void recountCacheSize()
{
    uint64_t total = 0;
    for (const std::string &name : listEntryFiles("")) {
        CacheEntry entry{};
        if (!readSoundEntry(name, &entry, false))
            continue;
        freeEntryBuffers(&entry);
        total += entry.entrySize;
    }
    gCacheSettings.size = total > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total);
}

bool isFresh(const CacheEntry *entry)
{
    if (entry->freshness == FRESH_ALWAYS)
        return true;
    if (entry->freshness == FRESH_NEVER)
        return false;
    return Clock_nowSeconds() + (entry->dateTime - entry->requestTime) < entry->expiresTime;
}

uint32_t headerContentType(const uint8_t *headers, uint32_t length)
{
    ByteReader r{headers, headers ? length : 0, 0, false};
    uint8_t value = BR_byte(&r);
    // A value length (below 31, or 31 and a uintvar), then the value.
    if (value <= 31) {
        if (value == 31)
            BR_multiByte(&r);
        value = BR_byte(&r);
    }
    return !r.failed && (value & 0x80) ? value & 0x7f : 0;
}
