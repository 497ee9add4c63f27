// The connection manager against a scripted session layer.
#include <algorithm>
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

    // The session layer posts an event; headers are one content type byte.
    CacheResult event(int32_t code, int32_t status = 0, int32_t id = 0, int type = -1, const std::string &body = "")
    {
        uint8_t headers[1] = {static_cast<uint8_t>(type)};
        SessionEvent e{};
        e.code = code;
        e.status = status;
        e.requestId = id;
        e.headers = type >= 0 ? headers : nullptr;
        e.headersLength = type >= 0 ? 1 : 0;
        e.body = reinterpret_cast<const uint8_t *>(body.data());
        e.bodyLength = static_cast<uint32_t>(body.size());
        postSessionEvent(e);
        return gPollResults.back();
    }
    CacheResult answer(int32_t id, uint8_t type, const std::string &body) { return event(SEVENT_RESULT, 0x20, id, type, body); }
    CacheResult push(uint8_t type, const std::string &body) { return event(SEVENT_PUSH, 0, 5, type, body); }

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

// A pushed Service Indication naming page, as libwbxml encodes it.
std::string serviceIndication(const std::string &page)
{
    std::string si = "\x03\x05\x6A";
    si += '\0';
    si += "\x45\xC6\x0B\x03" + page;
    si += '\0';
    si += "\x01\x01\x01";
    return si;
}

size_t shown(const std::string &status)
{
    return static_cast<size_t>(std::count(gStatusShown.begin(), gStatusShown.end(), status));
}

TEST_F(ConnectionTest, PushesThatLeadSomewhereAreKeptOnlineOrNot)
{
    // Offline: the last rounds before going offline may still bring one.
    EXPECT_EQ(push(0xAE, serviceIndication("http://origin/si.wml")).code, CRES_PUSH_STORED);
    get("http://origin/a.wml");  // online, a request outstanding
    EXPECT_EQ(push(0x94, "deck").code, CRES_PUSH_STORED);
    EXPECT_EQ(shown("Push message received"), 2u);
    EXPECT_TRUE(pushWaiting());
    EXPECT_EQ(gPushIndicatorRefreshes, 2);
    std::vector<std::string> uris = pushUris();
    ASSERT_EQ(uris.size(), 2u);
    EXPECT_EQ(pushOpenUrl(uris[0].c_str()), "http://origin/si.wml");
    EXPECT_EQ(pushOpenUrl(uris[1].c_str()), uris[1]) << "a pushed deck opens as itself";
    EXPECT_EQ(pushOpenUrl("push://1_46"), "") << "gone";

    // Nothing to open: not kept, said once each, and the outstanding
    // request is untouched.
    std::string noPage = serviceIndication("");
    EXPECT_EQ(push(0xAE, noPage).code, CRES_PUSH_DROPPED);
    EXPECT_EQ(push(0x83, "text/plain body").code, CRES_PUSH_DROPPED);
    EXPECT_EQ(shown("Push message ignored: it names no page to open"), 2u);
    EXPECT_EQ(pushUris().size(), 2u);
    EXPECT_FALSE(isIdle());
    EXPECT_EQ(gContextsPopped, 0);
    EXPECT_TRUE(gErrorsShown.empty());
}

// A flood keeps the newest PUSH_KEEP_MAX; the cache limit holds, and a
// push the full cache refuses neither drops an older one nor ends the
// Browser's navigation.
TEST_F(ConnectionTest, FloodOfPushesIsBoundedAndTheCacheLimitHolds)
{
    get("http://origin/a.wml");
    for (int i = 1; i <= 15; i++)
        ASSERT_EQ(push(0xAE, serviceIndication("http://origin/p" + std::to_string(i) + ".wml")).code,
                  CRES_PUSH_STORED);
    std::vector<std::string> uris = pushUris();
    ASSERT_EQ(uris.size(), PUSH_KEEP_MAX);
    EXPECT_EQ(gPushCount, PUSH_KEEP_MAX);
    for (size_t i = 0; i < uris.size(); i++)
        EXPECT_EQ(pushOpenUrl(uris[i].c_str()), "http://origin/p" + std::to_string(i + 6) + ".wml");
    EXPECT_EQ(shown("Push messages: the oldest was dropped to make room"), 5u);

    uint32_t minSize = 0, maxSize = 0;
    C_getCacheSize(&minSize, &maxSize);
    C_setCacheSize(minSize, gCacheSettings.size + 10);
    EXPECT_EQ(push(0xAE, serviceIndication("http://origin/p16.wml")).code, CRES_PUSH_DROPPED);
    EXPECT_EQ(shown("Push message lost: the cache is full"), 1u);
    EXPECT_EQ(pushUris(), uris) << "a refused push costs no older one";
    EXPECT_LE(gCacheSettings.size, gCacheSettings.maxSize);
    EXPECT_EQ(gContextsPopped, 0);
    EXPECT_TRUE(gErrorsShown.empty());
    EXPECT_FALSE(isIdle()) << "the request is still outstanding";
}

TEST_F(ConnectionTest, PushListensWhileOnlineAndATakenPortIsSaidOnce)
{
    EXPECT_EQ(pushListenerState(), PUSH_LISTENER_CLOSED);
    get("http://origin/a.wml");
    EXPECT_EQ(pushListenerState(), PUSH_LISTENER_ON);
    goOffline();
    EXPECT_EQ(pushListenerState(), PUSH_LISTENER_CLOSED);

    gStandIn.listenResult = SESSION_NO_SOCKET;
    C_newSession();
    get("http://origin/b.wml");
    goOffline();
    C_newSession();
    get("http://origin/c.wml");
    EXPECT_EQ(pushListenerState(), PUSH_LISTENER_OFF);
    EXPECT_EQ(std::count(gStandIn.calls.begin(), gStandIn.calls.end(), "listen"), 2) << "not tried again";
    EXPECT_EQ(shown("Push messages off: UDP port 2948 is in use by another program"), 1u);
    ASSERT_EQ(gStandIn.sent.size(), 3u) << "browsing goes on";
    EXPECT_EQ(gStandIn.sent[2].url, "http://origin/c.wml");
}

TEST_F(ConnectionTest, ConnectionModeConnectsFirstAndFollowsTheSession)
{
    connectionMode();
    EXPECT_FALSE(canRequest());
    EXPECT_FALSE(isOnline()) << "offline: the first request goes online";
    EXPECT_EQ(get("http://origin/a.wml").code, CRES_PENDING);
    ASSERT_EQ(gStandIn.calls, (std::vector<std::string>{"listen", "connect"}));
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
    EXPECT_EQ(event(SEVENT_CONNECTED).code, 0) << "a confirm in READY is ignored";
}

TEST_F(ConnectionTest, ConnectFailureIsShownAndStateStillConnecting)
{
    connectionMode();
    gStandIn.connectResult = SESSION_NO_SOCKET;
    goOnline(&prefs);
    EXPECT_EQ(gErrorsShown, std::vector<int32_t>{SESSION_NO_SOCKET});
    EXPECT_EQ(getCacheState(), CSTATE_CONNECTING);
}

// The confirm and an abort may come from inside the primitives themselves.
TEST_F(ConnectionTest, ConfirmFromInsideConnectAndRefusalWhileSendingAreNotLost)
{
    connectionMode();
    gStandIn.confirmInsideConnect = true;
    gStandIn.abortOnSend = true;
    CacheResult r = get("http://origin/a.wml");
    EXPECT_EQ(getCacheState(), CSTATE_READY);
    EXPECT_EQ(gPollResults.front().code, CRES_CONNECTED);
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
    EXPECT_EQ(gStandIn.calls, (std::vector<std::string>{"listen", "disconnect", "pumpStack", "pumpStack", "closeStack"}));
    CacheResult r{};
    C_poll(0, &r);
    EXPECT_EQ(r.code, CRES_IDLE);
    EXPECT_EQ(gStatusShown.back(), "Offline");
}

}  // namespace
