// The source view over arbitrary deck bytes, into a memory stream. Every
// input ends with one of the pass's results and the deck released; a deck
// not in UTF-8 must give valid UTF-8 text, since its bytes are converted;
// a deck that cannot be decoded writes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/log.h"
#include "tests/fuzz/fuzz_support.h"
#include "wml/decompile.h"
#include "wml/wbxml.h"

namespace {

bool validUtf8(const char *text, size_t size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    for (size_t i = 0; i < size;) {
        size_t n = p[i] < 0x80             ? 1
                   : (p[i] & 0xE0) == 0xC0 ? 2
                   : (p[i] & 0xF0) == 0xE0 ? 3
                   : (p[i] & 0xF8) == 0xF0 ? 4
                                           : 0;
        if (n == 0 || size - i < n)
            return false;
        for (size_t k = 1; k < n; k++) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += n;
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
