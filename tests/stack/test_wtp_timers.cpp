// The timer service: order of firing, stopping, and timers started from a
// callback.
#include <gtest/gtest.h>

#include <string>

#include "stack/wtp.h"
#include "stack/wtp_timers.h"
#include "tests/stack/wtp_stand_ins.h"

namespace {

std::string gFired;   // contexts fired, in order

void note(uint32_t context) { gFired += std::to_string(context); }
void startAnother(uint32_t) { startTimer(0, note, 9); }

TEST(Timers, FireByExpiryThenIdentifier)
{
    installStandIns();
    gFired.clear();
    startTimer(5, note, 1);
    uint32_t stopped = startTimer(2, note, 2);
    startTimer(2, note, 3);
    startTimer(2, note, 4);
    startTimer(1, startAnother, 0);
    EXPECT_NE(stopped, 0u);
    stopTimer(stopped);
    stopTimer(0);
    gFakeNow += 1;
    runTimers();
    EXPECT_EQ(gFired, "9");   // started from a callback and already due
    gFakeNow += 3;
    runTimers();
    EXPECT_EQ(gFired, "934");
    EXPECT_EQ(timerCount(), 1u);
    gFakeNow += 1;
    runTimers();
    EXPECT_EQ(gFired, "9341");
    EXPECT_EQ(timerCount(), 0u);
    removeStandIns();
}

}  // namespace
