#pragma once
// The window system as one record of operations. A backend fills it in
// (shell/gtk: the desktop; shell/headless: no display, for tests and
// scripts) and start-up checks it; the display logic above it (the skin,
// the main window's input routing, dialogs, preferences) is written once.
// Coordinates are handset pixels (the skin picture's), before any zoom.
#include <string>
#include <vector>

#include "shell/dialog.h"
#include "shell/skin/skin.h"

constexpr int TIMER_POLL = 1;    // on the canvas: B_poll (0)
constexpr int TIMER_REPEAT = 2;  // on the main window: the held button
constexpr int TIMER_POLL_MS = 200;
constexpr int TIMER_REPEAT_MS = 100;

struct MenuEntry {
    int command = 0;   // 0 with empty text: a separator
    std::string text;  // UTF-8
    bool enabled = true;
    bool checked = false;
    std::vector<MenuEntry> submenu;
};

struct Platform {
    const char *name;
    // The main window at the skin picture's size with its outline, the
    // canvas child and the four native controls at the skin's placements.
    bool (*createWindows)(const SkinDefinition *skin);
    // Another skin on the existing windows: size, outline, placements.
    void (*applySkin)(const SkinDefinition *skin);
    void (*showMainWindow)();
    void (*destroyWindows)();
    // The handset picture changed in this rectangle / the canvas changed.
    void (*invalidateHandset)(int x, int y, int width, int height);
    void (*invalidateCanvas)();
    // Soft-key buttons 1007 and 1008; drop-down lists 1009 and 1034
    // (selected: the position shown, -1 none).
    void (*setButtonText)(int id, const std::string &utf8);
    void (*setListEntries)(int id, const std::vector<std::string> &utf8, int selected);
    // The main window's top-left corner on the screen, and moving it.
    void (*getWindowOrigin)(int *screenX, int *screenY);
    void (*moveWindow)(int screenX, int screenY);
    void (*capturePointer)(bool capture);
    void (*startTimer)(int id, int milliseconds);
    void (*stopTimer)(int id);
    // A popup menu at a handset point; the chosen command, 0 for none.
    int (*popupMenu)(const std::vector<MenuEntry> &entries, int x, int y);
    // One modal WML dialog over the canvas (timer 1 is handled by the caller).
    int (*showDialog)(DialogRequest *request);
    void (*messageBox)(const char *caption, const char *text, bool error);
    // A file-open dialog limited to pattern; false when cancelled.
    bool (*chooseFile)(const char *title, const char *filterName, const char *pattern, std::string *path);
    void (*showPrefsWindow)();
    // The Goto URL dialog: an editable list of choices (first pre-selected);
    // false when cancelled.
    bool (*showGotoUrlDialog)(const std::vector<std::string> &choices, std::string *url);
    // The bookmarks and push message dialogs (their lists through shell/menu.h).
    void (*showBookmarksDialog)();
    void (*showPushDialog)();
    // Starts a program without waiting for it.
    bool (*spawn)(const std::vector<std::string> &argv);
    // Runs the main window's command once the current input event is
    // handled (the desktop posts it; without a display it runs at once).
    void (*postCommand)(int command);
    // Ends the event loop.
    void (*quit)();
};

// The record is kept by pointer; false (nothing set) when an operation is
// missing.
bool setPlatform(const Platform *platform);
const Platform &platform();
