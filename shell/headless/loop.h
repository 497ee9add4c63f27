#pragma once
// The headless event loop: the tick is poll (0) every 200 ms of the loop's
// clock, the UDP sockets (browsing and push) are watched so that a datagram
// is handled as soon as it arrives, and the stack's indications go straight
// to poll (1). poll is the Browser's B_poll in the program; without one
// (the stack's tests and benchmarks) it is the connection manager's C_poll
// alone.
#include <cstdint>
#include <vector>

#include "cache/cache.h"

constexpr uint32_t LOOP_TICK_MS = 200;

// The virtual clock: time stands still while the loop has work and moves
// one tick at a time when it has none, so timers of minutes run in a
// moment. Clock_nowSeconds () follows it. Off: the wall clock.
void setVirtualClock(bool on);
// The real time the virtual clock waits for datagrams before each 200 ms
// tick: it sets how much faster than the gateway's own timers it runs.
void setVirtualTickWait(int milliseconds);
bool virtualClockOn();
// Milliseconds on the loop's clock (steady, from an arbitrary start).
uint64_t loopNowMs();

// Makes the loop the stack's event handler.
void loopInit();
// What the tick and the indications drive; null: C_poll, whose answers to
// indications are kept for takeLoopResults.
using LoopPoll = void (*)(int fromStack);
void setLoopPoll(LoopPoll poll);
LoopPoll loopPoll();
// What C_poll (1) answered since the last call, oldest first.
std::vector<CacheResult> takeLoopResults();
// Datagrams the loop saw waiting (each handled at once).
uint64_t loopWakeups();

// Runs until done (context) holds or limitMs of the loop's clock have
// passed; whether done held. done may be null (run for the time).
bool runLoop(bool (*done)(void *context), void *context, uint32_t limitMs);
// The tick alone: no watching of the socket (for comparison).
void setSocketWatch(bool on);
