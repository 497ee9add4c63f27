// Images, tables and the in-place edit of a field's text: the parts of the
// Layout pass that place WBMP pictures and table cells, and replaceLayout.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "cache/cache.h"
#include "common/byte_reader.h"
#include "common/log.h"
#include "shell/display.h"
#include "wml/layout_state.h"
#include "wml/wbxml.h"

constexpr int32_t MAX_LENGTH_PIXELS = 32767;  // lengths from the deck are clamped to this
constexpr uint32_t MAX_IMAGE_SIDE = 32767;    // larger WBMP headers are not believed

// --- Images ----------------------------------------------------------------

int32_t parseLength(const char *text, bool vertical)
{
    size_t n = std::strlen(text);
    if (n == 0)
        return 0;
    int64_t value = decimalValue(text);
    if (text[n - 1] == '%')
        value = value * (vertical ? gLayout.screenHeight : gLayout.availWidth) / 100;
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, MAX_LENGTH_PIXELS));
}

int imageInfo(const char *url, int32_t *width, int32_t *height, uint32_t *type, uint32_t *dataOffset)
{
    uint32_t contentType = CT_WBMP;
    uint8_t *content = nullptr;
    uint32_t length = 0;
    CacheResult result{};
    C_retrieve(url, &contentType, &content, &length, &result);
    if (result.code != CRES_HIT) {
        std::free(content);
        return -1;
    }
    ByteReader r{content, content ? length : 0, 0, false};
    uint32_t t = BR_multiByte(&r);
    BR_byte(&r);  // the fixed header byte
    uint32_t w = BR_multiByte(&r);
    uint32_t h = BR_multiByte(&r);
    uint32_t offset = r.position;
    std::free(content);
    if (r.failed || w > MAX_IMAGE_SIDE || h > MAX_IMAGE_SIDE)
        return -1;
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    *type = t;
    *dataOffset = offset;
    logPosition();
    Log_printf("Image %s T%d %dx%d available\n", url, static_cast<int>(t), *width, *height);
    return 0;
}

void write_img(const char *url, uint32_t dataOffset, int32_t naturalWidth, int32_t naturalHeight, int32_t width,
               int32_t height, int32_t hspace, int32_t vspace, uint8_t align)
{
    int32_t boxWidth = width + 2 * hspace;
    int32_t boxHeight = height + 2 * vspace;
    if (gLayout.availWidth - gLayout.penX < boxWidth)
        newLine();
    if (gLayout.linesFull)
        return;
    uint32_t urlLength = static_cast<uint32_t>(std::strlen(url));
    uint32_t recordLength = roundUp4(61 + urlLength);
    uint32_t line = static_cast<uint32_t>(gLayout.lineCount) + 1;
    uint8_t *r = newLayoutRecord("write_img", recordLength, LTYPE_IMAGE, 0, line);
    if (!r)
        return;
    int32_t y = align == ALIGN_TOP      ? -32768
                : align == ALIGN_MIDDLE ? -((boxHeight + gLayout.fontHeight) / 2)
                                        : -boxHeight;
    putRect(r + LR_X, gLayout.penX, y, boxWidth, boxHeight);
    putI32(r + LR_IMG_WIDTH, naturalWidth);
    putI32(r + LR_IMG_HEIGHT, naturalHeight);
    putU32(r + LR_IMG_DATA, dataOffset);
    putI32(r + LR_IMG_DWIDTH, width);
    putI32(r + LR_IMG_DHEIGHT, height);
    std::memcpy(r + LR_IMG_URL, url, urlLength + 1);
    logPosition();
    Log_printf("Entity @%d %d/%d;%d/%d x %d/%d Image %dx%d %s\n", static_cast<int>(gLayout.layoutLength),
               static_cast<int>(line), gLayout.penX, static_cast<int>(line), y, boxWidth, boxHeight, naturalWidth,
               naturalHeight, url);
    gLayout.layoutLength += recordLength;
    addVisibleEvent(line, line, gLayout.penX, y, boxWidth, boxHeight);
    if (align != ALIGN_TOP)
        gLayout.lineHeight = std::max(gLayout.lineHeight, -y);
    gLayout.lineWidth = std::max(gLayout.lineWidth, gLayout.penX + boxWidth);
    gLayout.penX += boxWidth;
}

void imageElement()
{
    int32_t width = parseLength(getAttr("WIDTH"), false);
    int32_t height = parseLength(getAttr("HEIGHT"), true);
    int32_t hspace = parseLength(getAttr("HSPACE"), false);
    int32_t vspace = parseLength(getAttr("VSPACE"), true);
    char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(getAttr("ALIGN")[0])));
    uint8_t align = letter == 't' ? ALIGN_TOP : letter == 'm' ? ALIGN_MIDDLE : ALIGN_BOTTOM;
    const char *src = getAttr("SRC");
    int32_t naturalWidth = 0, naturalHeight = 0;
    uint32_t type = 0, dataOffset = 0;
    if (imageInfo(src, &naturalWidth, &naturalHeight, &type, &dataOffset) != 0) {
        // Shown as its ALT text until the image arrives.
        const char *alt = getAttr("ALT");
        char *text = gWbxml.textBuffer;
        size_t used = std::strlen(text);
        std::string shown = std::string("[") + (alt[0] ? alt : "Image") + "]";
        copyCut(text + used, TEXT_BUFFER_SIZE - used, shown.c_str());
        return;
    }
    write_img(src, dataOffset, naturalWidth, naturalHeight, width > 0 ? width : naturalWidth,
              height > 0 ? height : naturalHeight, hspace, vspace, align);
}

// --- Tables ----------------------------------------------------------------

bool draw_rect(int32_t x, int32_t y, int32_t width, int32_t height)
{
    const uint32_t recordLength = 40;
    uint8_t *r = newLayoutRecord("draw_rect", recordLength, LTYPE_RECT, 1, 0);
    if (!r)
        return false;
    putRect(r + LR_X, x, y, width, height);
    logPosition();
    Log_printf("Entity @%d %d/%d;%d/%d x %d/%d\n", static_cast<int>(gLayout.layoutLength), 0, x, 0, y, width, height);
    gLayout.layoutLength += recordLength;
    return true;
}

static void openTable()
{
    if (gLayout.penX != 0)
        newLine();
    gLayout.curY += gLayout.rowGap / 2;
    gLayout.column = 0;
    gLayout.rowTop = gLayout.curY;
    gLayout.rowBottom = gLayout.curY;
    pushParagraph(getAttr("ALIGN"), "");
    gLayout.tableAlign = gLayout.paraAlign[gLayout.paraIndex];
    copyCut(gLayout.tableTitle, sizeof gLayout.tableTitle, getAttr("TITLE"));
    // More columns than pixels would leave cells of no width.
    gLayout.columns = std::clamp(decimalValue(getAttr("COLUMNS")), 0, std::max(gLayout.screenWidth, 0));
    if (gLayout.columns == 0) {
        Log_printf("Table with %d columns, xmax = %d\n", 0, gLayout.availWidth);
        return;
    }
    gLayout.cellWidth = gLayout.screenWidth / gLayout.columns - gLayout.cellGap;
    gLayout.availWidth = gLayout.cellWidth;
    Log_printf("Table with %d columns, xmax = %d\n", gLayout.columns, gLayout.cellWidth);
}

static void closeTable()
{
    gLayout.availWidth = gLayout.screenWidth;
    newLine();
    gLayout.columns = 0;
    gLayout.curY += gLayout.rowGap;
    gLayout.xOrigin = 0;
    popParagraph();
    gLayout.tableAlign = ALIGN_LEFT;
    if (!gLayout.tableTitle[0])
        return;
    pushParagraph("CENTER", "WRAP");
    copyCut(gWbxml.textBuffer, TEXT_BUFFER_SIZE, gLayout.tableTitle);
    write_str();
    newLine();
    gLayout.curY += gLayout.rowGap / 2;
    popParagraph();
}

static void closeCell()
{
    newLine();
    gLayout.rowBottom = std::max(gLayout.rowBottom, gLayout.curY);
}

static void closeRow()
{
    for (int32_t c = 1; c <= gLayout.columns; c++) {
        if (!draw_rect((gLayout.cellWidth + gLayout.cellGap) * (c - 1) + gLayout.cellGap / 2, gLayout.rowTop,
                       gLayout.cellWidth + 1, gLayout.rowBottom - gLayout.rowTop + 1))
            break;
    }
}

void tableElement(uint8_t tag, bool open)
{
    if (tag == TAG_TABLE) {
        if (open)
            openTable();
        else
            closeTable();
        return;
    }
    if (gLayout.columns == 0) {
        // A table without columns is laid out as ordinary text.
        if (tag == TAG_TR) {
            gLayout.penX = 0;
            gLayout.curY = gLayout.rowBottom + gLayout.rowGap;
        } else {
            closeCell();
        }
        return;
    }
    if (tag == TAG_TR) {
        if (open) {
            gLayout.column = 0;
            gLayout.rowBottom = 0;
            gLayout.rowTop = gLayout.curY;
        } else {
            closeRow();
            gLayout.penX = 0;
            gLayout.curY = gLayout.rowBottom + gLayout.rowGap;
        }
        return;
    }
    if (!open) {
        closeCell();
        return;
    }
    gLayout.column++;
    if (gLayout.column > gLayout.columns)
        return;  // laid out where the pen stands
    gLayout.xOrigin = (gLayout.cellWidth + gLayout.cellGap) * (gLayout.column - 1) + gLayout.cellGap / 2;
    Log_printf("%d\n", gLayout.xOrigin);
    gLayout.penX = 0;
    gLayout.curY = gLayout.rowTop;
}

// --- Field replacement -----------------------------------------------------

int replaceLayout(int x, int y, const char *text)
{
    Log_printf("Replace layout @(%d,%d) STR:%s\n", x, y, text);
    if (!gLayout.layoutTable)
        return -4;
    // Used bytes, the terminator included.
    uint32_t used = 0;
    Tbl_forEachTableRecord(
        gLayout.layoutTable, LR_HEADER_SIZE, [](uint8_t *, uint32_t) { return false; }, &used);
    used = std::min(used + 4, LAYOUT_TABLE_SIZE);
    uint8_t *r = nullptr;
    Tbl_forEachTableRecord(gLayout.layoutTable, LR_HEADER_SIZE, [&](uint8_t *rec, uint32_t length) {
        uint32_t type = Tbl_getU32(rec + LR_TYPE);
        Log_printf("%d @(%d,%d) T%d len=%d\n", static_cast<int>(rec - gLayout.layoutTable), Tbl_getI32(rec + LR_X),
                   Tbl_getI32(rec + LR_Y), static_cast<int>(type), static_cast<int>(length));
        if (type == LTYPE_TEXT && length >= 40 && Tbl_getI32(rec + LR_X) == x && Tbl_getI32(rec + LR_Y) == y)
            r = rec;
        return r != nullptr;
    });
    if (!r) {
        Log_str("Layout entity not found\n");
        return -4;
    }
    uint8_t style = r[LR_STYLE];
    uint32_t length = Tbl_getU32(r + LR_LENGTH);
    Log_printf("Old @(%d,%d) x(%d,%d), T%d A%d\n", Tbl_getI32(r + LR_X), Tbl_getI32(r + LR_Y), Tbl_getI32(r + LR_WIDTH),
               Tbl_getI32(r + LR_HEIGHT), static_cast<int>(Tbl_getU32(r + LR_TYPE)), style);
    Log_printf("STR:[%s]\n", reinterpret_cast<const char *>(r + LR_TEXT));
    char *kept = gWbxml.textBuffer;
    copyCut(kept, TEXT_BUFFER_SIZE, text);
    int n = fitText(style, kept, Tbl_getI32(r + LR_WIDTH));
    size_t keep = charStart(kept, std::min(static_cast<size_t>(std::max(n, 0)), std::strlen(kept)));
    // The record may only grow into the room left behind the terminator.
    uint32_t maxLength = length + ((LAYOUT_TABLE_SIZE - used) & ~3u);
    if (40 + keep > maxLength)
        keep = charStart(kept, maxLength - 40);
    kept[keep] = 0;
    uint32_t newLength = roundUp4(40 + static_cast<uint32_t>(keep));
    if (newLength > length) {
        Log_printf("Expand buffer %d -> %d (len = %d)\n", static_cast<int>(length), static_cast<int>(newLength),
                   static_cast<int>(keep));
        uint32_t rest = used - static_cast<uint32_t>(r - gLayout.layoutTable) - length;
        std::memmove(r + newLength, r + length, rest);
        putU32(r + LR_LENGTH, newLength);
        gLayout.layoutLength = used + (newLength - length);
        length = newLength;
    }
    std::memset(r + LR_TEXT, 0, length - LR_TEXT);
    std::memcpy(r + LR_TEXT, kept, keep);
    Log_printf("New @(%d,%d) x(%d,%d), T%d A%d\n", Tbl_getI32(r + LR_X), Tbl_getI32(r + LR_Y), Tbl_getI32(r + LR_WIDTH),
               Tbl_getI32(r + LR_HEIGHT), static_cast<int>(Tbl_getU32(r + LR_TYPE)), style);
    Log_printf("STR:[%s]\n", kept);
    kept[0] = 0;
    return 0;
}
