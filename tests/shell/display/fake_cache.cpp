#include "tests/shell/display/fake_cache.h"

#include <cstdlib>
#include <cstring>
#include <map>

#include "cache/cache.h"

namespace {
std::map<std::string, std::vector<uint8_t>> gEntries;
int gRetrieveCount = 0;
}  // namespace

void fakeCachePut(const std::string &url, const std::vector<uint8_t> &bytes) { gEntries[url] = bytes; }

void fakeCacheClear()
{
    gEntries.clear();
    gRetrieveCount = 0;
}

int fakeCacheRetrieveCount() { return gRetrieveCount; }

void C_retrieve(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, CacheResult *result)
{
    gRetrieveCount++;
    auto found = gEntries.find(url);
    if (found == gEntries.end() || (*contentType != CT_ANY && *contentType != CT_WBMP)) {
        *result = {2501, 0};
        return;
    }
    const std::vector<uint8_t> &bytes = found->second;
    *content = static_cast<uint8_t *>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (!bytes.empty())
        std::memcpy(*content, bytes.data(), bytes.size());
    *length = static_cast<uint32_t>(bytes.size());
    *contentType = CT_WBMP;
    *result = {CRES_HIT, 0};
}
