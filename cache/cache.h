#pragma once
// The cache and connection manager as the rest of the browser sees it.
// Every operation answers in a CacheResult.
#include <cstdint>

struct CacheResult {
    int32_t code;  // result code (2006 hit, 2007 pending, ...)
    int32_t arg;   // 0 unless the code says otherwise
};

// WSP well-known content types, the second half of an entry's key.
constexpr uint32_t CT_ANY = 0;
constexpr uint32_t CT_WMLC = 0x14;   // application/vnd.wap.wmlc
constexpr uint32_t CT_WMLSC = 0x15;  // application/vnd.wap.wmlscriptc
constexpr uint32_t CT_WBMP = 0x21;   // image/vnd.wap.wbmp

constexpr int32_t CRES_PUSH_STORED = 2000;
constexpr int32_t CRES_IDLE = 2002;
constexpr int32_t CRES_STORED = 2005;
constexpr int32_t CRES_HIT = 2006;
constexpr int32_t CRES_PENDING = 2007;
constexpr int32_t CRES_WRITE_FAILED = 2501;
constexpr int32_t CRES_BAD_URL = 2502;
constexpr int32_t CRES_FULL = 2503;

// Cache only, never a request. On a hit (2006) *content is a heap block
// (malloc) of *length bytes that the caller frees, and *contentType the
// stored type; contentType 0 on entry means any type.
void C_retrieve(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length,
                CacheResult *result);

// The cache limits in bytes (kept in the settings store).
void C_setCacheSize(uint32_t minSize, uint32_t maxSize);
void C_getCacheSize(uint32_t *minSize, uint32_t *maxSize);

struct UserPrefs;

// Start-up: loads the settings, removes requests left by an earlier run,
// recounts the bytes held and counts the push messages waiting.
void C_init(const struct UserPrefs *prefs);
// Removes outstanding requests, shrinks the cache to its minimum size and
// saves the settings.
void C_shutdown();
// A navigation begins: entries stored from now on belong to it.
void C_newSession();
// Removes every entry but the push messages; the session count restarts.
void C_clearCache();

// Push messages. getPushList writes the push URIs as consecutive
// zero-terminated texts plus one more zero byte into buffer (those that
// fit, each whole) and returns how many it listed.
int getPushList(char *buffer, uint32_t size);
// Deletes one push message by its URI ("push://<n>_<type>").
void deletePush(const char *uri);
bool pushWaiting();
