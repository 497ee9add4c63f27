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
        value = value * (vertical ? gScreenHeight : gAvailWidth) / 100;
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
    if (gAvailWidth - gPenX < boxWidth)
        newLine();
    if (gLinesFull)
        return;
    uint32_t urlLength = static_cast<uint32_t>(std::strlen(url));
    uint32_t recordLength = roundUp4(61 + urlLength);
    if (gLayoutLength + recordLength >= TABLE_LIMIT) {
        logPosition();
        Log_str("Layout buffer overflow (write_img)\n");
        gWbxml.errorFlag = 1;
        return;
    }
    int32_t y = align == ALIGN_TOP ? -32768 : align == ALIGN_MIDDLE ? -((boxHeight + gFontHeight) / 2) : -boxHeight;
    uint32_t line = static_cast<uint32_t>(gLineCount) + 1;
    uint8_t *r = gLayoutTable + gLayoutLength;
    std::memset(r, 0, recordLength);
    putI32(r + LR_LENGTH, static_cast<int32_t>(recordLength));
    putU32(r + LR_TYPE, LTYPE_IMAGE);
    putU32(r + LR_XLINE, line);
    putU32(r + LR_YLINE, line);
    putI32(r + LR_X, gPenX);
    putI32(r + LR_Y, y);
    putI32(r + LR_WIDTH, boxWidth);
    putI32(r + LR_HEIGHT, boxHeight);
    putI32(r + LR_IMG_WIDTH, naturalWidth);
    putI32(r + LR_IMG_HEIGHT, naturalHeight);
    putU32(r + LR_IMG_DATA, dataOffset);
    putI32(r + LR_IMG_DWIDTH, width);
    putI32(r + LR_IMG_DHEIGHT, height);
    std::memcpy(r + LR_IMG_URL, url, urlLength + 1);
    logPosition();
    Log_printf("Entity @%d %d/%d;%d/%d x %d/%d Image %dx%d %s\n", static_cast<int>(gLayoutLength),
               static_cast<int>(line), gPenX, static_cast<int>(line), y, boxWidth, boxHeight, naturalWidth,
               naturalHeight, url);
    gLayoutLength += recordLength;
    addVisibleEvent(line, line, gPenX, y, boxWidth, boxHeight);
    if (align != ALIGN_TOP)
        gLineHeight = std::max(gLineHeight, -y);
    gLineWidth = std::max(gLineWidth, gPenX + boxWidth);
    gPenX += boxWidth;
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
    if (gLayoutLength + recordLength >= TABLE_LIMIT) {
        logPosition();
        Log_str("Layout buffer overflow (draw_rect)\n");
        gWbxml.errorFlag = 1;
        return false;
    }
    uint8_t *r = gLayoutTable + gLayoutLength;
    std::memset(r, 0, recordLength);
    putI32(r + LR_LENGTH, recordLength);
    putU32(r + LR_TYPE, LTYPE_RECT);
    r[LR_STYLE] = 1;
    putI32(r + LR_X, x);
    putI32(r + LR_Y, y);
    putI32(r + LR_WIDTH, width);
    putI32(r + LR_HEIGHT, height);
    logPosition();
    Log_printf("Entity @%d %d/%d;%d/%d x %d/%d\n", static_cast<int>(gLayoutLength), 0, x, 0, y, width, height);
    gLayoutLength += recordLength;
    return true;
}

static void openTable()
{
    if (gPenX != 0)
        newLine();
    gCurY += gRowGap / 2;
    gColumn = 0;
    gRowTop = gCurY;
    gRowBottom = gCurY;
    pushParagraph(getAttr("ALIGN"), "");
    gTableAlign = gParaAlign[gParaIndex];
    copyCut(gTableTitle, sizeof gTableTitle, getAttr("TITLE"));
    // More columns than pixels would leave cells of no width.
    gColumns = std::clamp(decimalValue(getAttr("COLUMNS")), 0, std::max(gScreenWidth, 0));
    if (gColumns == 0) {
        Log_printf("Table with %d columns, xmax = %d\n", 0, gAvailWidth);
        return;
    }
    gCellWidth = gScreenWidth / gColumns - gCellGap;
    gAvailWidth = gCellWidth;
    Log_printf("Table with %d columns, xmax = %d\n", gColumns, gCellWidth);
}

static void closeTable()
{
    gAvailWidth = gScreenWidth;
    newLine();
    gColumns = 0;
    gCurY += gRowGap;
    gXOrigin = 0;
    popParagraph();
    gTableAlign = ALIGN_LEFT;
    if (!gTableTitle[0])
        return;
    pushParagraph("CENTER", "WRAP");
    copyCut(gWbxml.textBuffer, TEXT_BUFFER_SIZE, gTableTitle);
    write_str();
    newLine();
    gCurY += gRowGap / 2;
    popParagraph();
}

static void closeCell()
{
    newLine();
    gRowBottom = std::max(gRowBottom, gCurY);
}

static void closeRow()
{
    for (int32_t c = 1; c <= gColumns; c++) {
        if (!draw_rect((gCellWidth + gCellGap) * (c - 1) + gCellGap / 2, gRowTop, gCellWidth + 1,
                       gRowBottom - gRowTop + 1))
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
    if (gColumns == 0) {
        // A table without columns is laid out as ordinary text.
        if (tag == TAG_TR) {
            gPenX = 0;
            gCurY = gRowBottom + gRowGap;
        } else {
            closeCell();
        }
        return;
    }
    if (tag == TAG_TR) {
        if (open) {
            gColumn = 0;
            gRowBottom = 0;
            gRowTop = gCurY;
        } else {
            closeRow();
            gPenX = 0;
            gCurY = gRowBottom + gRowGap;
        }
        return;
    }
    if (!open) {
        closeCell();
        return;
    }
    gColumn++;
    if (gColumn > gColumns)
        return;  // laid out where the pen stands
    gXOrigin = (gCellWidth + gCellGap) * (gColumn - 1) + gCellGap / 2;
    Log_printf("%d\n", gXOrigin);
    gPenX = 0;
    gCurY = gRowTop;
}

// --- Field replacement -----------------------------------------------------

// Used bytes of the layout table, its terminator included.
static uint32_t layoutUsed()
{
    uint32_t off = 0;
    while (off + 4 <= LAYOUT_TABLE_SIZE) {
        int32_t length = getI32(gLayoutTable + off);
        if (length <= 0 || static_cast<uint32_t>(length) > LAYOUT_TABLE_SIZE - off - 4)
            break;
        off += static_cast<uint32_t>(length);
    }
    return off + 4;
}

int replaceLayout(int x, int y, const char *text)
{
    Log_printf("Replace layout @(%d,%d) STR:%s\n", x, y, text);
    if (!gLayoutTable)
        return -4;
    uint32_t used = layoutUsed();
    uint32_t off = 0;
    uint8_t *r = nullptr;
    while (off + 4 < used) {
        uint8_t *rec = gLayoutTable + off;
        int32_t length = getI32(rec + LR_LENGTH);
        uint32_t type = getU32(rec + LR_TYPE);
        Log_printf("%d @(%d,%d) T%d len=%d\n", static_cast<int>(off), getI32(rec + LR_X), getI32(rec + LR_Y),
                   static_cast<int>(type), length);
        if (type == LTYPE_TEXT && length >= 40 && getI32(rec + LR_X) == x && getI32(rec + LR_Y) == y) {
            r = rec;
            break;
        }
        off += static_cast<uint32_t>(length);
    }
    if (!r) {
        Log_str("Layout entity not found\n");
        return -4;
    }
    uint8_t style = r[LR_STYLE];
    uint32_t length = getU32(r + LR_LENGTH);
    Log_printf("Old @(%d,%d) x(%d,%d), T%d A%d\n", getI32(r + LR_X), getI32(r + LR_Y), getI32(r + LR_WIDTH),
               getI32(r + LR_HEIGHT), static_cast<int>(getU32(r + LR_TYPE)), style);
    Log_printf("STR:[%s]\n", reinterpret_cast<const char *>(r + LR_TEXT));
    char *kept = gWbxml.textBuffer;
    copyCut(kept, TEXT_BUFFER_SIZE, text);
    int n = fitText(style, kept, getI32(r + LR_WIDTH));
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
        uint32_t rest = used - (off + length);
        std::memmove(r + newLength, r + length, rest);
        putU32(r + LR_LENGTH, newLength);
        gLayoutLength = used + (newLength - length);
        length = newLength;
    }
    std::memset(r + LR_TEXT, 0, length - LR_TEXT);
    std::memcpy(r + LR_TEXT, kept, keep);
    Log_printf("New @(%d,%d) x(%d,%d), T%d A%d\n", getI32(r + LR_X), getI32(r + LR_Y), getI32(r + LR_WIDTH),
               getI32(r + LR_HEIGHT), static_cast<int>(getU32(r + LR_TYPE)), style);
    Log_printf("STR:[%s]\n", kept);
    kept[0] = 0;
    return 0;
}
