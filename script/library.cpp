// CALL_LIB: the one table of library functions, looked up both ways, and
// the argument and result handling they share.
#include "script/library.h"

#include <cstring>

#include "common/int_to_text.h"
#include "common/log.h"

namespace {

constexpr LibraryEntry LIBRARY_TABLE[] = {
    {LIB_LANG, 0, 1, langAbs, "Lang.abs"},
    {LIB_LANG, 1, 2, langMin, "Lang.min"},
    {LIB_LANG, 2, 2, langMax, "Lang.max"},
    {LIB_LANG, 3, 1, langParseInt, "Lang.parseInt"},
    {LIB_LANG, 4, 1, langParseFloat, "Lang.parseFloat"},
    {LIB_LANG, 5, 1, langIsInt, "Lang.isInt"},
    {LIB_LANG, 6, 1, langIsFloat, "Lang.isFloat"},
    {LIB_LANG, 7, 0, langMaxInt, "Lang.maxInt"},
    {LIB_LANG, 8, 0, langMinInt, "Lang.minInt"},
    {LIB_LANG, 9, 0, langFloat, "Lang.float"},
    {LIB_LANG, 10, 1, langExit, "Lang.exit"},
    {LIB_LANG, 11, 1, langAbort, "Lang.abort"},
    {LIB_LANG, 12, 1, langRandom, "Lang.random"},
    {LIB_LANG, 13, 1, langSeed, "Lang.seed"},
    {LIB_LANG, 14, 0, langCharacterSet, "Lang.characterSet"},

    {LIB_FLOAT, 0, 1, floatInvalid, "Float.int"},
    {LIB_FLOAT, 1, 1, floatInvalid, "Float.floor"},
    {LIB_FLOAT, 2, 1, floatInvalid, "Float.ceil"},
    {LIB_FLOAT, 3, 2, floatInvalid, "Float.pow"},
    {LIB_FLOAT, 4, 1, floatInvalid, "Float.round"},
    {LIB_FLOAT, 5, 1, floatInvalid, "Float.sqrt"},
    {LIB_FLOAT, 6, 0, floatInvalid, "Float.maxFloat"},
    {LIB_FLOAT, 7, 0, floatInvalid, "Float.minFloat"},

    {LIB_STRING, 0, 1, stringLength, "String.length"},
    {LIB_STRING, 1, 1, stringIsEmpty, "String.isEmpty"},
    {LIB_STRING, 2, 2, stringCharAt, "String.charAt"},
    {LIB_STRING, 3, 3, stringSubString, "String.subString"},
    {LIB_STRING, 4, 2, stringFind, "String.find"},
    {LIB_STRING, 5, 3, stringReplace, "String.replace"},
    {LIB_STRING, 6, 2, stringElements, "String.elements"},
    {LIB_STRING, 7, 3, stringElementAt, "String.elementAt"},
    {LIB_STRING, 8, 3, stringRemoveAt, "String.removeAt"},
    {LIB_STRING, 9, 4, stringReplaceAt, "String.replaceAt"},
    {LIB_STRING, 10, 4, stringInsertAt, "String.insertAt"},
    {LIB_STRING, 11, 1, stringSqueeze, "String.squeeze"},
    {LIB_STRING, 12, 1, stringTrim, "String.trim"},
    {LIB_STRING, 13, 2, stringCompare, "String.compare"},
    {LIB_STRING, 14, 1, stringToString, "String.toString"},
    {LIB_STRING, 15, 2, stringFormat, "String.format"},

    {LIB_URL, 0, 1, urlIsValid, "URL.isValid"},
    {LIB_URL, 1, 1, urlGetScheme, "URL.getScheme"},
    {LIB_URL, 2, 1, urlGetHost, "URL.getHost"},
    {LIB_URL, 3, 1, urlGetPort, "URL.getPort"},
    {LIB_URL, 4, 1, urlGetPath, "URL.getPath"},
    {LIB_URL, 5, 1, urlGetParameters, "URL.getParameters"},
    {LIB_URL, 6, 1, urlGetQuery, "URL.getQuery"},
    {LIB_URL, 7, 1, urlGetFragment, "URL.getFragment"},
    {LIB_URL, 8, 0, urlGetBase, "URL.getBase"},
    {LIB_URL, 9, 0, urlGetReferer, "URL.getReferer"},
    {LIB_URL, 10, 2, urlResolve, "URL.resolve"},
    {LIB_URL, 11, 1, urlEscapeString, "URL.escapeString"},
    {LIB_URL, 12, 1, urlUnescapeString, "URL.unescapeString"},
    {LIB_URL, 13, 2, urlLoadString, "URL.loadString"},

    {LIB_BROWSER, 0, 1, browserGetVar, "WMLBrowser.getVar"},
    {LIB_BROWSER, 1, 2, browserSetVar, "WMLBrowser.setVar"},
    {LIB_BROWSER, 2, 1, browserGo, "WMLBrowser.go"},
    {LIB_BROWSER, 3, 0, browserPrev, "WMLBrowser.prev"},
    {LIB_BROWSER, 4, 0, browserNewContext, "WMLBrowser.newContext"},
    {LIB_BROWSER, 5, 0, browserGetCurrentCard, "WMLBrowser.getCurrentCard"},
    {LIB_BROWSER, 6, 0, browserRefresh, "WMLBrowser.refresh"},

    {LIB_DIALOGS, 0, 2, dialogsPrompt, "Dialogs.prompt"},
    {LIB_DIALOGS, 1, 3, dialogsConfirm, "Dialogs.confirm"},
    {LIB_DIALOGS, 2, 1, dialogsAlert, "Dialogs.alert"},
};

constexpr bool tableIsSound()
{
    // Within each library the indexes run 0, 1, 2, ... in table order and
    // no function takes more arguments than callLibrary makes room for.
    int library = -1, next = 0;
    for (const LibraryEntry &e : LIBRARY_TABLE) {
        if (e.library != library) {
            library = e.library;
            next = 0;
        }
        if (e.index != next++ || e.argCount < 0 || e.argCount > LIB_MAX_ARGS) {
            return false;
        }
    }
    return true;
}
static_assert(tableIsSound(), "library table out of order");
static_assert(sizeof(LIBRARY_TABLE) / sizeof(LIBRARY_TABLE[0]) == 15 + 8 + 16 + 14 + 7 + 3, "library table size");

}  // namespace

const LibraryEntry *findLibraryFunction(int library, int function)
{
    for (const LibraryEntry &e : LIBRARY_TABLE) {
        if (e.library == library && e.index == function) {
            return &e;
        }
    }
    return nullptr;
}

const LibraryEntry *findLibraryFunctionByName(const char *name)
{
    for (const LibraryEntry &e : LIBRARY_TABLE) {
        if (name && std::strcmp(e.name, name) == 0) {
            return &e;
        }
    }
    return nullptr;
}

bool callLibrary(int library, int function, ScriptFrame *frame, int32_t *error)
{
    *error = SE_OK;
    const LibraryEntry *entry = findLibraryFunction(library, function);
    if (!entry) {
        // Unknown functions end the run as a normal end would.
        Log_printf("Script: no library function %d.%d, ending the run\n", library, function);
        return false;
    }
    ScriptValue args[LIB_MAX_ARGS];
    for (int i = entry->argCount - 1; i >= 0; i--) {
        popOrInvalid(&args[i], frame);
    }
    ScriptValue result;
    makeInvalid(&result);
    int32_t code = entry->function(args, &result);
    for (int i = 0; i < entry->argCount; i++) {
        releaseValue(&args[i]);
    }
    bool pushed = pushValue(&result, frame);
    releaseValue(&result);
    if (code != SE_OK) {
        *error = code;
        return false;
    }
    if (!pushed) {
        *error = SE_OVERFLOW;
        return false;
    }
    return true;
}

bool isInteger(const ScriptValue *value) { return value->type == SV_INTEGER; }

bool isString(const ScriptValue *value) { return value->type == SV_STRING; }

std::string_view libBytes(const ScriptValue *value)
{
    if (value->type != SV_STRING || !value->text || value->length <= 0) {
        return {};
    }
    return {value->text, static_cast<size_t>(value->length)};
}

std::string decimalText(int32_t n)
{
    char buffer[INT_TO_TEXT_MAX];
    int written = intToText(buffer, sizeof buffer, n, 10, 10, 0);
    return written < 0 ? std::string() : std::string(buffer, static_cast<size_t>(written));
}

bool libText(const ScriptValue *value, std::string *text)
{
    if (value->type == SV_INTEGER) {
        *text = decimalText(value->integer);
        return true;
    }
    if (value->type == SV_STRING) {
        *text = libBytes(value);
        return true;
    }
    return false;
}

size_t findText(std::string_view text, std::string_view sub, size_t from)
{
    if (from > text.size() || sub.size() > text.size() - from)
        return std::string_view::npos;
    if (sub.empty())
        return from;
    // string_view::find compares at every offset, which is quadratic for a
    // long sub that almost matches everywhere; memmem does not.
    const void *at = memmem(text.data() + from, text.size() - from, sub.data(), sub.size());
    return at ? static_cast<size_t>(static_cast<const char *>(at) - text.data()) : std::string_view::npos;
}

void WS_setText(ScriptValue *result, std::string_view text)
{
    releaseValue(result);
    if (text.size() > static_cast<size_t>(SCRIPT_MAX_STRING)) {
        makeInvalid(result);
        return;
    }
    makeString(result, text.data(), static_cast<int32_t>(text.size()));
}
