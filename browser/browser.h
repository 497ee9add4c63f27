#pragma once
// The Browser: navigation from a URL to a laid-out card, back, reload,
// abort, and the poll that drives it all.
#include <cstdint>
#include <string>
#include <vector>

// The retrieval methods (METHOD_GET, METHOD_POST, METHOD_GET_WITH_DATA)
// are the connection manager's; they travel unchanged.
#include "browser/nav_hooks.h"
#include "cache/cache.h"

struct UserPrefs;

// What the Browser is waiting for (gBrowserState). 2 and 3 are not used.
constexpr int32_t BSTATE_IDLE = 1;
constexpr int32_t BSTATE_WAITING_LAYOUT = 4;
constexpr int32_t BSTATE_WAITING_VM = 5;
constexpr int32_t BSTATE_WAITING = 6;

// Most dependency rounds a deck is given after its first check.
constexpr int32_t MAX_DEP_ROUNDS = 10;

// The preferences lent by the display before B_init (the contexts keep
// the reference: the history lives in it).
void setUserPrefs(UserPrefs *prefs);
UserPrefs *getUserPrefs();
// Start-up: the cache, the layout buffers, the interpreter. Shutdown: the
// reverse; the Browser is not consulted afterwards.
void B_init();
void B_shutdown();

// The setvars of the go or prev task whose B_go or B_prev comes next. They
// are set in the context the navigation arrives at, once it arrives (before
// the card is laid out, or the script runs); a navigation that fails or is
// superseded drops them, so a failed task changes no variable.
void B_setTaskVars(std::vector<TaskVar> vars);

// Navigate to url (relative to the current deck) with optional post data.
void B_go(const char *url, const char *postData, int method);
// Back one context.
void B_prev();
// Fetch the current deck again, bypassing the cache.
void B_refresh();
// Lay the current deck out again from the cache.
void refreshLayout();
void B_abort();
// fromStack: 1 when the stack just posted an event, 0 on the 200 ms tick.
void B_poll(int fromStack);

int32_t B_getBrowserState();
// The road navigations took: every state the Browser entered and every
// dependency round ("BSTATE_WAITING", "BSTATE_WAITING_LAYOUT", "round",
// "BSTATE_IDLE", ...), oldest first, since the last call; the record is
// emptied. It keeps the most recent BROWSER_TRAIL_MAX steps.
constexpr size_t BROWSER_TRAIL_MAX = 256;
std::string B_takeBrowserTrail();
