#include <gtest/gtest.h>

#include "browser/context.h"
#include "browser/timer.h"
#include "common/clock.h"

namespace {

uint32_t gNow = 0;  // the replaced clock
uint32_t testClock() { return gNow; }

TEST(CardTimer, DueInWholeSecondsAndBoundVariables)
{
    gNow = 1000000;
    Clock_setClockSource(testClock);
    setTimer(25, nullptr);
    gNow += 1;
    EXPECT_FALSE(timerDue());
    gNow += 1;
    EXPECT_TRUE(timerDue());
    setTimer(5, "");  // under a second: due at the very next poll
    EXPECT_TRUE(timerDue());
    setTimer(0, nullptr);  // a timeout of 0 drops the running timer
    EXPECT_FALSE(timerDue());
    gNow = 0xFFFFFFF0u;  // never wrapped into the past or to "none"
    setTimer(-1, nullptr);
    EXPECT_EQ(getTimerDeadline(), 0xFFFFFFFFu);
    EXPECT_FALSE(timerDue());
    killTimer();

    // A bound variable gives the time (an empty one leaves the value in
    // charge) and, when the timer is killed, receives what was left: 0 only
    // in the timer's own second.
    struct Row {
        const char *value;  // of t; null: not bound
        int32_t tenths;
        uint32_t seconds;   // until the deadline; 0: none started
        uint32_t passed;    // before the kill
        const char *after;  // t after the kill
    };
    // clang-format off
    const Row rows[] = {
        {nullptr, 25, 2, 0, "x"},
        {"100", 30, 10, 4, "60"},
        {"20", 0, 2, 2, "0"},
        {"20", 0, 2, 5, "20"},
        {"", 50, 5, 0, ""},
        {"0", 50, 0, 0, "0"},
        {"soon", 50, 0, 0, "soon"},  // no digits
        {"99999999999999999999", 0, 429496729, 0, nullptr},  // beyond 32 bits: a long timer
    };
    // clang-format on
    pushContext("http://h/t.wml", CONTEXT_NEW);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.value ? row.value : "(unbound)");
        gNow = 1000000;
        setContextVal("t", row.value ? row.value : "x");
        setTimer(row.tenths, row.value ? "t" : nullptr);
        EXPECT_EQ(getTimerDeadline(), row.seconds ? 1000000u + row.seconds : 0u);
        gNow += row.passed;
        killTimer();
        if (row.after) {
            EXPECT_STREQ(getContextVal("t"), row.after);
        }
    }
    clearContext(CLEAR_ALL);
    Clock_setClockSource(nullptr);
}

}  // namespace
