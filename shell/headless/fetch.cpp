#include "shell/headless/fetch.h"

#include <cstdlib>

#include "shell/headless/loop.h"

namespace {

// How long to wait on the loop's clock: WTP gives up on a silent gateway
// well within this on the virtual clock, not on the wall clock.
constexpr uint32_t kFetchLimitMs = 60000;
constexpr uint32_t kFetchLimitVirtualMs = 600000;

bool requestsDone(void *) { return isIdle(); }

}  // namespace

bool fetchNow(const char *url, uint32_t contentType, int refresh, int method, const char *postData, uint32_t limitMs,
              CacheResult *result, uint32_t *length)
{
    // The loop hands the indications to the connection manager alone
    // meanwhile, so that their answers are seen.
    LoopPoll browserPoll = loopPoll();
    setLoopPoll(nullptr);
    takeLoopResults();
    CacheResult r{0, 0};
    uint8_t *content = nullptr;
    *length = 0;
    C_getEx(url, &contentType, &content, length, refresh, method, postData, &r);
    std::free(content);
    bool answered = true;
    if (r.code == CRES_PENDING) {
        if (!limitMs)
            limitMs = virtualClockOn() ? kFetchLimitVirtualMs : kFetchLimitMs;
        answered = runLoop(requestsDone, nullptr, limitMs);
        for (const CacheResult &seen : takeLoopResults())
            if (RC_resultIs(seen.code, RESULT_FINAL))  // the last that ends the request
                r = seen;
        *length = 0;
        if (answered && r.code == CRES_STORED)
            C_cachedLength(url, contentType, length);
    }
    setLoopPoll(browserPoll);
    *result = r;
    return answered;
}
