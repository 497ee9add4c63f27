#pragma once
// The standard libraries behind CALL_LIB: Lang, String, URL, WMLBrowser and
// Dialogs, numbered as the compiled units number them. Numbers are integers
// only, so every Float (library 1) function gives invalid.
//
// A library function takes its arguments in call order (args[0] is the
// first) and fills *result, which starts out invalid. It never ends the run
// for bad arguments (the result is then invalid); only Lang.exit and
// Lang.abort return a stop code.
#include <cstdint>
#include <string>
#include <string_view>

#include "script/script_value.h"

constexpr int LIB_LANG = 0;
constexpr int LIB_FLOAT = 1;
constexpr int LIB_STRING = 2;
constexpr int LIB_URL = 3;
constexpr int LIB_BROWSER = 4;
constexpr int LIB_DIALOGS = 5;

// The most arguments any library function takes.
constexpr int LIB_MAX_ARGS = 4;

// SE_OK, or SE_EXIT / SE_ABORT to end the run.
using LibraryFunction = int32_t (*)(const ScriptValue *args, ScriptValue *result);

struct LibraryEntry {
    int library;
    int index;
    int argCount;
    LibraryFunction function;
    const char *name;  // "Library.function"
};

// The entry for a CALL_LIB pair, or null when there is none.
const LibraryEntry *findLibraryFunction(int library, int function);
// The entry whose name is "Library.function", or null.
const LibraryEntry *findLibraryFunctionByName(const char *name);

// Carries out a CALL_LIB instruction: pops the arguments (the last on top;
// an empty stack gives invalid), pushes one result. Sets *error to 0 first;
// false ends the run: *error 0 for an unknown library or function, 1 for
// Lang.exit, 2 for Lang.abort, 4108 when the result cannot be
// pushed. exit and abort push their argument back, for runScript to
// discard.
bool callLibrary(int library, int function, ScriptFrame *frame, int32_t *error);

// ---- Helpers shared by the library files (library.cpp) ----

// The text of a value as the libraries read it: a string as it stands, an
// integer's decimal text; false for invalid.
bool libText(const ScriptValue *value, std::string *text);
// The bytes of a string value (empty for any other kind).
std::string_view libBytes(const ScriptValue *value);
bool isInteger(const ScriptValue *value);
bool isString(const ScriptValue *value);
// result becomes a string holding text, or invalid when text is longer than
// SCRIPT_MAX_STRING.
void WS_setText(ScriptValue *result, std::string_view text);
// Decimal text of n, as toText writes it.
std::string decimalText(int32_t n);
// The offset of the first occurrence of sub in text (npos when none),
// without comparing the whole of sub at every offset of text.
size_t findText(std::string_view text, std::string_view sub, size_t from = 0);

// ---- The functions, one file per library ----

// lib_lang.cpp
int32_t langAbs(const ScriptValue *args, ScriptValue *result);
int32_t langMin(const ScriptValue *args, ScriptValue *result);
int32_t langMax(const ScriptValue *args, ScriptValue *result);
int32_t langParseInt(const ScriptValue *args, ScriptValue *result);
int32_t langParseFloat(const ScriptValue *args, ScriptValue *result);
int32_t langIsInt(const ScriptValue *args, ScriptValue *result);
int32_t langIsFloat(const ScriptValue *args, ScriptValue *result);
int32_t langMaxInt(const ScriptValue *args, ScriptValue *result);
int32_t langMinInt(const ScriptValue *args, ScriptValue *result);
int32_t langFloat(const ScriptValue *args, ScriptValue *result);
int32_t langExit(const ScriptValue *args, ScriptValue *result);
int32_t langAbort(const ScriptValue *args, ScriptValue *result);
int32_t langRandom(const ScriptValue *args, ScriptValue *result);
int32_t langSeed(const ScriptValue *args, ScriptValue *result);
int32_t langCharacterSet(const ScriptValue *args, ScriptValue *result);
// Every Float function: its arguments are taken and the result is invalid.
int32_t floatInvalid(const ScriptValue *args, ScriptValue *result);

// lib_string.cpp
int32_t stringLength(const ScriptValue *args, ScriptValue *result);
int32_t stringIsEmpty(const ScriptValue *args, ScriptValue *result);
int32_t stringCharAt(const ScriptValue *args, ScriptValue *result);
int32_t stringSubString(const ScriptValue *args, ScriptValue *result);
int32_t stringFind(const ScriptValue *args, ScriptValue *result);
int32_t stringReplace(const ScriptValue *args, ScriptValue *result);
int32_t stringElements(const ScriptValue *args, ScriptValue *result);
int32_t stringElementAt(const ScriptValue *args, ScriptValue *result);
int32_t stringRemoveAt(const ScriptValue *args, ScriptValue *result);
int32_t stringReplaceAt(const ScriptValue *args, ScriptValue *result);
int32_t stringInsertAt(const ScriptValue *args, ScriptValue *result);
int32_t stringSqueeze(const ScriptValue *args, ScriptValue *result);
int32_t stringTrim(const ScriptValue *args, ScriptValue *result);
int32_t stringCompare(const ScriptValue *args, ScriptValue *result);
int32_t stringToString(const ScriptValue *args, ScriptValue *result);
int32_t stringFormat(const ScriptValue *args, ScriptValue *result);

// lib_url.cpp
int32_t urlIsValid(const ScriptValue *args, ScriptValue *result);
int32_t urlGetScheme(const ScriptValue *args, ScriptValue *result);
int32_t urlGetHost(const ScriptValue *args, ScriptValue *result);
int32_t urlGetPort(const ScriptValue *args, ScriptValue *result);
int32_t urlGetPath(const ScriptValue *args, ScriptValue *result);
int32_t urlGetParameters(const ScriptValue *args, ScriptValue *result);
int32_t urlGetQuery(const ScriptValue *args, ScriptValue *result);
int32_t urlGetFragment(const ScriptValue *args, ScriptValue *result);
int32_t urlGetBase(const ScriptValue *args, ScriptValue *result);
int32_t urlGetReferer(const ScriptValue *args, ScriptValue *result);
int32_t urlResolve(const ScriptValue *args, ScriptValue *result);
int32_t urlEscapeString(const ScriptValue *args, ScriptValue *result);
int32_t urlUnescapeString(const ScriptValue *args, ScriptValue *result);
int32_t urlLoadString(const ScriptValue *args, ScriptValue *result);

// lib_browser.cpp
int32_t browserGetVar(const ScriptValue *args, ScriptValue *result);
int32_t browserSetVar(const ScriptValue *args, ScriptValue *result);
int32_t browserGo(const ScriptValue *args, ScriptValue *result);
int32_t browserPrev(const ScriptValue *args, ScriptValue *result);
int32_t browserNewContext(const ScriptValue *args, ScriptValue *result);
int32_t browserGetCurrentCard(const ScriptValue *args, ScriptValue *result);
int32_t browserRefresh(const ScriptValue *args, ScriptValue *result);

// lib_dialogs.cpp
int32_t dialogsPrompt(const ScriptValue *args, ScriptValue *result);
int32_t dialogsConfirm(const ScriptValue *args, ScriptValue *result);
int32_t dialogsAlert(const ScriptValue *args, ScriptValue *result);
