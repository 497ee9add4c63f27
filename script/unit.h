#pragma once
// The compilation unit loader: turns a call text ("unit URL#name(args)")
// into the unit and function to run, and serves the interpreter constants
// and functions by index. Every read is bounded by the unit's length.
#include <cstdint>

#include "script/script_value.h"

// The unit and function executing now (the interpreter saves and restores
// copies across calls).
struct ScriptUnit {
    char *url;                  // owned: the call text up to "#"
    int32_t codeStart;          // offset of the selected function's first instruction
    int32_t functionIndex;      // the selected function
    int32_t functionSize;       // its code size in bytes
    uint8_t *bytecode;          // the unit's content (owned by the engine)
    uint32_t bytecodeLength;    // its length in bytes
    int32_t constantsAt;        // offset of the first constant entry
    int32_t pragmasAt;          // offset right after the pragma count
    int32_t functionNamesAt;    // offset of the function name table
    int32_t functionsAt;        // offset of the first function
    int32_t argCount;           // arguments of the selected function
    int32_t localCount;         // local variables of the selected function
    int32_t constantCount;      // entries in the constant pool
    int32_t functionNameCount;  // entries in the function name table
    int32_t functionCount;      // functions in the unit
    int32_t codeSize;           // from the header (recorded, not used)
};

// The one process-wide unit record.
extern ScriptUnit gScriptUnit;

// Fetches the unit of the call text from the cache (compiled WMLScript)
// and selects the named function. With arguments it also parses the
// argument list and appends the function's variables (arguments, then
// empty-string locals). Failure codes: 4103 unit not in the cache, no "#"
// or no such function; 4102 bad argument list; 4100 malformed unit. On
// failure the unit holds no content.
bool loadUnit(const char *callText, ScriptUnit *unit, int32_t *error, bool withArguments);
// Decodes constant index into value; false (value untouched) when the
// index is outside the pool.
bool loadConstant(const ScriptUnit *unit, int32_t index, ScriptValue *value);
// Selects functionIndex: fills argCount, localCount, functionSize and
// codeStart; false when there is no such function or it is truncated.
bool locateFunction(ScriptUnit *unit);
// Frees the unit's content (the URL stays).
void WS_releaseUnitContent(ScriptUnit *unit);
// Fetches url's content from the cache into the unit (replacing any held);
// false when it is not there.
bool fetchUnitContent(ScriptUnit *unit, const char *url);
