// The dependency pass over arbitrary deck bytes: image requests within the
// limit and the access check against a previous deck, which must never
// read outside the deck or leave the decoder's buffers unterminated.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "cache/cache.h"
#include "common/log.h"
#include "tests/fuzz/fuzz_support.h"
#include "wml/loaddep.h"
#include "wml/wbxml.h"

// Stand-ins for the cache's fetches and the contexts.
void C_get(const char *url, uint32_t *, uint8_t **, uint32_t *, int, CacheResult *result)
{
    *result = {url[0] == 'a' ? CRES_HIT : CRES_PENDING, 0};
}

const char *getURL(int index)
{
    return index == 0 ? "http://www.example.com/ok/d.wml" : index == 1 ? "http://EXAMPLE.com/okay" : nullptr;
}

const char *getContextVal(const char *name) { return name[0] == 'l' ? "a b%" : "x"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Log_setMode(LOG_OFF);
    putFuzzDeck(data, size);
    for (uint32_t limit : {0u, 2u}) {
        int r = LoadDep("http://www.example.com/ok/d.wml", limit);
        if (r != LOADDEP_NOT_CACHED && r != LOADDEP_REFUSED && (r < 0 || (r & ~(1 | 2 | 64 | 128)) != 0))
            std::abort();
        check(gWbxml.deck == nullptr);
    }
    return 0;
}
