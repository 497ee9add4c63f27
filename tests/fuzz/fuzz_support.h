#pragma once
// What the fuzz targets share: invariants that abort, little-endian
// numbers from the input, the input as a cached deck, and a scratch home
// removed at exit.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <vector>

#include "cache/cache.h"
#include "common/directories.h"
#include "common/log.h"
#include "tests/support/fake_cache.h"

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The little-endian number in the n bytes at p (n at most 4).
inline uint32_t readLe(const uint8_t *p, size_t n = 4)
{
    uint32_t value = 0;
    for (size_t i = n; i-- > 0;)
        value = value << 8 | p[i];
    return value;
}

// The input as the deck the stand-in cache hands out for any URL.
inline void putFuzzDeck(const uint8_t *data, size_t size)
{
    fakeCacheClear();
    fakeCachePut("*", CT_WMLC, std::vector<uint8_t>(data, data + size));
}

inline std::string gFuzzHome;

// Makes /tmp/tovrin-fuzz-TAG-XXXXXX a home with logging off at the first
// call; false on every later call.
inline bool makeFuzzHome(const char *tag)
{
    if (!gFuzzHome.empty())
        return false;
    std::string templ = std::string("/tmp/tovrin-fuzz-") + tag + "-XXXXXX";
    check(mkdtemp(templ.data()) != nullptr);
    gFuzzHome = templ;
    check(Dir_initDirectories(gFuzzHome.c_str()));
    Log_setMode(LOG_OFF);
    std::atexit([] { std::filesystem::remove_all(gFuzzHome); });
    return true;
}
