#pragma once
// The checker's answers in words: cache results, WSP statuses as HTTP
// codes with their reason phrases, content types.
#include <cstdint>
#include <string>

#include "cache/cache.h"

// "ok", or what went wrong; contentType gets the type received, in words.
std::string resultWords(const CacheResult &result, uint32_t asked, std::string *contentType);
// A WSP status byte as "404 Not Found".
std::string statusWords(int32_t wspStatus);
std::string contentTypeWords(uint32_t type);
std::string hexByte(int value);
