#pragma once
// The layout state shared by the files of the Layout pass (layout.cpp,
// layout_text.cpp, events.cpp, images_tables.cpp). Not for other modules:
// they use layout.h.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wml/layout.h"

extern uint8_t *gLayoutTable;        // LAYOUT_TABLE_SIZE bytes, or none
extern uint8_t *gEventTable;         // EVENT_TABLE_SIZE bytes, or none
extern uint8_t *gEventScratch;       // rectangle + data of the visible event being built
extern uint32_t gLayoutLength;       // used bytes of the layout table
extern uint32_t gEventLength;        // used bytes of the event table
extern uint32_t gLastEvent;          // offset of the record addEvent wrote last
extern bool gUtf8;                   // the deck is UTF-8 (charset 106)

extern int32_t gScreenWidth;
extern int32_t gScreenHeight;
extern int32_t gFieldWidth;          // width of an input or select field
extern int32_t gFontHeight;          // height of "X" in style 0
extern int32_t gAvailWidth;          // lines are broken against this
extern int32_t gXOrigin;             // added to every line's x offset
extern int32_t gPenX;                // where the next item goes on the line
extern int32_t gLineWidth;           // right end of the rightmost item
extern int32_t gLineHeight;          // tallest item of the line
extern int32_t gCurY;                // top of the current line
extern int32_t gLineCount;           // closed lines
extern int32_t gLineX[MAX_LINES];    // x offset of each line
extern int32_t gLineBottom[MAX_LINES];
extern uint32_t gLineStart;          // layout-table offset of the line's first record
extern int32_t gLineGap;
extern bool gLinesFull;              // the line limit was reached: nothing more is placed

extern uint8_t gParaAlign[PARAGRAPH_STACK_SIZE];
extern uint8_t gParaMode[PARAGRAPH_STACK_SIZE];
extern int32_t gParaIndex;
extern int32_t gParaExcess;          // paragraphs opened past a full stack

extern int32_t gColumns;             // 0: not in a table with columns
extern int32_t gColumn;
extern int32_t gCellWidth;
extern int32_t gCellGap;
extern int32_t gRowGap;
extern int32_t gRowTop;
extern int32_t gRowBottom;
extern uint8_t gTableAlign;          // default alignment of paragraphs
extern char gTableTitle[32];

extern uint8_t gEventContext;        // EVENT_A..EVENT_SELECT while their text is written
extern uint8_t gExtraStyle;          // 1: a form field shows its title in italic
extern bool gSuppressOptions;        // option texts gather in textBuffer
extern int32_t gSelectNesting;       // selects open inside the suppressing one, +1
extern int64_t gSelectRecord;        // event offset of the select taking options, or -1
extern char gEventName[32];
extern uint32_t gScratchLength;      // type-specific data length in gEventScratch

// Style counters; kept across passes, balanced by the walk.
extern int32_t gBoldCount;
extern int32_t gItalicCount;
extern int32_t gUnderlineCount;
extern int32_t gBigBalance;

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
void resetEvents();

// images_tables.cpp
int imageInfo(const char *url, int32_t *width, int32_t *height, uint32_t *type, uint32_t *dataOffset);
int32_t parseLength(const char *text, bool vertical);
void write_img(const char *url, uint32_t dataOffset, int32_t naturalWidth, int32_t naturalHeight,
               int32_t width, int32_t height, int32_t hspace, int32_t vspace, uint8_t align);
bool draw_rect(int32_t x, int32_t y, int32_t width, int32_t height);
void imageElement();
void tableElement(uint8_t tag, bool open);
