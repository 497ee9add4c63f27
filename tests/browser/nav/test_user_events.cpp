// Clicks, soft keys, intrinsic events and the form field dialogs, answered
// through the headless dialog queue.
#include <cstring>
#include <string>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/event_record.h"
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
// x = 24: the first in table order wins, borders included. Soft keys count
// do elements only; intrinsic events are found by name in any case.
TEST_F(UserEventsTest, ClicksSoftKeysAndIntrinsicEvents)
{
    show(DECK_URL);
    setContextVal("v", "late");  // links follow the values of the click
    B_userClick(24, 12);
    B_userClick(25, 6);
    B_userClick(200, 200);
    B_event(BEVENT_SELECT, 0);  // the card's "ok" replaced the template's
    B_event(BEVENT_SELECT, 1);  // "help", named by its type
    B_event(BEVENT_SELECT, 9);  // beyond the last do
    B_event(BEVENT_SELECT, -1);
    B_event(BEVENT_NONE, 0);
    EXPECT_EQ(events().find("[gone]"), std::string::npos);  // withdrawn by its noop
    show(DECK_URL, "second");
    B_event(BEVENT_ONENTERFORWARD, 0);  // an onevent, named in lower case
    B_event(BEVENT_ONTIMER, 0);         // an attribute, through GetURL
    B_event(BEVENT_ONENTERBACKWARD, 0);
    B_event(BEVENT_ONPICK, 0);  // none on this card
    EXPECT_EQ(gos(),
              (Urls{"link.wml?v=late", "#second", "over.wml", "prev", "forward.wml", "timer.wml", "backward.wml"}));
}

// A table written by something else than Layout: lengths that are not a
// record's end the walk, short records are passed over, a select without
// options says so.
TEST_F(UserEventsTest, MalformedTableIsWalkedSafely)
{
    show(DECK_URL);
    uint8_t *table = const_cast<uint8_t *>(W_getEventTable());
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
    const uint8_t misaligned[44] = {42};  // records are whole words
    EventRecord copy;
    EXPECT_FALSE(copyEventRecord(misaligned, &copy));

    // A select record whose option count says none.
    show(FIELDS_URL);
    for (int n = 0; const uint8_t *r = record(n); n++) {
        if (r[ER_TYPE] == EVENT_SELECT) {
            const_cast<uint8_t *>(r)[ER_SELECT_COUNT] = 0;
            doEvent(r);
            break;
        }
    }
    std::vector<ShownDialog> shown = takeShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, "There are no options defined!\n");
}

// Each field answered in turn through its dialog: what the variable holds
// after, and the dialog that asked.
TEST_F(UserEventsTest, FieldsTakeTheirAnswers)
{
    struct Row {
        const char *command, *answer, *field, *var, *value, *dialog;
    };
    const std::string longAnswer(300, 'z'), longValue(254, 'z');
    const Row rows[] = {
        {"answer", "Roberto", "Prompt [Your name]", "name", "Rober", "dialog text name: Your name"},  // MAXLENGTH 5
        // Empty is refused without EMPTYOK: asked again, and cancelled.
        {"answer", "", "Prompt [Your name]", "name", "Rober", nullptr},
        {"answer", longAnswer.c_str(), "Prompt [Long]", "long", longValue.c_str(), nullptr},  // no MAXLENGTH: 254
        {"answer", "secret", "Pwd=1", "pin", "secret", "dialog masked pin: "},
        {"answer", "", "Pwd=1", "pin", "", nullptr},  // EMPTYOK="true"
        {"choose", "2", "Prompt [Pick one]", "one", "b", "dialog select one: Pick one"},
        {"confirm", "yes", "Prompt [Pick one]", "one", "b", nullptr},  // preselected by the value
        {"choose", "2", "Prompt [Index only]", "only", "2", nullptr},
    };
    show(FIELDS_URL);
    EXPECT_NE(layout().find("STR:****"), std::string::npos);
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.field) + " " + row.answer);
        queue(row.command, row.answer);
        clickOn(row.field);
        EXPECT_STREQ(getContextVal(row.var), row.value);
        std::vector<ShownDialog> shown = takeShownDialogs();
        ASSERT_FALSE(shown.empty());
        if (row.dialog) {
            EXPECT_EQ(dialogDumpLine(shown[0]).rfind(row.dialog, 0), 0u) << dialogDumpLine(shown[0]);
        }
    }
    EXPECT_NE(layout().find("STR:Rober"), std::string::npos) << layout();
    EXPECT_FALSE(hasContextVal(""));
}

// A multiple select's choices and onpick are the browse conversation
// "forms"; here the index variable wins over the value, and pieces out of
// range or not numbers preselect nothing.
TEST_F(UserEventsTest, IndexVariableWinsOverTheValue)
{
    show(FIELDS_URL);
    setContextVal("idx", "0;2;9;x;");
    queue("confirm", "yes");
    clickOn("Prompt [Pick many]");
    EXPECT_STREQ(getContextVal("many"), "g");
    EXPECT_STREQ(getContextVal("idx"), "2");
    EXPECT_TRUE(gNavCalls.empty());
}

}  // namespace
