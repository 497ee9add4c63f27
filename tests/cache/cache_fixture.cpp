#include "cache_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/directories.h"

const char *gFakeCurrentUrl = nullptr;
int gPushIndicatorRefreshes = 0;
std::vector<CacheResult> gPollResults;
std::vector<std::string> gStatusShown;
std::vector<int32_t> gErrorsShown;
int gContextsPopped = 0;

// What the Browser and the display provide in the program.
const char *getURL(int index) { return index == 0 ? gFakeCurrentUrl : nullptr; }
void refreshPushIndicator() { gPushIndicatorRefreshes++; }
void popContext() { gContextsPopped++; }
void showStatus(const char *text) { gStatusShown.push_back(text); }
void showError(int32_t code) { gErrorsShown.push_back(code); }

void pollCache()
{
    CacheResult r{0, 0};
    C_poll(1, &r);
    gPollResults.push_back(r);
}

void CacheTest::SetUp()
{
    gCacheSettings = {0, CACHE_DEFAULT_MIN_SIZE, CACHE_DEFAULT_MAX_SIZE, 0};
    gPushCount = 0;
    gFakeCurrentUrl = nullptr;
    gPushIndicatorRefreshes = 0;
    gPollResults.clear();
    gStatusShown.clear();
    gErrorsShown.clear();
    gContextsPopped = 0;
}

int CacheTest::store(const std::string &url, uint32_t type, uint32_t session, uint32_t bodySize, uint16_t entryType,
                     uint16_t flag, uint32_t tid)
{
    std::string body;
    for (uint32_t i = 0; i < bodySize; i++)
        body += static_cast<char>('a' + i % 26);
    CacheEntry e{};
    e.url = const_cast<char *>(url.c_str());
    e.urlLength = static_cast<uint32_t>(url.size() + 1);
    e.contentType = type;
    e.session = session;
    e.body = reinterpret_cast<uint8_t *>(body.data());
    e.bodyLength = bodySize;
    e.entryType = entryType;
    e.entryFlag = flag;
    e.tid = tid;
    return putEntry(&e);
}

std::vector<std::string> CacheTest::files() const
{
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(Dir_cacheDir()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void CacheTest::writeFile(const std::string &name, const std::string &bytes) const
{
    std::ofstream(Dir_cachePath(name.c_str()), std::ios::binary) << bytes;
}

bool CacheTest::exists(const std::string &name) const { return std::filesystem::exists(Dir_cachePath(name.c_str())); }

std::vector<std::string> pushUris()
{
    char list[256];
    int n = getPushList(list, sizeof list);
    std::vector<std::string> uris;
    for (const char *p = list; n-- > 0; p += uris.back().size() + 1)
        uris.emplace_back(p);
    return uris;
}
