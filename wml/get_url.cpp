// The GetURL pass: decodes the one attribute whose start token lies at a
// deck offset, with the variables as they are now. Layout keeps URL
// attributes as "@offset" so that a link follows the values of the moment
// it is clicked, not those of the moment it was laid out.
#include "wml/actions.h"

#include "common/log.h"
#include "wml/wbxml.h"

// The offset in "@digits"; false for any other text. Offsets past 32 bits
// lie outside every deck and read as the largest one.
static bool encodedOffset(const char *encoded, uint32_t *offset)
{
    if (encoded[0] != '@' || encoded[1] < '0' || encoded[1] > '9')
        return false;
    uint64_t n = 0;
    for (const char *p = encoded + 1; *p; p++) {
        if (*p < '0' || *p > '9')
            return false;
        n = n * 10 + static_cast<uint64_t>(*p - '0');
        if (n > UINT32_MAX)
            n = UINT32_MAX;
    }
    *offset = static_cast<uint32_t>(n);
    return true;
}

const char *GetURL(const char *deckUrl, const char *encoded)
{
    if (!encoded)
        return nullptr;
    Log_printf("\nGetURL start [%s]\n", encoded);
    uint32_t offset = 0;
    if (!encodedOffset(encoded, &offset)) {
        // Already a URL: nothing in the deck to decode.
        Log_printf("GetURL end (URL = \"%s\")\n", encoded);
        return encoded;
    }
    if (decodeHeader(deckUrl) != 0)
        return nullptr;
    W_beginPass(offset, true, true);
    gWbxml.inAttributes = 1;
    gWbxml.attrCount = 0;
    gWbxml.attrName[0] = 0;
    gWbxml.textBuffer[0] = 0;
    clearAttributes();
    while (W_moreBytes() && gWbxml.attrCount < 2) {
        uint8_t b = W_nextByte();
        if (b == WBXML_END) {
            flushAttribute();
            break;
        }
        if (!globalToken(b))
            attributeToken(b);
    }
    gWbxml.inAttributes = 0;
    W_releaseDeck();
    const char *value = gWbxml.lastValue ? gWbxml.lastValue : "";
    Log_printf("GetURL end (URL = \"%s\")\n", value);
    return value;
}
