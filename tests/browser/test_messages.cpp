#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "browser/messages.h"
#include "common/log.h"
#include "tests/browser/stand_ins.h"

namespace {

class Messages : public testing::Test {
protected:
    void SetUp() override
    {
        resetStandIns();
        Log_setMode(LOG_CONSOLE);
    }
};

TEST_F(Messages, CodesWithoutTextShowAndLogNothing)
{
    for (int32_t code : {2002, 2006, 2007, 2009, 2010, 2011, 2601, -4, -6, 0, 7, 10, 227, 234, 1004, 2507, 3001, 3505,
                         3901, 4002, 4107, 4207, 4210, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(errorText(code), nullptr);
        testing::internal::CaptureStdout();
        showError(code);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
    EXPECT_TRUE(gShownDialogs.empty());
}

TEST_F(Messages, SharedTextsAndPrefixes)
{
    EXPECT_STREQ(errorText(230), errorText(9));
    EXPECT_STREQ(errorText(-3), errorText(2503));
    EXPECT_STREQ(errorText(-1), errorText(2504));
    EXPECT_STREQ(errorText(-1), errorText(4109));
    EXPECT_STREQ(errorText(1008), errorText(1009));
    // Every text is an "Error: " except the not-connected one.
    for (int32_t code = -10; code < 4300; code++) {
        const char *text = errorText(code);
        if (text && code != 2508) {
            EXPECT_EQ(std::strncmp(text, "Error: ", 7), 0) << code;
        }
    }
    EXPECT_STREQ(errorText(2508), "You are not connected to the WAP Gateway!  Please connect and try again.");
}

TEST_F(Messages, ErrorAndWarningShareTheErrorDialog)
{
    testing::internal::CaptureStdout();
    showError(8);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Display: showing error message [Error: No response from the WAP Gateway!]\n");
    testing::internal::CaptureStdout();
    showWarning(WARN_NO_OPTIONS);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_EQ(gShownDialogs.size(), 2u);
    EXPECT_EQ(gShownDialogs[0].kind, 3);
    EXPECT_EQ(gShownDialogs[0].title, "Error");
    EXPECT_EQ(gShownDialogs[0].prompt, "Error: No response from the WAP Gateway!");
    EXPECT_EQ(gShownDialogs[1].kind, 3);
    EXPECT_EQ(gShownDialogs[1].title, "Error");
    EXPECT_EQ(gShownDialogs[1].prompt, "There are no options defined!\n");
}

TEST_F(Messages, StatusNewestFirst)
{
    showStatus("Connected to WAP gateway");
    showStatus("Idle");
    EXPECT_EQ(gStatusList, (std::vector<std::string>{"Idle", "Connected to WAP gateway"}));
}

} // namespace
