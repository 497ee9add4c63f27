// Takes the input as a cached deck and walks it the way the deck passes
// do: decodeHeader, then tags, global tokens, attribute lists and skipped
// content, with each pass's switches and from the body as well as from an
// offset inside the deck. The decoder's buffers must stay terminated and
// within their sizes, and every walk must end with its levels closed;
// anything else aborts.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "browser/context.h"
#include "common/log.h"
#include "tests/fuzz/fuzz_support.h"
#include "wml/wbxml.h"

namespace {

void checkBuffers()
{
    check(strnlen(gWbxml.textBuffer, TEXT_BUFFER_SIZE) < TEXT_BUFFER_SIZE);
    check(strnlen(gWbxml.varName, VAR_NAME_SIZE) < VAR_NAME_SIZE);
    check(strnlen(gWbxml.convBuffer, CONV_BUFFER_SIZE) < CONV_BUFFER_SIZE);
    check(strnlen(gWbxml.attrName, ATTR_NAME_SIZE) < ATTR_NAME_SIZE);
    check(gWbxml.attrListLength >= 0 && gWbxml.attrListLength < static_cast<int32_t>(ATTR_LIST_SIZE));
    check(gWbxml.position <= gWbxml.deckLength);
}

int element(void *, uint8_t b, bool open)
{
    checkBuffers();
    if (!open)
        return 0;
    for (const char *name : {"HREF", "ID", "NAME", "VALUE", "SRC", "onpick"}) {
        const char *value = getAttr(name);
        check(value >= gWbxml.attrList || value[0] == 0);
        check(std::strlen(value) < ATTR_LIST_SIZE);
    }
    // Odd tags are skipped, as the passes skip what they do not want.
    return b & 1;
}

void runPass(bool substituteVars, bool keepUrlText, bool fromMiddle)
{
    if (decodeHeader("http://fuzz/deck.wml") != 0) {
        check(gWbxml.deck == nullptr);
        return;
    }
    uint32_t start = fromMiddle ? gWbxml.deckLength / 2 + 1 : gWbxml.bodyOffset;
    W_beginPass(start, substituteVars, keepUrlText);
    walkElements(WbxmlWalk{nullptr, nullptr, nullptr, element, nullptr, nullptr});
    check(gWbxml.depth == 0);
    check(gWbxml.inAttributes == 0);
    checkBuffers();
    W_releaseDeck();
}

}  // namespace

const char *getContextVal(const char *name)
{
    // Long values reach the buffers' limits; the others need escaping.
    static std::string longValue;
    while (longValue.size() < 3000)
        longValue += "a b&%41+";
    return name[0] == 'l' ? longValue.c_str() : "x y%2";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Log_setMode(LOG_OFF);
    putFuzzDeck(data, size);
    runPass(true, true, false);   // LoadDep
    runPass(true, false, false);  // Layout
    runPass(false, true, false);  // Decompile
    runPass(true, true, true);    // Actions and GetURL, from an offset
    return 0;
}
