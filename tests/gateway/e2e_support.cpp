#include "e2e_support.h"

#include <cstdlib>
#include <fstream>
#include <set>

#include "common/directories.h"
#include "common/log.h"
#include "common/registry.h"
#include "shell/headless/loop.h"

// What the Browser and the display provide in the program.
const char *getURL(int) { return nullptr; }
void popContext() { }
void showStatus(const char *) { }
void showError(int32_t) { }
void refreshPushIndicator() { }

std::map<std::string, std::string> loadGatewayEnv()
{
    std::map<std::string, std::string> env;
    const char *path = std::getenv("TOVRIN_GATEWAY_ENV");
    if (!path)
        return env;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            env[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return env;
}

void startClient(UserPrefs *prefs, const std::string &host, uint32_t port, const std::string &home)
{
    Dir_initDirectories(home.c_str());
    Reg_setDatabase((home + "/config/registry.sqlite").c_str());
    Log_open();
    Log_setMode(LOG_FILE);
    prefs->proxy = host;
    prefs->proxyPort = port;
    prefs->bearer = BEARER_CSD;
    prefs->sduSize = PREF_DEFAULT_SDU_SIZE;
    prefs->morMethod = PREF_DEFAULT_MOR_METHOD;
    loopInit();
    C_init(prefs);
    takeLoopResults();
}

void stopClient()
{
    C_shutdown();
    Log_setMode(LOG_OFF);
    Reg_close();
}

CacheResult lastFinal(const std::vector<CacheResult> &results)
{
    static const std::set<int32_t> finals = {CRES_STORED,       CRES_ABORTED,       CRES_USER_ABORT,  CRES_WRITE_FAILED,
                                             CRES_FULL,         CRES_WRONG_TYPE,    CRES_UNKNOWN_TID, CRES_NOT_AN_IMAGE,
                                             CRES_DISCONNECTED, CRES_CONNECT_FAILED};
    CacheResult final{0, 0};
    for (const CacheResult &r : results) {
        if (finals.count(r.code))
            final = r;
    }
    return final;
}

std::string cachedBody(const std::string &url, uint32_t type)
{
    uint8_t *content = nullptr;
    uint32_t length = 0;
    CacheResult r{};
    C_retrieve(url.c_str(), &type, &content, &length, &r);
    std::string body = r.code == CRES_HIT ? std::string(reinterpret_cast<char *>(content), length) : "<miss>";
    std::free(content);
    return body;
}

static bool idle(void *) { return isIdle(); }

FetchOutcome fetch(const std::string &url, uint32_t type, int method, const char *post, uint32_t limitMs)
{
    FetchOutcome out{{0, 0}, type, {}};
    takeLoopResults();
    C_getEx(url.c_str(), &out.type, nullptr, nullptr, 0, method, post, &out.result);
    if (out.result.code == CRES_PENDING) {
        runLoop(idle, nullptr, limitMs);
        out.result = lastFinal(takeLoopResults());
    }
    if (out.result.code == CRES_STORED || out.result.code == CRES_HIT)
        out.body = cachedBody(url, type);
    return out;
}
