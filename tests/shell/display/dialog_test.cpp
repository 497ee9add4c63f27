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
        setDeckCharset(4);
    }
    void queue(const char *command, const char *rest = "")
    {
        std::string why;
        ASSERT_TRUE(queueDialogAnswer(command, rest, &why)) << why;
    }
};

struct TextRequest {
    char buffer[9] = "init";
    DialogRequest request;
    explicit TextRequest(uint16_t minLength, uint8_t kind = DIALOG_TEXT)
        : request{kind, nullptr, "Name?", buffer, nullptr, minLength, 8, 0}
    {
    }
};

// A row per answer: the deck's charset, the field's minimum length (it
// holds 8 bytes), what is queued, the result and the field afterwards.
TEST_F(DialogTest, TextEntryTakesTheQueuedAnswer)
{
    const struct {
        uint32_t charset;
        uint16_t minLength;
        const char *command, *rest;
        int result;
        const char *buffer;
    } cases[] = {
        {4, 0, "answer", "far too long", 1, "far too "},
        {4, 0, "confirm", "yes", 1, "init"},  // OK with the value shown
        {4, 0, "confirm", "no", 0, "init"},
        {4, 0, "cancel", "", 0, "init"},
        {4, 0, "choose", "1", 0, "init"},     // does not suit: cancelled
        {4, 0, nullptr, nullptr, 0, "init"},  // nothing queued: cancelled
        {4, 3, "answer", "ab", 0, "init"},    // too short: refused with a message
        {106, 3, "answer", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 1, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},  // characters count
        {106, 0, "answer", "abc\xC3\xA9\xC3\xA9\xC3\xA9", 1, "abc\xC3\xA9\xC3\xA9"},  // cut between characters
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command ? std::string(c.command) + " " + c.rest : "none");
        setDeckCharset(c.charset);
        TextRequest t(c.minLength, c.minLength ? DIALOG_TEXT : DIALOG_MASKED_TEXT);
        if (c.command)
            queue(c.command, c.rest);
        EXPECT_EQ(showDialog(&t.request), c.result);
        EXPECT_STREQ(t.buffer, c.buffer);
    }
    EXPECT_EQ(queuedDialogAnswerCount(), 0u);
    std::vector<std::string> lines;
    for (const ShownDialog &d : takeShownDialogs())
        lines.push_back(dialogDumpLine(d));
    const std::vector<std::string> refused = {"dialog text Text Entry: Name?",
                                              "dialog message : Please enter atleast 3 characters"};
    EXPECT_NE(std::search(lines.begin(), lines.end(), refused.begin(), refused.end()), lines.end());
}

struct SelectRequest {
    char options[32];
    uint8_t selected[3];
    DialogRequest request;
    SelectRequest(int32_t multiple, uint8_t s0, uint8_t s1, uint8_t s2)
        : selected{s0, s1, s2}, request{DIALOG_SELECT, "Pick", "Which?", options, selected, 0, 0, multiple}
    {
        std::memcpy(options, "red\0green\0blue\0", 16);
    }
};

TEST_F(DialogTest, SelectSetsOnlyTheChosenOptions)
{
    const struct {
        int32_t multiple;
        uint8_t pre[3];
        const char *command, *rest;
        int result;
        uint8_t out[3];
    } cases[] = {
        {0, {0, 1, 1}, "choose", "3", 1, {0, 0, 1}},
        {0, {0, 1, 1}, "confirm", "yes", 1, {0, 1, 0}},   // single choice: first preselected only
        {1, {1, 0, 1}, "confirm", "yes", 1, {1, 0, 1}},
        {0, {1, 1, 0}, "choose", "1;2", 0, {0, 0, 0}},    // several for a single choice
        {1, {1, 1, 1}, "choose", "4", 0, {0, 0, 0}},      // no such option
        {1, {1, 1, 1}, "cancel", "", 0, {0, 0, 0}},       // cancelling clears every byte
        {0, {1, 0, 0}, "answer", "red", 0, {0, 0, 0}},
    };
    for (const auto &c : cases) {
        SelectRequest s(c.multiple, c.pre[0], c.pre[1], c.pre[2]);
        queue(c.command, c.rest);
        EXPECT_EQ(showDialog(&s.request), c.result) << c.command << " " << c.rest;
        EXPECT_EQ(std::vector<uint8_t>(s.selected, s.selected + 3), std::vector<uint8_t>(c.out, c.out + 3))
            << c.command << " " << c.rest;
    }
}

// Default titles; an unknown kind is cancelled. Answers given through the
// gateway's browse cases are not repeated here.
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
    std::vector<std::string> lines;
    for (const ShownDialog &d : takeShownDialogs())
        lines.push_back(dialogDumpLine(d));
    EXPECT_EQ(lines, (std::vector<std::string>{"dialog information Information: Hello", "dialog confirm Confirm: Sure?",
                                               "dialog confirm Confirm: Sure?", "dialog confirm Confirm: Sure?"}));
}

TEST_F(DialogTest, MalformedAnswersAreNotQueued)
{
    const struct {
        const char *command, *rest;
    } bad[] = {{"choose", ""}, {"choose", "0"}, {"choose", "1;"}, {"choose", "2;x"},
               {"choose", "256"}, {"confirm", "maybe"}, {"shrug", ""}};
    for (const auto &b : bad) {
        std::string why;
        EXPECT_FALSE(queueDialogAnswer(b.command, b.rest, &why)) << b.command << " " << b.rest;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(queuedDialogAnswerCount(), 0u);
}

}  // namespace
