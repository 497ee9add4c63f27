// WMLBrowser: the current deck's variables, navigation and the card's
// layout, through the Browser while the script runs. Navigation starts at
// once; the script goes on running.
#include <string_view>

#include "browser/context.h"
#include "browser/nav_hooks.h"
#include "cache/cache.h"
#include "common/charset.h"
#include "script/library.h"
#include "shell/display.h"

namespace {

// Names beginning with "__" are the Browser's own bookkeeping (post data,
// retrieval method, card name and title); a script may read them but not
// change them.
bool isReservedName(const char *name) { return name[0] == '_' && name[1] == '_'; }

int32_t emptyResult(ScriptValue *result)
{
    WS_setText(result, "");
    return SE_OK;
}

}  // namespace

int32_t browserGetVar(const ScriptValue *args, ScriptValue *result)
{
    if (isString(&args[0])) {
        // Variables hold the deck's charset, scripts UTF-8.
        WS_setText(result,
                   Cs_convertCharset(getContextVal(WS_valueText(&args[0])), D_getDeckCharset(), CHARSET_MIB_UTF8));
    }
    return SE_OK;
}

// 1 when the variable was set; 0 for an empty or reserved name, or when
// the Browser has no context to hold it.
int32_t browserSetVar(const ScriptValue *args, ScriptValue *result)
{
    if (isString(&args[0]) && isString(&args[1])) {
        const char *name = WS_valueText(&args[0]);
        std::string value = Cs_convertCharset(WS_valueText(&args[1]), CHARSET_MIB_UTF8, D_getDeckCharset());
        bool set = *name && !isReservedName(name) && setContextVal(name, value.c_str());
        makeInteger(result, set);
    }
    return SE_OK;
}

// The empty URL goes nowhere: there is no pending navigation to cancel,
// and resolving it would reload the current deck.
int32_t browserGo(const ScriptValue *args, ScriptValue *result)
{
    if (!isString(&args[0])) {
        return SE_OK;
    }
    const char *url = WS_valueText(&args[0]);
    if (*url) {
        gNavHooks.go(url, nullptr, METHOD_GET);
    }
    return emptyResult(result);
}

int32_t browserPrev(const ScriptValue *, ScriptValue *result)
{
    gNavHooks.prev();
    return emptyResult(result);
}

int32_t browserNewContext(const ScriptValue *, ScriptValue *result)
{
    newContext();
    return emptyResult(result);
}

int32_t browserGetCurrentCard(const ScriptValue *, ScriptValue *result)
{
    WS_setText(result, getContextVal("__cardName"));
    return SE_OK;
}

int32_t browserRefresh(const ScriptValue *, ScriptValue *result)
{
    gNavHooks.relayout();
    return emptyResult(result);
}
