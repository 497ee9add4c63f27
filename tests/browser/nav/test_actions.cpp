// Actions and GetURL over the compiled task deck: what reaches the
// navigation, with which URL, post data and method, and which variables
// are set on the way.
#include <string>

#include "browser/browser.h"
#include "browser/context.h"
#include "tests/browser/nav/event_fixture.h"
#include "wml/actions.h"
#include "wml/layout.h"

namespace {

class ActionsTest : public EventTest {
protected:
    void SetUp() override
    {
        EventTest::SetUp();
        storeDeck(DECK_URL, "ev_tasks");
        show(DECK_URL);
    }
    // Runs the task of the first event record whose dump line holds text.
    int run(const std::string &text)
    {
        uint32_t code = codeOf(text);
        EXPECT_NE(code, 0u) << text;
        return Actions(DECK_URL, code);
    }
    std::string urlOf(const std::string &text)
    {
        std::string dump = events();
        size_t at = dump.find(text);
        size_t url = dump.find("URL @", at);
        return at == std::string::npos || url == std::string::npos
                   ? ""
                   : dump.substr(url + 4, dump.find(' ', url + 4) - url - 4);
    }
};

// One line per navigation call: op|url|post data|method|setvars.
std::string callText(const NavCall &call)
{
    std::string text = call.op + "|" + call.url + "|" + call.postData + "|" + std::to_string(call.method) + "|";
    for (const TaskVar &v : call.vars)
        text += v.name + "=" + v.value + " ";
    return text;
}

// v is set after the card was laid out: tasks take the value of the moment.
// A go's or prev's setvars travel with the navigation and are set nowhere
// yet; a refresh's are set at once; one directly inside the do is no task's.
TEST_F(ActionsTest, TasksReachTheNavigation)
{
    const std::pair<const char *, std::string> cases[] = {
        {"[ok]", "go|over.wml||1|"},  // the card's do replaced the template's
        {"[vnd.get]", "go|echo.wml?q=1|a=1&b=x+y|1|"},
        {"[vnd.post]", "go|echo.wml|a%26b=1%262&n=a+b%26c%3d|2|sv=set-a b&c= "},
        {"[vnd.lower]", "go|echo.wml|p=q|2|"},
        {"[vnd.href]", "go|next.wml?v=a b&c=||1|"},
        {"[help]", "prev|||0|pv=back-a b&c= "},
        {"[vnd.loose]", "refresh|||0|"},
        {"Code @", "go|#second||1|av=a "},  // the first anchor: its text is skipped
    };
    for (const auto &[record, expected] : cases) {
        setContextVal("v", "a b&c=");
        resetNavRecorder();
        EXPECT_EQ(run(record), 0) << record;
        ASSERT_EQ(gNavCalls.size(), 1u) << record;
        EXPECT_EQ(callText(gNavCalls[0]), expected);
    }
    EXPECT_FALSE(hasContextVal("sv"));
    EXPECT_FALSE(hasContextVal("pv"));
    EXPECT_FALSE(hasContextVal("loose"));
    EXPECT_STREQ(getContextVal("r"), "2");
}

TEST_F(ActionsTest, PostDataIsCutAtThePairThatDoesNotFit)
{
    std::string big(600, 'x');
    setContextVal("big", big.c_str());
    EXPECT_EQ(run("[vnd.big]"), 0);
    ASSERT_EQ(gNavCalls.size(), 1u);
    EXPECT_EQ(gNavCalls[0].postData, "a=" + big + "&b=");
}

// B_go lays out another card and runs its enter task (a nested Actions and
// GetURL) before it returns; the outer walk goes on in its own deck.
TEST_F(ActionsTest, WalkSurvivesNestedPasses)
{
    setContextVal("v", "kept");
    int depth = 0;
    gOnGo = [&](const NavCall &call) {
        if (call.url != "first.wml" || depth++)
            return;
        ASSERT_EQ(Layout(DECK_URL, "second"), 0);
        EXPECT_EQ(Actions(DECK_URL, codeOf("[onenterforward]")), 0);
        EXPECT_STREQ(GetURL(DECK_URL, urlOf("[ONTIMER]").c_str()), "timer.wml");
    };
    // The "Twice" anchor: a go, then a refresh with a setvar.
    show(DECK_URL);
    EXPECT_EQ(Actions(DECK_URL, codeOf("@(90,0)")), 0);
    ASSERT_EQ(gNavCalls.size(), 3u);
    EXPECT_EQ(gNavCalls[0].url, "first.wml");
    EXPECT_EQ(gNavCalls[1].url, "forward.wml");
    EXPECT_EQ(gNavCalls[2].op, "refresh");
    EXPECT_STREQ(getContextVal("after"), "kept");
}

// A method the compiler cannot write ("post" followed by more text), a
// deck not cached, offsets outside the deck: nothing reaches the navigation.
TEST_F(ActionsTest, OtherMethodUncachedDeckAndOffsetsOutsideIt)
{
    const uint8_t deck[] = {0x01, 0x04, 0x04, 0x00, 0xAB, 0x4A, 0x03, 'x', 0, 0x1C, 0x03, 'x', 0, 0x01, 0x01};
    storeBytes("http://h/hand.wml", deck, sizeof deck);
    EXPECT_EQ(Actions("http://h/hand.wml", 4), 0);
    EXPECT_EQ(Actions("http://h/none.wml", 10), -2);
    EXPECT_EQ(GetURL("http://h/none.wml", "@10"), nullptr);
    EXPECT_EQ(Actions(DECK_URL, 0xFFFFFFFFu), 0);
    EXPECT_STREQ(GetURL(DECK_URL, "@99999999999"), "");
    EXPECT_STREQ(GetURL(DECK_URL, "plain.wml"), "plain.wml");  // already plain text
    EXPECT_TRUE(gNavCalls.empty());
}

}  // namespace
