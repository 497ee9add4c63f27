#pragma once
// The visited-URL history: the "History" list text of the preferences,
// in the order first visited, without duplicates.

// 1 when url is in the history (added or already there); 0 for an empty
// url, without preferences, or when the list cannot grow.
int addHistory(const char *url);
void clearHistory();
// Goes to the index-th entry (0-based) with a GET; 0 when there is none.
int historyGo(int index);

// What the history needs from the rest of the program: the navigation
// (B_go) and the menu rebuild after the list changed. Set by the Browser
// and the display at start-up; null hooks are skipped.
void B_setHistoryHooks(void (*go)(const char *url, const char *postData, int method), void (*rebuildMenus)());
