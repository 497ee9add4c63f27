#include "browser/timer.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "browser/context.h"
#include "common/clock.h"
#include "common/log.h"

static uint32_t gTimerDeadline = 0;  // seconds since 1970 when the timer expires; 0: none running
static std::string gTimerVar;        // variable that receives the time left; empty: none

// A variable's text read as a decimal count of tenths: the leading digits,
// saturating instead of wrapping, so a huge value makes a long timer.
static uint32_t tenthsFromText(const char *text)
{
    uint64_t n = 0;
    for (const char *p = text; *p >= '0' && *p <= '9'; p++)
        n = std::min<uint64_t>(n * 10 + static_cast<uint64_t>(*p - '0'), UINT32_MAX);
    return static_cast<uint32_t>(n);
}

// now + tenths / 10, kept within 32 bits and off 0, which means "no timer".
static uint32_t deadlineAfter(uint32_t tenths)
{
    uint64_t deadline = static_cast<uint64_t>(Clock_nowSeconds()) + tenths / 10;
    return static_cast<uint32_t>(std::clamp<uint64_t>(deadline, 1, UINT32_MAX));
}

void setTimer(int value, const char *variableName)
{
    Log_printf("Browser: Setting Timer (value=%d)\n", value);
    gTimerVar.clear();
    uint32_t tenths = static_cast<uint32_t>(value);
    if (variableName && *variableName) {
        const char *stored = getContextVal(variableName);
        if (*stored) {
            gTimerVar = variableName;
            tenths = tenthsFromText(stored);
        }
    }
    // A timeout of 0 disables the timer: an expired bound timer holds 0,
    // and coming back to its card must not fire it again at once.
    if (tenths == 0) {
        gTimerDeadline = 0;
        gTimerVar.clear();
        return;
    }
    gTimerDeadline = deadlineAfter(tenths);
}

void killTimer()
{
    Log_str("Browser: KillTimer\n");
    if (gTimerDeadline && !gTimerVar.empty() && *getContextVal(gTimerVar.c_str())) {
        int64_t remaining = static_cast<int64_t>(gTimerDeadline) - static_cast<int64_t>(Clock_nowSeconds());
        if (remaining >= 0) {
            char text[24];
            std::snprintf(text, sizeof text, "%lld", static_cast<long long>(remaining * 10));
            setContextVal(gTimerVar.c_str(), text);
        }
    }
    gTimerDeadline = 0;
    gTimerVar.clear();
}

uint32_t getTimerDeadline() { return gTimerDeadline; }

bool timerDue() { return gTimerDeadline != 0 && gTimerDeadline <= Clock_nowSeconds(); }
