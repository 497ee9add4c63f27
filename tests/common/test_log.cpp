#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/directories.h"
#include "common/log.h"
#include "tests/support/temp_home.h"

namespace {

std::string readLog() { return readBytes(Dir_statePath("wapout.log")); }

class LogTest : public testing::Test {
protected:
    TempDir dir{"log"};
    void SetUp() override { ASSERT_TRUE(Dir_initDirectories(dir.path.c_str())); }
};

}  // namespace

TEST_F(LogTest, ModesRouteToConsoleFileBothOrNeitherAndReopeningStartsAfresh)
{
    Log_open();
    EXPECT_EQ(Log_getMode(), LOG_OFF);
    testing::internal::CaptureStdout();
    Log_str("off\n");
    Log_setMode(LOG_CONSOLE);
    Log_str("console\n");
    Log_setMode(LOG_BOTH);
    Log_str("both\n");
    Log_setMode(LOG_FILE);
    Log_str("Browser: ");
    Log_int(-42);
    Log_printf(" [%05d:%02d] %s %02x\n", 12, 3, "tag", 0xAB);
    Log_str(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "console\nboth\n");
    // Read while the file is still open.
    EXPECT_EQ(readLog(), "both\nBrowser: -42 [00012:03] tag ab\n(null)");
    // Reopening starts a fresh file and turns logging off.
    Log_open();
    Log_str("not written\n");
    EXPECT_EQ(readLog(), "");
    Log_setMode(LOG_FILE);
    Log_str("second run\n");
    EXPECT_EQ(readLog(), "second run\n");
}

TEST_F(LogTest, AMissingStateDirectoryMeansNoLogAndNoCrash)
{
    std::filesystem::remove_all(stateDir());
    Log_open();
    Log_setMode(LOG_BOTH);
    testing::internal::CaptureStdout();
    Log_printf("%s\n", "still running");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "still running\n");
}
