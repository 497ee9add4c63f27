#pragma once
// Start-up and shut-down of the headless program: the parts of the
// browser that exist so far, brought up and down in order.
#include "shell/options.h"

// false (with the reason on standard error) when start-up cannot go on.
bool headlessStartup(const CommandLine &cmd);
void headlessShutdown();
// --zoom for the handset screenshots (1 without one).
int headlessZoom();
