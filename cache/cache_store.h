#pragma once
// The cache store: one .wbc file per entry in the cache directory, whose
// listing (in name order) is the only index. Complete entries, requesting
// entries (a request sent, its answer not yet stored; the key URL carries
// the marker "_t") and push messages share the one file format: a 48-byte
// little-endian header, then the URL with its terminator, the response
// headers and the body.
//
// An entry is found by its key URL and content type. File names are a
// lossy rendering of the key, so every read compares the URL stored in the
// file with the key and treats a different URL as a miss. A file whose
// header does not match its length is damaged: reads treat it as a miss
// and remove it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/result_codes.h"

constexpr uint32_t CACHE_HEADER_SIZE = 48;

// entryType
constexpr uint16_t ENTRY_TYPE_NONE = 0;     // never evicted or cleared
constexpr uint16_t ENTRY_TYPE_NETWORK = 1;  // fetched content
constexpr uint16_t ENTRY_TYPE_PUSH = 3;     // a push message: never evicted or cleared

// entryFlag
constexpr uint16_t ENTRY_COMPLETE = 0;
constexpr uint16_t ENTRY_REQUESTING = 1;
constexpr uint16_t ENTRY_REQUESTING_OLD = 2;  // swept like 1 at start and shutdown

// freshness
constexpr uint8_t FRESH_BY_EXPIRY = 0;
constexpr uint8_t FRESH_NEVER = 1;  // POST answers
constexpr uint8_t FRESH_ALWAYS = 2;

// Appended to the key URL of a requesting entry.
constexpr char REQUESTING_MARKER[] = "_t";

// getEntry results
constexpr int GETENTRY_MISS = 0;
constexpr int GETENTRY_FOUND = 1;
constexpr int GETENTRY_REQUESTED = 2;  // a requesting entry of the current session

// putEntry results (shared with the connection manager's codes)
constexpr int PUTENTRY_STORED = CRES_PUSH_STORED;
constexpr int PUTENTRY_WRITE_FAILED = CRES_WRITE_FAILED;
constexpr int PUTENTRY_FULL = CRES_FULL;

// abortRequestingEntries results
constexpr int ABORT_NO_FILES = 0;
constexpr int ABORT_DONE = 1;
constexpr int ABORT_DONE_OWN_URL = 2;  // the last requesting entry compared had the given URL

struct CacheEntry {
    uint32_t entrySize;    // 48 + the three lengths; set by putEntry
    uint32_t session;      // CurrentSession when stored; 0 for push
    uint32_t contentType;  // WSP well-known code, 0 unknown
    uint32_t urlLength;    // URL bytes, terminator included
    uint32_t headersLength;
    uint32_t bodyLength;
    uint16_t entryType;    // ENTRY_TYPE_*
    uint16_t entryFlag;    // ENTRY_COMPLETE / ENTRY_REQUESTING
    uint32_t tid;          // session-layer transaction of the request
    uint32_t requestTime;  // seconds since 1970 when the request was sent
    uint32_t dateTime;     // expiry rule; written as 0
    uint32_t expiresTime;  // expiry rule; written as 0
    uint8_t freshness;     // FRESH_*
    // Not in the header. Filled by the readers as malloc blocks (each one
    // byte longer than its length, with a zero there) that the caller
    // frees with freeEntryBuffers; putEntry only reads them.
    char *url;
    uint8_t *headers;
    uint8_t *body;
};

// The process-wide cache settings, mirrored in the settings store.
struct CacheSettings {
    uint32_t currentSession;  // one more per navigation
    uint32_t minSize;         // shrink to this at shutdown
    uint32_t maxSize;         // Size never grows beyond this by a store
    uint32_t size;            // sum of entrySize over the entry files; never below 0
};

constexpr uint32_t CACHE_DEFAULT_MIN_SIZE = 102400;
constexpr uint32_t CACHE_DEFAULT_MAX_SIZE = 204800;
constexpr char CACHE_SETTINGS_KEY[] = "Software\\Corvale\\Tovrin\\CacheSettings";

extern CacheSettings gCacheSettings;
// Push entries as last counted or added; non-zero lights the indicator.
extern uint32_t gPushCount;

// Settings store. Both report whether every value was read or written;
// loadCacheSettings leaves the defaults for what it could not read.
bool loadCacheSettings();
bool saveCacheSettings();
void setCacheSize(uint32_t minSize, uint32_t maxSize);
void getCacheSize(uint32_t *minSize, uint32_t *maxSize);

// The header as stored: 48 bytes, little-endian, field by field.
void packEntryHeader(const CacheEntry *entry, uint8_t out[CACHE_HEADER_SIZE]);
// False when fewer than 48 bytes are given.
bool unpackEntryHeader(const uint8_t *data, size_t length, CacheEntry *entry);

// The key of a URL: without its fragment (one entry per deck, whatever
// card is shown), then unescaped. Empty when the URL does not fit.
std::string C_makeCacheKey(const char *url);
// "%s_%d.wbc" of key and type with every byte but ASCII letters, digits
// and "." made "_". A key too long for a file name keeps its head and
// gains a hash of the whole key, so the name stays within NAME_MAX.
std::string makeEntryFileName(const char *keyUrl, uint32_t contentType);

// Stores the entry under entry->url and entry->contentType, replacing the
// file of that name (whatever URL it held). Sets urlLength, entrySize and
// the freshness fields. 2000, 2501 or 2503.
int putEntry(CacheEntry *entry);
// contentType 0 finds the first entry of any type in name order. Fills
// the header and, for GETENTRY_FOUND, the URL and (unless headerOnly) the
// headers and body; on a miss or GETENTRY_REQUESTED the pointers are null.
int getEntry(const char *keyUrl, uint32_t contentType, CacheEntry *entry, bool headerOnly);
// The requesting entry of that transaction, read whole: 1, else 0.
int getEntryByTid(CacheEntry *entry, uint32_t tid);
// Deletes the entry of that key (only when the file holds that URL, or is
// damaged) and takes its size off Size.
void removeEntry(const char *keyUrl, uint32_t contentType);
// Evicts entries of older sessions in name order; whether at least needed
// bytes left Size. Call with pass 0.
bool freeSpace(uint64_t needed, int pass);
// Removes every entry but push entries (and type 0) and recounts Size;
// false when there were no entry files.
bool clearCache();
void freeRequestingEntries();
// Calls abortTid for the transaction of every requesting entry; the files
// stay for the abort indications to remove.
int abortRequestingEntries(const char *url, void (*abortTid)(uint32_t tid));
// Size recounted from the entry files (damaged ones are removed).
void recountCacheSize();
bool isFresh(const CacheEntry *entry);
void freeEntryBuffers(CacheEntry *entry);

// The content type at the start of a WSP header block: the first byte of
// the value, its low 7 bits when bit 7 is set (a well-known type), else 0.
uint32_t headerContentType(const uint8_t *headers, uint32_t length);

// Push list.
int getPushList(char *buffer, uint32_t size);
int putPush(const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength);
void deletePush(const char *uri);
// Deletes the oldest push messages (by arrival) until at most keep are
// left; how many went. Recounts gPushCount.
int dropOldestPushes(uint32_t keep);
