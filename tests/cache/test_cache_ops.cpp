#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "cache/cache.h"
#include "cache/cache_store.h"
#include "cache_fixture.h"
#include "common/clock.h"
#include "common/directories.h"
#include "common/registry.h"

namespace {

uint32_t gNow = 910000000 + 4242;
uint32_t fakeClock() { return gNow; }

uint32_t le32(const std::string &bytes)
{
    uint32_t v;
    std::memcpy(&v, bytes.data(), 4);
    return v;
}

std::string readSetting(const char *name)
{
    RegKey key;
    EXPECT_EQ(Reg_openKey(CACHE_SETTINGS_KEY, &key, nullptr), REG_OK);
    char bytes[16];
    uint32_t size = sizeof bytes;
    uint32_t type = 99;
    if (Reg_queryValue(&key, name, &type, bytes, &size) != REG_OK)
        return "<missing>";
    EXPECT_EQ(type, REG_TYPE_NONE);
    return std::string(bytes, size);
}

std::vector<uint32_t> settings()
{
    return {gCacheSettings.currentSession, gCacheSettings.minSize, gCacheSettings.maxSize, gCacheSettings.size};
}

using CacheSettingsStore = CacheTest;

TEST_F(CacheSettingsStore, RoundTripDefaultsAndUnusableStore)
{
    // A new key: the defaults are written and in force.
    gCacheSettings = {9, 9, 9, 9};
    EXPECT_TRUE(loadCacheSettings());
    EXPECT_EQ(le32(readSetting("MaxSize")), CACHE_DEFAULT_MAX_SIZE);
    EXPECT_EQ(readSetting("Size").size(), 4u);

    gCacheSettings = {7, 1000, 5000, 1234};
    EXPECT_TRUE(saveCacheSettings());
    gCacheSettings = {};
    EXPECT_TRUE(loadCacheSettings());
    EXPECT_EQ(settings(), (std::vector<uint32_t>{7, 1000, 5000, 1234}));

    // A value of the wrong length keeps its default; the others still load.
    RegKey key;
    ASSERT_EQ(Reg_openKey(CACHE_SETTINGS_KEY, &key, nullptr), REG_OK);
    ASSERT_EQ(Reg_setValue(&key, "MinSize", REG_TYPE_NONE, "\x01\x02", 2), REG_OK);
    EXPECT_FALSE(loadCacheSettings());
    EXPECT_EQ(gCacheSettings.minSize, CACHE_DEFAULT_MIN_SIZE);
    EXPECT_EQ(gCacheSettings.maxSize, 5000u);

    // A store that cannot be read: the defaults, and nothing saved.
    std::string bad = home / "not-a-db";
    writeFile("../not-a-db", std::string(4096, 'x'));
    Reg_setDatabase(bad.c_str());
    gCacheSettings = {9, 9, 9, 9};
    EXPECT_FALSE(loadCacheSettings());
    EXPECT_EQ(settings(), (std::vector<uint32_t>{0, CACHE_DEFAULT_MIN_SIZE, CACHE_DEFAULT_MAX_SIZE, 0}));
    EXPECT_FALSE(saveCacheSettings());
}

using CachePush = CacheTest;

TEST_F(CachePush, StoresListsAndDeletes)
{
    Clock_setClockSource(fakeClock);
    const uint8_t headers[] = {0x94};
    const uint8_t body[] = {'h', 'i'};
    EXPECT_FALSE(pushWaiting());
    ASSERT_EQ(putPush(headers, 1, body, 2), 2000);
    ASSERT_EQ(putPush(headers, 1, body, 2), 2000);  // same second: a number of its own
    ASSERT_EQ(putPush(nullptr, 0, body, 2), 2000);  // no headers: type 0
    Clock_setClockSource(nullptr);
    EXPECT_EQ(gPushIndicatorRefreshes, 3);
    EXPECT_TRUE(pushWaiting());
    EXPECT_EQ(files(),
              (std::vector<std::string>{"push___4242_20_20.wbc", "push___4243_20_20.wbc", "push___4244_0_0.wbc"}));
    ASSERT_EQ(store("http://h/a", 20, 0, 1), 2000);

    char list[64];
    EXPECT_EQ(getPushList(list, sizeof list), 3);
    EXPECT_EQ(std::string(list, 45), std::string("push://4242_20\0push://4243_20\0push://4244_0\0\0", 45));
    // Room for one whole URI only (and the final zero).
    std::memset(list, 'x', sizeof list);
    EXPECT_EQ(getPushList(list, 17), 1);
    EXPECT_EQ(std::string(list, 16), std::string("push://4242_20\0\0", 16));
    EXPECT_EQ(gPushCount, 1u);
    EXPECT_EQ(getPushList(nullptr, 10), 0);

    deletePush("push://4242_20");
    deletePush("push://4242");  // no type: nothing deleted
    EXPECT_EQ(getPushList(list, sizeof list), 2);
    // What clearing spares is the store's test; the session restarts.
    C_newSession();
    C_clearCache();
    EXPECT_EQ(gCacheSettings.currentSession, 0u);
}

using CacheOps = CacheTest;

TEST_F(CacheOps, InitSweepsRequestsRecountsAndCountsPush)
{
    ASSERT_EQ(store("http://h/a_t", 20, 0, 0, ENTRY_TYPE_NETWORK, ENTRY_REQUESTING, 5), 2000);
    ASSERT_EQ(store("http://h/b_t", 20, 0, 0, ENTRY_TYPE_NETWORK, ENTRY_REQUESTING_OLD, 6), 2000);
    ASSERT_EQ(store("http://h/c", 20, 0, 10), 2000);
    writeFile("damaged_20.wbc", "xx");
    // The stored Size is stale (files were removed behind the cache's back).
    gCacheSettings.size = 150000;
    EXPECT_TRUE(saveCacheSettings());
    C_init(nullptr);
    EXPECT_EQ(files(), std::vector<std::string>{"http___h_c_20.wbc"});
    EXPECT_EQ(gCacheSettings.size, 48u + 11 + 10);
    EXPECT_FALSE(pushWaiting());

    ASSERT_EQ(store("push://1_20", 20, 0, 1, ENTRY_TYPE_PUSH), 2000);
    C_init(nullptr);
    EXPECT_TRUE(pushWaiting());
}

TEST_F(CacheOps, ShutdownShrinksToMinimumAndSaves)
{
    C_init(nullptr);
    C_setCacheSize(300, 2000);
    // 48 + 12 + 140 = 200 each; sessions 1, 2, 3 with 3 current.
    for (int s = 1; s <= 3; s++) {
        C_newSession();
        ASSERT_EQ(store("http://h/s" + std::to_string(s), 20, gCacheSettings.currentSession, 140), 2000);
    }
    ASSERT_EQ(store("http://h/r_t", 20, 3, 0, ENTRY_TYPE_NETWORK, ENTRY_REQUESTING, 9), 2000);
    C_shutdown();
    // Only the last navigation's entry is kept; the request is gone.
    EXPECT_EQ(files(), std::vector<std::string>{"http___h_s3_20.wbc"});
    EXPECT_EQ(gCacheSettings.currentSession, 3u);
    EXPECT_EQ(le32(readSetting("Size")), 200u);
    EXPECT_EQ(le32(readSetting("MinSize")), 300u);
    EXPECT_EQ(le32(readSetting("CurrentSession")), 3u);
}

// Escaped, relative to the current deck, with a card: the same entry; a
// miss is never requested from here.
TEST_F(CacheOps, RetrieveResolvesAndNeverRequests)
{
    ASSERT_EQ(store("http://h/dir/a b.wml", 20, 0, 3), 2000);
    ASSERT_EQ(
        store("http://h/dir/wait.wml_t", 20, gCacheSettings.currentSession, 0, ENTRY_TYPE_NETWORK, ENTRY_REQUESTING, 3),
        2000);
    gFakeCurrentUrl = "http://h/dir/index.wml#main";
    struct Case {
        const char *url;
        uint32_t type;
        bool nullOut;
        int32_t code;
        // clang-format off
    } cases[] = {
        {"a%20b.wml#c2", 20, false, CRES_HIT},
        {"http://h/dir/a+b.wml", 0, false, CRES_HIT},
        {"missing.wml", 20, false, CRES_PENDING},
        {"wait.wml", 20, false, CRES_PENDING},  // requested in this session
        {"?x=1", 20, false, CRES_BAD_URL},
        {"a%20b.wml", 20, true, CRES_WRITE_FAILED},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.url);
        uint32_t type = c.type;
        uint8_t *content = reinterpret_cast<uint8_t *>(1);
        uint32_t length = 0;
        CacheResult result{};
        C_retrieve(c.url, &type, c.nullOut ? nullptr : &content, &length, &result);
        EXPECT_EQ(result.code, c.code);
        if (result.code == CRES_HIT) {
            EXPECT_EQ(std::string(reinterpret_cast<char *>(content), length), "abc");
            EXPECT_EQ(type, 20u);
            std::free(content);
        } else if (!c.nullOut) {
            EXPECT_EQ(content, nullptr);
        }
    }
    EXPECT_EQ(files().size(), 2u);
}

}  // namespace
