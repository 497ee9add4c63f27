// The status drop-down's texts and the push indicator's state, kept for the
// backends to show.
#include <algorithm>

#include "shell/display.h"
#include "shell/display/canvas.h"

namespace {

std::vector<std::string> gStatusList;   // newest first, at most STATUS_LIST_MAX
bool (*gPushWaitingQuery)() = nullptr;  // the cache's pushWaiting, when wired
bool gPushIndicator = false;            // the indicator is shown
bool gConnectionOn = false;             // the connection indicator shows "on"
bool gBlinkOn = false;                  // the last blinking frame was "on"
uint64_t gBlinks = 0;                   // blinking frames drawn
bool gShuttingDown = false;             // the display is shutting down

}  // namespace

// The drop-down only ever grows on the handset; here the oldest texts go
// once the list is long, so a long session does not grow without bound.
void D_displayStatusInsert(const char *text)
{
    gStatusList.insert(gStatusList.begin(), text ? text : "");
    if (gStatusList.size() > STATUS_LIST_MAX)
        gStatusList.resize(STATUS_LIST_MAX);
    if (displayHooks().statusChanged)
        displayHooks().statusChanged();
}

const std::vector<std::string> &statusList() { return gStatusList; }

void clearStatusList() { gStatusList.clear(); }

void setPushWaitingQuery(bool (*query)()) { gPushWaitingQuery = query; }

bool pushIndicatorShown() { return gPushIndicator; }

void refreshPushIndicator()
{
    gPushIndicator = gPushWaitingQuery && gPushWaitingQuery();
    if (displayHooks().pushIndicatorChanged)
        displayHooks().pushIndicatorChanged();
}

void showConnectionIndicator(bool connected)
{
    bool changed = gConnectionOn != connected;
    gConnectionOn = connected;
    gBlinkOn = false;
    if (changed && displayHooks().connectionChanged)
        displayHooks().connectionChanged();
}

void blinkConnectionIndicator()
{
    gBlinkOn = !gBlinkOn;
    gConnectionOn = gBlinkOn;
    gBlinks++;
    if (displayHooks().connectionChanged)
        displayHooks().connectionChanged();
}

bool connectionIndicatorOn() { return gConnectionOn; }
uint64_t connectionIndicatorBlinks() { return gBlinks; }

void setDisplayShuttingDown(bool shuttingDown) { gShuttingDown = shuttingDown; }
bool D_displayShuttingDown() { return gShuttingDown; }
