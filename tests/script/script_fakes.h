#pragma once
// An in-memory cache for script tests: C_retrieve answers from a map of
// (URL, content type) to bytes. Compiled test units are read from the
// build tree (WMLS_DIR).
#include <cstdint>
#include <string>
#include <vector>

// Stores bytes under url with content type (0x15 compiled script).
void fakeCachePut(const std::string &url, const std::vector<uint8_t> &bytes, uint32_t type = 0x15);
// Stores the compiled unit NAME.wmlsc of the build tree under url; false
// when the file is missing.
bool fakeCachePutUnit(const std::string &url, const std::string &name);
void fakeCacheClear();
// How many C_retrieve calls were made since the last clear.
int fakeCacheRetrievals();
// The bytes of a compiled test unit (empty when missing).
std::vector<uint8_t> readCompiledUnit(const std::string &name);
