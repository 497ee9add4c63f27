// The connection manager against a scripted session layer.
#include <cstdlib>
#include <cstring>

#include "cache/cache.h"
#include "cache/cache_store.h"
#include "cache_fixture.h"
#include "shell/prefs/prefs.h"
#include "stand_in_session.h"

namespace {

class ConnectionTest : public CacheTest {
protected:
    UserPrefs prefs;

    void SetUp() override
    {
        CacheTest::SetUp();
        resetStandInSession();
        prefs.proxy = "127.0.0.1";
        prefs.proxyPort = PORT_CONNECTIONLESS;
        prefs.bearer = BEARER_CSD;
        prefs.sduSize = 1500;
        prefs.morMethod = 8;
        C_init(&prefs);
    }
    void TearDown() override
    {
        C_shutdown();
        CacheTest::TearDown();
    }

    void connectionMode()
    {
        prefs.proxyPort = PORT_CONNECTION_MODE;
    }

    CacheResult get(const char *url, uint32_t type = CT_WMLC, int method = METHOD_GET, const char *post = nullptr)
    {
        CacheResult r{-1, -1};
        C_getEx(url, &type, nullptr, nullptr, 0, method, post, &r);
        return r;
    }

    // The gateway answers request id with a body of that content type.
    CacheResult answer(int32_t id, uint8_t type, const std::string &body)
    {
        uint8_t headers[1] = {type};
        SessionEvent e{};
        e.code = SEVENT_RESULT;
        e.status = 0x20;
        e.requestId = id;
        e.headers = headers;
        e.headersLength = 1;
        e.body = reinterpret_cast<const uint8_t *>(body.data());
        e.bodyLength = static_cast<uint32_t>(body.size());
        postSessionEvent(e);
        return gPollResults.back();
    }

    CacheResult event(int32_t code, int32_t status = 0, int32_t id = 0)
    {
        SessionEvent e{};
        e.code = code;
        e.status = status;
        e.requestId = id;
        postSessionEvent(e);
        return gPollResults.back();
    }

    std::string retrieve(const char *url, uint32_t type = CT_WMLC)
    {
        uint8_t *content = nullptr;
        uint32_t length = 0;
        CacheResult r{};
        C_retrieve(url, &type, &content, &length, &r);
        std::string body = r.code == CRES_HIT ? std::string(reinterpret_cast<char *>(content), length) : "<miss>";
        std::free(content);
        return body;
    }
};

TEST_F(ConnectionTest, MissSendsOneGetPerSessionWithoutTheFragment)
{
    EXPECT_EQ(get("http://origin/a.wml#card2").code, CRES_PENDING);
    ASSERT_EQ(gStandIn.sent.size(), 1u);
    EXPECT_EQ(gStandIn.sent[0].primitive, "getConnectionless");
    EXPECT_EQ(gStandIn.sent[0].url, "http://origin/a.wml");
    EXPECT_EQ(gStandIn.sent[0].urlLength, std::strlen("http://origin/a.wml") + 1);
    EXPECT_TRUE(isOnline());
    EXPECT_FALSE(isIdle());
    EXPECT_TRUE(exists("http___origin_a.wml_t_20.wbc"));

    EXPECT_EQ(get("http://origin/a.wml").code, CRES_PENDING);
    EXPECT_EQ(gStandIn.sent.size(), 1u) << "already requested in this session";
    C_newSession();
    EXPECT_EQ(get("http://origin/a.wml").code, CRES_PENDING);
    EXPECT_EQ(gStandIn.sent.size(), 2u) << "a requesting entry of an earlier session is a miss";
}

TEST_F(ConnectionTest, AnswerIsStoredAndServedAndIdleShownOnce)
{
    get("http://origin/a.wml");
    CacheResult r{};
    C_poll(0, &r);
    EXPECT_EQ(r.code, 0) << "the empty event, with a request pending";
    EXPECT_EQ(gStatusShown.back(), "Waiting for data...");
    int32_t id = gStandIn.sent[0].id;
    r = answer(id, 0x94, "DECK");
    EXPECT_EQ(r.code, CRES_STORED);
    EXPECT_EQ(r.arg, id);
    EXPECT_TRUE(isIdle());
    EXPECT_FALSE(exists("http___origin_a.wml_t_20.wbc"));
    EXPECT_EQ(retrieve("http://origin/a.wml"), "DECK");

    uint32_t type = CT_WMLC;
    uint8_t *content = nullptr;
    uint32_t length = 0;
    C_getEx("http://origin/a.wml", &type, &content, &length, 0, METHOD_GET, nullptr, &r);
    EXPECT_EQ(r.code, CRES_HIT);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(content), length), "DECK");
    std::free(content);
    EXPECT_EQ(gStandIn.sent.size(), 1u);

    gStatusShown.clear();
    for (int i = 0; i < 3; i++) {
        C_poll(0, &r);
        EXPECT_EQ(r.code, CRES_IDLE);
    }
    EXPECT_EQ(std::count(gStatusShown.begin(), gStatusShown.end(), "Idle"), 1);
}

TEST_F(ConnectionTest, AnswersOfTheWrongTypeAreNotStored)
{
    struct Case {
        uint32_t expected;
        uint8_t received;
        int32_t code;
    } cases[] = {
        {CT_WMLC, 0x83, CRES_WRONG_TYPE},    // an origin 404 as text/plain
        {CT_WBMP, 0x94, CRES_NOT_AN_IMAGE},
        {CT_WMLSC, 0xA1, CRES_WRONG_TYPE},
    };
    for (const Case &c : cases) {
        C_newSession();
        get("http://origin/x", c.expected);
        EXPECT_EQ(answer(gStandIn.sent.back().id, c.received, "").code, c.code);
        EXPECT_EQ(retrieve("http://origin/x", c.expected), "<miss>");
    }
    EXPECT_TRUE(isIdle());
}

TEST_F(ConnectionTest, AbortsAndUnknownIdentifiers)
{
    get("http://origin/a.wml");
    get("http://origin/b.wml");
    EXPECT_EQ(event(SEVENT_ABORTED, 234, gStandIn.sent[0].id).code, CRES_USER_ABORT);
    CacheResult r = event(SEVENT_ABORTED, 0xE1, gStandIn.sent[1].id);
    EXPECT_EQ(r.code, CRES_ABORTED);
    EXPECT_EQ(r.arg, 0xE1);
    EXPECT_TRUE(files().empty());
    EXPECT_EQ(answer(77, 0x94, "late").code, CRES_UNKNOWN_TID);
    EXPECT_TRUE(isIdle());
}

TEST_F(ConnectionTest, PostGoesOutAndItsAnswerIsNeverFresh)
{
    get("http://origin/f.wml");
    answer(gStandIn.sent[0].id, 0x94, "GOT");
    EXPECT_EQ(get("http://origin/f.wml", CT_WMLC, METHOD_POST, "a=1&b=2").code, CRES_PENDING);
    ASSERT_EQ(gStandIn.sent.size(), 2u);
    EXPECT_EQ(gStandIn.sent[1].primitive, "postConnectionless");
    EXPECT_EQ(gStandIn.sent[1].body, "a=1&b=2");
    answer(gStandIn.sent[1].id, 0x94, "POSTED");
    EXPECT_EQ(retrieve("http://origin/f.wml"), "POSTED");
    EXPECT_EQ(get("http://origin/f.wml").code, CRES_PENDING) << "a stale hit goes to the network";
    EXPECT_EQ(gStandIn.sent.size(), 3u);
}

TEST_F(ConnectionTest, PushIsStored)
{
    get("http://origin/a.wml");  // online
    EXPECT_EQ(answer(0, 0x94, "").code, CRES_UNKNOWN_TID);
    uint8_t headers[1] = {0x94};
    SessionEvent e{};
    e.code = SEVENT_PUSH;
    e.requestId = 5;
    e.headers = headers;
    e.headersLength = 1;
    e.body = reinterpret_cast<const uint8_t *>("P");
    e.bodyLength = 1;
    postSessionEvent(e);
    EXPECT_EQ(gPollResults.back().code, CRES_PUSH_STORED);
    EXPECT_TRUE(pushWaiting());
}

TEST_F(ConnectionTest, ConnectionModeConnectsFirstAndFollowsTheSession)
{
    connectionMode();
    EXPECT_FALSE(canRequest());
    EXPECT_FALSE(isOnline()) << "offline: the first request goes online";
    EXPECT_EQ(get("http://origin/a.wml").code, CRES_PENDING);
    ASSERT_EQ(gStandIn.calls.front(), "connect");
    ASSERT_NE(gStandIn.caps, nullptr);
    EXPECT_EQ(gStandIn.caps->maxSdu, 1500u);
    EXPECT_EQ(gStandIn.sent.back().primitive, "getConnected");
    EXPECT_EQ(getCacheState(), CSTATE_CONNECTING);
    EXPECT_EQ(event(SEVENT_CONNECTED).code, CRES_CONNECTED);
    EXPECT_EQ(getCacheState(), CSTATE_READY);

    // The session is lost with a request outstanding.
    CacheResult r = event(SEVENT_DISCONNECTED);
    EXPECT_EQ(r.code, CRES_DISCONNECTED);
    EXPECT_EQ(gContextsPopped, 1);
    EXPECT_TRUE(isIdle());
    EXPECT_TRUE(files().empty());
    EXPECT_EQ(getCacheState(), CSTATE_NONE);
    EXPECT_EQ(get("http://origin/a.wml").code, CRES_NO_SESSION);
    EXPECT_EQ(gStandIn.sent.size(), 1u);
}

TEST_F(ConnectionTest, DisconnectByState)
{
    connectionMode();
    goOnline(&prefs);
    EXPECT_EQ(event(SEVENT_DISCONNECTED).code, CRES_CONNECT_FAILED);
    C_reconnect();
    event(SEVENT_CONNECTED);
    gStandIn.connectStatus = SESSION_ALREADY;
    C_reconnect();
    EXPECT_EQ(getCacheState(), CSTATE_RECONNECTING);
    EXPECT_EQ(event(SEVENT_DISCONNECTED).code, CRES_RECONNECTING);
    EXPECT_EQ(getCacheState(), CSTATE_RECONNECTING);
    EXPECT_EQ(event(SEVENT_CONNECTED).code, CRES_CONNECTED);
    CacheResult r{1, 1};
    event(SEVENT_CONNECTED);
    EXPECT_EQ(gPollResults.back().code, 0) << "a confirm in READY is ignored";
    (void)r;
}

TEST_F(ConnectionTest, ConfirmFromInsideConnectIsNotLost)
{
    connectionMode();
    gStandIn.confirmInsideConnect = true;
    goOnline(&prefs);
    EXPECT_EQ(getCacheState(), CSTATE_READY);
    EXPECT_EQ(gPollResults.back().code, CRES_CONNECTED);
}

TEST_F(ConnectionTest, ConnectFailureIsShownAndStateStillConnecting)
{
    connectionMode();
    gStandIn.connectResult = SESSION_NO_SOCKET;
    goOnline(&prefs);
    EXPECT_EQ(gErrorsShown, std::vector<int32_t>{SESSION_NO_SOCKET});
    EXPECT_EQ(getCacheState(), CSTATE_CONNECTING);
}

TEST_F(ConnectionTest, RequestRefusedWhileBeingSentIsItsOwnAnswer)
{
    connectionMode();
    gStandIn.confirmInsideConnect = true;
    gStandIn.abortOnSend = true;
    CacheResult r = get("http://origin/a.wml");
    EXPECT_EQ(r.code, CRES_ABORTED);
    EXPECT_EQ(r.arg, 0xE1);
    EXPECT_TRUE(isIdle());
    EXPECT_TRUE(files().empty());
}

TEST_F(ConnectionTest, UserStopAbortsInConnectionModeOnly)
{
    connectionMode();
    gStandIn.confirmInsideConnect = true;
    gFakeCurrentUrl = "http://origin/b.wml";
    get("http://origin/a.wml");
    get("http://origin/b.wml");
    C_abort();
    EXPECT_EQ(gStandIn.aborted.size(), 2u);
    ASSERT_GE(gPollResults.size(), 2u);
    EXPECT_EQ(gPollResults.back().code, CRES_USER_ABORT);
    EXPECT_EQ(gContextsPopped, 1) << "the current deck's own request was stopped";
    EXPECT_TRUE(files().empty());
    EXPECT_TRUE(isIdle());

    goOffline();
    prefs.proxyPort = PORT_CONNECTIONLESS;
    get("http://origin/c.wml");
    C_abort();
    EXPECT_EQ(gStandIn.aborted.size(), 2u) << "connectionless requests cannot be recalled";
    EXPECT_TRUE(isIdle());
}

TEST_F(ConnectionTest, GoingOfflineClosesTheStack)
{
    get("http://origin/a.wml");
    goOffline();
    EXPECT_FALSE(isOnline());
    EXPECT_EQ(gStandIn.calls, (std::vector<std::string>{"disconnect", "pumpStack", "pumpStack", "closeStack"}));
    CacheResult r{};
    C_poll(0, &r);
    EXPECT_EQ(r.code, CRES_IDLE);
    EXPECT_EQ(gStatusShown.back(), "Offline");
}

}  // namespace
