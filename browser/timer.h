#pragma once
// The card timer: one for the whole browser, in whole seconds.
#include <cstdint>

// Starts the timer for value tenths of a second, or for the value of the
// named variable when that is set; a timeout of 0 starts nothing.
void setTimer(int value, const char *variableName);
// Stops it; a bound variable receives the tenths of a second left.
void killTimer();

// When the timer expires, seconds since 1970; 0 when none is running.
uint32_t getTimerDeadline();
// True when a timer is running and its second has come (for B_poll).
bool timerDue();
