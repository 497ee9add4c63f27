// Clicks, soft keys, intrinsic events and the form field dialogs, answered
// through the headless dialog queue.
#include <cstring>
#include <string>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/user_events.h"
#include "shell/display/dialog_headless.h"
#include "tests/browser/nav/event_fixture.h"
#include "wml/layout.h"

namespace {

constexpr const char FIELDS_URL[] = "http://h/fields.wml";

class UserEventsTest : public EventTest {
protected:
    void SetUp() override
    {
        EventTest::SetUp();
        storeDeck(DECK_URL, "ev_tasks");
        storeDeck(FIELDS_URL, "ev_fields");
    }
    void clickOn(const std::string &text)
    {
        int x = 0, y = 0;
        ASSERT_TRUE(centreOf(text, &x, &y)) << text << "\n" << events();
        B_userClick(x, y);
    }
    void queue(const char *command, const char *rest)
    {
        std::string why;
        ASSERT_TRUE(queueDialogAnswer(command, rest, &why)) << why;
    }
    std::vector<std::string> gos() const
    {
        std::vector<std::string> urls;
        for (const NavCall &c : gNavCalls)
            urls.push_back(c.op == "go" ? c.url : c.op);
        return urls;
    }
};

using Urls = std::vector<std::string>;

// The link at (0,0) x(24,12) and the anchor at (24,0) share the column
// x = 24: the first in table order wins, borders included.
TEST_F(UserEventsTest, ClickHitsFirstItemBordersIncluded)
{
    show(DECK_URL);
    setContextVal("v", "late");  // links follow the values of the click
    B_userClick(24, 12);
    B_userClick(25, 6);
    B_userClick(200, 200);
    EXPECT_EQ(gos(), (Urls{"link.wml?v=late", "#second"}));
}

TEST_F(UserEventsTest, SoftKeysCountDoElementsOnly)
{
    show(DECK_URL);
    B_event(BEVENT_SELECT, 0);  // the card's "ok" replaced the template's
    B_event(BEVENT_SELECT, 1);  // "help", named by its type
    B_event(BEVENT_SELECT, 9);  // beyond the last do
    B_event(BEVENT_SELECT, -1);
    B_event(BEVENT_NONE, 0);
    EXPECT_EQ(gos(), (Urls{"over.wml", "prev"}));
    EXPECT_EQ(events().find("[gone]"), std::string::npos);  // withdrawn by its noop
}

TEST_F(UserEventsTest, IntrinsicEventsByNameIgnoringCase)
{
    show(DECK_URL, "second");
    B_event(BEVENT_ONENTERFORWARD, 0);  // an onevent, named in lower case
    B_event(BEVENT_ONTIMER, 0);         // an attribute, through GetURL
    B_event(BEVENT_ONENTERBACKWARD, 0);
    B_event(BEVENT_ONPICK, 0);  // none on this card
    EXPECT_EQ(gos(), (Urls{"forward.wml", "timer.wml", "backward.wml"}));
    EXPECT_NE(log().find("Browser: ONTIMER event\n"), std::string::npos);
}

// A table written by something else than Layout: lengths that are not a
// record's end the walk, short records are passed over.
TEST_F(UserEventsTest, MalformedTableIsWalkedSafely)
{
    show(DECK_URL);
    uint8_t *table = const_cast<uint8_t *>(getEventTable());
    const int32_t lengths[] = {6, -4, 4096 + 4, 0x7FFFFFFC};
    for (int32_t length : lengths) {
        std::memcpy(table, &length, 4);
        B_userClick(1, 1);
        B_event(BEVENT_SELECT, 0);
        fireIntrinsicEvent("ONTIMER");
    }
    std::memset(table, 0, EVENT_TABLE_SIZE);
    table[0] = 40;  // a do record too short for nothing but its header
    table[4] = EVENT_DO;
    table[40] = 0;
    doEvent(table);
    EXPECT_EQ(gos(), (Urls{}));
}

TEST_F(UserEventsTest, InputAnsweredUpdatesVariableAndCard)
{
    show(FIELDS_URL);
    queue("answer", "Roberto");  // cut to MAXLENGTH 5
    clickOn("Prompt [Your name]");
    EXPECT_STREQ(getContextVal("name"), "Rober");
    EXPECT_NE(layout().find("STR:Rober"), std::string::npos) << layout();
    std::vector<ShownDialog> shown = takeShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(dialogDumpLine(shown[0]), "dialog text name: Your name");

    // Without EMPTYOK an empty answer is refused; a cancel changes nothing.
    queue("answer", "");
    clickOn("Prompt [Your name]");
    clickOn("Prompt [Your name]");
    EXPECT_STREQ(getContextVal("name"), "Rober");

    // No MAXLENGTH: 254 characters.
    queue("answer", std::string(300, 'z').c_str());
    clickOn("Prompt [Long]");
    EXPECT_EQ(std::strlen(getContextVal("long")), 254u);
}

TEST_F(UserEventsTest, MaskedInputStoresTextAndShowsStars)
{
    show(FIELDS_URL);
    EXPECT_NE(layout().find("STR:****"), std::string::npos);
    queue("answer", "secret");
    clickOn("Pwd=1");
    EXPECT_STREQ(getContextVal("pin"), "secret");
    EXPECT_NE(layout().find("STR:******"), std::string::npos) << layout();
    EXPECT_EQ(takeShownDialogs().at(0).kind, "masked");
    queue("answer", "");  // EMPTYOK="true"
    clickOn("Pwd=1");
    EXPECT_STREQ(getContextVal("pin"), "");
}

TEST_F(UserEventsTest, SingleSelect)
{
    show(FIELDS_URL);
    queue("choose", "2");
    clickOn("Prompt [Pick one]");
    EXPECT_STREQ(getContextVal("one"), "b");
    EXPECT_EQ(dialogDumpLine(takeShownDialogs().at(0)), "dialog select one: Pick one");
    // Preselected by the value: OK keeps it.
    queue("confirm", "yes");
    clickOn("Prompt [Pick one]");
    EXPECT_STREQ(getContextVal("one"), "b");
}

TEST_F(UserEventsTest, MultipleSelectWithIndexAndOnpick)
{
    show(FIELDS_URL);
    setContextVal("many", "");
    queue("choose", "1;3");
    clickOn("Prompt [Pick many]");
    EXPECT_STREQ(getContextVal("many"), "r;b");
    EXPECT_STREQ(getContextVal("idx"), "1;3");
    // The onpick URLs take the values just chosen.
    EXPECT_EQ(gos(), (Urls{"picked.wml?o=r;b", "#blue"}));
    EXPECT_NE(log().find("Browser: onpick url @"), std::string::npos);
    EXPECT_NE(layout().find("STR:r;b"), std::string::npos) << layout();

    // The index variable wins over the value; pieces out of range or not
    // numbers preselect nothing.
    resetNavRecorder();
    setContextVal("idx", "0;2;9;x;");
    queue("confirm", "yes");
    clickOn("Prompt [Pick many]");
    EXPECT_STREQ(getContextVal("many"), "g");
    EXPECT_STREQ(getContextVal("idx"), "2");
    EXPECT_TRUE(gNavCalls.empty());
}

TEST_F(UserEventsTest, SelectWithIndexNameOnlyAndNoOptions)
{
    show(FIELDS_URL);
    queue("choose", "2");
    clickOn("Prompt [Index only]");
    EXPECT_STREQ(getContextVal("only"), "2");
    EXPECT_FALSE(hasContextVal(""));

    // A select record whose option count says none.
    int n = 0;
    for (const uint8_t *r = record(0); r; r = record(++n)) {
        if (r[ER_TYPE] == EVENT_SELECT) {
            const_cast<uint8_t *>(r)[ER_SELECT_COUNT] = 0;
            doEvent(r);
            break;
        }
    }
    std::vector<ShownDialog> shown = takeShownDialogs();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].prompt, "There are no options defined!\n");
}

}  // namespace
