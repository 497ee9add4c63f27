// The navigation state machine and the dependency pass, end to end over
// the real cache, decoder, layout and event dispatch.
#include <gtest/gtest.h>

#include <string>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/messages.h"
#include "browser/user_events.h"
#include "cache/cache.h"
#include "shell/display/canvas.h"
#include "tests/browser/nav/nav_fixture.h"
#include "wml/layout.h"

namespace {

constexpr char kHome[] = "http://www.example.com/ok/home.wml";
constexpr char kTarget[] = "http://www.example.com/ok/nav_target.wml";

// Polls as the 200 ms tick does until the Browser is idle.
void settle()
{
    for (int i = 0; i < 50 && (B_getBrowserState() != BSTATE_IDLE || !isIdle()); i++)
        B_poll(0);
}

TEST_F(NavTest, AShuttingDownDisplayStopsTheBrowserAdvancing)
{
    start(PORT_CONNECTIONLESS);
    B_go(kTarget, nullptr, METHOD_GET);
    answerRequest(0, CT_WMLC, deck("nav_target"));
    setDisplayShuttingDown(true);
    B_poll(0);
    EXPECT_EQ(B_getBrowserState(), BSTATE_WAITING);
    setDisplayShuttingDown(false);
    B_poll(0);
    EXPECT_EQ(B_getBrowserState(), BSTATE_IDLE);
    // Blinking while it loaded, steady "on" once idle.
    EXPECT_GT(connectionIndicatorBlinks(), 0u);
    EXPECT_TRUE(connectionIndicatorOn());
}

// A fragment alone stays in the deck (the browse conversation "links"); with
// post data it is a new request, and a new context.
TEST_F(NavTest, FragmentWithPostDataIsANewRequest)
{
    start(PORT_CONNECTIONLESS);
    put(kHome, CT_WMLC, deck("nav_home"));
    B_go(kHome, nullptr, METHOD_GET);
    setContextVal("colour", "red");
    B_go("#first", "a=1", METHOD_POST);
    ASSERT_EQ(gNavRequests.size(), 1u);
    EXPECT_TRUE(gNavRequests[0].post);
    EXPECT_EQ(gNavRequests[0].body, "a=1");
    EXPECT_STREQ(getContextVal("colour"), "");
}

TEST_F(NavTest, BackFiresOnEnterBackwardAndTheFirstDeckStays)
{
    start(PORT_CONNECTIONLESS);
    put(kHome, CT_WMLC, deck("nav_home"));
    put(kTarget, CT_WMLC, deck("nav_target"));
    B_go(kHome, nullptr, METHOD_GET);
    B_prev();  // ignored on the first deck
    EXPECT_EQ(B_contextDepth(), 1u);

    B_go("nav_target.wml", nullptr, METHOD_GET);
    EXPECT_EQ(getCardTitle(), std::string("Target"));
    B_prev();
    // The home card's onenterbackward went on to its card "back".
    EXPECT_EQ(screen(), "title Came back\nBack again\n");
    EXPECT_EQ(std::string(getURL(0)), std::string(kHome) + "#back");
    EXPECT_TRUE(gNavRequests.empty());
}

TEST_F(NavTest, ReloadReattachesTheSavedQueryAndFiresNoEnterEvent)
{
    start(PORT_CONNECTIONLESS);
    const std::string url = std::string(kTarget) + "?x=1&y=2";
    put(url, CT_WMLC, deck("nav_target"));
    B_go(url.c_str(), nullptr, METHOD_GET);
    EXPECT_STREQ(getContextVal("__postData"), "x=1&y=2");
    B_refresh();
    EXPECT_EQ(B_getBrowserState(), BSTATE_WAITING);
    ASSERT_EQ(gNavRequests.size(), 1u);
    EXPECT_EQ(gNavRequests[0].url, url);
    answerRequest(0, CT_WMLC, deck("nav_target"));
    settle();
    EXPECT_EQ(getCardTitle(), std::string("Target"));
    EXPECT_EQ(countOf(log(), "Browser: ONENTERFORWARD event\n"), 1u);
    EXPECT_EQ(B_contextDepth(), 1u);
}

// Stop alone is the browse conversation "stop". A new go stops the load,
// whose abort comes back inside B_go: only the deck that never arrived leaves.
TEST_F(NavTest, ANewGoDuringALoadPopsTheWaitingDeckOnce)
{
    start(PORT_CONNECTION_MODE);
    put(kHome, CT_WMLC, deck("nav_home"));
    put(kTarget, CT_WMLC, deck("nav_target"));
    B_go(kHome, nullptr, METHOD_GET);
    B_go("slow.wml", nullptr, METHOD_GET);
    B_go(kTarget, nullptr, METHOD_GET);
    EXPECT_EQ(B_contextDepth(), 2u);
    EXPECT_EQ(std::string(getURL(0)), kTarget);
    EXPECT_EQ(std::string(getURL(1)), kHome);
    EXPECT_EQ(getCardTitle(), std::string("Target"));
    EXPECT_EQ(unansweredRequests(), 0u);
}

TEST_F(NavTest, ADeckWhoseImagesNeverArriveIsGivenUpAfterElevenRounds)
{
    start(PORT_CONNECTIONLESS, 1);
    put(kHome, CT_WMLC, deck("nav_home"));
    put(kTarget, CT_WMLC, deck("nav_images"));
    B_go(kHome, nullptr, METHOD_GET);
    messages();
    B_go(kTarget, nullptr, METHOD_GET);
    for (int i = 0; i < 30 && B_getBrowserState() != BSTATE_IDLE; i++) {
        // Not an image: nothing is stored, so every round asks again.
        answerAll(".wbmp", CT_WMLC, tinyImage());
        B_poll(0);
    }
    EXPECT_EQ(countOf(B_takeBrowserTrail(), "round"), 11u);
    EXPECT_EQ(messages(), std::vector<std::string>{errorText(3902)});
    EXPECT_EQ(std::string(getURL(0)), kHome);
}

struct AccessCase {
    const char *from;     // the deck the user came from; null: none
    const char *replace;  // bytes of the access element's strings changed
    const char *with;
    bool admitted;
};

class Access : public NavTest, public testing::WithParamInterface<AccessCase> { };

TEST_P(Access, TheAccessElementJudgesThePreviousDeck)
{
    const AccessCase &c = GetParam();
    start(PORT_CONNECTIONLESS);
    std::vector<uint8_t> guarded = deck("nav_access");
    std::string bytes(guarded.begin(), guarded.end());
    if (c.replace) {
        size_t at = bytes.find(c.replace);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, std::string(c.replace).size(), c.with);
    }
    put("http://other.org/g.wml", CT_WMLC, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    if (c.from) {
        put(c.from, CT_WMLC, deck("nav_target"));
        B_go(c.from, nullptr, METHOD_GET);
    }
    messages();
    B_go("http://other.org/g.wml", nullptr, METHOD_GET);
    if (c.admitted) {
        EXPECT_EQ(screen(), "title Guarded\nAdmitted\n");
        EXPECT_TRUE(messages().empty());
    } else {
        EXPECT_EQ(messages(), std::vector<std::string>{errorText(-5)});
        EXPECT_EQ(B_contextDepth(), c.from ? 1u : 0u);
    }
}

// The browse conversation "access" has a path without a segment boundary
// and a domain refused outright.
INSTANTIATE_TEST_SUITE_P(
    Cases, Access,
    testing::Values(AccessCase{"http://www.example.com/ok/a.wml", nullptr, nullptr, true},
                    AccessCase{"http://myexample.com/ok", nullptr, nullptr, true},    // no label boundary
                    AccessCase{"http://WWW.EXAMPLE.COM/ok", nullptr, nullptr, true},  // domain in any case
                    AccessCase{"http://www.example.com/o", nullptr, nullptr, false},  // path too short
                    AccessCase{"http://www.example.com/ok", "/ok", "/OK", false},     // path case matters
                    // A relative path is taken from the guarded deck's own URL: "ok/" is "/ok/".
                    AccessCase{"http://www.example.com/ok/a.wml", "/ok", "ok/", true},
                    AccessCase{"http://www.example.com/okay", "/ok", "ok/", false},
                    AccessCase{"http://com/ok", nullptr, nullptr, false},  // domain longer than host
                    AccessCase{"http://example.com:pw@evil.org/ok", nullptr, nullptr, false},  // user-info is no host
                    AccessCase{nullptr, nullptr, nullptr, false}));                            // no previous deck

TEST_F(NavTest, OlderAndNewerDecksWarnButAreShown)
{
    start(PORT_CONNECTIONLESS);
    const std::pair<uint8_t, const char *> rows[] = {
        {0x00, WARN_WML_OLDER}, {0x01, nullptr}, {0x02, WARN_WML_NEWER}, {0x13, WARN_WML_NEWER}};
    for (const auto &[version, warning] : rows) {
        SCOPED_TRACE(version);
        std::vector<uint8_t> bytes = deck("nav_target");
        bytes[0] = version;
        if (version == 0x00)
            bytes.erase(bytes.begin() + 2);  // WBXML 1.0 has no charset field
        put(kTarget, CT_WMLC, bytes);
        B_go(kTarget, nullptr, METHOD_GET);
        EXPECT_EQ(messages(), warning ? std::vector<std::string>{warning} : std::vector<std::string>{});
        EXPECT_EQ(getCardTitle(), std::string("Target"));
    }
}

TEST_F(NavTest, FailedFetchesShowTheirMessageAndKeepThePreviousDeck)
{
    start(PORT_CONNECTIONLESS);
    put(kHome, CT_WMLC, deck("nav_home"));
    put(kTarget, CT_WMLC, deck("nav_target"));
    B_go(kHome, nullptr, METHOD_GET);
    B_go(kTarget, nullptr, METHOD_GET);
    messages();

    B_go("picture.wml", nullptr, METHOD_GET);
    answerRequest(0, CT_WBMP, tinyImage());
    settle();
    EXPECT_EQ(messages(), std::vector<std::string>{errorText(CRES_WRONG_TYPE)});
    EXPECT_EQ(std::string(getURL(0)), kTarget);
    EXPECT_EQ(B_getBrowserState(), BSTATE_IDLE);
    // Back goes to the deck before the current one.
    B_prev();
    EXPECT_EQ(std::string(getURL(0)), std::string(kHome) + "#back");

    B_go(nullptr, nullptr, METHOD_GET);  // ignored
    EXPECT_EQ(std::string(getURL(0)), std::string(kHome) + "#back");
    clearContext(CLEAR_ALL);
    B_go("", nullptr, METHOD_GET);
    EXPECT_EQ(messages(), std::vector<std::string>{errorText(CRES_BAD_URL)});
}

// A go's setvars are set where it arrives and in the deck it left, and
// only if it arrives (a prev's are the browse conversation "forms").
TEST_F(NavTest, SetvarsLandWhereTheTaskArrives)
{
    start(PORT_CONNECTIONLESS);
    put(kHome, CT_WMLC, deck("nav_setvar"));
    B_go(kHome, nullptr, METHOD_GET);
    setContextVal("x", "orig");

    B_event(BEVENT_SELECT, 0);  // away.wml, answered with a picture
    ASSERT_EQ(gNavRequests.size(), 1u);
    answerRequest(0, CT_WBMP, tinyImage());
    settle();
    EXPECT_EQ(B_contextDepth(), 1u);
    EXPECT_STREQ(getContextVal("x"), "orig");

    B_event(BEVENT_SELECT, 0);  // away.wml again, this time it arrives
    answerRequest(1, CT_WMLC, deck("nav_setvar"));
    settle();
    EXPECT_EQ(B_contextDepth(), 2u);
    EXPECT_EQ(screen(), "title Start\nStart away\n");
    B_prev();  // the deck it left from has them too
    EXPECT_EQ(screen(), "title Start\nStart away\n");
}

TEST_F(NavTest, EnterEventStartingANavigationInsideTheLayout)
{
    start(PORT_CONNECTIONLESS);
    put(kHome, CT_WMLC, deck("nav_enter"));
    B_go(kHome, nullptr, METHOD_GET);
    // Its target is not cached: the nested go waits, and its own enter
    // event still fires when the deck arrives.
    EXPECT_EQ(B_getBrowserState(), BSTATE_WAITING);
    ASSERT_EQ(gNavRequests.size(), 1u);
    answerRequest(0, CT_WMLC, deck("nav_target"));
    settle();
    EXPECT_EQ(getCardTitle(), std::string("Target"));
    EXPECT_EQ(B_contextDepth(), 2u);
    EXPECT_EQ(countOf(log(), "Browser: ONENTERFORWARD event\n"), 2u);

    // Cached, the whole nested road runs inside the first B_go.
    B_go(kHome, nullptr, METHOD_GET);
    EXPECT_EQ(B_getBrowserState(), BSTATE_IDLE);
    EXPECT_EQ(getCardTitle(), std::string("Target"));
    EXPECT_EQ(B_contextDepth(), 4u);
}

}  // namespace
