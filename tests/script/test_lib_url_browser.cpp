// URL, WMLBrowser and Dialogs through callLibrary, with the Browser, the
// dialogs and the cache stood in for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "script/library.h"
#include "script/unit.h"
#include "tests/script/lib_stand_ins.h"

namespace {

class Libs : public ::testing::Test {
protected:
    void SetUp() override { resetLibStandIns(); }
    void TearDown() override { setUnitUrl(nullptr); }

    static void setUnitUrl(const char *url)
    {
        std::free(gScriptUnit.url);
        gScriptUnit.url = url ? strdup(url) : nullptr;
    }
};

TEST_F(Libs, UrlComponents)
{
    // clang-format off
    runCases({
        {"URL.isValid", {S("http://h/x")}, I(1)}, {"URL.isValid", {S("#x")}, I(0)}, {"URL.isValid", {I(1)}, INV},
        {"URL.getScheme", {S("http://h/x")}, S("http")}, {"URL.getScheme", {INV}, INV},
        {"URL.getHost", {S("http://h:81/x")}, S("h")}, {"URL.getPort", {S("http://h:81/x")}, S("81")},
        {"URL.getPort", {S("http://h/x")}, S("")}, {"URL.getPath", {S("http://h/a/b.wml;p?q#f")}, S("/a/b.wml")},
        {"URL.getParameters", {S("http://h/a;p?q#f")}, S("p")}, {"URL.getQuery", {S("http://h/a;p?q=1#f")}, S("q=1")},
        {"URL.getFragment", {S("http://h/a#card2")}, S("card2")}, {"URL.getFragment", {I(3)}, INV},
        {"URL.resolve", {S("http://h/a/b.wml"), S("c.wmls#f()")}, S("http://h/a/c.wmls#f()")},
        {"URL.resolve", {S("http://h/a/b.wml"), S("../x")}, S("http://h/x")},
        {"URL.resolve", {S("nohost"), S("x")}, S("")}, {"URL.resolve", {S("http://h/"), INV}, INV},
    });
    // clang-format on
}

TEST_F(Libs, UrlBaseAndReferer)
{
    EXPECT_EQ(callByName("URL.getBase", {}), S(""));
    EXPECT_EQ(callByName("URL.getReferer", {}), S(""));
    gDeckUrl = "http://h/app/deck.wml?x=1#card";
    EXPECT_EQ(callByName("URL.getBase", {}), S("http://h/app/deck.wml"));
    const char *const cases[][3] = {
        {"http://h/app/deck.wml?x=1#card", "http://h/app/s.wmls", "deck.wml?x=1"},
        {"http://h/app/deck.wml?x=1#card", "http://h/app/lib/s.wmls", "/app/deck.wml?x=1"},
        {"http://h/app/deck.wml?x=1#card", "http://h:81/app/s.wmls", "http://h/app/deck.wml?x=1"},
        {"http://h/app/deck.wml?x=1#card", "http://other/app/s.wmls", "http://h/app/deck.wml?x=1"},
        {"http://h/app/deck.wml?x=1#card", nullptr, "http://h/app/deck.wml?x=1"},
        {"http://h/app/", "http://h/app/s.wmls", "./"},
        {"http://h?q", "http://h/app/s.wmls", "/?q"},
    };
    for (const auto &c : cases) {
        gDeckUrl = c[0];
        setUnitUrl(c[1]);
        EXPECT_EQ(callByName("URL.getReferer", {}), S(c[2])) << c[0] << " from " << (c[1] ? c[1] : "no unit");
    }
}

TEST_F(Libs, UrlEscaping)
{
    // clang-format off
    runCases({
        {"URL.escapeString", {S("http://w.hst.com/dck?x=\x7f#crd")}, S("http%3a%2f%2fw.hst.com%2fdck%3fx%3d%7f%23crd")},
        {"URL.escapeString", {S("a b+c")}, S("a%20b%2bc")}, {"URL.escapeString", {S("-_.!~*'()az09")}, S("-_.!~*'()az09")},
        {"URL.escapeString", {S("{}|\\^[]`<>\"%")}, S("%7b%7d%7c%5c%5e%5b%5d%60%3c%3e%22%25")},
        {"URL.escapeString", {S(std::string("a\0b", 3))}, S("a%00b")}, {"URL.escapeString", {S("")}, S("")},
        {"URL.escapeString", {S("caf\xe9")}, INV}, {"URL.escapeString", {I(1)}, INV},
        {"URL.unescapeString", {S("http%3a%2F%2Fw.hst.com")}, S("http://w.hst.com")},
        {"URL.unescapeString", {S("a+b%20c")}, S("a+b c")}, {"URL.unescapeString", {S("100%")}, S("100%")},
        {"URL.unescapeString", {S("%zz%4")}, S("%zz%4")}, {"URL.unescapeString", {S("caf%E9")}, S("caf\xe9")},
        {"URL.unescapeString", {S("a%00b")}, S(std::string("a\0b", 3))}, {"URL.unescapeString", {S("\xe9")}, INV},
        {"URL.unescapeString", {INV}, INV},
    });
    // clang-format on
}

TEST_F(Libs, LoadStringComesFromTheCacheOnly)
{
    gCacheEntries[{"http://h/app/t.txt", 0x03}] = "plain text";
    gCacheEntries[{"http://h/app/d.wmlc", 0x14}] = "deck";
    gCacheEntries[{"http://h/app/m.txt", 0x08}] = "wml text";
    setUnitUrl("http://h/app/s.wmls");
    // clang-format off
    runCases({
        {"URL.loadString", {S("http://h/app/t.txt"), S("text/plain")}, S("plain text")},
        {"URL.loadString", {S("t.txt"), S("text/plain")}, S("plain text")},  // relative to the unit
        {"URL.loadString", {S("t.txt"), S("text/x-unknown")}, S("plain text")},
        {"URL.loadString", {S("m.txt"), S("text/plain")}, I(404)}, {"URL.loadString", {S("missing.txt"), S("text/plain")}, I(404)},
        {"URL.loadString", {S("d.wmlc"), S("text/x-unknown")}, I(415)},
        {"URL.loadString", {S("t.txt"), S("application/octet-stream")}, INV},
        {"URL.loadString", {S("t.txt"), I(3)}, INV}, {"URL.loadString", {INV, S("text/plain")}, INV},
    });
    // clang-format on
    setUnitUrl(nullptr);
    EXPECT_EQ(callByName("URL.loadString", {S(""), S("text/plain")}), I(400));
}

TEST_F(Libs, BrowserVariablesAndNavigation)
{
    gVars["name"] = "Ann";
    gVars["__cardName"] = "card2";
    // clang-format off
    runCases({
        {"WMLBrowser.getVar", {S("name")}, S("Ann")}, {"WMLBrowser.getVar", {S("unset")}, S("")},
        {"WMLBrowser.getVar", {I(1)}, INV}, {"WMLBrowser.setVar", {S("x"), S("1")}, I(1)},
        {"WMLBrowser.setVar", {S("x"), I(1)}, INV}, {"WMLBrowser.setVar", {INV, S("1")}, INV},
        {"WMLBrowser.setVar", {S(""), S("1")}, I(0)}, {"WMLBrowser.setVar", {S("__cardName"), S("evil")}, I(0)},
        {"WMLBrowser.getCurrentCard", {}, S("card2")},
        {"WMLBrowser.go", {S("next.wml#c")}, S("")}, {"WMLBrowser.go", {S("")}, S("")}, {"WMLBrowser.go", {I(1)}, INV},
        {"WMLBrowser.prev", {}, S("")}, {"WMLBrowser.newContext", {}, S("")}, {"WMLBrowser.refresh", {}, S("")},
    });
    // clang-format on
    EXPECT_EQ(gVars["x"], "1");
    EXPECT_EQ(gVars["__cardName"], "card2");
    EXPECT_EQ(gBrowserCalls, (std::vector<std::string>{"go next.wml#c 1", "prev", "newContext", "refresh"}));
    gHasContext = false;
    EXPECT_EQ(callByName("WMLBrowser.setVar", {S("y"), S("2")}), I(0));
    gVars.clear();
    EXPECT_EQ(callByName("WMLBrowser.getCurrentCard", {}), S(""));
}

TEST_F(Libs, Dialogs)
{
    gDialogAnswers = {{1, "typed"}, {0, nullptr}, {1, nullptr}};
    EXPECT_EQ(callByName("Dialogs.prompt", {S("Name?"), S("def")}), S("typed"));
    // Cancelled: the default, cut to the field.
    EXPECT_EQ(callByName("Dialogs.prompt", {S(""), S(std::string(300, 'd'))}), S(std::string(254, 'd')));
    EXPECT_EQ(callByName("Dialogs.confirm", {S("Sure?"), S("Yes"), S("No")}), I(1));
    EXPECT_EQ(callByName("Dialogs.confirm", {S("Sure?"), S("Yes"), S("No")}), I(0));
    EXPECT_EQ(callByName("Dialogs.alert", {S("Done")}), S(""));
    // No dialog for bad arguments.
    EXPECT_EQ(callByName("Dialogs.prompt", {S("m"), I(1)}), INV);
    EXPECT_EQ(callByName("Dialogs.confirm", {S("Sure?"), S("Yes"), INV}), INV);
    EXPECT_EQ(callByName("Dialogs.alert", {I(5)}), INV);
    std::vector<std::string> shown;  // kind, title, prompt, field length
    for (const StandInDialog &d : gDialogs)
        shown.push_back(std::to_string(d.kind) + "|" + d.title + "|" + d.prompt + "|" + std::to_string(d.maxLength));
    EXPECT_EQ(shown, (std::vector<std::string>{"0||Name?|254", "0|||254", "2||Sure?|7", "2||Sure?|7", "3||Done|0"}));
    EXPECT_EQ(gDialogs[0].buffer, "def");
    EXPECT_EQ(gDialogs[2].buffer, std::string("No\0Yes\0", 7 + 1));
}

}  // namespace
