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
