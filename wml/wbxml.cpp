// The machinery every deck pass shares: the deck and its header, the one
// bounded reader, the global tokens, strings and string-table references,
// variable references, skipping, and the attribute list of the element in
// hand.
//
// Every read checks the deck's end. An operand that runs past the end, or
// a multi-byte integer longer than five bytes or wider than 32 bits, ends
// the walk: the position goes to the end of the deck (so every walker
// stops), the cause is logged once and errorFlag is set.
#include "wml/wbxml.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "browser/context.h"
#include "cache/cache.h"
#include "common/byte_reader.h"
#include "common/int_to_text.h"
#include "common/log.h"
#include "common/url.h"
#include "common/charset.h"
#include "wml/wml_tokens.h"

WbxmlState gWbxml;  // the one decoder state of all passes

namespace {

bool gReadFailed = false;  // the walk was ended by a bad read; logged once per pass

// Global tokens of WBXML 1.1 (END is the callers' business).
enum GlobalToken : uint8_t {
    SWITCH_PAGE = 0x00,
    ENTITY = 0x02,
    STR_I = 0x03,
    LITERAL = 0x04,
    EXT_I_0 = 0x40,
    EXT_I_1 = 0x41,
    EXT_I_2 = 0x42,
    LITERAL_C = 0x44,
    EXT_T_0 = 0x80,
    EXT_T_1 = 0x81,
    EXT_T_2 = 0x82,
    STR_T = 0x83,
    LITERAL_A = 0x84,
    EXT_0 = 0xC0,
    EXT_1 = 0xC1,
    EXT_2 = 0xC2,
    OPAQUE = 0xC3,
    LITERAL_AC = 0xC4,
};

// Variable reference conversions, in the order of the EXT_x_0..2 tokens.
enum Conversion { CONV_ESC = 0, CONV_UNESC = 1, CONV_NOESC = 2 };
constexpr const char *CONVERSION_SUFFIX[] = {":esc)", ":unesc)", ":noesc)"};

// Attributes whose value Layout keeps as a deck offset for GetURL.
constexpr const char *URL_ATTRIBUTES[] = {"HREF", "ONTIMER", "ONENTERFORWARD", "ONENTERBACKWARD", "ONPICK"};

constexpr const char *MSG_TRUNCATED = "Deck truncated\n";
constexpr const char *MSG_BAD_INTEGER = "Bad multi-byte integer\n";

void failRead(const char *why)
{
    if (!gReadFailed) {
        gReadFailed = true;
        logPosition();
        Log_str(why);
        gWbxml.errorFlag = 1;
    }
    gWbxml.position = gWbxml.deckLength;
}

// Text that did not fit into textBuffer or convBuffer.
void noteTextCut()
{
    logPosition();
    Log_str("Text buffer overflow\n");
    gWbxml.errorFlag = 1;
}

// Appends text to the zero-terminated buffer of limit bytes, cutting what
// does not fit.
void appendText(char *buffer, uint32_t limit, const char *text)
{
    size_t used = strnlen(buffer, limit - 1);
    size_t n = std::strlen(text);
    if (used + n >= limit) {
        n = limit - 1 - used;
        noteTextCut();
    }
    std::memcpy(buffer + used, text, n);
    buffer[used + n] = 0;
}

// Copies text into a buffer of size bytes, cutting what does not fit.
void copyText(char *buffer, size_t size, const char *text)
{
    size_t n = std::min(std::strlen(text), size - 1);
    std::memcpy(buffer, text, n);
    buffer[n] = 0;
}

// Moves the position past the rest of an inline string that was cut.
void skipInlineRest()
{
    const uint8_t *start = gWbxml.deck + gWbxml.position;
    const void *zero = std::memchr(start, 0, gWbxml.deckLength - gWbxml.position);
    if (!zero) {
        failRead(MSG_TRUNCATED);
        return;
    }
    gWbxml.position += static_cast<uint32_t>(static_cast<const uint8_t *>(zero) - start) + 1;
}

// Escapes value into convBuffer; a value too long for it keeps the whole
// escapes that fit, never half of one.
void escapeIntoConv(const char *value)
{
    char *conv = gWbxml.convBuffer;
    if (escapeUrl(value, conv, CONV_BUFFER_SIZE, URL_ESCAPE_ALL_BUT_ALNUM)) {
        return;
    }
    size_t used = 0;
    for (const char *p = value; *p; p++) {
        const char one[2] = {*p, 0};
        char escaped[4];
        escapeUrl(one, escaped, sizeof escaped, URL_ESCAPE_ALL_BUT_ALNUM);
        size_t n = std::strlen(escaped);
        if (used + n >= CONV_BUFFER_SIZE) {
            break;
        }
        std::memcpy(conv + used, escaped, n);
        used += n;
    }
    conv[used] = 0;
    noteTextCut();
}

// The variable named in varName, converted, appended to textBuffer.
void variableReference(int conversion)
{
    char *conv = gWbxml.convBuffer;
    if (!gWbxml.substituteVars) {
        // At most 2 + 31 + 7 characters: always fits.
        conv[0] = 0;
        appendText(conv, CONV_BUFFER_SIZE, "$(");
        appendText(conv, CONV_BUFFER_SIZE, gWbxml.varName);
        appendText(conv, CONV_BUFFER_SIZE, CONVERSION_SUFFIX[conversion]);
    } else {
        const char *value = getContextVal(gWbxml.varName);
        if (!value) {
            value = "";
        }
        if (conversion == CONV_ESC) {
            escapeIntoConv(value);
        } else {
            // Unescaping never lengthens a text, so cutting the value to the
            // buffer first is enough for both.
            std::string cut(value, strnlen(value, CONV_BUFFER_SIZE));
            if (cut.size() >= CONV_BUFFER_SIZE) {
                cut.resize(CONV_BUFFER_SIZE - 1);
                noteTextCut();
            }
            if (conversion == CONV_UNESC) {
                unescapeUrl(cut.c_str(), conv, CONV_BUFFER_SIZE);
            } else {
                copyText(conv, CONV_BUFFER_SIZE, cut.c_str());
            }
        }
    }
    appendText(gWbxml.textBuffer, TEXT_BUFFER_SIZE, conv);
}

bool isUrlAttribute(const char *name)
{
    return std::any_of(std::begin(URL_ATTRIBUTES), std::end(URL_ATTRIBUTES),
                       [name](const char *u) { return strcasecmp(u, name) == 0; });
}

}  // namespace

// --- The deck and the reader --------------------------------------------

bool W_moreBytes() { return gWbxml.deck && gWbxml.position < gWbxml.deckLength; }

bool W_readFailed() { return gReadFailed; }

uint8_t W_nextByte()
{
    if (!W_moreBytes()) {
        failRead(MSG_TRUNCATED);
        return 0;
    }
    return gWbxml.deck[gWbxml.position++];
}

uint32_t readMultiByte()
{
    const uint32_t start = gWbxml.position;
    ByteReader r{gWbxml.deck, gWbxml.deck ? gWbxml.deckLength : 0, start, false};
    uint32_t value = BR_multiByte(&r);
    gWbxml.position = r.position;
    // A failure after all five bytes were there is the integer's own fault.
    if (r.failed)
        failRead(r.position - start == BR_MULTI_BYTE_MAX ? MSG_BAD_INTEGER : MSG_TRUNCATED);
    return value;
}

// The header fields up to the string table length, logged as they are
// read; false when the deck ends or an integer is bad on the way.
static bool readHeaderFields()
{
    gWbxml.publicIdString = 0;
    gWbxml.charset = 0;
    gWbxml.version = W_nextByte();
    if (gReadFailed) {
        return false;
    }
    Log_printf("WML Version %d.%d\n", static_cast<int>((gWbxml.version >> 4) + 1),
               static_cast<int>(gWbxml.version & 0x0F));
    gWbxml.publicId = readMultiByte();
    if (gReadFailed) {
        return false;
    }
    if (gWbxml.publicId != 0) {
        Log_printf("Public ID #%d\n", static_cast<int>(gWbxml.publicId));
    } else {
        gWbxml.publicIdString = readMultiByte();
        if (gReadFailed) {
            return false;
        }
        Log_printf("Public ID string #%d\n", static_cast<int>(gWbxml.publicIdString));
    }
    if (gWbxml.version != 0) {
        gWbxml.charset = readMultiByte();
        if (gReadFailed) {
            return false;
        }
        Log_printf("Charset #%d\n", static_cast<int>(gWbxml.charset));
    }
    gWbxml.stringTableLength = readMultiByte();
    gWbxml.stringTableOffset = gWbxml.position;
    return !gReadFailed;
}

// The string at text (at most left bytes), judged; its length with the
// terminator, or left when it has none.
static size_t judgeInline(const uint8_t *text, size_t left, DeckTextJudge *judge)
{
    size_t n = strnlen(reinterpret_cast<const char *>(text), left);
    Cs_judgeString(text, n, judge);
    return n < left ? n + 1 : n;
}

// Decides the deck's charset from its string table and its inline strings.
// The body is scanned flat: apart from the global tokens every tag and
// attribute token is one byte, in either state.
static void judgeDeckText()
{
    DeckTextJudge judge;
    const uint8_t *deck = gWbxml.deck;
    const uint32_t tableEnd = gWbxml.stringTableOffset + gWbxml.stringTableLength;
    for (uint32_t at = gWbxml.stringTableOffset; at < tableEnd;)
        at += static_cast<uint32_t>(judgeInline(deck + at, tableEnd - at, &judge));
    for (uint32_t at = gWbxml.bodyOffset; at < gWbxml.deckLength;) {
        uint8_t token = deck[at++];
        size_t left = gWbxml.deckLength - at;
        switch (token) {
        case SWITCH_PAGE: at += left ? 1 : 0; break;
        case STR_I:
        case EXT_I_0:
        case EXT_I_1:
        case EXT_I_2: at += static_cast<uint32_t>(judgeInline(deck + at, left, &judge)); break;
        case ENTITY:
        case LITERAL:
        case LITERAL_C:
        case EXT_T_0:
        case EXT_T_1:
        case EXT_T_2:
        case STR_T:
        case LITERAL_A:
        case LITERAL_AC:
        case OPAQUE: {
            // A bad integer ends the walk, so the scan ends there too.
            ByteReader r{deck, gWbxml.deckLength, at, false};
            uint32_t value = BR_multiByte(&r);
            at = r.failed ? gWbxml.deckLength : r.position;
            if (token == OPAQUE)
                at += std::min(value, gWbxml.deckLength - at);
            break;
        }
        default: break;
        }
    }
    bool doubleUtf8 = false;
    uint32_t charset = Cs_deckCharset(gWbxml.charset, judge, &doubleUtf8);
    gWbxml.doubleUtf8 = doubleUtf8 ? 1 : 0;
    if (charset != gWbxml.charset)
        Log_printf("Text read as charset #%d\n", static_cast<int>(charset));
    if (doubleUtf8)
        Log_str("Text read as UTF-8 encoded twice\n");
    gWbxml.charset = charset;
}

void W_releaseDeck()
{
    std::free(gWbxml.deck);
    gWbxml.deck = nullptr;
    gWbxml.deckLength = 0;
    gWbxml.position = 0;
}

int decodeHeader(const char *url)
{
    uint32_t contentType = CT_WMLC;
    uint8_t *content = nullptr;
    uint32_t length = 0;
    CacheResult result{};
    C_retrieve(url, &contentType, &content, &length, &result);
    if (result.code != CRES_HIT) {
        std::free(content);
        return -1;
    }
    Log_printf("Loaded %d bytes\n", static_cast<int>(length));
    // The previous deck is not freed here: Actions keeps its own across
    // the passes it runs, and every pass frees its deck itself.
    gWbxml.deck = content;
    gWbxml.deckLength = content ? length : 0;
    gWbxml.position = 0;
    gWbxml.depth = 0;
    gReadFailed = false;

    // A header cut short, or a string table running past the end, leaves
    // nothing that could be walked: the deck counts as no content.
    if (!readHeaderFields() || gWbxml.stringTableLength > gWbxml.deckLength - gWbxml.position) {
        if (!gReadFailed) {
            logPosition();
            Log_str(MSG_TRUNCATED);
        }
        W_releaseDeck();
        return -1;
    }
    gWbxml.bodyOffset = gWbxml.stringTableOffset + gWbxml.stringTableLength;
    Log_printf("String table @%d L=%d\nBody @%d\n", static_cast<int>(gWbxml.stringTableOffset),
               static_cast<int>(gWbxml.stringTableLength), static_cast<int>(gWbxml.bodyOffset));
    judgeDeckText();
    gWbxml.position = gWbxml.bodyOffset;
    return 0;
}

void W_beginPass(uint32_t position, bool substituteVars, bool keepUrlText)
{
    gWbxml.errorFlag = 0;
    gWbxml.tagPage = 0;
    gWbxml.attrPage = 0;
    gWbxml.inAttributes = 0;
    gWbxml.depth = 0;
    gWbxml.position = position;
    gWbxml.substituteVars = substituteVars ? 1 : 0;
    gWbxml.keepUrlText = keepUrlText ? 1 : 0;
    gWbxml.textBuffer[0] = 0;
    gWbxml.varName[0] = 0;
    gWbxml.convBuffer[0] = 0;
    gWbxml.attrName[0] = 0;
    gWbxml.attrList[0] = 0;
    gWbxml.attrListLength = 0;
    gWbxml.attrStartPos = position;
    gWbxml.lastValue = gWbxml.attrList;
    gReadFailed = false;
}

void logPosition()
{
    Log_printf("[%05d:%02d] ", static_cast<int>(gWbxml.position), static_cast<int>(gWbxml.depth));
    // Indentation is capped where the walkers stop descending.
    int32_t indent = std::min(gWbxml.depth, MAX_ELEMENT_DEPTH) - 1;
    if (indent > 0) {
        Log_str(std::string(static_cast<size_t>(indent) * 2, ' ').c_str());
    }
}

bool noteTooDeep()
{
    if (gWbxml.depth < MAX_ELEMENT_DEPTH) {
        return false;
    }
    logPosition();
    Log_str("Maximum nesting exceeded\n");
    gWbxml.errorFlag = 1;
    return true;
}

// --- Strings --------------------------------------------------------------

void get_string(char *buffer, uint32_t limit)
{
    if (limit == 0) {
        return;
    }
    size_t i = strnlen(buffer, limit - 1);
    const size_t start = i;
    buffer[i] = 0;
    for (;;) {
        if (!W_moreBytes()) {
            buffer[i] = 0;
            failRead(MSG_TRUNCATED);
            return;
        }
        uint8_t c = gWbxml.deck[gWbxml.position++];
        if (c == 0) {
            if (gWbxml.doubleUtf8)
                i = start + Cs_undoDoubleUtf8(buffer + start, i - start);
            buffer[i] = 0;
            return;
        }
        if (i + 1 >= limit) {
            buffer[i] = 0;
            logPosition();
            Log_str("String buffer overflow (get_string)\n");
            gWbxml.errorFlag = 1;
            // Decoding resumes after the string, not inside it.
            skipInlineRest();
            return;
        }
        buffer[i++] = static_cast<char>(c);
    }
}

void get_strtab(char *buffer, uint32_t limit, uint32_t index)
{
    if (limit == 0) {
        return;
    }
    size_t i = strnlen(buffer, limit - 1);
    const size_t start = i;
    buffer[i] = 0;
    if (index >= gWbxml.stringTableLength) {
        logPosition();
        Log_str("String table index out of range\n");
        gWbxml.errorFlag = 1;
        return;
    }
    // decodeHeader made sure the table lies inside the deck; a string
    // without a terminator ends with the table.
    const uint8_t *p = gWbxml.deck + gWbxml.stringTableOffset + index;
    const uint8_t *end = gWbxml.deck + gWbxml.stringTableOffset + gWbxml.stringTableLength;
    for (; p < end && *p; p++) {
        if (i + 1 >= limit) {
            buffer[i] = 0;
            logPosition();
            Log_str("String buffer overflow (get_strtab)\n");
            gWbxml.errorFlag = 1;
            return;
        }
        buffer[i++] = static_cast<char>(*p);
    }
    if (gWbxml.doubleUtf8)
        i = start + Cs_undoDoubleUtf8(buffer + start, i - start);
    buffer[i] = 0;
}

void appendToTextBuffer(const char *text) { appendText(gWbxml.textBuffer, TEXT_BUFFER_SIZE, text); }

// --- Global tokens --------------------------------------------------------

int globalToken(uint8_t token)
{
    switch (token) {
    case SWITCH_PAGE: {
        uint8_t page = W_nextByte();
        (gWbxml.inAttributes ? gWbxml.attrPage : gWbxml.tagPage) = page;
        return 1;
    }
    case ENTITY: {
        const char one[2] = {static_cast<char>(readMultiByte() & 0xFF), 0};
        appendText(gWbxml.textBuffer, TEXT_BUFFER_SIZE, one);
        return 1;
    }
    case STR_I: get_string(gWbxml.textBuffer, TEXT_BUFFER_SIZE); return 1;
    case LITERAL: readMultiByte(); return 1;
    // A variable whose name is cut off by the end of the deck, or lies
    // outside the string table, adds nothing.
    case EXT_I_0:
    case EXT_I_1:
    case EXT_I_2:
        gWbxml.varName[0] = 0;
        get_string(gWbxml.varName, VAR_NAME_SIZE);
        if (!gReadFailed) {
            variableReference(token - EXT_I_0);
        }
        return 1;
    case EXT_T_0:
    case EXT_T_1:
    case EXT_T_2: {
        uint32_t index = readMultiByte();
        gWbxml.varName[0] = 0;
        if (!gReadFailed) {
            get_strtab(gWbxml.varName, VAR_NAME_SIZE, index);
            if (index < gWbxml.stringTableLength) {
                variableReference(token - EXT_T_0);
            }
        }
        return 1;
    }
    case STR_T: {
        uint32_t index = readMultiByte();
        if (!gReadFailed) {
            get_strtab(gWbxml.textBuffer, TEXT_BUFFER_SIZE, index);
        }
        return 1;
    }
    case LITERAL_C:
    case LITERAL_A:
        readMultiByte();
        skipElement();
        return 1;
    case LITERAL_AC:
        readMultiByte();
        skipElement();
        skipElement();
        return 1;
    case EXT_0:
    case EXT_1:
    case EXT_2: return 1;
    case OPAQUE: {
        uint32_t length = readMultiByte();
        if (length > gWbxml.deckLength - std::min(gWbxml.position, gWbxml.deckLength)) {
            failRead(MSG_TRUNCATED);
        } else {
            gWbxml.position += length;
        }
        return 1;
    }
    default: return 0;
    }
}

// --- Skipping ---------------------------------------------------------------

void skipElement()
{
    const int32_t entryDepth = gWbxml.depth;
    const uint8_t entryMode = gWbxml.inAttributes;
    // The open levels are counted instead of recursed into, so that no
    // nesting however deep can exhaust the stack. Attribute lists hold no
    // tags, so the open levels are always some content levels with some
    // attribute-list levels above them; the top one is being skipped.
    uint64_t contentLevels = entryMode ? 0 : 1;
    uint64_t attrLevels = entryMode ? 1 : 0;
    while (contentLevels + attrLevels > 0 && W_moreBytes()) {
        gWbxml.inAttributes = attrLevels > 0 ? 1 : 0;
        gWbxml.depth = static_cast<int32_t>(
            std::min<uint64_t>(static_cast<uint64_t>(std::max(entryDepth, 0)) + contentLevels + attrLevels, INT32_MAX));
        uint64_t &topLevels = attrLevels > 0 ? attrLevels : contentLevels;
        gWbxml.textBuffer[0] = 0;
        uint8_t b = W_nextByte();
        if (b == WBXML_END) {
            topLevels--;
        } else if (b == LITERAL_C || b == LITERAL_A) {
            readMultiByte();
            topLevels++;
        } else if (b == LITERAL_AC) {
            readMultiByte();
            topLevels += 2;
        } else if (globalToken(b)) {
            // operands consumed
        } else if (!gWbxml.inAttributes) {
            // The content level sits below the attribute list, which is
            // skipped first.
            if (b & TAG_HAS_CONTENT) {
                contentLevels++;
            }
            if (b & TAG_HAS_ATTRIBUTES) {
                attrLevels++;
            }
        }
    }
    // Text of skipped content must not leak into what follows when the
    // deck ends inside it.
    gWbxml.textBuffer[0] = 0;
    gWbxml.inAttributes = entryMode;
    gWbxml.depth = entryDepth;
}

// --- Attributes -------------------------------------------------------------

void clearAttributes()
{
    gWbxml.attrListLength = 0;
    gWbxml.attrList[0] = 0;
}

void readAttributes()
{
    gWbxml.inAttributes = 1;
    gWbxml.depth++;
    gWbxml.attrName[0] = 0;
    gWbxml.textBuffer[0] = 0;
    while (W_moreBytes()) {
        uint8_t b = W_nextByte();
        if (b == WBXML_END) {
            break;
        }
        if (!globalToken(b)) {
            attributeToken(b);
        }
    }
    flushAttribute();
    gWbxml.inAttributes = 0;
    gWbxml.depth--;
}

int attributeToken(uint8_t token)
{
    if (const AttrStartToken *start = findAttrStart(token)) {
        flushAttribute();
        copyText(gWbxml.attrName, ATTR_NAME_SIZE, start->name);
        if (start->prefix[0]) {
            copyText(gWbxml.textBuffer, TEXT_BUFFER_SIZE, start->prefix);
        }
        return 1;
    }
    if (const char *text = attrValueText(token)) {
        appendText(gWbxml.textBuffer, TEXT_BUFFER_SIZE, text);
        return 1;
    }
    return 0;
}

void flushAttribute()
{
    gWbxml.attrCount++;
    const uint32_t startPos = gWbxml.attrStartPos;
    gWbxml.attrStartPos = gWbxml.position > 0 ? gWbxml.position - 1 : 0;
    char *name = gWbxml.attrName;
    char *value = gWbxml.textBuffer;
    if (!name[0]) {
        return;
    }
    // The offset replaces the text before the room is checked: "@" and the
    // digits can be longer than the text they stand for.
    if (!gWbxml.keepUrlText && isUrlAttribute(name)) {
        logPosition();
        Log_str("Attr URL offset encoded\n");
        value[0] = '@';
        if (intToText(value + 1, TEXT_BUFFER_SIZE - 1, static_cast<int32_t>(startPos), 10, 1, 0) < 0) {
            value[1] = 0;
        }
    }
    size_t nameLength = strnlen(name, ATTR_NAME_SIZE - 1);
    size_t valueLength = strnlen(value, TEXT_BUFFER_SIZE - 1);
    int64_t used = std::clamp<int64_t>(gWbxml.attrListLength, 0, ATTR_LIST_SIZE);
    if (used + static_cast<int64_t>(nameLength + valueLength) + 2 >= ATTR_LIST_SIZE) {
        logPosition();
        Log_str("Attribute buffer overflow\n");
        gWbxml.errorFlag = 1;
        // The dropped value must not become the next attribute's.
        name[0] = 0;
        value[0] = 0;
        return;
    }
    char *out = gWbxml.attrList + used;
    std::memcpy(out, name, nameLength);
    out[nameLength] = 0;
    char *storedValue = out + nameLength + 1;
    std::memcpy(storedValue, value, valueLength);
    storedValue[valueLength] = 0;
    gWbxml.lastValue = storedValue;
    gWbxml.attrListLength = static_cast<int32_t>(used + static_cast<int64_t>(nameLength + valueLength) + 2);
    logPosition();
    Log_printf("Attr %s = \"%s\"\n", name, storedValue);
    name[0] = 0;
    value[0] = 0;
}

const char *getAttr(const char *name)
{
    return forEachAttribute([name](const char *attr, const char *) { return strcasecmp(attr, name) == 0; });
}

void logTag(uint8_t tag)
{
    logPosition();
    Log_printf("Tag %02x %c%c\n", tag & 0x3F, (tag & TAG_HAS_CONTENT) ? 'C' : '-',
               (tag & TAG_HAS_ATTRIBUTES) ? 'A' : '-');
}

// --- The element walk -------------------------------------------------------

static void walkLevel(const WbxmlWalk &w, bool nested)
{
    gWbxml.depth++;
    if (w.logName) {
        logPosition();
        Log_printf("%s start\n", w.logName);
    }
    bool closed = false;
    while (W_moreBytes()) {
        if (!w.text)
            gWbxml.textBuffer[0] = 0;
        uint8_t token = W_nextByte();
        if (w.logName)
            logTag(token);
        if (token == WBXML_END) {
            closed = true;
            break;
        }
        if (w.token ? w.token(token) : globalToken(token))
            continue;
        if (w.text && gWbxml.textBuffer[0])
            w.text(w.data, false);
        clearAttributes();
        if (token & TAG_HAS_ATTRIBUTES)
            readAttributes();
        int skip = w.element ? w.element(w.data, token, true) : 0;
        if (token & TAG_HAS_CONTENT) {
            if (skip || noteTooDeep())
                skipElement();
            else
                walkLevel(w, true);
        }
        if (w.element)
            w.element(w.data, token, false);
    }
    if (!w.text)
        gWbxml.textBuffer[0] = 0;
    else if (gWbxml.textBuffer[0])
        w.text(w.data, true);
    if (nested && !closed && w.unclosed)
        w.unclosed();
    if (w.logName) {
        logPosition();
        Log_printf("%s end\n", w.logName);
    }
    gWbxml.depth--;
}

void walkElements(const WbxmlWalk &walk) { walkLevel(walk, false); }
