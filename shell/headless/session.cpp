#include "shell/headless/session.h"

#include <cstdio>
#include <cstdlib>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/messages.h"
#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display_commands.h"
#include "shell/headless/loop.h"
#include "shell/prefs/prefs.h"
#include "version.h"
#include "wml/layout.h"

static UserPrefs gPrefs;             // owned by the display, lent to the browser
static std::string gStoredProxy;     // the stored gateway, kept over a --gateway
static std::string gStoredHome;      // the stored home page, kept over a URL argument
static uint32_t gStoredPort = 0;     // the stored port, kept over a --port
static bool gStarted = false;

bool headlessStartup(const CommandLine &cmd)
{
    Log_printf("Display: Version %s Build %s (Release)\n", TOVRIN_FILE_VERSION, TOVRIN_SPECIAL_BUILD);
    int width = cmd.screenWidth ? cmd.screenWidth : 120;
    int height = cmd.screenHeight ? cmd.screenHeight : 160;
    if (!setCanvasSize(width, height)) {
        std::fprintf(stderr, "tovrin: cannot make a %dx%d canvas\n", width, height);
        return false;
    }
    showStatus("Starting up...");
    Log_str("Display: in init\n");
    setScroll(0, 0);
    loadPrefs(&gPrefs);
    Log_str("Display: get user prefs - done\n");
    // Command-line values hold for this run only: the stored ones are
    // put back before the preferences are saved.
    gStoredProxy = gPrefs.proxy;
    gStoredPort = gPrefs.proxyPort;
    gStoredHome = gPrefs.homeUrl;
    if (!cmd.gateway.empty())
        gPrefs.proxy = cmd.gateway;
    if (cmd.port)
        gPrefs.proxyPort = static_cast<uint32_t>(cmd.port);
    if (!cmd.url.empty())
        gPrefs.homeUrl = cmd.url;
    Log_printf("Display: prefs - bearer %d\n", gPrefs.bearer);
    Log_printf("Display: homeURL %s\n", gPrefs.homeUrl.c_str());
    Log_printf("Display: proxy %s\n", gPrefs.proxy.c_str());
    setContextPrefs(&gPrefs);
    setUserPrefs(&gPrefs);
    Log_str("Display: supply user prefs setting to browser - done\n");
    displaySetPrefs(&gPrefs);
    setDisplayShuttingDown(false);
    // Tests run the stack's timers on the loop's own clock.
    // TOVRIN_VIRTUAL_TICK_MS slows it so that a real gateway's own resends
    // (a lost Result comes again after 7 s) happen before ours give up.
    if (const char *v = std::getenv("TOVRIN_VIRTUAL_CLOCK"); v && *v == '1')
        setVirtualClock(true);
    if (const char *v = std::getenv("TOVRIN_VIRTUAL_TICK_MS"))
        setVirtualTickWait(std::atoi(v));
    loopInit();
    setLoopPoll(B_poll);
    B_init();
    if (!getLayoutTable()) {
        std::fprintf(stderr, "tovrin: out of memory for the layout tables\n");
        return false;
    }
    showStatus("Offline");
    setPushWaitingQuery(pushWaiting);
    refreshPushIndicator();
    gStarted = true;
    // A script drives the headless program, so the home page is loaded at
    // start-up only when the command line names one.
    if (!cmd.url.empty() && (gPrefs.flags & PREF_LOAD_ON_STARTUP))
        displayGoHome();
    return true;
}

void headlessShutdown()
{
    if (!gStarted)
        return;
    gStarted = false;
    setDisplayShuttingDown(true);
    Log_str("Display: in shutdown\n");
    showStatus("Shutting down...");
    gPrefs.proxy = gStoredProxy;
    gPrefs.proxyPort = gStoredPort;
    gPrefs.homeUrl = gStoredHome;
    savePrefs(&gPrefs);
    B_shutdown();
    setLoopPoll(nullptr);
    freePrefs(&gPrefs);
    Log_str("Display: shutdown done\n");
}
