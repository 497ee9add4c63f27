#include "browser/context.h"

#include <cstring>
#include <forward_list>
#include <string>

#include "browser/history.h"
#include "common/log.h"
#include "prefs/prefs.h"

namespace {

struct ContextVar {
    std::string name;
    std::string value;
};

// One deck visited: its escaped URL (fragment included) and its variables,
// newest first.
struct BrowserContext {
    std::string url;
    std::forward_list<ContextVar> variables;
};

bool isReserved(const std::string &name) { return name.size() >= 2 && name[0] == '_' && name[1] == '_'; }

const char kEmpty[] = "";

}  // namespace

static std::forward_list<BrowserContext> gContexts;  // the stack, top first; node addresses stay put
static uint32_t gContextDepth = 0;                   // number of contexts on the stack
static UserPrefs *gPrefs = nullptr;                  // lent by the display; holds the history

static ContextVar *findVar(BrowserContext &context, const char *name)
{
    for (ContextVar &var : context.variables)
        if (var.name == name)
            return &var;
    return nullptr;
}

int pushContext(const char *url, int kind)
{
    if (!url)
        url = kEmpty;
    Log_printf("Browser: push context %s\n", url);
    // Built aside first: url may be the current top's own text.
    BrowserContext context;
    context.url = url;
    if (kind == CONTEXT_COPY && !gContexts.empty())
        for (const ContextVar &var : gContexts.front().variables)
            context.variables.push_front(var);
    gContexts.push_front(std::move(context));
    gContextDepth++;
    setCardInfo(kEmpty, kEmpty);
    return addHistory(gContexts.front().url.c_str());
}

void popContext()
{
    Log_str("Browser: in popContext()\n");
    if (gContexts.empty())
        return;
    Log_str("Browser: pop context - ");
    Log_str(gContexts.front().url.c_str());
    Log_str("\n");
    gContexts.pop_front();
    gContextDepth--;
}

const char *getURL(int index)
{
    if (index >= 0) {
        int i = 0;
        for (const BrowserContext &context : gContexts) {
            if (i++ == index) {
                Log_str("Browser: getURL - ");
                Log_str(context.url.c_str());
                Log_str("\n");
                return context.url.c_str();
            }
        }
    }
    Log_printf("Browser: getURL invalid index %d\n", index);
    return nullptr;
}

// The context index steps below the top, or null.
static BrowserContext *contextAt(int index)
{
    int i = 0;
    for (BrowserContext &context : gContexts)
        if (i++ == index)
            return &context;
    return nullptr;
}

int setContextVal(const char *name, const char *value) { return setContextValAt(0, name, value); }

int setContextValAt(int index, const char *name, const char *value)
{
    BrowserContext *context = index >= 0 ? contextAt(index) : nullptr;
    if (!context || !name) {
        Log_str("Browser: setContextVal failed!\n");
        return 0;
    }
    if (!value)
        value = kEmpty;
    BrowserContext &top = *context;
    const char *how = "existing";
    if (ContextVar *var = findVar(top, name)) {
        var->value = value;
    } else {
        top.variables.push_front(ContextVar{name, value});
        how = "new";
    }
    Log_printf("Browser: setContextVal (%s) - ", how);
    Log_str(name);
    Log_str(",");
    Log_str(value);
    Log_str("\n");
    return 1;
}

const char *getContextVal(const char *name)
{
    Log_str("Browser: in getContextVal - ");
    Log_str(name ? name : kEmpty);
    ContextVar *var = gContexts.empty() || !name ? nullptr : findVar(gContexts.front(), name);
    if (!var) {
        Log_str(" failed!\n");
        return kEmpty;
    }
    Log_str(",");
    Log_str(var->value.c_str());
    Log_str("\n");
    return var->value.c_str();
}

int hasContextVal(const char *name) { return !gContexts.empty() && name && findVar(gContexts.front(), name) ? 1 : 0; }

void clearContext(int mode)
{
    Log_str("Browser: clear context\n");
    if (mode == CLEAR_USER_VARS && !gContexts.empty()) {
        for (BrowserContext &context : gContexts) {
            context.variables.remove_if([](const ContextVar &var) {
                if (isReserved(var.name))
                    return false;
                Log_printf("Browser: clear variable %s\n", var.name.c_str());
                return true;
            });
        }
        return;
    }
    bool keepCurrent = mode == CLEAR_KEEP_CURRENT && !gContexts.empty();
    BrowserContext kept;
    if (keepCurrent) {
        kept.url = gContexts.front().url;
        for (const ContextVar &var : gContexts.front().variables)
            if (isReserved(var.name))
                kept.variables.push_front(var);
    }
    while (!gContexts.empty())
        popContext();
    gContextDepth = 0;
    if (keepCurrent) {
        gContexts.push_front(std::move(kept));
        gContextDepth = 1;
    }
}

uint32_t B_contextDepth() { return gContextDepth; }

void newContext()
{
    // The flag asks for the earlier decks to go as well, not just the variables.
    bool dropDecks = gPrefs && (gPrefs->flags & PREF_NEWCONTEXT_HISTORY);
    clearContext(dropDecks ? CLEAR_KEEP_CURRENT : CLEAR_USER_VARS);
}

void setCardInfo(const char *name, const char *title)
{
    setContextVal("__cardName", name ? name : kEmpty);
    setContextVal("__cardTitle", title ? title : kEmpty);
}

const char *getCardName() { return getContextVal("__cardName"); }

const char *getCardTitle() { return getContextVal("__cardTitle"); }

void B_setContextPrefs(UserPrefs *prefs) { gPrefs = prefs; }

UserPrefs *getContextPrefs() { return gPrefs; }

bool sharedVariables() { return gPrefs && (gPrefs->flags & PREF_SHARED_VARIABLES); }
