// The connection manager, the stack and the headless loop against the real
// gateway on loopback, in both modes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cache/cache.h"
#include "common/directories.h"
#include "e2e_support.h"
#include "shell/headless/loop.h"
#include "tests/support/temp_home.h"

namespace {

class GatewayTest : public testing::TestWithParam<uint32_t> {
protected:
    std::map<std::string, std::string> env;
    std::string origin;
    TempDir home{"e2e"};
    UserPrefs prefs;

    void SetUp() override
    {
        env = loadGatewayEnv();
        if (env.empty())
            GTEST_FAIL() << "no gateway: TOVRIN_GATEWAY_ENV names no readable gateway.env";
        origin = env["TOVRIN_ORIGIN"];
        setVirtualClock(false);
        startClient(&prefs, env["TOVRIN_GATEWAY_HOST"], GetParam(), home.path);
    }
    void TearDown() override
    {
        if (env.empty())
            return;
        if (HasFailure() && std::getenv("TOVRIN_E2E_LOG"))
            std::fputs(log().c_str(), stderr);
        stopClient();
        setVirtualClock(false);
    }
    std::string log() const { return readBytes(Dir_statePath("wapout.log")); }
    std::string site(const char *name) const { return env.at("TOVRIN_SITE") + "/" + name; }
};

TEST_P(GatewayTest, DeckScriptAndImageArriveAsCompiled)
{
    FetchOutcome deck = fetch(origin + "index.wml", CT_WMLC);
    ASSERT_EQ(deck.result.code, CRES_STORED);
    EXPECT_EQ(deck.type, CT_WMLC);
    std::string compile = "/usr/lib/kannel/test/wml_tester -b -c UTF-8 '" + site("index.wml") + "' >" + home / "c";
    ASSERT_EQ(std::system(compile.c_str()), 0);
    std::string compiled = readBytes(home / "c");
    ASSERT_FALSE(compiled.empty());
    EXPECT_EQ(deck.body, compiled);

    FetchOutcome script = fetch(origin + "script.wmls", CT_WMLSC);
    ASSERT_EQ(script.result.code, CRES_STORED);
    EXPECT_EQ(script.type, CT_WMLSC);
    ASSERT_GT(script.body.size(), 8u);
    EXPECT_EQ(script.body[0], 0x01) << "compiled unit version 1.1";

    FetchOutcome image = fetch(origin + "logo.wbmp", CT_WBMP);
    ASSERT_EQ(image.result.code, CRES_STORED);
    EXPECT_EQ(image.body, readBytes(site("logo.wbmp")));
    EXPECT_TRUE(isIdle());
}

TEST_P(GatewayTest, PostCarriesItsFields)
{
    FetchOutcome echo = fetch(origin + "echo.wml", CT_WMLC, METHOD_POST, "name=Tovrin&colour=blue");
    ASSERT_EQ(echo.result.code, CRES_STORED);
    EXPECT_NE(echo.body.find("method=POST"), std::string::npos);
    EXPECT_NE(echo.body.find("field:name=Tovrin"), std::string::npos);
    EXPECT_NE(echo.body.find("field:colour=blue"), std::string::npos);
}

TEST_P(GatewayTest, OriginErrorsAreWrongTypes)
{
    EXPECT_EQ(fetch(origin + "status?code=404", CT_WMLC).result.code, CRES_WRONG_TYPE);
    EXPECT_EQ(fetch(origin + "missing.wml", CT_WMLC).result.code, CRES_WRONG_TYPE);
    EXPECT_EQ(fetch(origin + "page.html", CT_WBMP).result.code, CRES_NOT_AN_IMAGE);
    EXPECT_EQ(cachedBody(origin + "page.html", CT_WBMP), "<miss>");
}

TEST_P(GatewayTest, SecondRequestInOneSessionSendsNothing)
{
    CacheResult r{};
    uint32_t type = CT_WMLC;
    C_getEx((origin + "slow.wml?s=1").c_str(), &type, nullptr, nullptr, 0, METHOD_GET, nullptr, &r);
    ASSERT_EQ(r.code, CRES_PENDING);
    size_t sent = countOf(log(), "Sending UDP To:");
    C_getEx((origin + "slow.wml?s=1").c_str(), &type, nullptr, nullptr, 0, METHOD_GET, nullptr, &r);
    EXPECT_EQ(r.code, CRES_PENDING);
    EXPECT_EQ(countOf(log(), "Sending UDP To:"), sent);
    EXPECT_TRUE(runLoop([](void *) { return isIdle(); }, nullptr, 20000));
    EXPECT_EQ(lastFinal(takeLoopResults()).code, CRES_STORED);
}

INSTANTIATE_TEST_SUITE_P(Ports, GatewayTest, testing::Values(PORT_CONNECTION_MODE, PORT_CONNECTIONLESS),
                         [](const testing::TestParamInfo<uint32_t> &p) {
                             return p.param == PORT_CONNECTION_MODE ? std::string("Session")
                                                                    : std::string("Connectionless");
                         });

// What only a session can do.
class SessionGatewayTest : public GatewayTest { };

TEST_P(SessionGatewayTest, UserStopGives2011)
{
    CacheResult r{};
    uint32_t type = CT_WMLC;
    C_getEx((origin + "slow.wml?s=5").c_str(), &type, nullptr, nullptr, 0, METHOD_GET, nullptr, &r);
    ASSERT_EQ(r.code, CRES_PENDING);
    runLoop(nullptr, nullptr, 500);
    C_abort();
    EXPECT_EQ(lastFinal(takeLoopResults()).code, CRES_USER_ABORT);
    EXPECT_TRUE(isIdle());
    C_newSession();
    EXPECT_EQ(fetch(origin + "second.wml", CT_WMLC).result.code, CRES_STORED) << "the session goes on";
}

TEST_P(SessionGatewayTest, TidNewAfterTheWrap)
{
    ASSERT_EQ(fetch(origin + "index.wml", CT_WMLC).result.code, CRES_STORED);
    setNextWtpTid(32766);
    const char *pages[] = {"second.wml", "form.wml", "echo.wml?a=1", "echo.wml?a=2"};
    for (const char *page : pages)
        EXPECT_EQ(fetch(origin + page, CT_WMLC).result.code, CRES_STORED) << page;
}

TEST_P(SessionGatewayTest, SilentGatewayGivesNoResponse)
{
    // Nothing listens on this loopback address: the Connect and the Get
    // are retransmitted until WTP gives up, on the virtual clock.
    stopClient();
    startClient(&prefs, "127.0.0.9", PORT_CONNECTION_MODE, home.path);
    setVirtualClock(true);
    FetchOutcome lost = fetch(origin + "second.wml", CT_WMLC, METHOD_GET, nullptr, 900000);
    EXPECT_TRUE(lost.result.code == CRES_ABORTED || lost.result.code == CRES_CONNECT_FAILED) << lost.result.code;
    EXPECT_TRUE(isIdle());
    EXPECT_TRUE(std::filesystem::is_empty(Dir_cacheDir())) << "no requesting entry is left behind";
}

TEST_P(SessionGatewayTest, GatewayDownGivesNoResponseThenReconnectWorks)
{
    std::string scripts = std::string(TOVRIN_SOURCE_DIR_DEFAULT) + "/scripts/gateway/";
    std::string run = env["TOVRIN_GATEWAY_RUN"];
    ASSERT_EQ(fetch(origin + "index.wml", CT_WMLC).result.code, CRES_STORED);
    ASSERT_EQ(std::system((scripts + "stop.sh --boxes '" + run + "'").c_str()), 0);
    // The silence is waited out on the virtual clock: WTP's retries take
    // minutes of it and a moment of ours.
    setVirtualClock(true);
    FetchOutcome lost = fetch(origin + "second.wml", CT_WMLC, METHOD_GET, nullptr, 600000);
    setVirtualClock(false);
    int restarted = std::system((scripts + "start.sh --boxes '" + run + "' >/dev/null").c_str());
    EXPECT_EQ(lost.result.code, CRES_ABORTED);
    EXPECT_NE(lost.result.arg, 234);
    EXPECT_TRUE(isIdle());
    ASSERT_EQ(restarted, 0);

    C_reconnect();
    EXPECT_TRUE(runLoop([](void *) { return getCacheState() == CSTATE_READY; }, nullptr, 10000));
    C_newSession();
    EXPECT_EQ(fetch(origin + "second.wml", CT_WMLC).result.code, CRES_STORED);
}

INSTANTIATE_TEST_SUITE_P(Ports, SessionGatewayTest, testing::Values(PORT_CONNECTION_MODE),
                         [](const testing::TestParamInfo<uint32_t> &) { return std::string("Session"); });

}  // namespace
