// Navigation latency through the local gateway: from B_go until the card
// is submitted to the canvas, median of COUNT navigations, for a deck
// without images and one with 8, in both modes, with the socket watched
// and with the 200 ms tick alone. The cache is emptied before each
// navigation so that the deck and its images really travel. Needs a
// running gateway serving the demo site (bench/bench_navigation.sh starts
// one): TOVRIN_GATEWAY_ENV names its gateway.env.
//   bench_navigation [COUNT] [PLAIN_DECK] [IMAGE_DECK]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "browser/context.h"
#include "cache/cache.h"
#include "common/directories.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/headless/loop.h"
#include "prefs/prefs.h"

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point gSubmitted;  // when the last card reached the canvas
bool gCardShown = false;       // a card was submitted since the go

void onPainted()
{
    if (currentLayoutTable() && !gCardShown) {
        gCardShown = true;
        gSubmitted = Clock::now();
    }
}

std::map<std::string, std::string> loadEnv()
{
    std::map<std::string, std::string> env;
    const char *path = std::getenv("TOVRIN_GATEWAY_ENV");
    std::ifstream in(path ? path : "");
    for (std::string line; std::getline(in, line);)
        if (size_t eq = line.find('='); eq != std::string::npos)
            env[line.substr(0, eq)] = line.substr(eq + 1);
    return env;
}

bool settled(void *) { return isIdle() && B_getBrowserState() == BSTATE_IDLE; }

UserPrefs gPrefs;  // the run's preferences, lent to the Browser

// Median milliseconds of count navigations to url (a query makes each
// URL new); -1 when none showed a card.
double medianMs(const std::string &host, uint32_t port, bool watch, const std::string &url, int count)
{
    char home[] = "/tmp/tovrin-bench-nav-XXXXXX";
    if (!mkdtemp(home) || !Dir_initDirectories(home))
        return -1;
    Log_open();
    setCanvasSize(120, 160);
    C_setCacheSize(PREF_DEFAULT_CACHE_MIN, PREF_DEFAULT_CACHE_MAX);
    loadPrefs(&gPrefs);
    gPrefs.proxy = host;
    gPrefs.proxyPort = port;
    B_setContextPrefs(&gPrefs);
    setUserPrefs(&gPrefs);
    loopInit();
    setLoopPoll(B_poll);
    B_init();
    setSocketWatch(watch);
    DisplayHooks hooks{};
    hooks.canvasPainted = onPainted;
    setDisplayHooks(&hooks);
    // The session (or the socket) is up before timing.
    B_go((url + "?warm").c_str(), nullptr, METHOD_GET);
    runLoop(settled, nullptr, 20000);
    std::vector<double> times;
    for (int i = 0; i < count; i++) {
        C_clearCache();
        gCardShown = false;
        auto start = Clock::now();
        B_go((url + "?n=" + std::to_string(i)).c_str(), nullptr, METHOD_GET);
        runLoop(settled, nullptr, 20000);
        if (gCardShown)
            times.push_back(std::chrono::duration<double, std::milli>(gSubmitted - start).count());
    }
    setDisplayHooks(nullptr);
    setSocketWatch(true);
    B_shutdown();
    setLoopPoll(nullptr);
    P_freePrefs(&gPrefs);
    std::filesystem::remove_all(home);
    if (times.empty())
        return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    auto env = loadEnv();
    if (env.empty()) {
        std::fprintf(stderr, "bench_navigation: set TOVRIN_GATEWAY_ENV to a running gateway's gateway.env\n");
        return 2;
    }
    int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const std::string origin = env["TOVRIN_ORIGIN"], host = env["TOVRIN_GATEWAY_HOST"];
    const std::string decks[] = {origin + (argc > 2 ? argv[2] : "text.wml"),
                                 origin + (argc > 3 ? argv[3] : "images.wml")};
    const char *deckNames[] = {"no images", "8 images"};
    struct Mode {
        const char *name;
        uint32_t port;
    } modes[] = {{"connection-oriented", 9201}, {"connectionless", 9200}};
    for (const Mode &m : modes) {
        for (int d = 0; d < 2; d++) {
            double watched = medianMs(host, m.port, true, decks[d], count);
            double ticked = medianMs(host, m.port, false, decks[d], count);
            std::printf(
                "%s, %s: median go-to-card %.1f ms with the socket watched, %.1f ms with the tick alone (%.1fx)\n",
                m.name, deckNames[d], watched, ticked, watched > 0 ? ticked / watched : 0.0);
            std::fflush(stdout);
        }
    }
    return 0;
}
