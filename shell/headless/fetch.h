#pragma once
// One request outside the Browser: C_getEx, then the headless loop until
// the answer is in the cache or has failed. Used by the fetch command and
// the site checker.
#include <cstdint>

#include "cache/cache.h"

// Fetches url as contentType (a fresh copy when refresh is set) with
// method (METHOD_GET or METHOD_POST with postData). result is the final
// answer (CRES_STORED, CRES_HIT, or why not); length the stored body's.
// false when no answer came within limitMs of the loop's clock (0: the
// default, longer on the virtual clock).
bool fetchNow(const char *url, uint32_t contentType, int refresh, int method, const char *postData, uint32_t limitMs,
              CacheResult *result, uint32_t *length);
