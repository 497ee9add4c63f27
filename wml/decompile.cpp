// The source view pass. It walks the deck like the other passes, with the
// shared global tokens (variable references stay as text since
// substituteVars is off) except ENTITY, which is written as a character
// reference rather than its byte. Text goes straight to the stream a byte
// at a time, so however much it grows (six times for a run of 0xA0) no
// buffer can overflow and nothing is cut.
#include "wml/decompile.h"

#include <algorithm>
#include <cstring>

#include "common/log.h"
#include "wml/wbxml.h"
#include "wml/wml_tokens.h"

namespace {

constexpr uint32_t CHARSET_UTF8 = 106;
// Global tokens handled here before the shared routine sees them.
constexpr uint8_t ENTITY = 0x02;
constexpr uint8_t LITERAL_C = 0x44;
constexpr uint8_t LITERAL_A = 0x84;
constexpr uint8_t LITERAL_AC = 0xC4;

enum TagForm { TAG_OPEN, TAG_CLOSE, TAG_EMPTY };

FILE *gOut = nullptr;    // the stream of the pass
bool gUtf8Deck = false;  // deck bytes are UTF-8, else ISO-8859-1
bool gUnclosed = false;  // the deck ended inside an element

// Characters written as entity names in text: the invisible ones.
struct NamedCharacter {
    uint8_t latin1;
    const char *entity;
};
constexpr NamedCharacter NAMED[] = {{0xA0, "&nbsp;"}, {0xAD, "&shy;"}};

const char *namedEntity(uint8_t latin1)
{
    for (const NamedCharacter &n : NAMED) {
        if (n.latin1 == latin1) {
            return n.entity;
        }
    }
    return nullptr;
}

// Deck text as UTF-8. With marks, U+00A0 and U+00AD become their entity
// names: in a UTF-8 deck they are the pairs C2 A0 and C2 AD, never a lone
// A0 or AD byte, which there is part of another character.
void writeDeckText(const char *text, bool marks)
{
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++) {
        if (gUtf8Deck) {
            const char *entity = marks && p[0] == 0xC2 ? namedEntity(p[1]) : nullptr;
            if (entity) {
                std::fputs(entity, gOut);
                p++;
            } else {
                std::fputc(*p, gOut);
            }
        } else if (const char *entity = marks ? namedEntity(*p) : nullptr) {
            std::fputs(entity, gOut);
        } else if (*p < 0x80) {
            std::fputc(*p, gOut);
        } else {
            std::fputc(0xC0 | (*p >> 6), gOut);
            std::fputc(0x80 | (*p & 0x3F), gOut);
        }
    }
}

void writeIndent()
{
    for (int32_t i = 0; i < gWbxml.depth; i++) {
        std::fputs("  ", gOut);
    }
}

void writeTagName(uint8_t tag)
{
    if (const char *name = W_tagName(tag)) {
        std::fputs(name, gOut);
    } else {
        std::fprintf(gOut, "unknown-0x%02x", tag & 0x3F);
    }
}

// The attribute list of the element in hand, in its order.
void writeAttributes()
{
    forEachAttribute([](const char *name, const char *value) {
        std::fprintf(gOut, " %s=\"", name);
        writeDeckText(value, false);
        std::fputc('"', gOut);
        return false;
    });
}

void writeTag(uint8_t tag, TagForm form)
{
    writeIndent();
    std::fputs(form == TAG_CLOSE ? "</" : "<", gOut);
    writeTagName(tag);
    if (form != TAG_CLOSE) {
        writeAttributes();
    }
    std::fputs(form == TAG_EMPTY ? "/>\n" : ">\n", gOut);
}

void writePendingText()
{
    if (!gWbxml.textBuffer[0]) {
        return;
    }
    writeIndent();
    writeDeckText(gWbxml.textBuffer, true);
    std::fputc('\n', gOut);
    gWbxml.textBuffer[0] = 0;
}

// The global tokens of content: ENTITY as a hexadecimal character
// reference, the others as every pass reads them. A literal element is
// skipped, and skipping empties textBuffer, so the text before it is
// written first.
int contentToken(uint8_t token)
{
    if (token == LITERAL_C || token == LITERAL_A || token == LITERAL_AC) {
        writePendingText();
    }
    if (token != ENTITY) {
        return globalToken(token);
    }
    uint32_t value = readMultiByte();
    if (!W_readFailed()) {
        char reference[16];
        std::snprintf(reference, sizeof reference, "&#x%x;", static_cast<unsigned>(value));
        appendToTextBuffer(reference);
    }
    return 1;
}

// A deck that ends while an element is open gives incomplete text; the
// body alone ends with the deck.
void noteUnclosed()
{
    if (!gUnclosed && !W_readFailed()) {
        logPosition();
        Log_str("Deck truncated\n");
    }
    gUnclosed = true;
    gWbxml.errorFlag = 1;
}

// Text at a level's end is written by the close, at the element's depth.
void writeText(void *, bool levelEnd)
{
    if (!levelEnd) {
        writePendingText();
    }
}

int writeElement(void *, uint8_t token, bool open)
{
    if (!(token & TAG_HAS_CONTENT)) {
        if (open) {
            writeTag(token, TAG_EMPTY);
        }
    } else if (open) {
        writeTag(token, TAG_OPEN);
    } else {
        writePendingText();
        writeTag(token, TAG_CLOSE);
    }
    return 0;
}

}  // namespace

int Decompile(const char *deckUrl, FILE *out)
{
    Log_str("\nDecompile start\n");
    if (!deckUrl || !out || decodeHeader(deckUrl) != 0) {
        return DECOMPILE_NOT_CACHED;
    }
    W_beginPass(gWbxml.bodyOffset, false, true);
    gOut = out;
    gUtf8Deck = gWbxml.charset == CHARSET_UTF8;
    gUnclosed = false;
    walkElements(WbxmlWalk{nullptr, contentToken, writeText, writeElement, noteUnclosed, nullptr});
    // Text outside every element (no compiler writes any) is shown too.
    writePendingText();
    const bool overflow = gWbxml.errorFlag != 0;
    gOut = nullptr;
    W_releaseDeck();
    Log_str("Decompile end\n");
    return overflow ? DECOMPILE_OVERFLOW : 0;
}
