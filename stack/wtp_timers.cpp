// The timer service: entries ordered by expiry, then identifier. Few
// timers run at once (one per transaction), so a vector searched for the
// earliest is enough.
#include "stack/wtp_timers.h"

#include <algorithm>
#include <vector>

#include "common/clock.h"
#include "stack/wtp.h"

namespace {

struct TimerEntry {
    uint32_t identifier;
    uint32_t expiry;  // seconds since 1970
    TimerCallback callback;
    uint32_t context;
};

std::vector<TimerEntry> gTimers;  // running timers, in no order
uint32_t gNextTimerId = 1;        // identifier of the next timer; never 0

bool earlier(const TimerEntry &a, const TimerEntry &b)
{
    return a.expiry != b.expiry ? a.expiry < b.expiry : a.identifier < b.identifier;
}

}  // namespace

uint32_t startTimer(uint32_t seconds, TimerCallback callback, uint32_t context)
{
    uint32_t identifier = gNextTimerId;
    gNextTimerId = gNextTimerId == UINT32_MAX ? 1 : gNextTimerId + 1;
    gTimers.push_back({identifier, Clock_nowSeconds() + seconds, callback, context});
    return identifier;
}

void stopTimer(uint32_t identifier)
{
    std::erase_if(gTimers, [identifier](const TimerEntry &t) { return t.identifier == identifier; });
}

void clearTimers() { gTimers.clear(); }

uint32_t timerCount() { return static_cast<uint32_t>(gTimers.size()); }

void runTimers()
{
    // A callback may start, stop or fire timers (through upcalls that run
    // the stack again), so the earliest is looked for afresh every time and
    // removed before its callback runs.
    for (;;) {
        auto first = std::min_element(gTimers.begin(), gTimers.end(), earlier);
        if (first == gTimers.end() || first->expiry > Clock_nowSeconds())
            return;
        TimerEntry due = *first;
        gTimers.erase(first);
        due.callback(due.context);
    }
}
