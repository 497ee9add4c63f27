#pragma once
// The desktop backend: the handset as a borderless GTK 3 window on X11,
// shaped by the skin outline, with the canvas, the two soft-key buttons and
// the two drop-down lists placed on it.
#include "shell/options.h"

// false (and nothing shown) when no display can be opened.
bool gtkOpenDisplay(int *argc, char ***argv);
// Runs the program in the window until it closes; the exit status.
int runDesktop(const CommandLine &cmd);
