#pragma once
// Driving the connection manager and the real stack against the test
// gateway in-process: a temporary home, the preferences pointing at the
// gateway, the headless loop, and what the Browser and display would
// provide.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "prefs/prefs.h"

// KEY=VALUE lines of the gateway's gateway.env (path in TOVRIN_GATEWAY_ENV);
// empty when there is none.
std::map<std::string, std::string> loadGatewayEnv();

struct FetchOutcome {
    CacheResult result;  // the answer that ended the request (2005, 2506, ...)
    uint32_t type;       // the content type in the cache (or asked for)
    std::string body;    // the cached body on 2005/2006
};

// A home of its own, the cache and loop started against host:port.
void startClient(UserPrefs *prefs, const std::string &host, uint32_t port, const std::string &home);
void stopClient();
// C_getEx, then the loop until nothing is outstanding (limitMs on the
// loop's clock).
FetchOutcome fetch(const std::string &url, uint32_t type, int method = METHOD_GET, const char *post = nullptr,
                   uint32_t limitMs = 20000);
// The last final answer among the loop's results, or {0,0}.
CacheResult lastFinal(const std::vector<CacheResult> &results);
// The TID the next WTP Invoke takes.
void setNextWtpTid(uint32_t tid);
// The cached body of url, or "<miss>".
std::string cachedBody(const std::string &url, uint32_t type);
