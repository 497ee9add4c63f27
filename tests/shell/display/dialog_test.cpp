// The headless dialogs answered from the script's queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "shell/dialog.h"
#include "shell/display.h"
#include "shell/display/dialog_headless.h"

namespace {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearDialogAnswers();
        takeShownDialogs();
        D_setDeckCharset(4);
    }
    void queue(const char *command, const char *rest = "")
    {
        std::string why;
        ASSERT_TRUE(queueDialogAnswer(command, rest, &why)) << why;
    }
};

// A row per answer to a text entry (8 bytes, holding "init") or to a
// select of red, green and blue: the deck's charset, the minimum length or
// whether several may be chosen, the options selected before, what is
// queued, the result and the field or the selection afterwards.
TEST_F(DialogTest, TextAndSelectTakeTheQueuedAnswer)
{
    const struct {
        uint8_t kind;
        uint32_t charset;
        uint16_t limit;
        const char *before, *command, *rest;
        int result;
        const char *after;
        // clang-format off
    } cases[] = {
        {DIALOG_MASKED_TEXT, 4, 0, "", "answer", "far too long", 1, "far too "},
        {DIALOG_MASKED_TEXT, 4, 0, "", "confirm", "yes", 1, "init"},  // OK with the value shown
        {DIALOG_MASKED_TEXT, 4, 0, "", "confirm", "no", 0, "init"},
        {DIALOG_MASKED_TEXT, 4, 0, "", "cancel", "", 0, "init"},
        {DIALOG_MASKED_TEXT, 4, 0, "", "choose", "1", 0, "init"},     // does not suit: cancelled
        {DIALOG_MASKED_TEXT, 4, 0, "", nullptr, nullptr, 0, "init"},  // nothing queued: cancelled
        {DIALOG_TEXT, 4, 3, "", "answer", "ab", 0, "init"},           // too short: refused with a message
        {DIALOG_TEXT, 106, 3, "", "answer", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 1, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
        {DIALOG_TEXT, 106, 0, "", "answer", "abc\xC3\xA9\xC3\xA9\xC3\xA9", 1, "abc\xC3\xA9\xC3\xA9"},  // cut between characters
        {DIALOG_SELECT, 4, 0, "011", "choose", "3", 1, "001"},
        {DIALOG_SELECT, 4, 0, "011", "confirm", "yes", 1, "010"},     // single choice: first preselected only
        {DIALOG_SELECT, 4, 1, "101", "confirm", "yes", 1, "101"},
        {DIALOG_SELECT, 4, 0, "110", "choose", "1;2", 0, "000"},      // several for a single choice
        {DIALOG_SELECT, 4, 1, "111", "choose", "4", 0, "000"},        // no such option
        {DIALOG_SELECT, 4, 1, "111", "cancel", "", 0, "000"},         // cancelling clears every byte
        {DIALOG_SELECT, 4, 0, "100", "answer", "red", 0, "000"},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command ? std::string(c.command) + " " + c.rest : "none");
        D_setDeckCharset(c.charset);
        bool select = c.kind == DIALOG_SELECT;
        char buffer[16] = "init";
        uint8_t selected[3];
        for (int i = 0; i < 3; i++)
            selected[i] = select && c.before[i] == '1';
        if (select)
            std::memcpy(buffer, "red\0green\0blue\0", 16);
        DialogRequest request = {c.kind,
                                 nullptr,
                                 "Name?",
                                 buffer,
                                 selected,
                                 select ? uint16_t(0) : c.limit,
                                 uint16_t(select ? 0 : 8),
                                 select ? c.limit : 0};
        if (c.command)
            queue(c.command, c.rest);
        EXPECT_EQ(showDialog(&request), c.result);
        std::string after = buffer;
        if (select)
            after = {char('0' + selected[0]), char('0' + selected[1]), char('0' + selected[2])};
        EXPECT_EQ(after, c.after);
    }
    EXPECT_EQ(queuedDialogAnswerCount(), 0u);
    std::vector<std::string> lines;
    for (const ShownDialog &d : takeShownDialogs())
        lines.push_back(dialogDumpLine(d));
    const std::vector<std::string> refused = {"dialog text Text Entry: Name?",
                                              "dialog message : Please enter atleast 3 characters"};
    EXPECT_NE(std::search(lines.begin(), lines.end(), refused.begin(), refused.end()), lines.end());
}

// An unknown kind is cancelled. Answers given through the gateway's browse
// cases are not repeated here, nor titles: every caller gives one.
TEST_F(DialogTest, ConfirmInformationAndUnknownKinds)
{
    DialogRequest confirm = {DIALOG_CONFIRM, nullptr, "Sure?", nullptr, nullptr, 0, 0, 0};
    DialogRequest info = {DIALOG_INFO, nullptr, "Hello", nullptr, nullptr, 0, 0, 0};
    DialogRequest bogus = {9, nullptr, "?", nullptr, nullptr, 0, 0, 0};
    queue("confirm", "yes");
    queue("confirm", "NO");
    EXPECT_EQ(showDialog(&info), 0);  // takes no answer
    EXPECT_EQ(showDialog(&confirm), 1);
    EXPECT_EQ(showDialog(&confirm), 0);
    EXPECT_EQ(showDialog(&bogus), 0);
    EXPECT_EQ(showDialog(&confirm), 0);  // nothing queued
}

TEST_F(DialogTest, MalformedAnswersAreNotQueued)
{
    const struct {
        const char *command, *rest;
    } bad[] = {{"choose", ""},    {"choose", "0"},      {"choose", "1;"}, {"choose", "2;x"},
               {"choose", "256"}, {"confirm", "maybe"}, {"shrug", ""}};
    for (const auto &b : bad) {
        std::string why;
        EXPECT_FALSE(queueDialogAnswer(b.command, b.rest, &why)) << b.command << " " << b.rest;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(queuedDialogAnswerCount(), 0u);
}

}  // namespace
