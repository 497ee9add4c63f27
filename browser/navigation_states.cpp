// The Browser's poll and the states it advances through: waiting for a
// deck, for its dependencies, for a script, and laying the card out.
#include <deque>
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
#include "common/log.h"
#include "shell/display.h"
#include "stack/session.h"
#include "wml/layout.h"
#include "wml/loaddep.h"

int32_t gBrowserState = BSTATE_IDLE;
int32_t gNavDirection = BEVENT_NONE;
int32_t gForceReload = 0;
std::string gCurScript;
int32_t gVmWakeup = 0;
uint8_t gDepsPending = 0;
int32_t gDepRounds = 0;
bool gStopping = false;
static bool gScriptFetchFailed = false;  // the failing fetch was a script unit: pop nothing
bool gBrowserUp = false;
std::vector<TaskVar> gTaskVars;
std::vector<TaskVar> gArrivalVars;
uint32_t gArrivalDepth = 0;
bool gArrivalOrigin = false;

namespace {

std::deque<std::string> gTrail;  // the road taken since the last B_takeBrowserTrail

constexpr int32_t kAccessRefused = -5;
constexpr int32_t kTooManyDependencies = 3902;
constexpr int32_t kDepsPendingBit = 128;
constexpr int32_t kOlderBit = 1;
constexpr int32_t kNewerBit = 2;

const char *stateName(int32_t state)
{
    switch (state) {
    case BSTATE_IDLE: return "BSTATE_IDLE";
    case BSTATE_WAITING_LAYOUT: return "BSTATE_WAITING_LAYOUT";
    case BSTATE_WAITING_VM: return "BSTATE_WAITING_VM";
    case BSTATE_WAITING: return "BSTATE_WAITING";
    default: return "BSTATE_UNKNOWN";
    }
}

void versionWarning(int32_t r)
{
    if (r & kOlderBit)
        showWarning(WARN_WML_OLDER);
    else if (r & kNewerBit)
        showWarning(WARN_WML_NEWER);
}

// Requests we stopped ourselves (B_go, B_refresh, B_abort) come back as
// aborts while we stop them; the caller has already decided what happens
// to the contexts.
void popUnlessStopping()
{
    if (!gStopping && !gScriptFetchFailed)
        popContext();
}

void handleUserAbort()
{
    dropArrivalVars();
    setBrowserState(BSTATE_IDLE);
    Log_str("Browser: user aborted, changing state to BSTATE_IDLE\n");
    popUnlessStopping();
}

void handleAbort(int32_t reason)
{
    dropArrivalVars();
    setBrowserState(BSTATE_IDLE);
    Log_printf("Browser: aborted, changing state to BSTATE_IDLE\nBrowser: Abort reason is %d\n", reason);
    popUnlessStopping();
    showError(reason);
}

// A dependency round has finished: check again.
void nextDependencyRound()
{
    gDepsPending = 0;
    const char *top = getURL(0);
    int32_t r = top ? LoadDep(top, dependencyLimit()) : -2;
    if (r == kAccessRefused) {
        dropArrivalVars();
        setBrowserState(BSTATE_IDLE);
        popContext();
        showError(kAccessRefused);
        return;
    }
    if (r < 0)
        return;  // the layout reports what is wrong with the deck
    versionWarning(r);
    if (!(r & kDepsPendingBit))
        return;
    if (gDepRounds > MAX_DEP_ROUNDS) {
        dropArrivalVars();
        showError(kTooManyDependencies);
        setBrowserState(BSTATE_IDLE);
        popContext();
        Log_str("Browser: this deck has too many dependancies.... aborting retrieval");
        Log_str("Browser: browser state is BSTATE_WAITING_LAYOUT changing to BSTATE_IDLE\n");
        return;
    }
    gDepRounds++;
    noteTrail("round");
    Log_str("Browser: browser state is BSTATE_WAITING_LAYOUT\n");
    Log_str("Browser: dependancy check reports more data to be loaded...\n");
    gDepsPending = 1;
}

void layOutCard()
{
    const char *top = getURL(0);
    std::string card;
    if (top) {
        std::string url = top;
        size_t hash = url.find('#');
        if (hash != std::string::npos)
            card = url.substr(hash + 1);
    }
    Log_str("Browser: browser state is BSTATE_WAITING_LAYOUT\n");
    Log_printf("Browser: card is %s\n", card.c_str());
    const std::string deck = top ? top : "";
    applyArrivalVars();
    int r = Layout(deck.c_str(), card.c_str());
    if (r < 0) {
        showError(r);
        setBrowserState(BSTATE_IDLE);
        Log_str("Browser: changing state to BSTATE_IDLE\n");
        return;
    }
    if (r & LAYOUT_INCOMPLETE)
        showWarning(WARN_INCOMPLETE);
    setBrowserState(BSTATE_IDLE);
    Log_str("Browser: changing state to BSTATE_IDLE\n");
    // The direction is spent before the event fires: a navigation that the
    // event's task starts sets its own, which must survive.
    int32_t direction = gNavDirection;
    gNavDirection = BEVENT_NONE;
    if (direction == BEVENT_ONENTERFORWARD || direction == BEVENT_ONENTERBACKWARD)
        B_event(direction, 0);
    submitCanvas(W_getLayoutTable(), W_getEventTable());
    setScroll(0, 0);
    paintNow();
}

void advanceState()
{
    switch (gBrowserState) {
    case BSTATE_IDLE: return;
    case BSTATE_WAITING:
        refreshLayout();
        // A layout still waiting for its dependencies keeps its state.
        if (isIdle() && gBrowserState != BSTATE_WAITING_LAYOUT) {
            setBrowserState(BSTATE_IDLE);
            Log_str("Browser: browser state is BSTATE_WAITING, changing to BSTATE_IDLE\n");
        }
        return;
    case BSTATE_WAITING_VM:
        Log_str("Browser: browser state is BSTATE_WAITING_VM\n");
        setBrowserState(BSTATE_IDLE);
        Log_str("Browser: changing state to BSTATE_IDLE\n");
        runWaitingScript();
        return;
    case BSTATE_WAITING_LAYOUT:
        if (gDepsPending)
            nextDependencyRound();
        else
            layOutCard();
        return;
    default: Log_printf("Browser: browser state is %d\n", gBrowserState); return;
    }
}

}  // namespace

void setBrowserState(int32_t state)
{
    gBrowserState = state;
    noteTrail(stateName(state));
}

void noteTrail(const char *step)
{
    gTrail.push_back(step);
    if (gTrail.size() > BROWSER_TRAIL_MAX)
        gTrail.pop_front();
}

std::string B_takeBrowserTrail()
{
    std::string road;
    for (const std::string &step : gTrail)
        road += (road.empty() ? "" : " ") + step;
    gTrail.clear();
    return road;
}

int32_t B_getBrowserState() { return gBrowserState; }

void B_setTaskVars(std::vector<TaskVar> vars) { gTaskVars = std::move(vars); }

void applyArrivalVars()
{
    std::vector<TaskVar> vars = std::move(gArrivalVars);
    gArrivalVars.clear();
    if (B_contextDepth() != gArrivalDepth)
        return;
    for (const TaskVar &v : vars) {
        setContextVal(v.name.c_str(), v.value.c_str());
        // A go's variables are the deck's it came from as well, as they
        // were before it was set off: going back still finds them.
        if (gArrivalOrigin)
            setContextValAt(1, v.name.c_str(), v.value.c_str());
    }
}

void dropArrivalVars() { gArrivalVars.clear(); }

uint32_t dependencyLimit()
{
    // A limit of 0 would skip every image in every round and end in 3902.
    const SessionCaps *caps = getSessionCaps();
    return caps && caps->morMethods > 0 ? caps->morMethods : 1;
}

void refreshLayout()
{
    Log_str("Browser: refresh layout\n");
    const char *top = getURL(0);
    if (!top) {
        Log_str("Browser: uh-oh, gContexts is NULL, changing state to BSTATE_IDLE\n");
        setBrowserState(BSTATE_IDLE);
        return;
    }
    gDepRounds = 0;
    gDepsPending = 0;
    const std::string deck = top;
    int32_t r = LoadDep(deck.c_str(), dependencyLimit());
    if (r == kAccessRefused) {
        dropArrivalVars();
        showError(kAccessRefused);
        setBrowserState(BSTATE_IDLE);
        popContext();
        return;
    }
    if (r >= 0) {
        if (r & kDepsPendingBit)
            gDepsPending = 1;
        versionWarning(r);
    }
    setBrowserState(BSTATE_WAITING_LAYOUT);
    Log_str("Browser: changing state to BSTATE_WAITING_LAYOUT\n");
    B_poll(0);
}

void B_poll(int fromStack)
{
    if (!gBrowserUp)
        return;
    if (timerDue()) {
        killTimer();
        B_event(BEVENT_ONTIMER, 0);
    }
    CacheResult r{0, 0};
    C_poll(fromStack, &r);
    // A failed fetch of a script unit pops nothing: a script call pushes no
    // context, so the top one is the deck the user is looking at.
    gScriptFetchFailed = gBrowserState == BSTATE_WAITING_VM;
    switch (r.code) {
    case CRES_USER_ABORT:
        showStatus("User aborted data retrieval...");
        handleUserAbort();
        break;
    case CRES_ABORTED:
        showStatus("Data retrieval aborted...");
        handleAbort(r.arg);
        break;
    case CRES_DISCONNECTED:
        dropArrivalVars();
        setBrowserState(BSTATE_IDLE);
        Log_str("Browser: disconnected! Changing state to BSTATE_IDLE\n");
        break;
    case CRES_IDLE:
        if (!D_displayShuttingDown())
            advanceState();
        break;
    default:
        if (RC_resultIs(r.code, RESULT_FETCH_ERROR)) {
            Log_str("Browser: cache error, changing state to BSTATE_IDLE\n");
            dropArrivalVars();
            setBrowserState(BSTATE_IDLE);
            popUnlessStopping();
            showError(r.code);
        }
        break;
    }
    gScriptFetchFailed = false;
    if (gBrowserState == BSTATE_IDLE)
        showConnectionIndicator(canRequest());
    else
        blinkConnectionIndicator();
}
