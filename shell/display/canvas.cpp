#include "shell/display/canvas.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"
#include "common/table_records.h"
#include "shell/display/pixels.h"
#include "shell/display/text.h"
#include "shell/display/wbmp.h"

namespace {

constexpr int MAX_CANVAS_SIDE = 4096;
constexpr uint32_t GREY = 0x555555;

const uint8_t *gLayoutTable = nullptr;  // of the last submitCanvas, or none
const uint8_t *gEventTable = nullptr;   // of the last submitCanvas, or none
int gScrollX = 0;                       // scroll offsets in pixels
int gScrollY = 0;
int gCanvasWidth = 120;  // the skin's canvas size
int gCanvasHeight = 160;
uint32_t gBackground = 0xFFFFFF;  // the skin's canvas colours, 0xRRGGBB
uint32_t gForeground = 0x000000;
cairo_surface_t *gSurface = nullptr;  // the offscreen picture, made at first paint
std::vector<std::string> gSoftKeys;   // 1007, 1008, then drop-down 1009
DisplayHooks gHooks = {};             // the backend's callbacks
ImageSource gImageSource = nullptr;

void notify(void (*hook)())
{
    if (hook)
        hook();
}

// A walk that stopped at a length other than the terminator's.
void noteBadRecord(const uint8_t *table, uint32_t offset)
{
    if (offset + 8 <= LAYOUT_TABLE_SIZE && Tbl_getI32(table + offset) != 0)
        Log_printf("Display: bad table record @%d\n", static_cast<int>(offset));
}

// A layout record copied out of the table, text and URL terminated inside
// the copy whatever the table held.
struct LayoutRecord {
    std::array<uint8_t, LAYOUT_TABLE_SIZE + 1> bytes;
    int32_t length;
    uint32_t type;
    uint8_t style;
    int64_t x, y, width, height;  // canvas pixels, scroll already taken off x and y
};

void readRecord(const uint8_t *source, int32_t length, LayoutRecord *record)
{
    std::memcpy(record->bytes.data(), source, length);
    record->bytes[length] = 0;
    record->length = length;
    record->type = Tbl_getU32(source + LR_TYPE);
    record->style = source[LR_STYLE];
    record->x = static_cast<int64_t>(Tbl_getI32(source + LR_X)) - gScrollX;
    record->y = static_cast<int64_t>(Tbl_getI32(source + LR_Y)) - gScrollY;
    record->width = Tbl_getI32(source + LR_WIDTH);
    record->height = Tbl_getI32(source + LR_HEIGHT);
}

// Borders included: a record touching the visible area is drawn.
bool isVisible(const LayoutRecord &r)
{
    return r.x <= gCanvasWidth && r.y <= gCanvasHeight && r.x + r.width >= 0 && r.y + r.height >= 0;
}

void setSourceColour(cairo_t *cr, uint32_t colour)
{
    cairo_set_source_rgb(cr, ((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, (colour & 0xFF) / 255.0);
}

void greyLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    plotLine(gSurface, x0, y0, x1, y1, Pen{GREY, 1, PIXEL_SET});
}

void drawText(cairo_t *cr, const LayoutRecord &r)
{
    if (r.length <= static_cast<int32_t>(LR_TEXT) || r.width <= 0 || r.height <= 0)
        return;
    const char *text = reinterpret_cast<const char *>(r.bytes.data() + LR_TEXT);
    cairo_save(cr);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_clip(cr);
    cairo_move_to(cr, r.x + ((r.style & STYLE_FIELD) ? 1 : 0), r.y);
    setSourceColour(cr, gForeground);
    drawStyledText(cr, r.style, text);
    cairo_restore(cr);
    cairo_surface_flush(gSurface);

    int64_t right = r.x + r.width, bottom = r.y + r.height;
    if (r.style & STYLE_LINK) {
        greyLine(r.x, bottom - 1, right, bottom - 1);
    } else if (r.style & STYLE_FIELD) {
        greyLine(r.x, r.y, right, r.y);
        greyLine(right, r.y, right, bottom - 1);
        greyLine(right, bottom - 1, r.x, bottom - 1);
        greyLine(r.x, bottom - 1, r.x, r.y);
    }
}

// A cell border. The right side runs one pixel further than a pen would
// draw it, so that the bottom-right corner is closed.
void drawRect(const LayoutRecord &r)
{
    int64_t right = r.x + r.width, bottom = r.y + r.height;
    greyLine(r.x, r.y, right, r.y);
    greyLine(r.x, bottom, right, bottom);
    greyLine(r.x, r.y, r.x, bottom);
    greyLine(right, r.y, right, bottom + 1);
}

// The image comes again from the cache; one that is gone leaves the area
// blank. The spacing around the image shows the background.
void drawImage(cairo_t *cr, const LayoutRecord &r)
{
    if (!gImageSource || r.length <= static_cast<int32_t>(LR_IMG_URL) || r.style != 0 || r.width == 0 || r.height == 0)
        return;
    const uint8_t *bytes = r.bytes.data();
    const char *url = reinterpret_cast<const char *>(bytes + LR_IMG_URL);
    uint32_t contentType = CT_WBMP;
    uint8_t *content = nullptr;
    uint32_t length = 0;
    CacheResult result = {0, 0};
    gImageSource(url, &contentType, &content, &length, &result);
    if (result.code == CRES_HIT && content) {
        WbmpPixels image = {content, length, Tbl_getU32(bytes + LR_IMG_DATA), Tbl_getI32(bytes + LR_IMG_WIDTH),
                            Tbl_getI32(bytes + LR_IMG_HEIGHT)};
        drawWbmp(cr, image, r.x, r.y, r.width, r.height, gForeground, gBackground);
    }
    std::free(content);
}

void drawRecords(cairo_t *cr)
{
    LayoutRecord record;
    uint32_t end = 0;
    Tbl_forEachTableRecord(
        gLayoutTable, LR_HEADER_SIZE,
        [&](const uint8_t *source, uint32_t length) {
            readRecord(source, static_cast<int32_t>(length), &record);
            if (!isVisible(record))
                return false;
            if (record.type == LTYPE_TEXT)
                drawText(cr, record);
            else if (record.type == LTYPE_IMAGE)
                drawImage(cr, record);
            else if (record.type == LTYPE_RECT)
                drawRect(record);
            return false;
        },
        &end);
    noteBadRecord(gLayoutTable, end);
}

bool ensureSurface()
{
    if (gSurface)
        return true;
    gSurface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, gCanvasWidth, gCanvasHeight);
    if (cairo_surface_status(gSurface) == CAIRO_STATUS_SUCCESS)
        return true;
    Log_str("Display: cannot create the canvas picture\n");
    cairo_surface_destroy(gSurface);
    gSurface = nullptr;
    return false;
}

// A fixed-width text field of an event record, cut at its end or the
// record's, whichever comes first.
std::string eventField(const uint8_t *record, uint32_t length, size_t offset, size_t size)
{
    if (offset >= static_cast<size_t>(length))
        return {};
    size_t limit = std::min(size, static_cast<size_t>(length) - offset);
    const char *start = reinterpret_cast<const char *>(record + offset);
    return std::string(start, strnlen(start, limit));
}

void labelSoftKeys()
{
    gSoftKeys.clear();
    if (gEventTable) {
        uint32_t end = 0;
        Tbl_forEachTableRecord(
            gEventTable, ER_HEADER_SIZE,
            [](const uint8_t *record, uint32_t length) {
                if (record[ER_TYPE] != EVENT_DO)
                    return false;
                std::string label = eventField(record, length, ER_DO_LABEL, ER_DO_LABEL_SIZE);
                if (label.empty())
                    label = eventField(record, length, ER_DO_TYPE, ER_DO_TYPE_SIZE);
                gSoftKeys.push_back(deckTextToUtf8(label.c_str()));
                return false;
            },
            &end);
        noteBadRecord(gEventTable, end);
    }
    notify(gHooks.softKeysChanged);
}

}  // namespace

void getCanvasSize(int *width, int *height)
{
    *width = gCanvasWidth;
    *height = gCanvasHeight;
}

bool setCanvasSize(int width, int height)
{
    if (width < 1 || height < 1 || width > MAX_CANVAS_SIDE || height > MAX_CANVAS_SIDE)
        return false;
    gCanvasWidth = width;
    gCanvasHeight = height;
    if (gSurface)
        cairo_surface_destroy(gSurface);
    gSurface = nullptr;
    return true;
}

void setImageSource(ImageSource retrieve) { gImageSource = retrieve; }

void setCanvasColours(uint32_t background, uint32_t foreground)
{
    gBackground = background & 0xFFFFFF;
    gForeground = foreground & 0xFFFFFF;
}

cairo_surface_t *canvasSurface() { return gSurface; }

bool writeCanvasPng(const char *path)
{
    if (!gSurface)
        return false;
    cairo_surface_flush(gSurface);
    return cairo_surface_write_to_png(gSurface, path) == CAIRO_STATUS_SUCCESS;
}

const uint8_t *currentLayoutTable() { return gLayoutTable; }

const uint8_t *currentEventTable() { return gEventTable; }

const std::vector<std::string> &softKeyLabels() { return gSoftKeys; }

void setDisplayHooks(const DisplayHooks *hooks) { gHooks = hooks ? *hooks : DisplayHooks{}; }

const DisplayHooks &displayHooks() { return gHooks; }

void submitCanvas(const uint8_t *layoutTable, const uint8_t *eventTable)
{
    Log_str("Display: in submitCanvas\n");
    gLayoutTable = layoutTable;
    gEventTable = eventTable;
    if (layoutTable && gHooks.cardSubmitted)
        gHooks.cardSubmitted();
    labelSoftKeys();
    paintNow();
}

void clearCanvas() { submitCanvas(nullptr, nullptr); }

void paintNow()
{
    Log_str("Display: starting paintNow()\n");
    if (ensureSurface()) {
        cairo_t *cr = cairo_create(gSurface);
        setSourceColour(cr, gBackground);
        cairo_paint(cr);
        if (gLayoutTable)
            drawRecords(cr);
        cairo_destroy(cr);
        cairo_surface_flush(gSurface);
    }
    notify(gHooks.paintTitle);
    Log_str("Display: end paintNow()\n");
    notify(gHooks.canvasPainted);
}

void paintTitle() { notify(gHooks.paintTitle); }

void setScroll(int x, int y)
{
    gScrollX = x;
    gScrollY = y;
    paintNow();
}

void getScroll(int *x, int *y)
{
    *x = gScrollX;
    *y = gScrollY;
}

void D_drawLine(int x, int y, int dx, int dy, uint8_t style)
{
    if (!ensureSurface())
        return;
    bool exclusive = style & 0x02;
    Pen pen = {style == 0 ? 0x000000u : GREY, exclusive ? 2 : 1, exclusive ? PIXEL_XOR : PIXEL_SET};
    int64_t x0 = static_cast<int64_t>(x) - gScrollX, y0 = static_cast<int64_t>(y) - gScrollY;
    plotLine(gSurface, x0, y0, x0 + dx, y0 + dy, pen);
    notify(gHooks.canvasPainted);
}
