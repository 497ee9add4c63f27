#include "shell/headless/loop.h"

#include <poll.h>

#include <chrono>

#include "common/clock.h"
#include "stack/session.h"
#include "stack/udp_transport.h"

namespace {

// With the virtual clock, how long to wait for the gateway in real time
// before the clock moves on by a tick (setVirtualTickWait changes it).
constexpr int kVirtualWaitMs = 3;
// Datagrams handled before the virtual clock moves on regardless.
constexpr int kMaxBurst = 64;
// Where the virtual clock starts (seconds since 1970): a fixed day, so
// runs repeat.
constexpr uint64_t kVirtualEpochMs = 1700000000ull * 1000;

bool gVirtual = false;                  // the virtual clock is in use
int gVirtualWaitMs = kVirtualWaitMs;    // real wait per virtual tick
uint64_t gVirtualMs = kVirtualEpochMs;  // its time
bool gWatchSocket = true;               // wake for datagrams, not only for ticks
std::vector<CacheResult> gResults;      // C_poll (1) answers not yet taken
uint64_t gWakeups = 0;                  // datagrams that woke the loop
LoopPoll gPoll = nullptr;               // what drives the Browser; null: C_poll

uint32_t virtualSeconds() { return static_cast<uint32_t>(gVirtualMs / 1000); }

void onSessionEvent()
{
    if (gPoll) {
        gPoll(1);
        return;
    }
    CacheResult r{0, 0};
    C_poll(1, &r);
    gResults.push_back(r);
}

void tick()
{
    if (gPoll) {
        gPoll(0);
        return;
    }
    CacheResult r{0, 0};
    C_poll(0, &r);
}

// Whether a datagram is waiting on the browsing socket or the push
// listener, after at most waitMs. A closed socket is given as -1, which
// poll passes over.
bool socketReadable(int waitMs)
{
    pollfd p[2] = {{gWatchSocket ? S_transportFd() : -1, POLLIN, 0},
                   {gWatchSocket ? S_pushListenerFd() : -1, POLLIN, 0}};
    int n = poll(p, 2, waitMs);
    return n > 0 && ((p[0].revents & POLLIN) || (p[1].revents & POLLIN));
}

}  // namespace

void setVirtualClock(bool on)
{
    gVirtual = on;
    Clock_setClockSource(on ? virtualSeconds : nullptr);
}

bool virtualClockOn() { return gVirtual; }

void setVirtualTickWait(int milliseconds) { gVirtualWaitMs = milliseconds > 0 ? milliseconds : kVirtualWaitMs; }

uint64_t loopNowMs()
{
    if (gVirtual)
        return gVirtualMs;
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void loopInit() { S_setSessionEventHandler(onSessionEvent); }

void setLoopPoll(LoopPoll poll) { gPoll = poll; }

LoopPoll loopPoll() { return gPoll; }

std::vector<CacheResult> takeLoopResults()
{
    std::vector<CacheResult> out;
    out.swap(gResults);
    return out;
}

uint64_t loopWakeups() { return gWakeups; }

void setSocketWatch(bool on) { gWatchSocket = on; }

bool runLoop(bool (*done)(void *context), void *context, uint32_t limitMs)
{
    uint64_t start = loopNowMs();
    uint64_t nextTick = start + LOOP_TICK_MS;
    int burst = 0;  // datagrams handled since the clock last moved
    for (;;) {
        if (done && done(context))
            return true;
        uint64_t now = loopNowMs();
        if (now - start >= limitMs)
            return false;
        if (now >= nextTick) {
            tick();
            nextTick += LOOP_TICK_MS;
            continue;
        }
        int wait = gVirtual ? gVirtualWaitMs : static_cast<int>(nextTick - now);
        // A flood of datagrams must not stop the virtual clock.
        if (socketReadable(wait) && !(gVirtual && burst >= kMaxBurst)) {
            gWakeups++;
            burst++;
            tick();
        } else if (gVirtual) {
            gVirtualMs = nextTick;
            burst = 0;
        }
    }
}
