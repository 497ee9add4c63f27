// The in-memory cache behind C_retrieve for the script tests.
#include "tests/script/script_fakes.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include "cache/cache.h"

#ifndef WMLS_DIR
#define WMLS_DIR "."
#endif

static std::map<std::pair<std::string, uint32_t>, std::vector<uint8_t>> gEntries;  // (url, type) -> body
static int gRetrievals = 0;                                                          // C_retrieve calls

void fakeCachePut(const std::string &url, const std::vector<uint8_t> &bytes, uint32_t type)
{
    gEntries[{url, type}] = bytes;
}

std::vector<uint8_t> readCompiledUnit(const std::string &name)
{
    std::ifstream in(std::string(WMLS_DIR) + "/" + name + ".wmlsc", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool fakeCachePutUnit(const std::string &url, const std::string &name)
{
    std::vector<uint8_t> bytes = readCompiledUnit(name);
    if (bytes.empty())
        return false;
    fakeCachePut(url, bytes);
    return true;
}

void fakeCacheClear()
{
    gEntries.clear();
    gRetrievals = 0;
}

int fakeCacheRetrievals()
{
    return gRetrievals;
}

void C_retrieve(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, CacheResult *result)
{
    gRetrievals++;
    *result = {2502, 0};
    for (auto &[key, bytes] : gEntries) {
        if (key.first != url || (*contentType != 0 && key.second != *contentType))
            continue;
        *contentType = key.second;
        *length = static_cast<uint32_t>(bytes.size());
        *content = static_cast<uint8_t *>(std::malloc(bytes.size() ? bytes.size() : 1));
        if (!bytes.empty())
            std::memcpy(*content, bytes.data(), bytes.size());
        *result = {CRES_HIT, 0};
        return;
    }
}
