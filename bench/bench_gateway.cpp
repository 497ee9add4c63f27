// Median time of a GET of a small deck through the test gateway, in both
// modes, with the socket watched and with the 200 ms tick alone. Needs a
// running gateway: TOVRIN_GATEWAY_ENV names its gateway.env.
//   bench_gateway [COUNT]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "shell/headless/loop.h"
#include "tests/gateway/e2e_support.h"

namespace {

double medianMs(uint32_t port, bool watch, int count, const std::string &host, const std::string &origin)
{
    char templ[] = "/tmp/tovrin-bench-XXXXXX";
    if (!mkdtemp(templ))
        return -1;
    UserPrefs prefs;
    startClient(&prefs, host, port, templ);
    setSocketWatch(watch);
    fetch(origin + "index.wml?warm", CT_WMLC);  // the session (or socket) is up before timing
    std::vector<double> times;
    for (int i = 0; i < count; i++) {
        C_newSession();
        auto start = std::chrono::steady_clock::now();
        FetchOutcome r = fetch(origin + "index.wml?n=" + std::to_string(i), CT_WMLC);
        auto end = std::chrono::steady_clock::now();
        if (r.result.code == CRES_STORED)
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    setSocketWatch(true);
    stopClient();
    std::filesystem::remove_all(templ);
    if (times.empty())
        return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    auto env = loadGatewayEnv();
    if (env.empty()) {
        std::fprintf(stderr, "bench_gateway: set TOVRIN_GATEWAY_ENV to a running gateway's gateway.env\n");
        return 2;
    }
    int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string host = env["TOVRIN_GATEWAY_HOST"], origin = env["TOVRIN_ORIGIN"];
    struct Mode {
        const char *name;
        uint32_t port;
    } modes[] = {{"connection-oriented", PORT_CONNECTION_MODE}, {"connectionless", PORT_CONNECTIONLESS}};
    for (const Mode &m : modes) {
        double watched = medianMs(m.port, true, count, host, origin);
        double ticked = medianMs(m.port, false, count, host, origin);
        std::printf("%s: median GET %.1f ms with the socket watched, %.1f ms with the tick alone (%.1fx)\n", m.name,
                    watched, ticked, watched > 0 ? ticked / watched : 0.0);
    }
    return 0;
}
