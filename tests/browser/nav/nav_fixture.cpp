#include "tests/browser/nav/nav_fixture.h"

#include <sstream>

#include "browser/browser.h"
#include "browser/context.h"
#include "cache/cache.h"
#include "cache/cache_store.h"
#include "shell/display/canvas.h"
#include "shell/display/dialog_headless.h"
#include "wml/layout.h"

void NavTest::SetUp()
{
    setFixedMetrics(true);
    resetScriptedSession([] { B_poll(1); });
    gScripted.confirmInsideConnect = true;
    clearDialogAnswers();
    takeShownDialogs();
}

void NavTest::start(uint32_t port, uint32_t morMethod)
{
    setPrefDefaults(&prefs);
    prefs.proxyPort = port;
    prefs.morMethod = morMethod;
    prefs.lastVersion = P_prefsBuildString();
    setUserPrefs(&prefs);
    B_init();
    B_takeBrowserTrail();
}

void NavTest::TearDown()
{
    B_shutdown();
    setUserPrefs(nullptr);
}

std::vector<uint8_t> NavTest::deck(const char *name)
{
    std::string bytes = readBytes(std::string(NAV_DECK_DIR) + "/" + name + ".wmlc");
    EXPECT_FALSE(bytes.empty()) << name;
    return {bytes.begin(), bytes.end()};
}

void NavTest::put(const std::string &url, uint32_t type, const std::vector<uint8_t> &body)
{
    CacheEntry e{};
    std::string key = C_makeCacheKey(url.c_str());
    e.url = key.data();
    e.contentType = type;
    e.body = const_cast<uint8_t *>(body.data());
    e.bodyLength = static_cast<uint32_t>(body.size());
    e.entryType = ENTRY_TYPE_NETWORK;
    e.freshness = FRESH_ALWAYS;
    ASSERT_EQ(putEntry(&e), PUTENTRY_STORED);
}

std::string NavTest::screen()
{
    std::string text = std::string("title ") + getCardTitle() + "\n";
    const uint8_t *table = currentLayoutTable();
    if (!table)
        return text;
    std::istringstream lines(W_layoutTableText(table));
    for (std::string line; std::getline(lines, line);) {
        size_t at = line.find("STR:");
        if (at != std::string::npos)
            text += line.substr(at + 4) + "\n";
    }
    return text;
}

std::vector<std::string> NavTest::messages()
{
    std::vector<std::string> texts;
    for (const ShownDialog &d : takeShownDialogs())
        texts.push_back(d.prompt);
    return texts;
}
