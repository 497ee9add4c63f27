#pragma once
// The display's navigation commands (the skin's back, home, reload and
// stop buttons, the menu's reconnect and disconnect) and its scroll
// buttons, shared by both backends.
#include "prefs/prefs.h"

// The preferences the home command reads; owned by the display.
void displaySetPrefs(const UserPrefs *prefs);

// Back, home and reload do nothing while the cache has a load in progress.
void displayGoPrev();
void displayGoHome();
void displayRefresh();
void displayStop();
void displayReconnect();
void displayDisconnect();

// The scroll buttons' commands.
constexpr int CMD_SCROLL_UP = 1020;
constexpr int CMD_SCROLL_DOWN = 1021;
constexpr int CMD_SCROLL_LEFT = 1022;
constexpr int CMD_SCROLL_RIGHT = 1023;
// One step of a scroll command (10 pixels up or down, 5 left or right,
// never before the origin); false for any other command.
bool displayScrollCommand(int command);
