#pragma once
// Everything reached outside the card: the popup menu with its history
// submenu, the bookmarks, the Goto URL and push message lists, the about
// box and the connection commands. The lists live in the preferences
// record; the backends only show them.
#include <string>
#include <vector>

#include "shell/platform.h"

// Menu commands.
constexpr int MENU_PREFERENCES = 1;
constexpr int MENU_BOOKMARKS = 2;
constexpr int MENU_ABOUT = 4;
constexpr int MENU_SOURCE = 5;
constexpr int MENU_RECONNECT = 6;
constexpr int MENU_DISCONNECT = 7;
constexpr int MENU_EXIT = 8;
constexpr int MENU_CHANGE_SKIN = 9;
constexpr int MENU_ADD_BOOKMARK = 10;
constexpr int MENU_ONLINE = 11;
constexpr int MENU_PUSH = 12;
constexpr int MENU_CLEAR_HISTORY = 50;
constexpr int MENU_HISTORY_FIRST = 52;
constexpr int MENU_HISTORY_LAST = 199;
constexpr int MENU_DEVICE_NONE = 200;  // the handset profile submenu
constexpr int MENU_DEVICE_FIRST = 201;
constexpr int MENU_DEVICE_LAST = 299;

// The main menu as it stands now (the history submenu from the current
// list; the online entry from the cache's state).
std::vector<MenuEntry> buildMenus();
void runMenuCommand(int command);

// Bookmarks: title and URL pairs, counted from 0.
bool addBookmark(const char *title, const char *url);
bool getBookmark(int index, std::string *title, std::string *url);
bool updateBookmark(int index, const char *title, const char *url);
bool deleteBookmark(int index);
bool gotoBookmark(int index);
int bookmarkCount();

// The history newest first, as the Goto URL dialog lists it.
std::vector<std::string> historyNewestFirst();
// The stored push message URIs, as the push dialog lists them.
std::vector<std::string> pushMessageList();

// The dialogs (refused, with the log line, while a load is in progress for
// Goto URL), shown by the backend.
void showGotoUrlDialog();
void showBookmarksDialog();
void showPushDialog();
void showAbout();
