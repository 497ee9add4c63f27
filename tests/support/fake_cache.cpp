#include "tests/support/fake_cache.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "cache/cache.h"

namespace {
std::map<std::pair<std::string, uint32_t>, std::vector<uint8_t>> gEntries;  // (url, type) -> content
int gRetrievals = 0;
int32_t gMissCode = CRES_BAD_URL;

bool matches(const std::string &key, const char *url)
{
    return key[0] == '*' ? std::strstr(url, key.c_str() + 1) != nullptr : key == url;
}
}  // namespace

void fakeCachePut(const std::string &url, uint32_t contentType, const std::vector<uint8_t> &bytes)
{
    gEntries[{url, contentType}] = bytes;
}

void fakeCacheClear()
{
    gEntries.clear();
    gRetrievals = 0;
    gMissCode = CRES_BAD_URL;
}

void fakeCacheSetMiss(int32_t code) { gMissCode = code; }

int fakeCacheRetrievals() { return gRetrievals; }

void C_retrieve(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, CacheResult *result)
{
    gRetrievals++;
    *content = nullptr;
    *length = 0;
    *result = {gMissCode, 0};
    for (const auto &[key, bytes] : gEntries) {
        if (!matches(key.first, url) || (*contentType != CT_ANY && key.second != *contentType))
            continue;
        *content = static_cast<uint8_t *>(std::malloc(bytes.empty() ? 1 : bytes.size()));
        if (!bytes.empty())
            std::memcpy(*content, bytes.data(), bytes.size());
        *length = static_cast<uint32_t>(bytes.size());
        *contentType = key.second;
        *result = {CRES_HIT, 0};
        return;
    }
}
