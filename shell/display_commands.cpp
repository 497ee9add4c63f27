#include "shell/display_commands.h"

#include "browser/browser.h"
#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"

namespace {

const UserPrefs *gPrefs = nullptr;  // the display's preferences (home URL)

// Navigation on top of a load would abandon it half-way: the buttons wait.
bool cacheFree()
{
    if (isIdle())
        return true;
    Log_str("Display: cache is busy (load in progress).  Ignoring!\n");
    return false;
}

struct ScrollStep {
    int command;
    int dx;
    int dy;
};

constexpr ScrollStep kScrollSteps[] = {
    {CMD_SCROLL_UP, 0, -10},
    {CMD_SCROLL_DOWN, 0, 10},
    {CMD_SCROLL_LEFT, -5, 0},
    {CMD_SCROLL_RIGHT, 5, 0},
};

}  // namespace

void displaySetPrefs(const UserPrefs *prefs) { gPrefs = prefs; }

void displayGoPrev()
{
    if (!cacheFree())
        return;
    Log_str("Display: Goto Prev\n");
    B_prev();
}

void displayGoHome()
{
    if (!cacheFree())
        return;
    Log_str("Display: Goto Home\n");
    B_go(gPrefs ? gPrefs->homeUrl.c_str() : "", nullptr, METHOD_GET);
}

void displayRefresh()
{
    if (!cacheFree())
        return;
    Log_str("Display: Refresh\n");
    B_refresh();
}

void displayStop() { B_abort(); }

void displayReconnect()
{
    B_abort();
    C_reconnect();
}

void displayDisconnect()
{
    if (!canRequest())
        return;
    B_abort();
    C_disconnect();
}

bool displayScrollCommand(int command)
{
    for (const ScrollStep &s : kScrollSteps) {
        if (s.command != command)
            continue;
        int x = 0, y = 0;
        getScroll(&x, &y);
        // No upper limit: the canvas shows empty space past the card.
        x = x + s.dx < 0 ? 0 : x + s.dx;
        y = y + s.dy < 0 ? 0 : y + s.dy;
        Log_printf("Display: scroll %d %d\n", x, y);
        setScroll(x, y);
        return true;
    }
    return false;
}
