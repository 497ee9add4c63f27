#include "shell/startup.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/history.h"
#include "browser/messages.h"
#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display_commands.h"
#include "shell/headless/loop.h"
#include "stack/capture.h"
#include "stack/session.h"
#include "wml/layout.h"

namespace {

UserPrefs gPrefs;          // owned by the display, lent to the Browser
std::string gStoredProxy;  // the stored gateway, kept over a --gateway
std::string gStoredHome;   // the stored home page, kept over a URL argument
uint32_t gStoredPort = 0;  // the stored port, kept over a --port
uint8_t gStoredFlags = 0;  // the stored flags, kept over a --shared-variables
CommandLine gOverrides;    // what the command line set for this run
bool gStarted = false;     // displayInit succeeded and no shutdown yet

void applyCommandLine(const CommandLine &cmd)
{
    gStoredProxy = gPrefs.proxy;
    gStoredPort = gPrefs.proxyPort;
    gStoredHome = gPrefs.homeUrl;
    gStoredFlags = gPrefs.flags;
    gOverrides = cmd;
    if (cmd.sharedVariables)
        gPrefs.flags |= PREF_SHARED_VARIABLES;
    if (!cmd.gateway.empty())
        gPrefs.proxy = cmd.gateway;
    if (cmd.port)
        gPrefs.proxyPort = static_cast<uint32_t>(cmd.port);
    if (!cmd.url.empty())
        gPrefs.homeUrl = cmd.url;
}

// Tests run the stack's timers on the loop's own clock.
// TOVRIN_VIRTUAL_TICK_MS slows it so that a real gateway's own resends
// (a lost Result comes again after 7 s) happen before ours give up.
void readClockEnvironment()
{
    if (const char *v = std::getenv("TOVRIN_VIRTUAL_CLOCK"); v && *v == '1')
        setVirtualClock(true);
    if (const char *v = std::getenv("TOVRIN_VIRTUAL_TICK_MS"))
        setVirtualTickWait(std::atoi(v));
}

}  // namespace

UserPrefs *displayPrefs() { return &gPrefs; }

bool displayInit(const CommandLine &cmd, bool loadHome)
{
    setDisplayShuttingDown(false);
    showStatus("Starting up...");
    Log_str("Display: in init\n");
    Log_printf("Display: %s %s (Release)\n", S_versionText(), S_buildText());
    setScroll(0, 0);
    C_setCacheSize(PREF_DEFAULT_CACHE_MIN, PREF_DEFAULT_CACHE_MAX);
    loadPrefs(&gPrefs);
    Log_str("Display: get user prefs - done\n");
    applyCommandLine(cmd);
    Log_printf("Display: prefs - bearer %d\n", gPrefs.bearer);
    Log_printf("Display: homeURL %s\n", gPrefs.homeUrl.c_str());
    Log_printf("Display: proxy %s\n", gPrefs.proxy.c_str());
    B_setContextPrefs(&gPrefs);
    // The menus are built when they open, so a changed history needs no rebuild.
    B_setHistoryHooks(B_go, nullptr);
    setUserPrefs(&gPrefs);
    Log_str("Display: supply user prefs setting to browser - done\n");
    displaySetPrefs(&gPrefs);
    readClockEnvironment();
    // A capture that cannot be written is reported and browsing goes on.
    if (!cmd.capture.empty())
        S_openCapture(cmd.capture.c_str());
    loopInit();
    setLoopPoll(B_poll);
    B_init();
    if (!W_getLayoutTable()) {
        std::fprintf(stderr, "tovrin: out of memory for the layout tables\n");
        return false;
    }
    showStatus("Offline");
    setPushWaitingQuery(pushWaiting);
    setImageSource(C_retrieve);
    refreshPushIndicator();
    gStarted = true;
    if (loadHome && (gPrefs.flags & PREF_LOAD_ON_STARTUP))
        displayGoHome();
    return true;
}

void displayShutdown()
{
    if (!gStarted)
        return;
    gStarted = false;
    setDisplayShuttingDown(true);
    Log_str("Display: in shutdown\n");
    showStatus("Shutting down...");
    // What the command line changed for this run is not saved, unless the
    // preferences window has changed it since.
    if (!gOverrides.gateway.empty() && gPrefs.proxy == gOverrides.gateway)
        gPrefs.proxy = gStoredProxy;
    if (gOverrides.port && gPrefs.proxyPort == static_cast<uint32_t>(gOverrides.port))
        gPrefs.proxyPort = gStoredPort;
    if (gOverrides.sharedVariables && (gPrefs.flags & PREF_SHARED_VARIABLES))
        gPrefs.flags =
            static_cast<uint8_t>((gPrefs.flags & ~PREF_SHARED_VARIABLES) | (gStoredFlags & PREF_SHARED_VARIABLES));
    if (!gOverrides.url.empty() && gPrefs.homeUrl == gOverrides.url)
        gPrefs.homeUrl = gStoredHome;
    savePrefs(&gPrefs);
    B_shutdown();
    S_closeCapture();
    setLoopPoll(nullptr);
    P_freePrefs(&gPrefs);
    Log_str("Display: shutdown done\n");
}
