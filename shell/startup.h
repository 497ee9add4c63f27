#pragma once
// Start-up and shut-down of the display, shared by both backends: the
// preferences loaded and handed to the Browser, B_init, the first status
// and the push indicator; and in reverse, saved and shut down in order.
#include "shell/options.h"
#include "prefs/prefs.h"

// Command-line values (gateway, port, URL as the home page) hold for this
// run only. loadHome: go to the home page when "Load on startup" is set.
// false (with the reason on standard error) when start-up cannot go on.
bool displayInit(const CommandLine &cmd, bool loadHome);
void displayShutdown();
// The preferences record, owned by the display.
UserPrefs *displayPrefs();
