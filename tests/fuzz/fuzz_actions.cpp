// Actions and GetURL over arbitrary deck bytes at arbitrary offsets. The
// first four input bytes choose the offset, the rest is the deck. The
// navigation stand-ins re-enter the passes, as a real navigation would.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "common/log.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/wml/fakes.h"
#include "wml/actions.h"
#include "wml/layout.h"

static const char *const kDeck = "http://f/d.wml";
static int gNesting = 0;  // navigation stand-ins running

static void nested()
{
    if (gNesting++ == 0) {
        GetURL(kDeck, "@6");
        Actions(kDeck, 5);
    }
    gNesting--;
}

void B_go(const char *url, const char *postData, int)
{
    std::string kept = std::string(url) + (postData ? postData : "");
    nested();
}
void B_prev() { nested(); }
void B_setTaskVars(std::vector<TaskVar> vars)
{
    for (const TaskVar &v : vars)
        std::string kept = v.name + v.value;
}
void B_refresh() { nested(); }
void refreshLayout() { }
NavHooks gNavHooks = {B_setTaskVars, B_go, B_prev, B_refresh, refreshLayout};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        Log_setMode(LOG_OFF);
        layoutTablesInit();
        ready = true;
    }
    if (size < 4)
        return 0;
    uint32_t offset = readLe(data, 3) % (static_cast<uint32_t>(size) + 8);
    fakeReset();
    fakeCacheClear();
    fakeCachePut(kDeck, 0x14, std::vector<uint8_t>(data + 4, data + size));
    gFakeVars["v"] = std::string(300, '&');
    Actions(kDeck, offset);
    std::string encoded = "@" + std::to_string(offset);
    GetURL(kDeck, encoded.c_str());
    GetURL(kDeck, "@4294967296");
    return 0;
}
