#pragma once
// The Layout pass: one card of a cached deck laid out for the canvas into
// two flat tables, the LayoutTable (text runs, images, cell borders) and
// the EventTable (links, form fields, soft keys, intrinsic events). Both
// are 4096-byte buffers allocated once and rewritten by every pass.
#include <cstdint>
#include <string>

constexpr uint32_t LAYOUT_TABLE_SIZE = 4096;
constexpr uint32_t EVENT_TABLE_SIZE = 4096;
// A record is only added while the used length plus its own stays below
// this, so the 4-byte terminator always fits.
constexpr uint32_t TABLE_LIMIT = 4092;
constexpr uint32_t EVENT_SCRATCH_SIZE = 256;
constexpr int32_t MAX_LINES = 256;
constexpr int32_t PARAGRAPH_STACK_SIZE = 128;

// Layout record (little-endian; every record starts on a 4-byte boundary).
constexpr uint32_t LR_LENGTH = 0;     // signed 32, 0 ends the table
constexpr uint32_t LR_TYPE = 4;       // unsigned 32
constexpr uint32_t LR_STYLE = 8;      // byte
constexpr uint32_t LR_XLINE = 12;     // 1 + line index while laying out, then 0
constexpr uint32_t LR_YLINE = 16;
constexpr uint32_t LR_X = 20;
constexpr uint32_t LR_Y = 24;
constexpr uint32_t LR_WIDTH = 28;
constexpr uint32_t LR_HEIGHT = 32;
constexpr uint32_t LR_TEXT = 36;          // text record: zero-terminated text
constexpr uint32_t LR_IMG_WIDTH = 36;     // image record: natural size
constexpr uint32_t LR_IMG_HEIGHT = 40;
constexpr uint32_t LR_IMG_DATA = 44;      // offset of the pixel data in the WBMP
constexpr uint32_t LR_IMG_DWIDTH = 48;    // display size
constexpr uint32_t LR_IMG_DHEIGHT = 52;
constexpr uint32_t LR_IMG_URL = 56;       // zero-terminated source URL
constexpr uint32_t LTYPE_TEXT = 1;
constexpr uint32_t LTYPE_RECT = 3;
constexpr uint32_t LTYPE_IMAGE = 4;

// Alignment and wrap mode values are the attribute token codes.
constexpr uint8_t ALIGN_BOTTOM = 6;
constexpr uint8_t ALIGN_CENTER = 7;
constexpr uint8_t ALIGN_LEFT = 8;
constexpr uint8_t ALIGN_MIDDLE = 9;
constexpr uint8_t ALIGN_RIGHT = 10;
constexpr uint8_t ALIGN_TOP = 11;
constexpr uint8_t MODE_NOWRAP = 29;
constexpr uint8_t MODE_WRAP = 30;

// Event record: common header.
constexpr uint32_t ER_LENGTH = 0;
constexpr uint32_t ER_TYPE = 4;       // byte
constexpr uint32_t ER_NAME = 5;       // 35 bytes, zero-terminated
constexpr uint32_t ER_NAME_SIZE = 35;
constexpr uint32_t ER_DATA = 40;
// Types 1 and 3: deck offset of the task element; type 2: URL text.
constexpr uint32_t ER_CODE = 40;
constexpr uint32_t ER_URL = 40;
constexpr uint32_t ER_DO_LABEL = 44;  // 16 bytes
constexpr uint32_t ER_DO_LABEL_SIZE = 16;
constexpr uint32_t ER_DO_TYPE = 60;   // 36 bytes
constexpr uint32_t ER_DO_TYPE_SIZE = 36;
// Types 4 to 7: the rectangle, then the type's own data.
constexpr uint32_t ER_XLINE = 40;
constexpr uint32_t ER_YLINE = 44;
constexpr uint32_t ER_X = 48;
constexpr uint32_t ER_Y = 52;
constexpr uint32_t ER_WIDTH = 56;
constexpr uint32_t ER_HEIGHT = 60;
constexpr uint32_t ER_HREF = 64;            // a: zero-terminated "@offset"
constexpr uint32_t ER_ANCHOR_CODE = 64;     // anchor: deck offset of its task
constexpr uint32_t ER_INPUT_MAXLEN = 64;    // input: unsigned 32
constexpr uint32_t ER_INPUT_PASSWORD = 68;  // byte
constexpr uint32_t ER_INPUT_EMPTYOK = 69;   // byte
constexpr uint32_t ER_INPUT_TITLE = 70;     // TITLE then FORMAT, zero-terminated
constexpr uint32_t ER_SELECT_COUNT = 64;    // select: byte, number of options
constexpr uint32_t ER_SELECT_MULTIPLE = 65; // byte
constexpr uint32_t ER_SELECT_INAME = 66;    // 35 bytes
constexpr uint32_t ER_SELECT_INAME_SIZE = 35;
constexpr uint32_t ER_SELECT_TITLE = 101;   // TITLE, then label/value/onpick per option

constexpr uint8_t EVENT_NONE = 0;
constexpr uint8_t EVENT_ONEVENT = 1;
constexpr uint8_t EVENT_INTRINSIC = 2;
constexpr uint8_t EVENT_DO = 3;
constexpr uint8_t EVENT_A = 4;
constexpr uint8_t EVENT_ANCHOR = 5;
constexpr uint8_t EVENT_INPUT = 6;
constexpr uint8_t EVENT_SELECT = 7;

// Result of Layout besides 0 and -2 (deck not cached).
constexpr int LAYOUT_INCOMPLETE = 64;

// Allocates the two tables and the event scratch record: 0, or -1.
int layoutTablesInit();
void layoutTablesFree();
const uint8_t *getLayoutTable();
const uint8_t *getEventTable();

// Lays out the card named card (or the first card) of the deck cached
// under url. 0, 64 when something did not fit, -2 when not cached.
int Layout(const char *url, const char *card);

// Shows text in place of the text record at resolved (x, y) after a form
// field changed; 0, or -4 when there is no such record.
int replaceLayout(int x, int y, const char *text);

// The resolved tables, one record a line, exactly as the log shows them
// ("@(x,y) x(w,h), T1 A0 STR:..." and "E4 @(...) ..." lines).
std::string layoutTableText(const uint8_t *table);
std::string eventTableText(const uint8_t *table);
