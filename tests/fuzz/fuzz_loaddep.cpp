// The dependency pass over arbitrary deck bytes: image requests within the
// limit and the access check against a previous deck, which must never
// read outside the deck or leave the decoder's buffers unterminated.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "cache/cache.h"
#include "common/log.h"
#include "wml/loaddep.h"
#include "wml/wbxml.h"

namespace {

const uint8_t *gInput = nullptr;  // the deck the stand-in cache hands out
size_t gInputSize = 0;
int gGets = 0;                    // image look-ups of this input

}  // namespace

// Stand-ins for the cache and the contexts.
void C_retrieve(const char *, uint32_t *contentType, uint8_t **content, uint32_t *length, CacheResult *result)
{
    *content = static_cast<uint8_t *>(std::malloc(gInputSize ? gInputSize : 1));
    if (gInputSize)
        std::memcpy(*content, gInput, gInputSize);
    *length = static_cast<uint32_t>(gInputSize);
    *contentType = CT_WMLC;
    *result = {CRES_HIT, 0};
}

void C_get(const char *url, uint32_t *, uint8_t **, uint32_t *, int, CacheResult *result)
{
    gGets++;
    *result = {url[0] == 'a' ? CRES_HIT : CRES_PENDING, 0};
}

const char *getURL(int index) { return index == 0 ? "http://www.example.com/ok/d.wml" : index == 1 ? "http://EXAMPLE.com/okay" : nullptr; }

const char *getContextVal(const char *name) { return name[0] == 'l' ? "a b%" : "x"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    gInput = data;
    gInputSize = size;
    Log_setMode(LOG_OFF);
    for (uint32_t limit : {0u, 2u}) {
        gGets = 0;
        int r = LoadDep("http://www.example.com/ok/d.wml", limit);
        if (r != LOADDEP_NOT_CACHED && r != LOADDEP_REFUSED && (r < 0 || (r & ~(1 | 2 | 64 | 128)) != 0))
            std::abort();
        if (gWbxml.deck != nullptr)
            std::abort();
    }
    return 0;
}
