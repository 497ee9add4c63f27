#pragma once
// The two tables the layout hands the display: the layout table (text
// runs, images, cell borders) and the event table (links, form fields,
// soft keys, intrinsic events). One definition of their records for the
// layout that writes them and for everything that reads them.
#include <cstdint>

constexpr uint32_t LAYOUT_TABLE_SIZE = 4096;
constexpr uint32_t EVENT_TABLE_SIZE = 4096;

// Both tables hold records one after another, little-endian, each
// starting with its signed 32-bit length and its type. A length of 0 ends
// a table, and so does one that is not a record's: shorter than the
// table's header, not a multiple of 4, or running past the table. Every
// reader walks the tables with Tbl_forEachTableRecord.
static_assert(LAYOUT_TABLE_SIZE == EVENT_TABLE_SIZE);
constexpr uint32_t LR_HEADER_SIZE = 36;   // a layout record up to its rectangle
constexpr uint32_t ER_HEADER_SIZE = 40;   // an event record up to its name
constexpr uint32_t ER_VISIBLE_SIZE = 64;  // event types 4 to 7 up to their rectangle

inline uint32_t Tbl_getU32(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t Tbl_getI32(const uint8_t *p) { return static_cast<int32_t>(Tbl_getU32(p)); }

// The length of the record at offset of a table whose records have at
// least header bytes, or 0 where the table ends.
inline uint32_t Tbl_tableRecordLength(const uint8_t *table, uint32_t offset, uint32_t header)
{
    if (offset > LAYOUT_TABLE_SIZE - 4)
        return 0;
    int32_t length = Tbl_getI32(table + offset);
    if (length < static_cast<int32_t>(header) || length % 4 != 0 ||
        static_cast<uint32_t>(length) > LAYOUT_TABLE_SIZE - offset)
        return 0;
    return static_cast<uint32_t>(length);
}

// Calls visit (record, length) for each record in order until it returns
// true; whether one did. *end (when given) is the offset it stopped at.
template <typename T, typename F>
bool Tbl_forEachTableRecord(T *table, uint32_t header, F visit, uint32_t *end = nullptr)
{
    uint32_t offset = 0;
    bool stopped = false;
    while (uint32_t length = Tbl_tableRecordLength(table, offset, header)) {
        if ((stopped = visit(table + offset, length)))
            break;
        offset += length;
    }
    if (end)
        *end = offset;
    return stopped;
}

// Layout record fields.
constexpr uint32_t LR_LENGTH = 0;
constexpr uint32_t LR_TYPE = 4;    // unsigned 32
constexpr uint32_t LR_STYLE = 8;   // byte
constexpr uint32_t LR_XLINE = 12;  // 1 + line index while laying out, then 0
constexpr uint32_t LR_YLINE = 16;
constexpr uint32_t LR_X = 20;
constexpr uint32_t LR_Y = 24;
constexpr uint32_t LR_WIDTH = 28;
constexpr uint32_t LR_HEIGHT = 32;
constexpr uint32_t LR_TEXT = 36;       // text record: zero-terminated text
constexpr uint32_t LR_IMG_WIDTH = 36;  // image record: natural size
constexpr uint32_t LR_IMG_HEIGHT = 40;
constexpr uint32_t LR_IMG_DATA = 44;    // offset of the pixel data in the WBMP
constexpr uint32_t LR_IMG_DWIDTH = 48;  // display size
constexpr uint32_t LR_IMG_DHEIGHT = 52;
constexpr uint32_t LR_IMG_URL = 56;  // zero-terminated source URL
constexpr uint32_t LTYPE_TEXT = 1;
constexpr uint32_t LTYPE_RECT = 3;
constexpr uint32_t LTYPE_IMAGE = 4;

// Event record: common header.
constexpr uint32_t ER_LENGTH = 0;
constexpr uint32_t ER_TYPE = 4;  // byte
constexpr uint32_t ER_NAME = 5;  // 35 bytes, zero-terminated
constexpr uint32_t ER_NAME_SIZE = 35;
constexpr uint32_t ER_DATA = 40;
// Types 1 and 3: deck offset of the task element; type 2: URL text.
constexpr uint32_t ER_CODE = 40;
constexpr uint32_t ER_URL = 40;
constexpr uint32_t ER_DO_LABEL = 44;  // 16 bytes
constexpr uint32_t ER_DO_LABEL_SIZE = 16;
constexpr uint32_t ER_DO_TYPE = 60;  // 36 bytes
constexpr uint32_t ER_DO_TYPE_SIZE = 36;
// Types 4 to 7: the rectangle, then the type's own data.
constexpr uint32_t ER_XLINE = 40;
constexpr uint32_t ER_YLINE = 44;
constexpr uint32_t ER_X = 48;
constexpr uint32_t ER_Y = 52;
constexpr uint32_t ER_WIDTH = 56;
constexpr uint32_t ER_HEIGHT = 60;
constexpr uint32_t ER_HREF = 64;             // a: zero-terminated "@offset"
constexpr uint32_t ER_ANCHOR_CODE = 64;      // anchor: deck offset of its task
constexpr uint32_t ER_INPUT_MAXLEN = 64;     // input: unsigned 32
constexpr uint32_t ER_INPUT_PASSWORD = 68;   // byte
constexpr uint32_t ER_INPUT_EMPTYOK = 69;    // byte
constexpr uint32_t ER_INPUT_TITLE = 70;      // TITLE then FORMAT, zero-terminated
constexpr uint32_t ER_SELECT_COUNT = 64;     // select: byte, number of options
constexpr uint32_t ER_SELECT_MULTIPLE = 65;  // byte
constexpr uint32_t ER_SELECT_INAME = 66;     // 35 bytes
constexpr uint32_t ER_SELECT_INAME_SIZE = 35;
constexpr uint32_t ER_SELECT_TITLE = 101;  // TITLE, then label/value/onpick per option

constexpr uint8_t EVENT_NONE = 0;
constexpr uint8_t EVENT_ONEVENT = 1;
constexpr uint8_t EVENT_INTRINSIC = 2;
constexpr uint8_t EVENT_DO = 3;
constexpr uint8_t EVENT_A = 4;
constexpr uint8_t EVENT_ANCHOR = 5;
constexpr uint8_t EVENT_INPUT = 6;
constexpr uint8_t EVENT_SELECT = 7;
