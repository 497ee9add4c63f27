#pragma once
// Recording stand-ins for what the libraries ask of the Browser, the
// dialogs and the cache, and a way to call a library function by name
// with values pushed the way a compiled call pushes them.
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "script/script_value.h"
#include "tests/script/engine_test_util.h"

// Library tables use the engine tests' values under short names.
using TV = EV;
inline EV I(int32_t n) { return Int(n); }
inline EV S(std::string text) { return Str(std::move(text)); }
inline const EV &INV = Invalid;

struct StandInDialog {
    int kind;
    std::string title;
    std::string prompt;
    std::string buffer;  // the whole buffer up to maxLength + 1 bytes
    int maxLength;
};
struct DialogAnswer {
    int accepted;      // showDialog's result
    const char *text;  // written into a text entry's buffer, or null
};

extern std::map<std::string, std::string> gVars;  // the current context's variables
extern bool gHasContext;                          // false: setContextVal fails
extern std::string gDeckUrl;                      // getURL (0); "" gives null
extern std::vector<std::string> gBrowserCalls;    // "go URL METHOD", "prev", "refresh", "newContext"
extern std::vector<StandInDialog> gDialogs;       // every showDialog
extern std::deque<DialogAnswer> gDialogAnswers;   // none queued: cancelled
extern std::map<std::pair<std::string, uint32_t>, std::string> gCacheEntries;  // (url, type) -> body
void resetLibStandIns();

// Calls "Library.function" with args pushed first to last; the result is
// what was left on the stack. *error and *ended report callLibrary's
// outcome; the stack is checked to hold exactly the one result.
TV callByName(const char *name, const std::vector<TV> &args, int32_t *error = nullptr, bool *ended = nullptr);

// Rows of function, arguments and result; each call must return normally.
struct LibCase {
    const char *function;
    std::vector<TV> args;
    TV expected;
};
void runCases(const std::vector<LibCase> &cases);
