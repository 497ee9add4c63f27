#pragma once
// The card timer: one for the whole browser, in whole seconds.

// Starts the timer for value tenths of a second, or for the value of the
// named variable when that is set.
void setTimer(int value, const char *variableName);
void killTimer();
