// The push path from datagram bytes to the stored entry: the input arrives
// on the push listener from the gateway (twice, so that numbering and the
// list bound work too), goes through connectionless WSP and the session
// service to the connection manager, which keeps it only when it leads to
// a page. Every kept push must open a page, the list and the cache stay
// within their bounds, no receive block leaks, and a push never touches
// the Browser's navigation; broken invariants abort.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "cache/cache.h"
#include "cache/cache_store.h"
#include "stack/session.h"
#include "stack/udp_transport.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void onEvent()
{
    CacheResult r{0, 0};
    C_poll(1, &r);
    check(r.code == CRES_PUSH_STORED || r.code == CRES_PUSH_DROPPED);
}

const AddressRecord kGateway = makeAddress(BEARER_UDP, "127.0.0.1");

void setUp()
{
    if (!makeFuzzHome("push"))
        return;
    S_setSessionEventHandler(onEvent);
    // An ephemeral port: the gateway check needs a listener, not 2948.
    check(openPushListener(BEARER_UDP, 0, &kGateway) == PUSH_LISTENING);
    std::atexit(closeStack);
}

}  // namespace

// What the Browser and the display provide in the program: a push must
// never reach the first two.
const char *getURL(int) { return nullptr; }
void popContext() { std::abort(); }
void showError(int32_t) { std::abort(); }
void showStatus(const char *) { }
void refreshPushIndicator() { }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    setUp();
    std::filesystem::remove_all(Dir_cacheDir());
    std::filesystem::create_directories(Dir_cacheDir());
    gCacheSettings = {1, 1000, 20000, 0};
    gPushCount = 0;
    uint32_t length = size > RECEIVE_BUFFER_SIZE ? RECEIVE_BUFFER_SIZE : static_cast<uint32_t>(size);
    for (int i = 0; i < 2; i++)
        injectPushDatagram(&kGateway, CONNECTIONLESS_PORT, data, length);
    check(receiveBuffersInUse() == 0);
    check(gCacheSettings.size <= gCacheSettings.maxSize);

    char list[256];
    int count = getPushList(list, sizeof list);
    check(count >= 0 && count <= 2 && static_cast<uint32_t>(count) <= PUSH_KEEP_MAX);
    for (const char *p = list; count-- > 0; p += std::strlen(p) + 1) {
        std::string page = C_pushOpenUrl(p);
        check(!page.empty() && page.size() <= 1023);
        check(page.find("://") != std::string::npos);
    }
    check(dropOldestPushes(1) <= 1);
    return 0;
}
