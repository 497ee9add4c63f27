// Lays out arbitrary deck bytes: the first card, a named card, and a field
// replacement, with a cached image and a bound variable for the walk to find.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/log.h"
#include "tests/wml/fakes.h"
#include "wml/layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        Log_setMode(LOG_OFF);
        layoutTablesInit();
        ready = true;
    }
    fakeReset();
    fakeCacheClear();
    fakeCachePut("http://f/d.wml", 0x14, std::vector<uint8_t>(data, data + size));
    fakeCachePut("i", 0x21, {0x00, 0x00, 0x08, 0x08, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00});
    gFakeVars["v"] = "value";
    for (const char *card : {"", "c"}) {
        Layout("http://f/d.wml", card);
        W_layoutTableText(W_getLayoutTable());
        W_eventTableText(W_getEventTable());
    }
    replaceLayout(0, 0, std::string(600, 'r').c_str());
    W_layoutTableText(W_getLayoutTable());
    return 0;
}
