#pragma once
// The script engine's data: the value every instruction and library
// function consumes and produces, its conversions, and the three run-time
// stores (variables, operand stack, call frames).
//
// Ownership: a ScriptValue with type SV_STRING owns its text (length bytes
// plus a zero byte; null for the empty string). pushValue and storeVariable
// copy; popValue and loadVariable hand the caller a value it releases.
#include <cstddef>
#include <cstdint>

// Value kinds. 2 is not used: there is no float and no separate boolean.
constexpr int32_t SV_INTEGER = 1;
constexpr int32_t SV_STRING = 3;
constexpr int32_t SV_INVALID = 4;

// The longest string value, in bytes; a longer one, from an operator, a
// library function, a constant or an argument, is invalid. Nothing longer
// can reach the user or the network: a card's layout and event tables hold
// 4096 bytes each and a data unit of the session is 1500 by default, and a
// handset of the time kept a whole compiled deck to a few kilobytes. Four
// times the layout table leaves room for escaping (three bytes a
// character) and a script's scratch text.
constexpr int32_t SCRIPT_MAX_STRING = 16384;

struct ScriptValue {
    int32_t type;     // SV_INTEGER, SV_STRING or SV_INVALID
    int32_t length;   // a string's length in bytes
    int32_t integer;  // an integer's value
    char *text;       // a string's owned text (zero-terminated), null when empty
};

// The current execution position.
struct ScriptFrame {
    int32_t pc;          // offset of the next instruction from codeStart
    int32_t varBase;     // variable number of the current function's variable 0
    int32_t frameDepth;  // entries in the call frame stack
    int32_t stackDepth;  // entries in the operand stack
};

// Error codes of the engine (texts in the Browser's message table).
constexpr int32_t SE_OK = 0;
constexpr int32_t SE_EXIT = 1;   // Lang.exit: the run ends, no message
constexpr int32_t SE_ABORT = 2;  // Lang.abort: the run ends, no message
constexpr int32_t SE_OPERAND = 4000;
constexpr int32_t SE_OPCODE = 4001;
constexpr int32_t SE_NO_URL = 4003;
constexpr int32_t SE_VERIFY = 4100;
constexpr int32_t SE_LIBRARY = 4101;
constexpr int32_t SE_ARGUMENTS = 4102;
constexpr int32_t SE_NO_FUNCTION = 4103;
constexpr int32_t SE_NO_UNIT = 4104;
constexpr int32_t SE_ACCESS = 4105;
constexpr int32_t SE_UNDERFLOW = 4106;
constexpr int32_t SE_OVERFLOW = 4108;
constexpr int32_t SE_MEMORY = 4109;
constexpr int32_t SE_DIVIDE_BY_ZERO = 4200;
constexpr int32_t SE_INTEGER_OVERFLOW = 4201;

// ---- Values (values.cpp) ----

// Text bytes copied or allocated since the last reset: every string made
// and every string value serialised into a store, and what the stores and
// the loader copy besides. The interpreter's budget of work reads it.
extern uint64_t gScriptBytes;
// A read from the cache opens a file however short the content is: it
// counts as at least this many bytes.
constexpr uint32_t SCRIPT_FETCH_BYTES = 4096;

// Constructors: the value is overwritten, not released first.
void makeInteger(ScriptValue *value, int32_t n);
void makeInvalid(ScriptValue *value);
// A string holding a copy of length bytes (length 0 gives the empty
// string); invalid when length is above SCRIPT_MAX_STRING.
void makeString(ScriptValue *value, const char *bytes, int32_t length);
void makeStringZ(ScriptValue *value, const char *text);
// A deep copy of source into target (overwritten).
void copyValue(ScriptValue *target, const ScriptValue *source);
// Frees a string's text and sets it to null; other kinds need nothing.
void releaseValue(ScriptValue *value);
// The text of a string value, never null ("" for the empty string).
const char *WS_valueText(const ScriptValue *value);

// The serialised form the stores hold: integer = type(4) value(4); string =
// type(4) length(4) bytes (no terminator); invalid = type(4). Host byte
// order. serializeValue returns a malloc block of *size bytes.
void serializeValue(const ScriptValue *value, uint8_t **block, uint32_t *size);
// Decodes a block of size bytes; false (value untouched) when it is not a
// well-formed serialised value.
bool deserializeValue(ScriptValue *value, const uint8_t *block, uint32_t size);

// An integer becomes the string of its decimal text; a string stays; false
// (value unchanged) for any other kind.
bool toText(ScriptValue *value);
// Truth for the conditional jumps: integer not 0; "true" true, "false"
// false, other strings non-empty; invalid false.
bool toCondition(const ScriptValue *value);
// Truth for the logical operators, for integers and strings: "true" and
// "false" as such, other strings read as a decimal number.
bool logicalTruth(const ScriptValue *value);
// Decimal reading: leading white space, one sign, digits up to the first
// non-digit, wrapping; no digits give 0.
int32_t readDecimal(const char *text, size_t length);
// The number for increment and decrement: an integer as is, "true" 1,
// "false" 0; false for anything else (the result is then invalid).
bool toIncrementNumber(const ScriptValue *value, int32_t *number);
// Byte-wise comparison of two strings (bytes unsigned, up to the first zero
// byte): negative, 0 or positive.
int compareStrings(const ScriptValue *a, const ScriptValue *b);

// ---- Stores (stores.cpp) ----

// Copies value onto the operand stack at frame->stackDepth and increments it.
// False (nothing pushed) when the stack is at its limit.
bool pushValue(const ScriptValue *value, ScriptFrame *frame);
// Takes the top of the operand stack into value (the caller owns it); false
// with value untouched when the stack is empty.
bool popValue(ScriptValue *value, ScriptFrame *frame);
// Like popValue, but an empty stack gives invalid and false.
bool popOrInvalid(ScriptValue *value, ScriptFrame *frame);
// Copies value into variable number (replacing it); -1 appends.
void storeVariable(const ScriptValue *value, int32_t number);
// Copies variable number into value; a missing variable gives invalid and
// false.
bool loadVariable(int32_t number, ScriptValue *value);
// Removes every entry whose key is from or above.
void truncateVariables(uint32_t from);
void truncateStack(uint32_t from);
void truncateFrames(uint32_t from);
uint32_t variableCount();
uint32_t stackCount();
uint32_t frameCount();
// The call frame stack holds opaque saved-caller blocks (the interpreter's).
void pushFrame(const uint8_t *block, uint32_t size);
// The top block (malloc, the caller frees) and its size; false when empty.
bool popFrame(uint8_t **block, uint32_t *size);

// Limits that keep a runaway script from exhausting memory.
constexpr uint32_t SCRIPT_MAX_STACK = 65536;      // operand stack entries
constexpr uint32_t SCRIPT_MAX_VARIABLES = 65536;  // variable list entries
constexpr uint32_t SCRIPT_MAX_FRAMES = 1024;      // nested local calls

// ---- The standard libraries (library.cpp) ----

// Carries out a CALL_LIB instruction: pops the arguments (the last on top),
// pushes one result. Sets *error to 0 first; false ends the run (*error 0
// for an unknown library or function, 1 for exit, 2 for abort).
bool callLibrary(int library, int function, ScriptFrame *frame, int32_t *error);
