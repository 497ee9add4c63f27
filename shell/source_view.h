#pragma once
// The WML source view: the current deck turned back into WML text
// (Decompile) in wmlsource.txt in the state directory, opened in the
// desktop's viewer without waiting for it.
#include <string>

// Writes the source of the current deck to path. False, with why, when
// there is no current deck or the file cannot be written; otherwise true
// with Decompile's result in *result (0; 64: the text is incomplete; -2:
// the deck is no longer cached and the file is empty).
bool writeWmlSource(const char *path, int *result, std::string *why);

// The menu command. Does nothing without a current deck. Writes
// wmlsource.txt in the state directory (a file that cannot be written is
// skipped and the viewer opens what it holds) and starts the viewer with
// startSourceViewer. Without a display (the headless backend) no viewer is
// started: the line "source PATH RESULT" is printed instead, as the
// headless source command prints it. Every failure is one status line.
// False when nothing was shown.
bool showWmlSource();

// Starts the desktop's viewer on path and does not wait for it: xdg-open,
// else $VISUAL or $EDITOR run in x-terminal-emulator. Its exit is collected
// on SIGCHLD, so no zombie stays. False when none could be started.
bool startSourceViewer(const char *path);
// Viewers started and not yet collected.
int runningSourceViewers();
