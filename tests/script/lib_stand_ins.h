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

// A value written compactly in a test table.
struct TV {
    int32_t type;
    int32_t integer;
    std::string text;
    bool operator==(const TV &) const = default;
};
inline TV I(int32_t n) { return {SV_INTEGER, n, ""}; }
inline TV S(std::string text) { return {SV_STRING, 0, std::move(text)}; }
inline const TV INV{SV_INVALID, 0, ""};
void PrintTo(const TV &value, std::ostream *out);

struct StandInDialog {
    int kind;
    std::string title;
    std::string prompt;
    std::string buffer;  // the whole buffer up to maxLength + 1 bytes
    int maxLength;
};
struct DialogAnswer {
    int accepted;        // showDialog's result
    const char *text;    // written into a text entry's buffer, or null
};

extern std::map<std::string, std::string> gVars;   // the current context's variables
extern bool gHasContext;                            // false: setContextVal fails
extern std::string gDeckUrl;                        // getURL (0); "" gives null
extern std::vector<std::string> gBrowserCalls;      // "go URL METHOD", "prev", "refresh", "newContext"
extern std::vector<StandInDialog> gDialogs;         // every showDialog
extern std::deque<DialogAnswer> gDialogAnswers;     // none queued: cancelled
extern std::map<std::pair<std::string, uint32_t>, std::string> gCacheEntries;  // (url, type) -> body
void resetLibStandIns();

// Calls "Library.function" with args pushed first to last; the result is
// what was left on the stack. *error and *ended report callLibrary's
// outcome; the stack is checked to hold exactly the one result.
TV callByName(const char *name, const std::vector<TV> &args, int32_t *error = nullptr, bool *ended = nullptr);
