#pragma once
// The machinery every deck pass shares: fetching the deck from the cache,
// its header, the global tokens, the tag and attribute tables and the
// attribute list of the element in hand, and the element walk. Decks are
// never turned into a tree: the passes walk the WBXML token stream.
#include <algorithm>
#include <cstdint>
#include <cstring>

constexpr uint32_t TEXT_BUFFER_SIZE = 2048;
constexpr uint32_t VAR_NAME_SIZE = 32;
constexpr uint32_t CONV_BUFFER_SIZE = 2048;
constexpr uint32_t ATTR_NAME_SIZE = 64;
constexpr uint32_t ATTR_LIST_SIZE = 1024;

// Deepest element nesting a recursive walker descends into. Past it the
// walker skips the content with skipElement, which does not recurse, after
// noteTooDeep, so a deck of many nested elements cannot exhaust the stack.
constexpr int32_t MAX_ELEMENT_DEPTH = 256;

constexpr uint8_t WBXML_END = 0x01;
constexpr uint8_t TAG_HAS_CONTENT = 0x40;
constexpr uint8_t TAG_HAS_ATTRIBUTES = 0x80;

// Tag codes (low 6 bits of a tag token).
enum WmlTag : uint8_t {
    TAG_A = 0x1C,
    TAG_TD = 0x1D,
    TAG_TR = 0x1E,
    TAG_TABLE = 0x1F,
    TAG_P = 0x20,
    TAG_POSTFIELD = 0x21,
    TAG_ANCHOR = 0x22,
    TAG_ACCESS = 0x23,
    TAG_B = 0x24,
    TAG_BIG = 0x25,
    TAG_BR = 0x26,
    TAG_CARD = 0x27,
    TAG_DO = 0x28,
    TAG_EM = 0x29,
    TAG_FIELDSET = 0x2A,
    TAG_GO = 0x2B,
    TAG_HEAD = 0x2C,
    TAG_I = 0x2D,
    TAG_IMG = 0x2E,
    TAG_INPUT = 0x2F,
    TAG_META = 0x30,
    TAG_NOOP = 0x31,
    TAG_PREV = 0x32,
    TAG_ONEVENT = 0x33,
    TAG_OPTGROUP = 0x34,
    TAG_OPTION = 0x35,
    TAG_REFRESH = 0x36,
    TAG_SELECT = 0x37,
    TAG_SMALL = 0x38,
    TAG_STRONG = 0x39,
    TAG_TEMPLATE = 0x3B,
    TAG_TIMER = 0x3C,
    TAG_U = 0x3D,
    TAG_SETVAR = 0x3E,
    TAG_WML = 0x3F,
};

// The one decoder state shared by all passes; each pass resets it.
struct WbxmlState {
    uint8_t *deck;  // the pass's own copy, freed at its end
    uint32_t deckLength;
    uint32_t position;  // next byte to read
    uint32_t version;
    uint32_t publicId;
    uint32_t publicIdString;
    uint32_t charset;    // as the text is read (judgeDeckText), not as labelled
    uint8_t doubleUtf8;  // the text is UTF-8 encoded twice: strings are decoded once more
    uint32_t stringTableOffset;
    uint32_t stringTableLength;
    uint32_t bodyOffset;
    int32_t depth;  // for log indentation
    uint8_t inAttributes;
    uint8_t tagPage;  // recorded only: page 0 tables always apply
    uint8_t attrPage;
    uint32_t substituteVars;  // replace variable references by values
    uint32_t keepUrlText;     // off: URL attributes become "@offset"
    uint8_t errorFlag;        // a buffer overflowed during the pass
    char textBuffer[TEXT_BUFFER_SIZE];
    char varName[VAR_NAME_SIZE];
    char convBuffer[CONV_BUFFER_SIZE];
    char attrName[ATTR_NAME_SIZE];
    char attrList[ATTR_LIST_SIZE];  // name, value, name, value ... each zero-terminated
    int32_t attrListLength;
    uint32_t attrStartPos;
    uint32_t attrCount;
    const char *lastValue;
};

extern WbxmlState gWbxml;

// Fetches the deck stored under url (content type 20) and parses its
// header; the position is left at the body. 0, or -1 when not cached or
// when the header or string table runs past the end (the deck is then
// already released).
int decodeHeader(const char *url);
// Frees the deck of the pass.
void W_releaseDeck();
// True while bytes remain to be read. Walkers test it before every token.
bool W_moreBytes();
// The next byte. Reading past the end gives 0 and ends the walk: the
// position stays at the end, "Deck truncated\n" is logged once and
// errorFlag is set.
uint8_t W_nextByte();
// A multi-byte integer at the position; one longer than 5 bytes or wider
// than 32 bits gives 0 and ends the walk like a read past the end.
uint32_t readMultiByte();
// True once a bad read has ended the walk of this pass.
bool W_readFailed();
// 1 when token is a global token (its operands consumed), else 0.
int globalToken(uint8_t token);
// Appends text to textBuffer; what does not fit is cut, logged as "Text
// buffer overflow\n" and sets errorFlag.
void appendToTextBuffer(const char *text);
void get_string(char *buffer, uint32_t limit);
void get_strtab(char *buffer, uint32_t limit, uint32_t index);
void skipElement();
void readAttributes();
int attributeToken(uint8_t token);
void flushAttribute();
void clearAttributes();
// The value of the first attribute named name (any case), or "".
const char *getAttr(const char *name);
// Calls visit (name, value) for each whole pair of the attribute list in
// order until it returns true; the value it stopped at, or "".
template <typename F> const char *forEachAttribute(F visit)
{
    const size_t length = gWbxml.attrListLength < 0 ? 0 : std::min<size_t>(gWbxml.attrListLength, ATTR_LIST_SIZE);
    const char *list = gWbxml.attrList;
    for (size_t pos = 0; pos < length;) {
        size_t valuePos = pos + strnlen(list + pos, length - pos) + 1;
        size_t valueEnd = valuePos < length ? valuePos + strnlen(list + valuePos, length - valuePos) : length;
        if (valueEnd >= length)
            break;
        if (visit(list + pos, list + valuePos))
            return list + valuePos;
        pos = valueEnd + 1;
    }
    return "";
}
// Logs "[%05d:%02d] " and the indentation for the current depth.
void logPosition();
// Logs a tag byte as the walkers do: position, "Tag %02x" and its C and A
// bits.
void logTag(uint8_t tag);
// Resets the per-pass fields and starts a walk at position.
void W_beginPass(uint32_t position, bool substituteVars, bool keepUrlText);
// True when a walker at gWbxml.depth must not descend into another level;
// it then logs "Maximum nesting exceeded\n" and sets errorFlag, and the
// walker skips the content with skipElement instead.
bool noteTooDeep();

// One pass's work in the shared element walk.
struct WbxmlWalk {
    // Logs "<logName> start" and "<logName> end" around each level and
    // every tag between; null: silent.
    const char *logName;
    // Global tokens: 1 when handled; null: globalToken.
    int (*token)(uint8_t token);
    // Text pending before an element (levelEnd false) and at the end of a
    // level (true); null: text is dropped before every token.
    void (*text)(void *data, bool levelEnd);
    // Called with the whole tag token once its attributes are read (open)
    // and after its content (close). Non-zero on open skips the content.
    int (*element)(void *data, uint8_t token, bool open);
    // A nested level ran into the end of the deck; null: nothing.
    void (*unclosed)();
    void *data;
};
// Walks the content from the position to the END that closes it (or the
// deck's end), descending into elements down to MAX_ELEMENT_DEPTH and
// skipping what lies deeper.
void walkElements(const WbxmlWalk &walk);
