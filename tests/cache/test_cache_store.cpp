#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cache/cache_store.h"
#include "cache_fixture.h"
#include "common/directories.h"

namespace {

TEST(CacheNames, FileNamesFromKeys)
{
    struct Case {
        const char *url;
        uint32_t type;
        const char *name;
    } cases[] = {
        {"scheme://host/a.wml_t", 20, "scheme___host_a.wml_t_20.wbc"},
        {"push://12345_20", 20, "push___12345_20_20.wbc"},
        {"http://h:9201/a b?x=1&y=%", 33, "http___h_9201_a_b_x_1_y___33.wbc"},
        {"http://h/\xe9.wml", 0x80000000u, "http___h__.wml__2147483648.wbc"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(makeEntryFileName(c.url, c.type), c.name) << c.url;
    // Long keys stay within NAME_MAX and apart.
    std::string head = "http://h/" + std::string(400, 'x');
    std::string a = makeEntryFileName((head + "a").c_str(), 0x80000000u);
    EXPECT_LE(a.size(), 255u);
    EXPECT_NE(a, makeEntryFileName((head + "b").c_str(), 0x80000000u));
    EXPECT_EQ(a.substr(0, 20), "http___h_xxxxxxxxxxx");
    EXPECT_EQ(a.substr(a.size() - 15), "_2147483648.wbc");
    // Keys drop the fragment and unescape; the user-info stays.
    EXPECT_EQ(C_makeCacheKey("http://h/a%20b.wml?q=x+y#card"), "http://h/a b.wml?q=x y");
    EXPECT_EQ(C_makeCacheKey("http://u:pw@h:81/a.wml#c"), "http://u:pw@h:81/a.wml");
}

TEST(CacheHeader, LittleEndianFieldByField)
{
    // In declaration order: sizes, type, flag, tid, times, freshness.
    CacheEntry e{0x04030201, 5, 20, 6, 7, 8, 3, 1, 0xA1B2C3D4, 9, 0, 0, 2, nullptr, nullptr, nullptr};
    uint8_t bytes[CACHE_HEADER_SIZE];
    packEntryHeader(&e, bytes);
    const uint8_t expected[CACHE_HEADER_SIZE] = {1, 2, 3, 4, 5, 0, 0, 0, 20, 0, 0, 0, 6,    0,    0,    0,
                                                 7, 0, 0, 0, 8, 0, 0, 0, 3,  0, 1, 0, 0xD4, 0xC3, 0xB2, 0xA1,
                                                 9, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 2,    0,    0,    0};
    EXPECT_EQ(0, memcmp(bytes, expected, sizeof bytes));
    CacheEntry back{};
    ASSERT_TRUE(unpackEntryHeader(bytes, sizeof bytes, &back));
    packEntryHeader(&back, bytes);
    EXPECT_EQ(0, memcmp(bytes, expected, sizeof bytes));
    EXPECT_FALSE(unpackEntryHeader(bytes, 47, &back));
}

TEST(CacheHeader, ContentTypeOfHeaderBlock)
{
    struct Case {
        std::string bytes;
        uint32_t type;
        // clang-format off
    } cases[] = {
        {"\x94", 20},                      // well-known short integer
        {"\x02\xA1\x81", 33},              // length, then the value
        {"\x1F\x81\x01\x95", 21},          // uintvar length, then the value
        {"text/vnd.wap.wml", 0},           // a text type is not well known
        {"\x05", 0},                       // length and nothing after it
        {"\x1F\x81\x81\x81\x81\x81\x81", 0},  // uintvar runs off the end
        {"\x1F\x81\x81\x81\x81\x81\x81\x01\x94", 0},  // uintvar longer than 5 bytes
        {"", 0},
    };
    // clang-format on
    for (const Case &c : cases)
        EXPECT_EQ(
            headerContentType(reinterpret_cast<const uint8_t *>(c.bytes.data()), static_cast<uint32_t>(c.bytes.size())),
            c.type)
            << c.bytes.size();
}

TEST(CacheFresh, ExpiryRule)
{
    struct Case {
        uint8_t freshness;
        uint32_t expires;
        bool fresh;
    } cases[] = {{FRESH_ALWAYS, 0, true},
                 {FRESH_NEVER, 0xFFFFFFFF, false},
                 {FRESH_BY_EXPIRY, 0xFFFFFFFF, true},
                 {FRESH_BY_EXPIRY, 0, false}};
    for (const Case &c : cases) {
        CacheEntry e{};
        e.freshness = c.freshness;
        e.expiresTime = c.expires;
        EXPECT_EQ(isFresh(&e), c.fresh) << int{c.freshness} << " " << c.expires;
    }
}

using CacheStore = CacheTest;

TEST_F(CacheStore, StoresAndFindsByKeyAndType)
{
    std::string url = "http://h/a.wml";
    uint8_t headers[] = {0x94, 0x01};
    uint8_t body[] = {1, 2, 3};
    // Session 3, type 20, 2 header bytes, 3 body bytes.
    CacheEntry e{0, 3, 20, 0, 2, 3, ENTRY_TYPE_NETWORK, 0, 0, 0, 0, 0, 0, url.data(), headers, body};
    ASSERT_EQ(putEntry(&e), 2000);
    EXPECT_EQ(gCacheSettings.size, 48u + 15 + 2 + 3);
    EXPECT_EQ(files(), std::vector<std::string>{"http___h_a.wml_20.wbc"});

    for (uint32_t type : {20u, 0u}) {
        CacheEntry got{};
        ASSERT_EQ(getEntry(url.c_str(), type, &got, false), 1);
        EXPECT_STREQ(got.url, url.c_str());
        EXPECT_EQ(got.contentType, 20u);
        EXPECT_EQ(got.session, 3u);
        ASSERT_EQ(got.bodyLength, 3u);
        EXPECT_EQ(0, memcmp(got.body, body, 3));
        EXPECT_EQ(got.headers[1], 0x01);
        freeEntryBuffers(&got);
    }
    CacheEntry head{};
    ASSERT_EQ(getEntry(url.c_str(), 20, &head, true), 1);
    EXPECT_EQ(head.body, nullptr);
    EXPECT_EQ(head.headers, nullptr);
    freeEntryBuffers(&head);
    EXPECT_EQ(getEntry(url.c_str(), 21, &head, false), 0);

    // The same key again: one file, Size holds only the new entry.
    ASSERT_EQ(store(url, 20, 3, 10), 2000);
    EXPECT_EQ(files().size(), 1u);
    EXPECT_EQ(gCacheSettings.size, 48u + 15 + 10);
}

TEST_F(CacheStore, NamesThatCollideNeverServeTheOtherUrl)
{
    const char *a = "http://h/a-b.wml";
    const char *b = "http://h/a_b.wml";
    ASSERT_EQ(store(a, 20, 1, 5), 2000);
    CacheEntry got{};
    EXPECT_EQ(getEntry(b, 20, &got, false), 0);
    EXPECT_EQ(getEntry(b, 0, &got, false), 0);
    removeEntry(b, 20);  // not b's file: stays
    EXPECT_EQ(files().size(), 1u);

    // The newer entry takes the name.
    ASSERT_EQ(store(b, 20, 1, 7), 2000);
    EXPECT_EQ(files().size(), 1u);
    EXPECT_EQ(gCacheSettings.size, 48u + 17 + 7);
    EXPECT_EQ(getEntry(a, 20, &got, false), 0);
    ASSERT_EQ(getEntry(b, 20, &got, false), 1);
    EXPECT_EQ(got.bodyLength, 7u);
    freeEntryBuffers(&got);

    // An any-type look-up of a key that prefixes another's name.
    ASSERT_EQ(store("http://h/a/b", 20, 1, 1), 2000);
    EXPECT_EQ(getEntry("http://h/a", 0, &got, false), 0);
}

TEST_F(CacheStore, DamagedFilesAreMissesAndRemoved)
{
    const std::string name = "http___h_a.wml_20.wbc";
    ASSERT_EQ(store("http://h/a.wml", 20, 0, 4), 2000);
    const std::string good = readBytes(Dir_cachePath(name.c_str()));
    auto patched = [&good](size_t at, char value) {
        std::string bytes = good;
        bytes[at] = value;
        return bytes;
    };
    struct Case {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"short header", good.substr(0, 20)},
        {"truncated body", good.substr(0, good.size() - 1)},
        {"trailing bytes", good + "x"},
        {"lengths beyond the file", patched(20, 100)},  // bodyLength
        {"entry size", patched(0, static_cast<char>(good[0] + 1))},
        {"unterminated URL", patched(48 + 14, 'x')},  // runs into the body
        {"zero inside the URL", patched(48 + 3, 0)},
    };
    for (const Case &c : cases) {
        writeFile(name, c.bytes);
        gCacheSettings.size = 1000;
        CacheEntry got{};
        EXPECT_EQ(getEntry("http://h/a.wml", 20, &got, false), 0) << c.what;
        EXPECT_EQ(got.url, nullptr);
        EXPECT_FALSE(exists(name)) << c.what;
        EXPECT_EQ(gCacheSettings.size, 1000 - c.bytes.size()) << c.what;
    }
    writeFile(name, good);
    CacheEntry got{};
    EXPECT_EQ(getEntry("http://h/a.wml", 20, &got, false), 1);
    freeEntryBuffers(&got);
}

TEST_F(CacheStore, RequestingEntriesVersusComplete)
{
    const char *key = "http://h/a.wml";
    gCacheSettings.currentSession = 4;
    ASSERT_EQ(store(std::string(key) + "_t", 20, 4, 0, ENTRY_TYPE_NETWORK, ENTRY_REQUESTING, 77), 2000);
    EXPECT_TRUE(exists("http___h_a.wml_t_20.wbc"));
    CacheEntry got{};
    EXPECT_EQ(getEntry(key, 20, &got, false), 2);
    EXPECT_EQ(got.url, nullptr);
    EXPECT_EQ(getEntry(key, 0, &got, false), 2);
    gCacheSettings.currentSession = 5;  // an earlier session's request reads as a miss
    EXPECT_EQ(getEntry(key, 20, &got, false), 0);

    ASSERT_EQ(getEntryByTid(&got, 77), 1);
    EXPECT_EQ(std::string(got.url), std::string(key) + "_t");
    EXPECT_EQ(got.body[0], 0);  // every buffer ends in a zero byte
    freeEntryBuffers(&got);
    EXPECT_EQ(getEntryByTid(&got, 78), 0);

    // The answer arrives: the complete entry is found before the request.
    ASSERT_EQ(store(key, 20, 5, 3), 2000);
    EXPECT_EQ(getEntry(key, 20, &got, false), 1);
    freeEntryBuffers(&got);
    freeRequestingEntries();
    EXPECT_EQ(files(), std::vector<std::string>{"http___h_a.wml_20.wbc"});
    EXPECT_EQ(gCacheSettings.size, 48u + 15 + 3);
}

TEST_F(CacheStore, EvictionBySessionThenFull)
{
    gCacheSettings.maxSize = 2000;
    gCacheSettings.currentSession = 5;
    // 48 + 12 + 140 = 200 bytes each; the previous session's sorts first.
    ASSERT_EQ(store("http://h/a4", 20, 4, 140), 2000);
    ASSERT_EQ(store("http://h/b2", 20, 2, 140), 2000);
    ASSERT_EQ(store("http://h/c3", 20, 3, 140), 2000);
    ASSERT_EQ(store("http://h/d5", 20, 5, 140), 2000);
    ASSERT_EQ(store("push://1_20", 20, 0, 140, ENTRY_TYPE_PUSH), 2000);
    ASSERT_EQ(gCacheSettings.size, 1000u);

    // 1100 more needs 100: one entry older than the previous session goes.
    ASSERT_EQ(store("http://h/big", 20, 5, 1100 - 61), 2000);
    EXPECT_FALSE(exists("http___h_b2_20.wbc"));
    EXPECT_TRUE(exists("http___h_a4_20.wbc"));
    EXPECT_TRUE(exists("http___h_c3_20.wbc"));
    EXPECT_EQ(gCacheSettings.size, 1900u);

    // 500 needs 400: c3 alone is not enough, so the previous session goes too.
    ASSERT_EQ(store("http://h/mid", 20, 5, 500 - 61), 2000);
    EXPECT_EQ(files(), (std::vector<std::string>{"http___h_big_20.wbc", "http___h_d5_20.wbc", "http___h_mid_20.wbc",
                                                 "push___1_20_20.wbc"}));
    EXPECT_EQ(gCacheSettings.size, 2000u);

    // Only the current session and the push message are left: full.
    EXPECT_EQ(store("http://h/more", 20, 5, 100), 2503);
    EXPECT_FALSE(exists("http___h_more_20.wbc"));
    EXPECT_EQ(gCacheSettings.size, 2000u);

    // A byte larger than the whole cache: refused without evicting what could go.
    gCacheSettings.currentSession = 6;
    auto before = files();
    EXPECT_EQ(store("http://h/huge", 20, 6, 2001 - 62), 2503);
    EXPECT_EQ(files(), before);
}

TEST_F(CacheStore, ClearingSparesPushEntriesAndSizeNeverGoesBelowZero)
{
    EXPECT_FALSE(clearCache());  // no files at all
    ASSERT_EQ(store("http://h/a", 20, 0, 100), 2000);
    gCacheSettings.size = 10;
    removeEntry("http://h/a", 20);
    EXPECT_EQ(gCacheSettings.size, 0u);
    writeFile("junk.wbc", "junk");
    clearCache();
    EXPECT_EQ(gCacheSettings.size, 0u);

    ASSERT_EQ(store("http://h/a", 20, 1, 10), 2000);
    ASSERT_EQ(store("http://h/b", 21, 1, 10, ENTRY_TYPE_NETWORK, ENTRY_REQUESTING), 2000);
    ASSERT_EQ(store("push://7_20", 20, 0, 10, ENTRY_TYPE_PUSH), 2000);
    ASSERT_EQ(store("http://h/keep", 20, 0, 10, ENTRY_TYPE_NONE), 2000);
    gCacheSettings.size = 99999;
    EXPECT_TRUE(clearCache());
    EXPECT_EQ(files(), (std::vector<std::string>{"http___h_keep_20.wbc", "push___7_20_20.wbc"}));
    EXPECT_EQ(gCacheSettings.size, (48u + 12 + 10) + (48u + 14 + 10));
}

TEST_F(CacheStore, FailedWriteLeavesNothingCounted)
{
    // A directory where the file should go cannot be opened for writing.
    std::filesystem::create_directories(Dir_cachePath("http___h_a_20.wbc") + "/inside");
    EXPECT_EQ(store("http://h/a", 20, 0, 10), 2501);
    EXPECT_EQ(gCacheSettings.size, 0u);
    CacheEntry nothing{};
    EXPECT_EQ(putEntry(&nothing), 2501);  // no URL
}

TEST_F(CacheStore, AbortAsksForEveryRequest)
{
    static std::vector<uint32_t> aborted;
    aborted.clear();
    auto abortTid = [](uint32_t tid) { aborted.push_back(tid); };
    EXPECT_EQ(abortRequestingEntries("http://h/a.wml", abortTid), 0);
    ASSERT_EQ(store("http://h/a.wml_t", 20, 0, 0, ENTRY_TYPE_NETWORK, ENTRY_REQUESTING, 11), 2000);
    ASSERT_EQ(store("http://h/done", 20, 0, 4), 2000);
    // The browser's URL carries its escapes and card; the stored one neither.
    EXPECT_EQ(abortRequestingEntries("http://h/a.wml#card", abortTid), 2);
    EXPECT_EQ(abortRequestingEntries("http://h/other.wml", abortTid), 1);
    EXPECT_EQ(abortRequestingEntries(nullptr, abortTid), 1);
    EXPECT_EQ(aborted, (std::vector<uint32_t>{11, 11, 11}));
    EXPECT_EQ(files().size(), 2u);  // the abort indications remove them
}

}  // namespace
