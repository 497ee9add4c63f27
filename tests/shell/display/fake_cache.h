#pragma once
// A stand-in for the cache's C_retrieve: images put here by URL are handed
// out as heap blocks of exactly their length, so a read past the end shows
// under AddressSanitizer.
#include <cstdint>
#include <string>
#include <vector>

void fakeCachePut(const std::string &url, const std::vector<uint8_t> &bytes);
void fakeCacheClear();
int fakeCacheRetrieveCount();
