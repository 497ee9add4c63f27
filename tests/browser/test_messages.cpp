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

// Codes without a text show and log nothing; errors and warnings share the
// error dialog; the status list is newest first.
TEST_F(Messages, ErrorsWarningsAndStatus)
{
    testing::internal::CaptureStdout();
    for (int32_t code : {-6, 0, 2007, 4210, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(errorText(code), nullptr) << code;
        showError(code);
    }
    showError(8);
    showWarning(WARN_NO_OPTIONS);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Display: showing error message [Error: No response from the WAP Gateway!]\n");
    ASSERT_EQ(gShownDialogs.size(), 2u);
    for (const ShownDialog &d : gShownDialogs) {
        EXPECT_EQ(d.kind, 3);
        EXPECT_EQ(d.title, "Error");
    }
    EXPECT_EQ(gShownDialogs[0].prompt, "Error: No response from the WAP Gateway!");
    EXPECT_EQ(gShownDialogs[1].prompt, "There are no options defined!\n");

    showStatus("Connected to WAP gateway");
    showStatus("Idle");
    EXPECT_EQ(gStatusList, (std::vector<std::string>{"Idle", "Connected to WAP gateway"}));
}

} // namespace
