#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "cache/cache.h"
#include "common/registry.h"
#include "shell/display.h"
#include "prefs/prefs.h"
#include "shell/prefs_form.h"
#include "tests/support/temp_home.h"

// Stand-ins for the cache and the display.
uint32_t gCacheMin = 0;  // the last C_setCacheSize
uint32_t gCacheMax = 0;
std::string gCalls;  // C_reconnect, C_clearCache and clearCanvas, in order
void C_setCacheSize(uint32_t minSize, uint32_t maxSize) { gCacheMin = minSize, gCacheMax = maxSize; }
void C_getCacheSize(uint32_t *minSize, uint32_t *maxSize) { *minSize = gCacheMin, *maxSize = gCacheMax; }
void C_reconnect() { gCalls += "reconnect;"; }
void C_clearCache() { gCalls += "clearCache;"; }
void clearCanvas() { gCalls += "clearCanvas;"; }

namespace {

std::string le32(uint32_t v)
{
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

template <size_t N> std::string raw(const char (&text)[N]) { return std::string(text, N - 1); }

// The record and the cache limits on one line, zero bytes shown as '|'.
std::string summary(const UserPrefs &p)
{
    std::ostringstream s;
    s << p.proxy << ':' << p.proxyPort << ' ' << p.homeUrl << " flags " << int(p.flags) << " bearer " << int(p.bearer)
      << " number " << p.myNumber << " history " << p.history << " bookmarks " << p.bookmarks << " sdu " << p.sduSize
      << " push " << int(p.pushEnable) << " mor " << p.morMethod << '/' << p.morPush << " cache " << gCacheMin << '/'
      << gCacheMax;
    std::string line = s.str();
    std::replace(line.begin(), line.end(), '\0', '|');
    return line;
}

const std::string DEFAULTS = "127.0.0.1:9201 http://127.0.0.1:8080/index.wml flags 1 bearer 5 number  history | "
                             "bookmarks | sdu 1500 push 0 mor 8/0 cache 102400/204800";

// What a first start must write, value by value.
std::map<std::string, std::string> defaultValues()
{
    return {
        {"BearerService", raw("\x05")}, {"HomeURL", raw("http://127.0.0.1:8080/index.wml\0")},
        {"Proxy", raw("127.0.0.1\0")},  {"ProxyPort", le32(9201)},
        {"MyNumber", raw("\0")},        {"History", raw("\0")},
        {"Bookmarks", raw("\0")},       {"LastVersion", P_prefsBuildString() + '\0'},
        {"SDUSize", le32(1500)},        {"PushEnable", raw("\0")},
        {"MORMethod", le32(8)},         {"MORPush", le32(0)},
        {"PrefFlag", raw("\x01")},
    };
}

class Prefs : public testing::Test {
protected:
    TempDir dir{"prefs"};
    std::string db = dir / "registry.sqlite";
    RegKey key;
    UserPrefs prefs;

    void SetUp() override
    {
        Reg_setDatabase(db.c_str());
        C_setCacheSize(PREF_DEFAULT_CACHE_MIN, PREF_DEFAULT_CACHE_MAX);  // as start-up does
        gCalls.clear();
    }
    void TearDown() override
    {
        Reg_close();
        Reg_setDatabase(nullptr);
    }
    void openKey() { ASSERT_EQ(Reg_openKey(PREF_KEY, &key, nullptr), REG_OK); }
    void put(const char *name, const std::string &bytes)
    {
        ASSERT_EQ(Reg_setValue(&key, name, REG_TYPE_NONE, bytes.data(), static_cast<uint32_t>(bytes.size())), REG_OK);
    }
    std::string get(const char *name)
    {
        uint32_t size = 0;
        if (Reg_queryValue(&key, name, nullptr, nullptr, &size) != REG_OK)
            return "<missing>";
        std::string bytes(size, '\0');
        EXPECT_EQ(Reg_queryValue(&key, name, nullptr, bytes.data(), &size), REG_OK);
        return bytes.substr(0, size);
    }
    void expectStored(const std::map<std::string, std::string> &values)
    {
        openKey();
        for (const auto &[name, bytes] : values)
            EXPECT_EQ(get(name.c_str()), bytes) << name;
    }
};

// A first start writes every default. Every stored value is read into the
// record; one that cannot be used (a short word) makes the whole record be
// written back, so the store shows what save writes.
TEST_F(Prefs, FirstStartWritesDefaultsAndAnUnusableValueRewritesAll)
{
    EXPECT_EQ(loadPrefs(&prefs), REG_OK);
    EXPECT_EQ(summary(prefs), DEFAULTS);
    EXPECT_EQ(prefs.lastVersion, "");  // none was stored
    expectStored(defaultValues());

    // clang-format off
    std::map<std::string, std::string> stored = {
        {"BearerService", raw("\x03")}, {"HomeURL", raw("http://h/x\0")}, {"Proxy", raw("gw.test\0")},
        {"ProxyPort", raw("\x50\x23")}, {"MyNumber", raw("555\0")},       {"Bookmarks", raw("Home\0http://h/\0\0")},
        {"LastVersion", raw("Build old\0")}, {"SDUSize", le32(1400)},     {"PushEnable", raw("\x01")},
        {"MORMethod", le32(4)},         {"MORPush", le32(3)},             {"PrefFlag", raw("\x02")},
        {"History", raw("http://a/\0\0")},
    };
    // clang-format on
    for (const auto &[name, bytes] : stored)
        put(name.c_str(), bytes);

    EXPECT_EQ(loadPrefs(&prefs), REG_OK);
    EXPECT_EQ(summary(prefs), "gw.test:9201 http://h/x flags 2 bearer 3 number 555 history http://a/|| bookmarks "
                              "Home|http://h/|| sdu 1400 push 1 mor 4/3 cache 102400/204800");
    EXPECT_EQ(prefs.lastVersion, "Build old");
    stored["ProxyPort"] = le32(9201);
    stored["LastVersion"] = P_prefsBuildString() + '\0';
    expectStored(stored);

    // With every value present nothing is written back.
    put("LastVersion", raw("Build old\0"));
    EXPECT_EQ(loadPrefs(&prefs), REG_OK);
    EXPECT_EQ(get("LastVersion"), raw("Build old\0"));
}

// Stored bytes that do not keep to their layout are read within their
// length; what cannot be used keeps its default and is written back whole.
TEST_F(Prefs, MalformedValuesStayInBounds)
{
    ASSERT_EQ(loadPrefs(&prefs), REG_OK);  // every value present
    openKey();
    put("Proxy", "gw.noterm");
    put("HomeURL", std::string(PREF_MAX_TEXT + 1, 'h'));
    put("History", "http://a/\0http://b");
    put("Bookmarks", raw("T\0\0U\0\0"));
    put("PrefFlag", "");
    put("SDUSize", le32(1400) + "x");

    ASSERT_EQ(loadPrefs(&prefs), REG_OK);
    EXPECT_EQ(summary(prefs), "gw.noterm:9201 http://127.0.0.1:8080/index.wml flags 1 bearer 5 number  history "
                              "http://a/|| bookmarks T|| sdu 1500 push 0 mor 8/0 cache 102400/204800");
    expectStored({{"Proxy", raw("gw.noterm\0")},
                  {"HomeURL", raw("http://127.0.0.1:8080/index.wml\0")},
                  {"PrefFlag", raw("\x01")},
                  {"SDUSize", le32(1500)}});
}

// A store that is not a database, or one another program holds locked:
// the defaults stay in use and the file is left as it was.
TEST_F(Prefs, UnusableOrLockedStoreKeepsDefaultsAndWritesNothing)
{
    for (bool locked : {false, true}) {
        sqlite3 *other = nullptr;
        if (locked) {
            ASSERT_EQ(loadPrefs(&prefs), REG_OK);
            Reg_close();
            ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        } else {
            std::ofstream(db, std::ios::binary) << "this is not a database, just some bytes";
        }
        std::string before = readBytes(db);
        prefs = UserPrefs{};
        int rc = loadPrefs(&prefs);
        EXPECT_TRUE(locked ? rc == REG_ERR_BUSY : rc != REG_OK) << rc;
        EXPECT_EQ(summary(prefs), DEFAULTS);
        prefs.proxy = "gw.changed";
        EXPECT_NE(savePrefs(&prefs), REG_OK);
        sqlite3_close(other);
        Reg_close();
        EXPECT_EQ(readBytes(db), before) << locked;
        std::filesystem::remove(db);
    }
}

// ---- the preferences window's form

TEST_F(Prefs, FormOkStoresWhatTheFormShows)
{
    ASSERT_EQ(loadPrefs(&prefs), REG_OK);
    prefs.myNumber = "555";
    PrefsForm form;
    fillPrefsForm(prefs, &form);
    form.homeUrl = "http://new/";
    form.portIndex = PREFS_PORT_CONNECTIONLESS;
    form.loadOnStartup = false;
    form.newContextClearsHistory = true;
    form.cacheMinKb = " 10 ";
    form.cacheMaxKb = "20";
    form.sduSize = "12abc";         // not a number
    form.morMethod = "4294967296";  // does not fit 32 bits
    form.morPush = "4294967295";
    EXPECT_EQ(applyPrefsForm(form, &prefs), REG_OK);
    EXPECT_EQ(summary(prefs), "127.0.0.1:9200 http://new/ flags 2 bearer 5 number  history | bookmarks | sdu 0 push 0 "
                              "mor 0/4294967295 cache 10240/20480");
    EXPECT_EQ(gCalls, "reconnect;");
    expectStored({{"HomeURL", raw("http://new/\0")}, {"MORPush", le32(0xFFFFFFFF)}, {"PrefFlag", raw("\x02")}});

    // The first entry stores 9201 again; both flags come back.
    form.portIndex = PREFS_PORT_CONNECTION;
    form.loadOnStartup = true;
    EXPECT_EQ(applyPrefsForm(form, &prefs), REG_OK);
    EXPECT_EQ(prefs.proxyPort, 9201u);
    EXPECT_EQ(prefs.flags, PREF_LOAD_ON_STARTUP | PREF_NEWCONTEXT_HISTORY);

    // Texts stop at 255 bytes, between characters; limits stay usable.
    form.homeUrl = std::string(254, 'a') + "\xC3\xA9";  // 256 bytes
    form.gatewayAddress = std::string(300, 'g');
    form.cacheMinKb = "50";
    form.cacheMaxKb = "40";  // below the minimum: the minimum follows it
    applyPrefsForm(form, &prefs);
    EXPECT_EQ(prefs.homeUrl, std::string(254, 'a'));
    EXPECT_EQ(prefs.proxy, std::string(255, 'g'));
    EXPECT_EQ(gCacheMin, 40u * 1024);
    EXPECT_EQ(gCacheMax, 40u * 1024);
    form.cacheMinKb = "3000000";  // bytes past 2^31: clamped
    form.cacheMaxKb = "4194304";
    applyPrefsForm(form, &prefs);
    EXPECT_EQ(gCacheMin, PREFS_FORM_MAX_CACHE_KB * 1024);
    EXPECT_EQ(gCacheMax, PREFS_FORM_MAX_CACHE_KB * 1024);
}

// The home page and the flags without a reconnect: the dialogs' window test.
TEST_F(Prefs, FormOkReconnectsOnlyWhenTheGatewayChanged)
{
    const struct {
        const char *what;
        void (*change)(PrefsForm *);
        bool reconnects;
    } cases[] = {
        {"cache and numbers", [](PrefsForm *f) { f->cacheMaxKb = "1", f->morMethod = "2"; }, false},
        {"address", [](PrefsForm *f) { f->gatewayAddress = "10.0.0.2"; }, true},
        {"bearer", [](PrefsForm *f) { f->bearerIndex = PREFS_BEARER_SMS; }, true},
    };
    for (const auto &c : cases) {
        setPrefDefaults(&prefs);
        PrefsForm form;
        fillPrefsForm(prefs, &form);
        c.change(&form);
        gCalls.clear();
        applyPrefsForm(form, &prefs);
        EXPECT_EQ(gCalls, c.reconnects ? "reconnect;" : "") << c.what;
    }
}

// The form shows the record and the cache limits; Restore brings back every
// default but the bookmarks.
TEST_F(Prefs, FormShowsTheRecordAndRestoreKeepsOnlyTheBookmarks)
{
    ASSERT_EQ(loadPrefs(&prefs), REG_OK);
    prefs.proxy = "gw.mine";
    prefs.bearer = BEARER_SMS;
    prefs.proxyPort = 9200;
    prefs.flags = PREF_NEWCONTEXT_HISTORY;
    prefs.homeUrl = "http://caf\xE9/";  // not UTF-8: shown as ISO-8859-1
    prefs.morPush = 3;
    P_listTextAppend(prefs.history, "http://a/");
    prefs.bookmarks = raw("Home\0http://h/\0\0");
    C_setCacheSize(100000, 300000);
    PrefsForm form;
    fillPrefsForm(prefs, &form);
    EXPECT_EQ(form.homeUrl, "http://caf\xC3\xA9/");
    EXPECT_FALSE(form.loadOnStartup);
    EXPECT_TRUE(form.newContextClearsHistory);
    EXPECT_EQ(form.cacheMinKb, "97");  // truncated
    EXPECT_EQ(form.cacheMaxKb, "292");
    EXPECT_EQ(form.bearerIndex, PREFS_BEARER_SMS);
    EXPECT_EQ(form.portIndex, PREFS_PORT_CONNECTIONLESS);
    EXPECT_EQ(form.morPush, "3");
    form.homeUrl = "typed but not confirmed";

    EXPECT_EQ(restorePrefsForm(&prefs, &form), REG_OK);
    EXPECT_EQ(prefs.bookmarks, raw("Home\0http://h/\0\0"));
    UserPrefs rest = prefs;
    rest.bookmarks = raw("\0");
    EXPECT_EQ(summary(rest), DEFAULTS);  // the history empty, the cache limits too
    std::map<std::string, std::string> stored = defaultValues();
    stored["Bookmarks"] = raw("Home\0http://h/\0\0");
    expectStored(stored);
    EXPECT_EQ(form.homeUrl, PREF_DEFAULT_HOME);
    EXPECT_EQ(form.cacheMinKb, "100");
    EXPECT_EQ(form.portIndex, PREFS_PORT_CONNECTION);

    clearCacheFromPrefs();
    EXPECT_EQ(gCalls, "reconnect;clearCache;clearCanvas;");
}

// ---- list texts

TEST(ListText, Operations)
{
    std::string list;  // not set yet
    EXPECT_EQ(P_listTextCount(list), 0u);
    EXPECT_EQ(P_listTextAt(list, 0), nullptr);
    EXPECT_FALSE(P_listTextAppend(list, ""));
    EXPECT_TRUE(P_listTextAppend(list, "a"));
    EXPECT_TRUE(P_listTextAppend(list, "bb"));
    EXPECT_TRUE(P_listTextAppend(list, "c"));
    EXPECT_EQ(list, raw("a\0bb\0c\0\0"));
    EXPECT_EQ(P_listTextCount(list), 3u);
    EXPECT_STREQ(P_listTextAt(list, 1), "bb");
    EXPECT_EQ(P_listTextFind(list, "c"), 2);
    EXPECT_EQ(P_listTextFind(list, "b"), -1);
    EXPECT_FALSE(P_listTextRemove(list, 2, 2));
    EXPECT_TRUE(P_listTextRemove(list, 0, 2));
    EXPECT_EQ(list, raw("c\0\0"));

    std::string broken = "x";  // lost both zeros: appending still separates
    EXPECT_TRUE(P_listTextAppend(broken, "y"));
    EXPECT_EQ(broken, raw("x\0y\0\0"));
}

TEST(ListText, FromStoredBytes)
{
    struct Case {
        std::string stored, expected;
    } cases[] = {
        {"", raw("\0")},
        {raw("\0"), raw("\0")},
        {raw("a\0b\0\0"), raw("a\0b\0\0")},
        {raw("a\0b"), raw("a\0b\0\0")},
        {raw("a\0\0junk\0\0"), raw("a\0\0")},
        {raw("\0a\0\0"), raw("\0")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(listTextFromBytes(c.stored.data(), c.stored.size()), c.expected);
    EXPECT_EQ(textFromBytes("abc", 2), "ab");
    EXPECT_EQ(textFromBytes(raw("a\0b").data(), 3), "a");
}

}  // namespace
