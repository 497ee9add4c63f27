#pragma once
// The stand-in cache store for script tests, and compiled test units read
// from the build tree (WMLS_DIR).
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/fake_cache.h"

// Stores bytes under url with content type (0x15 compiled script).
inline void fakeCachePut(const std::string &url, const std::vector<uint8_t> &bytes, uint32_t type = 0x15)
{
    fakeCachePut(url, type, bytes);
}
// Stores the compiled unit NAME.wmlsc of the build tree under url; false
// when the file is missing.
bool fakeCachePutUnit(const std::string &url, const std::string &name);
// The bytes of a compiled test unit (empty when missing).
std::vector<uint8_t> readCompiledUnit(const std::string &name);
