#pragma once
// The stack's timer service: one-second resolution on Clock_nowSeconds(), which
// tests replace to run retransmissions and time-outs in milliseconds.
#include <cstdint>

typedef void (*TimerCallback)(uint32_t context);

// Fires callback(context) from runTimers once seconds have passed. Returns
// the timer's identifier, never 0.
uint32_t startTimer(uint32_t seconds, TimerCallback callback, uint32_t context);
// Cancels the timer; an identifier that is not running (0 included) is
// ignored.
void stopTimer(uint32_t identifier);
// Drops every timer (for resetWtp).
void clearTimers();
// Timers running (for tests).
uint32_t timerCount();
