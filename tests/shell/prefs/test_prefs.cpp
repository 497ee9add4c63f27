#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "cache/cache.h"
#include "common/registry.h"
#include "shell/display.h"
#include "shell/prefs/prefs.h"
#include "shell/prefs_form.h"
#include "tests/support/temp_home.h"

// Stand-ins for the cache and the display.
uint32_t gCacheMin = 0;  // the last C_setCacheSize
uint32_t gCacheMax = 0;
std::string gCalls;      // C_reconnect, C_clearCache and clearCanvas, in order
void C_setCacheSize(uint32_t minSize, uint32_t maxSize)
{
    gCacheMin = minSize;
    gCacheMax = maxSize;
}
void C_getCacheSize(uint32_t *minSize, uint32_t *maxSize)
{
    *minSize = gCacheMin;
    *maxSize = gCacheMax;
}
void C_reconnect() { gCalls += "reconnect;"; }
void C_clearCache() { gCalls += "clearCache;"; }
void clearCanvas() { gCalls += "clearCanvas;"; }

namespace {

std::string le32(uint32_t v)
{
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

template <size_t N> std::string raw(const char (&text)[N]) { return std::string(text, N - 1); }

// What a first start must write, value by value.
std::map<std::string, std::string> defaultValues()
{
    return {
        {"BearerService", raw("\x05")},
        {"HomeURL", raw("http://127.0.0.1:8080/index.wml\0")},
        {"Proxy", raw("127.0.0.1\0")},
        {"ProxyPort", le32(9201)},
        {"MyNumber", raw("\0")},
        {"History", raw("\0")},
        {"Bookmarks", raw("\0")},
        {"LastVersion", prefsBuildString() + '\0'},
        {"SDUSize", le32(1500)},
        {"PushEnable", raw("\0")},
        {"MORMethod", le32(8)},
        {"MORPush", le32(0)},
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
        gCacheMin = gCacheMax = 0;
        gCalls.clear();
    }
    void TearDown() override
    {
        Reg_close();
        Reg_setDatabase(nullptr);
    }
    void openKey()
    {
        ASSERT_EQ(Reg_openKey(PREF_KEY, &key, nullptr), REG_OK);
    }
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
    void expectDefaults(const UserPrefs &p)
    {
        EXPECT_EQ(p.proxy, PREF_DEFAULT_PROXY);
        EXPECT_EQ(p.proxyPort, 9201u);
        EXPECT_EQ(p.homeUrl, PREF_DEFAULT_HOME);
        EXPECT_EQ(p.flags, 1);
        EXPECT_EQ(p.bearer, 5);
        EXPECT_EQ(p.history, raw("\0"));
        EXPECT_EQ(p.bookmarks, raw("\0"));
        EXPECT_EQ(p.sduSize, 1500u);
        EXPECT_EQ(p.morMethod, 8u);
        EXPECT_EQ(gCacheMin, 102400u);
        EXPECT_EQ(gCacheMax, 204800u);
    }
};

TEST_F(Prefs, FirstStartWritesEveryDefault)
{
    EXPECT_EQ(loadPrefs(&prefs), REG_OK);
    expectDefaults(prefs);
    EXPECT_EQ(prefs.lastVersion, "");  // none was stored
    expectStored(defaultValues());
}

TEST_F(Prefs, MissingValueRewritesAll)
{
    openKey();
    std::map<std::string, std::string> stored = defaultValues();
    stored["Proxy"] = raw("gw.test\0");
    stored["ProxyPort"] = le32(9200);
    stored["Bookmarks"] = raw("Home\0http://h/\0\0");
    stored["LastVersion"] = raw("Build old\0");
    stored["PrefFlag"] = raw("\x02");
    for (const auto &[name, bytes] : stored)
        if (name != "History")
            put(name.c_str(), bytes);

    EXPECT_EQ(loadPrefs(&prefs), REG_OK);
    EXPECT_EQ(prefs.proxy, "gw.test");
    EXPECT_EQ(prefs.proxyPort, 9200u);
    EXPECT_EQ(prefs.flags, 2);
    EXPECT_EQ(prefs.lastVersion, "Build old");
    EXPECT_EQ(prefs.bookmarks, raw("Home\0http://h/\0\0"));
    EXPECT_EQ(prefs.history, raw("\0"));
    stored["History"] = raw("\0");
    stored["LastVersion"] = prefsBuildString() + '\0';
    expectStored(stored);

    // With every value present nothing is written back.
    put("LastVersion", raw("Build old\0"));
    EXPECT_EQ(loadPrefs(&prefs), REG_OK);
    EXPECT_EQ(get("LastVersion"), raw("Build old\0"));
}

TEST_F(Prefs, RoundTrip)
{
    setPrefDefaults(&prefs);
    prefs.proxy = "10.0.0.1";
    prefs.homeUrl = "http://x/";
    prefs.myNumber = "555";
    listTextAppend(prefs.history, "http://a/");
    prefs.morPush = 3;
    prefs.pushEnable = 1;
    ASSERT_EQ(savePrefs(&prefs), REG_OK);
    UserPrefs loaded;
    ASSERT_EQ(loadPrefs(&loaded), REG_OK);
    EXPECT_EQ(loaded.proxy, "10.0.0.1");
    EXPECT_EQ(loaded.homeUrl, "http://x/");
    EXPECT_EQ(loaded.myNumber, "555");
    EXPECT_EQ(loaded.history, raw("http://a/\0\0"));
    EXPECT_EQ(loaded.morPush, 3u);
    EXPECT_EQ(loaded.pushEnable, 1);
    EXPECT_EQ(loaded.lastVersion, prefsBuildString());
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
    put("ProxyPort", raw("\x50\x23"));
    put("PrefFlag", "");
    put("SDUSize", le32(1400) + "x");

    ASSERT_EQ(loadPrefs(&prefs), REG_OK);
    EXPECT_EQ(prefs.proxy, "gw.noterm");
    EXPECT_EQ(prefs.homeUrl, PREF_DEFAULT_HOME);
    EXPECT_EQ(prefs.history, raw("http://a/\0\0"));
    EXPECT_EQ(prefs.bookmarks, raw("T\0\0"));
    EXPECT_EQ(prefs.proxyPort, 9201u);
    EXPECT_EQ(prefs.flags, 1);
    EXPECT_EQ(prefs.sduSize, 1500u);
    expectStored({{"Proxy", raw("gw.noterm\0")},
                  {"HomeURL", raw("http://127.0.0.1:8080/index.wml\0")},
                  {"ProxyPort", le32(9201)},
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
        expectDefaults(prefs);
        prefs.proxy = "gw.changed";
        EXPECT_NE(savePrefs(&prefs), REG_OK);
        sqlite3_close(other);
        Reg_close();
        EXPECT_EQ(readBytes(db), before) << locked;
        std::filesystem::remove(db);
    }
}

// ---- the preferences window's form

TEST_F(Prefs, FormShowsTheRecordAndTheCacheLimits)
{
    setPrefDefaults(&prefs);
    prefs.bearer = BEARER_SMS;
    prefs.proxyPort = 9200;
    prefs.flags = PREF_NEWCONTEXT_HISTORY;
    prefs.homeUrl = "http://caf\xE9/";  // not UTF-8: shown as ISO-8859-1
    prefs.morPush = 3;
    C_setCacheSize(100000, 300000);
    PrefsForm form;
    fillPrefsForm(prefs, &form);
    EXPECT_EQ(form.homeUrl, "http://caf\xC3\xA9/");
    EXPECT_FALSE(form.loadOnStartup);
    EXPECT_TRUE(form.newContextClearsHistory);
    EXPECT_EQ(form.cacheMinKb, "97");  // truncated
    EXPECT_EQ(form.cacheMaxKb, "292");
    EXPECT_EQ(form.bearerIndex, PREFS_BEARER_SMS);
    EXPECT_EQ(form.gatewayAddress, PREF_DEFAULT_PROXY);
    EXPECT_EQ(form.portIndex, PREFS_PORT_CONNECTIONLESS);
    EXPECT_EQ(form.sduSize, "1500");
    EXPECT_EQ(form.morMethod, "8");
    EXPECT_EQ(form.morPush, "3");
    EXPECT_EQ(gCalls, "");
}

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
    EXPECT_EQ(prefs.proxyPort, 9200u);
    EXPECT_EQ(prefs.myNumber, "");
    EXPECT_EQ(prefs.flags, PREF_NEWCONTEXT_HISTORY);
    EXPECT_EQ(gCacheMin, 10240u);
    EXPECT_EQ(gCacheMax, 20480u);
    EXPECT_EQ(gCalls, "reconnect;");
    expectStored({{"HomeURL", raw("http://new/\0")},
                  {"ProxyPort", le32(9200)},
                  {"MyNumber", raw("\0")},
                  {"SDUSize", le32(0)},
                  {"MORMethod", le32(0)},
                  {"MORPush", le32(0xFFFFFFFF)},
                  {"PrefFlag", raw("\x02")},
                  {"BearerService", raw("\x05")}});

    // The first entry stores 9201 again; both flags come back.
    form.portIndex = PREFS_PORT_CONNECTION;
    form.loadOnStartup = true;
    EXPECT_EQ(applyPrefsForm(form, &prefs), REG_OK);
    EXPECT_EQ(prefs.proxyPort, 9201u);
    EXPECT_EQ(prefs.flags, PREF_LOAD_ON_STARTUP | PREF_NEWCONTEXT_HISTORY);
}

TEST_F(Prefs, FormOkReconnectsOnlyWhenTheGatewayChanged)
{
    const struct {
        const char *what;
        void (*change)(PrefsForm *);
        bool reconnects;
    } cases[] = {
        {"nothing", [](PrefsForm *) {}, false},
        {"home URL", [](PrefsForm *f) { f->homeUrl = "http://other/"; }, false},
        {"cache and numbers", [](PrefsForm *f) { f->cacheMaxKb = "1"; f->morMethod = "2"; }, false},
        {"flags", [](PrefsForm *f) { f->loadOnStartup = !f->loadOnStartup; }, false},
        {"address", [](PrefsForm *f) { f->gatewayAddress = "10.0.0.2"; }, true},
        {"port", [](PrefsForm *f) { f->portIndex = PREFS_PORT_CONNECTIONLESS; }, true},
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

// Texts stop at 255 bytes, between characters; limits stay usable.
TEST_F(Prefs, FormOkKeepsTextsAndLimitsInBounds)
{
    setPrefDefaults(&prefs);
    PrefsForm form;
    fillPrefsForm(prefs, &form);
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
    EXPECT_LE(gCacheMax, 0x7FFFFFFFu);
}

TEST_F(Prefs, FormRestoreKeepsOnlyTheBookmarks)
{
    ASSERT_EQ(loadPrefs(&prefs), REG_OK);
    prefs.proxy = "gw.mine";
    prefs.proxyPort = 9200;
    prefs.flags = 0;
    listTextAppend(prefs.history, "http://a/");
    prefs.bookmarks = raw("Home\0http://h/\0\0");
    C_setCacheSize(1024, 2048);
    PrefsForm form;
    fillPrefsForm(prefs, &form);
    form.homeUrl = "typed but not confirmed";

    EXPECT_EQ(restorePrefsForm(&prefs, &form), REG_OK);
    EXPECT_EQ(prefs.bookmarks, raw("Home\0http://h/\0\0"));
    UserPrefs rest = prefs;
    rest.bookmarks = raw("\0");
    expectDefaults(rest);  // the history empty, the cache limits too
    EXPECT_EQ(gCalls, "reconnect;");
    std::map<std::string, std::string> stored = defaultValues();
    stored["Bookmarks"] = raw("Home\0http://h/\0\0");
    expectStored(stored);
    EXPECT_EQ(form.homeUrl, PREF_DEFAULT_HOME);
    EXPECT_EQ(form.cacheMinKb, "100");
    EXPECT_EQ(form.portIndex, PREFS_PORT_CONNECTION);
}

TEST_F(Prefs, FormClearCacheEmptiesTheCanvasAfterwards)
{
    clearCacheFromPrefs();
    EXPECT_EQ(gCalls, "clearCache;clearCanvas;");
}

// ---- list texts

TEST(ListText, Operations)
{
    std::string list;  // not set yet
    EXPECT_EQ(listTextCount(list), 0u);
    EXPECT_EQ(listTextAt(list, 0), nullptr);
    EXPECT_FALSE(listTextAppend(list, ""));
    EXPECT_TRUE(listTextAppend(list, "a"));
    EXPECT_TRUE(listTextAppend(list, "bb"));
    EXPECT_TRUE(listTextAppend(list, "c"));
    EXPECT_EQ(list, raw("a\0bb\0c\0\0"));
    EXPECT_EQ(listTextCount(list), 3u);
    EXPECT_STREQ(listTextAt(list, 1), "bb");
    EXPECT_EQ(listTextFind(list, "c"), 2);
    EXPECT_EQ(listTextFind(list, "b"), -1);
    EXPECT_FALSE(listTextRemove(list, 2, 2));
    EXPECT_TRUE(listTextRemove(list, 0, 2));
    EXPECT_EQ(list, raw("c\0\0"));

    std::string broken = "x";  // lost both zeros: appending still separates
    EXPECT_TRUE(listTextAppend(broken, "y"));
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

} // namespace
