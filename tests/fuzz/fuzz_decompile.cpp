// The source view over arbitrary deck bytes, into a memory stream. Every
// input ends with one of the pass's results and the deck released; a deck
// not in UTF-8 must give valid UTF-8 text, since its bytes are converted;
// a deck that cannot be decoded writes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cache/cache.h"
#include "common/log.h"
#include "tests/fuzz/fuzz_support.h"
#include "wml/decompile.h"
#include "wml/wbxml.h"

namespace {

// Length of the UTF-8 sequence starting at p, or 0 when it is not one.
size_t sequenceLength(const unsigned char *p, const unsigned char *end)
{
    size_t n = p[0] < 0x80 ? 1 : (p[0] & 0xE0) == 0xC0 ? 2 : (p[0] & 0xF0) == 0xE0 ? 3 : (p[0] & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || static_cast<size_t>(end - p) < n) {
        return 0;
    }
    for (size_t i = 1; i < n; i++) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
    }
    return n;
}

bool validUtf8(const char *text, size_t size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const auto *end = p + size;
    while (p < end) {
        size_t n = sequenceLength(p, end);
        if (n == 0) {
            return false;
        }
        p += n;
    }
    return true;
}

}  // namespace

// The source view never substitutes variables.
const char *getContextVal(const char *) { std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Log_setMode(LOG_OFF);
    putFuzzDeck(data, size);
    char *text = nullptr;
    size_t length = 0;
    FILE *out = open_memstream(&text, &length);
    check(out != nullptr);
    int result = Decompile("http://fuzz/deck.wml", out);
    check(std::fclose(out) == 0);
    check(result == 0 || result == DECOMPILE_OVERFLOW || result == DECOMPILE_NOT_CACHED);
    check(gWbxml.deck == nullptr && gWbxml.depth == 0 && gWbxml.inAttributes == 0);
    if (result == DECOMPILE_NOT_CACHED) {
        check(length == 0);
    } else if (gWbxml.charset != 106) {
        check(validUtf8(text, length));
    }
    std::free(text);
    return 0;
}
