#include <gtest/gtest.h>

#include "browser/context.h"
#include "browser/timer.h"
#include "common/clock.h"

namespace {

uint32_t gNow = 0;  // the replaced clock
uint32_t testClock() { return gNow; }

class CardTimer : public testing::Test {
protected:
    void SetUp() override
    {
        gNow = 1000000;
        setClockSource(testClock);
        clearContext(CLEAR_ALL);
        pushContext("http://h/t.wml", CONTEXT_NEW);
    }
    void TearDown() override
    {
        killTimer();
        clearContext(CLEAR_ALL);
        setClockSource(nullptr);
    }
};

TEST_F(CardTimer, DeadlineInWholeSeconds)
{
    setTimer(25, nullptr);
    EXPECT_EQ(getTimerDeadline(), 1000002u);
    gNow += 1;
    EXPECT_FALSE(timerDue());
    gNow += 1;
    EXPECT_TRUE(timerDue());

    setTimer(5, "");  // under a second: due at the very next poll
    EXPECT_TRUE(timerDue());
    killTimer();
    EXPECT_EQ(getTimerDeadline(), 0u);
    EXPECT_FALSE(timerDue());
}

TEST_F(CardTimer, BoundVariableGivesAndReceivesTheTime)
{
    setContextVal("t", "100");
    killTimer();  // none running: the variable stays
    EXPECT_STREQ(getContextVal("t"), "100");
    setTimer(30, "t");
    EXPECT_EQ(getTimerDeadline(), 1000010u);
    gNow += 4;
    killTimer();
    EXPECT_STREQ(getContextVal("t"), "60");
}

TEST_F(CardTimer, ExpiryStoresZeroOnlyInItsOwnSecond)
{
    setContextVal("t", "20");
    setTimer(0, "t");
    gNow += 2;
    killTimer();
    EXPECT_STREQ(getContextVal("t"), "0");

    setContextVal("t", "20");
    setTimer(0, "t");
    gNow += 5;
    killTimer();
    EXPECT_STREQ(getContextVal("t"), "20");
}

TEST_F(CardTimer, EmptyOrOddVariableValues)
{
    // An empty variable leaves the value in charge and is not written back.
    setContextVal("t", "");
    setTimer(50, "t");
    EXPECT_EQ(getTimerDeadline(), 1000005u);
    killTimer();
    EXPECT_STREQ(getContextVal("t"), "");

    // A timeout of 0, given or read (an expired bound timer, or no
    // digits), starts nothing, and a timer already running is dropped.
    setTimer(50, nullptr);
    for (const char *zero : {"0", "soon"}) {
        setContextVal("t", zero);
        setTimer(50, "t");
        EXPECT_EQ(getTimerDeadline(), 0u) << zero;
    }
    setTimer(0, nullptr);
    EXPECT_FALSE(timerDue());
    killTimer();
    EXPECT_STREQ(getContextVal("t"), "soon");

    // Far beyond 32 bits: a long timer, never one wrapped into the past or to "none".
    setContextVal("t", "99999999999999999999");
    setTimer(0, "t");
    EXPECT_EQ(getTimerDeadline(), 1000000u + 429496729u);
    gNow = 0xFFFFFFF0u;
    setTimer(-1, nullptr);
    EXPECT_EQ(getTimerDeadline(), 0xFFFFFFFFu);
    EXPECT_FALSE(timerDue());
}

} // namespace
