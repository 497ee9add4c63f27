// The Browser's requests: B_go with its two halves goWML and goScript,
// back, reload and abort, and start-up and shutdown. Each one asks the
// cache and either lays the card out at once (a hit) or leaves the Browser
// waiting for B_poll (navigation_states.cpp).
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/messages.h"
#include "browser/navigation_state.h"
#include "browser/timer.h"
#include "browser/user_events.h"
#include "cache/cache.h"
#include "cache/cache_store.h"
#include "cache/connection.h"
#include "common/log.h"
#include "common/url.h"
#include "script/interpreter.h"
#include "prefs/prefs.h"
#include "wml/layout.h"

namespace {

// The URL operations write into caller buffers; these give them room and
// hand back the text (empty when it did not fit or did not parse).
std::string resolved(const std::string &base, const std::string &reference)
{
    std::vector<char> out(base.size() + reference.size() + 3 + 1);
    resolveUrl(base.c_str(), reference.c_str(), out.data(), out.size());
    return out.data();
}

// Blanks in the query escaped; room for every byte tripled.
std::string escaped(const std::string &url)
{
    std::vector<char> out(url.size() * 3 + 2);
    escapeUrlQuery(url.c_str(), out.data(), out.size());
    return out.data();
}

std::string fragmentOf(const std::string &url)
{
    std::vector<char> out(url.size() + 1);
    getUrlFragment(url.c_str(), out.data(), out.size());
    return out.data();
}

std::string queryOf(const std::string &url)
{
    std::vector<char> out(url.size() + 1);
    getUrlQuery(url.c_str(), out.data(), out.size());
    return out.data();
}

std::string withoutFragment(const std::string &url)
{
    std::vector<char> out(url.begin(), url.end());
    out.push_back(0);
    stripUrlFragment(out.data());
    return out.data();
}

std::string withQuery(const std::string &url, const std::string &query)
{
    std::vector<char> bare(url.begin(), url.end());
    bare.push_back(0);
    stripUrlQuery(bare.data());
    std::vector<char> out(url.size() + query.size() + 3);
    appendUrlQuery(bare.data(), query.c_str(), out.data(), out.size());
    return out.data();
}

// The first byte of "__retievalMethod" (0 when it is missing or empty).
int storedMethod() { return static_cast<uint8_t>(getContextVal("__retievalMethod")[0]); }

// Aborts every request still in progress. The abort indications of these
// requests come back through B_poll while this runs; the caller decides
// what they mean for the contexts, so they pop nothing themselves.
int stopRequests(const char *url)
{
    Log_str("Cache: stopall\n");
    bool wasStopping = gStopping;
    gStopping = true;
    int r = abortRequestingEntries(url, C_abortTid);
    gStopping = wasStopping;
    return r;
}

CacheResult fetchDeck(const std::string &url, int reload, int method, const std::string &postData)
{
    uint32_t type = CT_WMLC;
    CacheResult r{0, 0};
    C_getEx(url.c_str(), &type, nullptr, nullptr, reload, method, postData.c_str(), &r);
    return r;
}

void cacheError(int32_t code, bool pop)
{
    dropArrivalVars();
    showError(code);
    setBrowserState(BSTATE_IDLE);
    Log_str("Browser: cache error, changing state to BSTATE_IDLE\n");
    if (pop)
        popContext();
}

void runCurrentScript()
{
    applyArrivalVars();
    int32_t error = 0;
    if (!runScript(gCurScript.c_str(), gVmWakeup, &error) || error != 0) {
        showError(error);
        Log_printf("Browser: VM returned error condition %d\n", error);
        stopScript();
    }
}

// The setvars of the task that started this navigation, for its arrival;
// origin: the navigation pushed a context over the one it left from.
void expectArrival(std::vector<TaskVar> vars, bool origin)
{
    gArrivalVars = std::move(vars);
    gArrivalDepth = B_contextDepth();
    gArrivalOrigin = origin;
}

void goWML(const std::string &url, const std::string &postData, int method, std::vector<TaskVar> vars)
{
    Log_printf("Browser: goWML %s\n", url.c_str());
    killTimer();
    if (!postData.empty() && (method & METHOD_GET))
        method = METHOD_GET_WITH_DATA;
    std::string target = escaped(url);
    int kind = CONTEXT_NEW;
    bool sameDeck = false;
    const char *top = getURL(0);
    if (!target.empty() && top && postData.empty() && withoutFragment(target) == withoutFragment(top)) {
        Log_str("Browser: same deck!  Copying variables over.\n");
        kind = CONTEXT_COPY;
        sameDeck = true;
    } else if (top && sharedVariables()) {
        // As handsets with one browser context did: only a newcontext clears.
        Log_str("Browser: shared variables!  Copying variables over.\n");
        kind = CONTEXT_COPY;
    }
    pushContext(target.c_str(), kind);
    expectArrival(std::move(vars), true);
    if (!postData.empty() && method == METHOD_POST)
        setContextVal("__postData", postData.c_str());
    if (method & METHOD_GET)
        setContextVal("__postData", queryOf(target).c_str());
    else
        gForceReload = 1;  // POST and GET with data are never answered from the cache
    const char methodText[2] = {static_cast<char>(method), 0};
    setContextVal("__retievalMethod", methodText);
    C_newSession();

    bool cached = false;
    if (sameDeck) {
        Log_str("Browser: same deck, so content should still be in the cache, but let's check if it is in the "
                "cache\n");
        cached = C_cachedLength(target.c_str(), CT_WMLC).code == CRES_HIT;
        if (!cached)
            Log_str("Browser: oops!  Looks like the data is not in the cache, so calling C_getEx() anyway\n");
    }
    // A deck that is not at hand is waited for (or its failure shown) the
    // same way whether or not it is the same deck: laying out a deck that
    // is not in the cache could only fail.
    if (!cached) {
        CacheResult r = fetchDeck(target, gForceReload, method, postData);
        if (r.code == CRES_PENDING) {
            gNavDirection = BEVENT_ONENTERFORWARD;
            setBrowserState(BSTATE_WAITING);
            Log_str("Browser: changing state to BSTATE_WAITING\n");
            return;
        }
        if (r.code != CRES_HIT) {
            cacheError(r.code, true);
            return;
        }
    }
    gNavDirection = BEVENT_ONENTERFORWARD;
    setBrowserState(BSTATE_IDLE);
    Log_str("Browser: changing state to BSTATE_IDLE\n");
    refreshLayout();
}

void goScript(const std::string &url, const std::string &postData, int method, std::vector<TaskVar> vars)
{
    gForceReload = 0;
    expectArrival(std::move(vars), false);
    Log_printf("Browser: goScript %s\n", url.c_str());
    std::string target = escaped(url);
    uint32_t type = CT_WMLSC;
    CacheResult r{0, 0};
    C_getEx(target.c_str(), &type, nullptr, nullptr, 0, method, postData.c_str(), &r);
    gVmWakeup = 0;
    gCurScript = target;
    if (r.code == CRES_HIT) {
        Log_printf("Browser: calling the VM with wakeup %d\n", gVmWakeup);
        runCurrentScript();
    } else if (r.code == CRES_PENDING) {
        setBrowserState(BSTATE_WAITING_VM);
        Log_str("Browser: changing state to BSTATE_WAITING_VM\n");
    } else {
        // A script call pushed no context: popping would drop the deck the
        // user is looking at.
        cacheError(r.code, false);
    }
}

}  // namespace

void setUserPrefs(UserPrefs *prefs) { B_setContextPrefs(prefs); }

UserPrefs *getUserPrefs() { return getContextPrefs(); }

void B_init()
{
    gNavHooks = {B_setTaskVars, B_go, B_prev, B_refresh, refreshLayout};
    killTimer();
    setBrowserState(BSTATE_IDLE);
    gNavDirection = BEVENT_NONE;
    gDepsPending = 0;
    gDepRounds = 0;
    initUrlParser();
    gBrowserUp = true;
    UserPrefs *prefs = getUserPrefs();
    if (!prefs) {
        Log_str("Browser: Init\n");
        return;
    }
    // C_init takes the four capability words from the preferences.
    C_init(prefs);
    if (prefs->lastVersion != P_prefsBuildString())
        C_clearCache();
    if (layoutTablesInit() != 0)
        Log_str("Browser: out of memory for the layout tables\n");
    stopScript();
    Log_str("Browser: Init\n");
}

void B_shutdown()
{
    gBrowserUp = false;
    killTimer();
    W_layoutTablesFree();
    C_shutdown();
    freeUrlParser();
    clearContext(CLEAR_ALL);
    gCurScript.clear();
    gCurScript.shrink_to_fit();
    Log_str("Browser: Shutdown\n");
}

void B_go(const char *url, const char *postData, int method)
{
    // This navigation supersedes any other in progress, and takes the
    // setvars handed over for it.
    std::vector<TaskVar> vars = std::move(gTaskVars);
    gTaskVars.clear();
    dropArrivalVars();
    if (!url) {
        Log_str("Browser: B_go()  Argh! somebody gave me a NULL,ignoring\n");
        return;
    }
    // Copies first: url and postData may live in a context popped below or
    // in the decoder's buffers that the next pass rewrites.
    const std::string reference = url;
    const std::string post = postData ? postData : "";
    Log_printf("Browser: B_go(%s)\n", reference.c_str());
    gForceReload = 0;

    if (!getURL(0)) {
        stopRequests(nullptr);
    } else {
        // A deck that never arrived leaves with its request.
        uint32_t depth = B_contextDepth();
        const std::string top = getURL(0);
        if (stopRequests(top.c_str()) == ABORT_DONE_OWN_URL && B_contextDepth() == depth)
            popContext();
    }

    const char *base = getURL(0);
    std::string target = base ? resolved(base, reference) : reference;
    if (target.empty()) {
        Log_printf("Browser: uh-oh, bad URL (%s)!\n", reference.c_str());
        showError(CRES_BAD_URL);
        return;
    }
    if (fragmentOf(target).find('(') != std::string::npos)
        goScript(target, post, method, std::move(vars));
    else
        goWML(target, post, method, std::move(vars));
    Log_str("Browser: B_go() done\n");
}

void B_prev()
{
    std::vector<TaskVar> vars = std::move(gTaskVars);
    gTaskVars.clear();
    dropArrivalVars();
    Log_str("Browser: prev\n");
    killTimer();
    gForceReload = 0;
    if (B_contextDepth() < 2) {
        Log_str("Browser: ignored! This is the first deck!\n");
        return;
    }
    popContext();
    // The setvars belong to the card gone back to, not to the one left.
    expectArrival(std::move(vars), false);
    C_newSession();
    std::string postData = getContextVal("__postData");
    int method = storedMethod();
    if (method & METHOD_GET)
        postData.clear();
    CacheResult r = fetchDeck(getURL(0), 0, method, postData);
    if (r.code == CRES_HIT) {
        gNavDirection = BEVENT_ONENTERBACKWARD;
        setBrowserState(BSTATE_IDLE);
        Log_str("Browser: changing state to BSTATE_IDLE\n");
        refreshLayout();
    } else if (r.code == CRES_PENDING) {
        gNavDirection = BEVENT_ONENTERBACKWARD;
        setBrowserState(BSTATE_WAITING);
        Log_str("Browser: changing state to BSTATE_WAITING\n");
    } else {
        cacheError(r.code, false);
    }
}

void B_refresh()
{
    gTaskVars.clear();
    dropArrivalVars();
    Log_str("Browser: refresh\n");
    killTimer();
    stopRequests(nullptr);
    gForceReload = 1;
    if (!getURL(0)) {
        Log_str("Browser: uh-oh, gContexts is NULL, changing state to BSTATE_IDLE\n");
        setBrowserState(BSTATE_IDLE);
        return;
    }
    int method = storedMethod();
    const std::string postData = getContextVal("__postData");
    const std::string top = getURL(0);
    const std::string url = (method & METHOD_GET) ? withQuery(top, postData) : top;
    CacheResult r = fetchDeck(url, 1, method, postData);
    if (r.code == CRES_HIT || r.code == CRES_PENDING) {
        setBrowserState(BSTATE_WAITING);
        Log_str("Browser: changing state to BSTATE_WAITING\n");
    } else {
        cacheError(r.code, false);
    }
}

void B_abort()
{
    dropArrivalVars();
    Log_str("Browser: abort\n");
    Log_str("Browser: changing state to BSTATE_IDLE\n");
    setBrowserState(BSTATE_IDLE);
    // C_abort pops the deck whose request it stopped; the aborts it
    // causes must not pop another.
    bool wasStopping = gStopping;
    gStopping = true;
    C_abort();
    gStopping = wasStopping;
}

// The interpreter once the script has arrived (BSTATE_WAITING_VM).
void runWaitingScript()
{
    Log_printf("Browser: calling the VM with wakeup %d\n", gVmWakeup);
    Log_printf("Browser: gCurScript %s\n", gCurScript.c_str());
    runCurrentScript();
}
