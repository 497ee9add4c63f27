#pragma once
// The headless backend: the platform without a display. The handset is
// the handset picture with the canvas and the four controls drawn over it
// into one image; timers are the headless loop's; dialogs are answered from
// the command script; menus and file choosers are answered from a queue.
#include <string>

#include "shell/platform.h"

const Platform *headlessPlatform();

// The whole handset as a person would see it, as a PNG, every pixel a
// zoom x zoom block; false when there is no skin picture or the file
// cannot be written.
bool writeHandsetPng(const char *path, int zoom);

// Message boxes shown since the last call, one "message CAPTION: TEXT" line
// each (line ends in the text as spaces), oldest first.
std::string takeMessageBoxes();
// The menu's Exit was chosen: the script ends as with quit.
bool headlessQuitRequested();
