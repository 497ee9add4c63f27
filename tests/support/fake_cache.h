#pragma once
// A stand-in for the cache store behind C_retrieve: content put here by
// URL and content type is handed out as a heap block of exactly its
// length, so a read past its end shows under AddressSanitizer. A url of
// "*TEXT" stands for every URL holding TEXT ("*" for all).
#include <cstdint>
#include <string>
#include <vector>

void fakeCachePut(const std::string &url, uint32_t contentType, const std::vector<uint8_t> &bytes);
void fakeCacheClear();
// What a miss answers until the next clear (CRES_BAD_URL).
void fakeCacheSetMiss(int32_t code);
// C_retrieve calls since the last clear.
int fakeCacheRetrievals();
