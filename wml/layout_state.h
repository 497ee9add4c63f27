#pragma once
// The layout state shared by the files of the Layout pass (layout.cpp,
// layout_text.cpp, events.cpp, images_tables.cpp). Not for other modules:
// they use layout.h.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wml/layout.h"

// The state of the Layout pass. Every pass starts from the defaults
// (resetPass assigns a fresh record); the tables, the canvas metrics of the
// Layout call and the style counters, which the walk balances, carry over.
struct LayoutState {
    uint8_t *layoutTable = nullptr;   // LAYOUT_TABLE_SIZE bytes, or none
    uint8_t *eventTable = nullptr;    // EVENT_TABLE_SIZE bytes, or none
    uint8_t *eventScratch = nullptr;  // rectangle + data of the visible event being built
    bool utf8 = false;                // the deck is UTF-8 (charset 106)
    int32_t screenWidth = 0;          // canvas size at the start of the pass
    int32_t screenHeight = 0;
    int32_t fieldWidth = 0;      // width of an input or select field
    int32_t fontHeight = 0;      // height of "X" in style 0
    int32_t boldCount = 0;       // b, em, strong
    int32_t italicCount = 0;     // i
    int32_t underlineCount = 0;  // u
    int32_t bigBalance = 0;      // big +1, small -1
    // From here on the state of one pass.
    uint32_t layoutLength = 0;                               // used bytes of the layout table
    uint32_t eventLength = 0;                                // used bytes of the event table
    uint32_t lastEvent = 0;                                  // offset of the record addEvent wrote last
    int32_t availWidth = 0;                                  // lines are broken against this
    int32_t xOrigin = 0;                                     // added to every line's x offset
    int32_t penX = 0;                                        // where the next item goes on the line
    int32_t lineWidth = 0;                                   // right end of the rightmost item
    int32_t lineHeight = 0;                                  // tallest item of the line
    int32_t curY = 0;                                        // top of the current line
    int32_t lineCount = 0;                                   // closed lines
    int32_t lineX[MAX_LINES] = {};                           // x offset of each line
    int32_t lineBottom[MAX_LINES] = {};                      // bottom of each line
    uint32_t lineStart = 0;                                  // layout-table offset of the line's first record
    int32_t lineGap = 0;                                     // space between lines
    bool linesFull = false;                                  // the line limit was reached
    uint8_t paraAlign[PARAGRAPH_STACK_SIZE] = {ALIGN_LEFT};  // paragraph alignments
    uint8_t paraMode[PARAGRAPH_STACK_SIZE] = {MODE_WRAP};    // paragraph wrap modes
    int32_t paraIndex = 0;                                   // top of the paragraph stack
    int32_t paraExcess = 0;                                  // paragraphs opened past a full stack
    int32_t columns = 0;                                     // 0: not in a table with columns
    int32_t column = 0;                                      // cell index in the row
    int32_t cellWidth = 0;                                   // width of a table cell
    int32_t cellGap = 1;                                     // space between cells
    int32_t rowGap = 1;                                      // space between rows
    int32_t rowTop = 0;                                      // top of the row
    int32_t rowBottom = 0;                                   // bottom of its tallest cell so far
    uint8_t tableAlign = ALIGN_LEFT;                         // default paragraph alignment
    char tableTitle[32] = {};                                // shown centred below the table
    uint8_t eventContext = EVENT_NONE;                       // which clickable element's text is written
    uint8_t extraStyle = 0;                                  // 1: a form field shows its title in italic
    bool suppressOptions = false;                            // option texts gather in textBuffer
    int32_t selectNesting = 0;                               // selects open inside the suppressing one, +1
    int64_t selectRecord = -1;                               // event offset of the select taking options
    char eventName[32] = {};                                 // name of the event being built
    uint32_t scratchLength = 0;                              // type-specific data length in eventScratch
    bool noTarget = false;                                   // an a without HREF: shown as a link, not recorded
    char requestedCard[32] = {};                             // card asked for, or empty for the first
    int32_t cardCounter = 0;                                 // cards met so far
    bool cardFound = false;                                  // a card was taken
};

extern LayoutState gLayout;

// Type-specific data of a visible event is cut to fit the scratch record,
// whose copy into the table reads 3 bytes beyond the data.
constexpr uint32_t EVENT_DATA_MAX = EVENT_SCRATCH_SIZE - 24 - 3;

inline uint32_t roundUp4(uint32_t n) { return (n + 3u) & ~3u; }

inline void putU32(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline void putI32(uint8_t *p, int32_t v) { putU32(p, static_cast<uint32_t>(v)); }

// Bytes of text to keep so that it fits size bytes with its terminator,
// never ending inside a UTF-8 character of a UTF-8 deck.
size_t fitLength(const char *text, size_t size);
// Copies text into dst (size bytes with the terminator), cut by fitLength.
void copyCut(char *dst, size_t size, const char *text);
// Moves n back to the start of the character holding byte n.
size_t charStart(const char *text, size_t n);
// A decimal number (optional sign, digits), clamped to 32 bits.
int32_t decimalValue(const char *text);

// layout_text.cpp
// A zeroed record of length bytes at the end of the layout table with its
// length, type, style and line set (its x and y are relative to the line);
// null, the overflow logged for who, when it does not fit.
uint8_t *newLayoutRecord(const char *who, uint32_t length, uint32_t type, uint8_t style, uint32_t line);
// The four words x, y, width and height at p.
void putRect(uint8_t *p, int32_t x, int32_t y, int32_t width, int32_t height);
void write_str();
// Gives the field record at offset, the last of the table, the value text
// in place of what it showed (its placeholder style dropped).
void rewriteField(uint32_t offset, const char *text);
void newLine();
void pushParagraph(const char *alignText, const char *modeText);
void popParagraph();
uint8_t currentStyle();

// events.cpp
void addEvent(uint8_t type, const char *name, const uint8_t *data, uint32_t dataLength);
void addIntrinsicEvent(const char *name, const char *url);
void removeDuplicateEvent(const char *name);
void removeLastEvent();
// Adds the event of the visible item just written, when a context is active.
void addVisibleEvent(uint32_t xLine, uint32_t yLine, int32_t x, int32_t y, int32_t width, int32_t height);
// Element handlers of the event elements; non-zero skips the content.
int eventElement(uint8_t tag, bool open);

// images_tables.cpp
int imageInfo(const char *url, int32_t *width, int32_t *height, uint32_t *type, uint32_t *dataOffset);
int32_t parseLength(const char *text, bool vertical);
void write_img(const char *url, uint32_t dataOffset, int32_t naturalWidth, int32_t naturalHeight, int32_t width,
               int32_t height, int32_t hspace, int32_t vspace, uint8_t align);
bool draw_rect(int32_t x, int32_t y, int32_t width, int32_t height);
void imageElement();
void tableElement(uint8_t tag, bool open);
