// The connection manager against a scripted session layer.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "cache/cache.h"
#include "cache/cache_store.h"
#include "cache_fixture.h"
#include "prefs/prefs.h"
#include "tests/support/scripted_session.h"

namespace {

class ConnectionTest : public CacheTest {
protected:
    UserPrefs prefs;

    void SetUp() override
    {
        CacheTest::SetUp();
        resetScriptedSession(pollCache);
        prefs.proxy = "127.0.0.1";
        prefs.proxyPort = PORT_CONNECTIONLESS;
        prefs.bearer = BEARER_CSD;
        prefs.sduSize = 1500;
        prefs.morMethod = 8;
        C_init(&prefs);
    }
    void TearDown() override { C_shutdown(); }

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
        postSessionEvent({code, status, id, type >= 0 ? headers : nullptr, type >= 0 ? 1u : 0u,
                          reinterpret_cast<const uint8_t *>(body.data()), static_cast<uint32_t>(body.size())});
        return gPollResults.back();
    }
    CacheResult answer(int32_t id, uint8_t type, const std::string &body)
    {
        return event(SEVENT_RESULT, 0x20, id, type, body);
    }
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

size_t shown(const std::string &status)
{
    return static_cast<size_t>(std::count(gStatusShown.begin(), gStatusShown.end(), status));
}

TEST_F(ConnectionTest, MissIsRequestedOncePerSessionAndItsAnswerServed)
{
    // Once per session and over the real stack: the gateway cases.
    EXPECT_EQ(get("http://origin/a.wml#card2").code, CRES_PENDING);
    ASSERT_EQ(gScripted.sent.size(), 1u);
    EXPECT_EQ(gScripted.sent[0].url, "http://origin/a.wml");
    EXPECT_EQ(gScripted.sent[0].urlLength, std::strlen("http://origin/a.wml") + 1);
    CacheResult r{};
    C_poll(0, &r);
    EXPECT_EQ(r.code, 0) << "the empty event, with a request pending";
    EXPECT_EQ(gStatusShown.back(), "Waiting for data...");
    EXPECT_EQ(answer(gScripted.sent[0].id, 0x94, "DECK").code, CRES_STORED);
    EXPECT_FALSE(exists("http___origin_a.wml_t_20.wbc"));
    EXPECT_EQ(retrieve("http://origin/a.wml"), "DECK");
    gStatusShown.clear();
    for (int i = 0; i < 3; i++)
        C_poll(0, &r);
    EXPECT_EQ(r.code, CRES_IDLE);
    EXPECT_EQ(shown("Idle"), 1u);

    // A POST's answer is never fresh: the next GET goes to the network.
    EXPECT_EQ(get("http://origin/a.wml", CT_WMLC, METHOD_POST, "a=1&b=2").code, CRES_PENDING);
    ASSERT_EQ(gScripted.sent.size(), 2u);
    EXPECT_EQ(gScripted.sent[1].primitive, "postConnectionless");
    EXPECT_EQ(gScripted.sent[1].body, "a=1&b=2");
    answer(gScripted.sent[1].id, 0x94, "POSTED");
    EXPECT_EQ(retrieve("http://origin/a.wml"), "POSTED");
    EXPECT_EQ(get("http://origin/a.wml").code, CRES_PENDING);
    EXPECT_EQ(gScripted.sent.size(), 3u);
}

TEST_F(ConnectionTest, AnswersThatStoreNothing)
{
    struct Case {
        uint32_t asked;
        int32_t event;
        int32_t status;  // WSP status or abort reason
        int received;    // content type byte; -1: none
        bool knownId;
        CacheResult result;
    } cases[] = {
        // an origin's 404 and an HTML image: the gateway cases
        {CT_WMLSC, SEVENT_RESULT, 0x20, 0xA1, true, {CRES_WRONG_TYPE, -1}},
        {CT_WMLC, SEVENT_ABORTED, 234, -1, true, {CRES_USER_ABORT, -1}},
        {CT_WMLC, SEVENT_ABORTED, 0xE1, -1, true, {CRES_ABORTED, 0xE1}},
        {CT_WMLC, SEVENT_RESULT, 0x20, 0x94, false, {CRES_UNKNOWN_TID, -1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.result.code);
        C_newSession();
        get("http://origin/x", c.asked);
        CacheResult r = event(c.event, c.status, c.knownId ? gScripted.sent.back().id : 77, c.received, "");
        EXPECT_EQ(r.code, c.result.code);
        if (c.result.arg >= 0) {
            EXPECT_EQ(r.arg, c.result.arg);
        }
        if (c.knownId) {
            EXPECT_EQ(retrieve("http://origin/x", c.asked), "<miss>");
            EXPECT_TRUE(isIdle());
        }
    }
}

// A pushed Service Indication naming page, as libwbxml encodes it.
std::string serviceIndication(const std::string &page)
{
    return std::string("\x03\x05\x6A\x00\x45\xC6\x0B\x03", 8) + page + std::string("\x00\x01\x01\x01", 4);
}

TEST_F(ConnectionTest, PushesThatLeadSomewhereAreKeptOnlineOrNotAndAFloodIsBounded)
{
    // Offline: the last rounds before going offline may still bring one.
    EXPECT_EQ(push(0xAE, serviceIndication("http://origin/si.wml")).code, CRES_PUSH_STORED);
    get("http://origin/a.wml");
    EXPECT_EQ(push(0x94, "deck").code, CRES_PUSH_STORED);
    EXPECT_EQ(shown("Push message received"), 2u);
    EXPECT_EQ(gPushIndicatorRefreshes, 2);
    std::vector<std::string> uris = pushUris();
    ASSERT_EQ(uris.size(), 2u);
    EXPECT_EQ(C_pushOpenUrl(uris[1].c_str()), uris[1]) << "a pushed deck opens as itself";
    EXPECT_EQ(C_pushOpenUrl("push://1_46"), "") << "gone";

    // Nothing to open: not kept, said once each.
    EXPECT_EQ(push(0xAE, serviceIndication("")).code, CRES_PUSH_DROPPED);
    EXPECT_EQ(push(0x83, "text/plain body").code, CRES_PUSH_DROPPED);
    EXPECT_EQ(shown("Push message ignored: it names no page to open"), 2u);
    EXPECT_EQ(pushUris().size(), 2u);

    // A flood keeps the newest PUSH_KEEP_MAX; a push the full cache refuses
    // neither drops an older one nor ends the Browser's navigation.
    for (int i = 1; i <= 15; i++)
        ASSERT_EQ(push(0xAE, serviceIndication("http://origin/p" + std::to_string(i) + ".wml")).code, CRES_PUSH_STORED);
    uris = pushUris();
    ASSERT_EQ(uris.size(), PUSH_KEEP_MAX);
    EXPECT_EQ(gPushCount, PUSH_KEEP_MAX);
    for (size_t i = 0; i < uris.size(); i++)
        EXPECT_EQ(C_pushOpenUrl(uris[i].c_str()), "http://origin/p" + std::to_string(i + 6) + ".wml");
    EXPECT_EQ(shown("Push messages: the oldest was dropped to make room"), 2u + 15 - PUSH_KEEP_MAX);

    C_setCacheSize(CACHE_DEFAULT_MIN_SIZE, gCacheSettings.size + 10);
    EXPECT_EQ(push(0xAE, serviceIndication("http://origin/p16.wml")).code, CRES_PUSH_DROPPED);
    EXPECT_EQ(shown("Push message lost: the cache is full"), 1u);
    EXPECT_EQ(pushUris(), uris);
    EXPECT_LE(gCacheSettings.size, gCacheSettings.maxSize);
    EXPECT_FALSE(isIdle()) << "the request is untouched";
    EXPECT_EQ(gContextsPopped, 0);
    EXPECT_TRUE(gErrorsShown.empty());
}

TEST_F(ConnectionTest, ConnectionModeConnectsFirstAndFollowsTheSession)
{
    prefs.proxyPort = PORT_CONNECTION_MODE;
    EXPECT_FALSE(canRequest());
    EXPECT_EQ(get("http://origin/a.wml").code, CRES_PENDING);
    ASSERT_EQ(gScripted.calls, (std::vector<std::string>{"listen", "connect"}));
    ASSERT_NE(gScripted.caps, nullptr);
    EXPECT_EQ(gScripted.caps->maxSdu, 1500u);
    EXPECT_EQ(gScripted.sent.back().primitive, "getConnected");
    EXPECT_EQ(getCacheState(), CSTATE_CONNECTING);
    EXPECT_EQ(event(SEVENT_CONNECTED).code, CRES_CONNECTED);
    EXPECT_EQ(getCacheState(), CSTATE_READY);

    // The session is lost with a request outstanding.
    EXPECT_EQ(event(SEVENT_DISCONNECTED).code, CRES_DISCONNECTED);
    EXPECT_EQ(gContextsPopped, 1);
    EXPECT_TRUE(isIdle());
    EXPECT_TRUE(files().empty());
    EXPECT_EQ(getCacheState(), CSTATE_NONE);
    EXPECT_EQ(get("http://origin/a.wml").code, CRES_NO_SESSION);
    EXPECT_EQ(gScripted.sent.size(), 1u);
}

TEST_F(ConnectionTest, DisconnectByState)
{
    prefs.proxyPort = PORT_CONNECTION_MODE;
    gScripted.connectResult = SESSION_NO_SOCKET;
    goOnline(&prefs);
    EXPECT_EQ(gErrorsShown, std::vector<int32_t>{SESSION_NO_SOCKET});
    EXPECT_EQ(getCacheState(), CSTATE_CONNECTING);
    EXPECT_EQ(event(SEVENT_DISCONNECTED).code, CRES_CONNECT_FAILED);
    // The stack still had a session: connecting is reconnecting.
    gScripted.connectResult = 1;
    gScripted.connectStatus = SESSION_ALREADY;
    C_reconnect();
    EXPECT_EQ(getCacheState(), CSTATE_RECONNECTING);
    event(SEVENT_CONNECTED);
    C_reconnect();
    EXPECT_EQ(getCacheState(), CSTATE_RECONNECTING);
    EXPECT_EQ(event(SEVENT_DISCONNECTED).code, CRES_RECONNECTING);
    EXPECT_EQ(getCacheState(), CSTATE_RECONNECTING);
    EXPECT_EQ(event(SEVENT_CONNECTED).code, CRES_CONNECTED);
    EXPECT_EQ(event(SEVENT_CONNECTED).code, 0) << "a confirm in READY is ignored";
}

// The confirm and an abort may come from inside the primitives themselves.
TEST_F(ConnectionTest, ConfirmFromInsideConnectRefusalWhileSendingAndUserStop)
{
    prefs.proxyPort = PORT_CONNECTION_MODE;
    gScripted.confirmInsideConnect = true;
    gScripted.abortOnSend = true;
    CacheResult r = get("http://origin/a.wml");
    EXPECT_EQ(getCacheState(), CSTATE_READY);
    EXPECT_EQ(gPollResults.front().code, CRES_CONNECTED);
    EXPECT_EQ(r.code, CRES_ABORTED);
    EXPECT_EQ(r.arg, 0xE1);
    EXPECT_TRUE(isIdle());
    EXPECT_TRUE(files().empty());

    // The user's stop aborts in connection mode only.
    gScripted.abortOnSend = false;
    gFakeCurrentUrl = "http://origin/b.wml";
    get("http://origin/a.wml");
    get("http://origin/b.wml");
    C_abort();
    EXPECT_EQ(gScripted.aborted.size(), 2u);
    EXPECT_EQ(gPollResults.back().code, CRES_USER_ABORT);
    EXPECT_EQ(gContextsPopped, 1) << "the current deck's own request was stopped";
    EXPECT_TRUE(files().empty());
    EXPECT_TRUE(isIdle());

    goOffline();
    prefs.proxyPort = PORT_CONNECTIONLESS;
    get("http://origin/c.wml");
    C_abort();
    EXPECT_EQ(gScripted.aborted.size(), 2u) << "connectionless requests cannot be recalled";
}

TEST_F(ConnectionTest, GoingOfflineClosesTheStack)
{
    get("http://origin/a.wml");
    goOffline();
    EXPECT_FALSE(isOnline());
    EXPECT_EQ(gScripted.calls,
              (std::vector<std::string>{"listen", "disconnect", "pumpStack", "pumpStack", "closeStack"}));
    CacheResult r{};
    C_poll(0, &r);
    EXPECT_EQ(r.code, CRES_IDLE);
    EXPECT_EQ(gStatusShown.back(), "Offline");
}

}  // namespace
