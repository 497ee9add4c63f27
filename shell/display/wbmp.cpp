#include "shell/display/wbmp.h"

#include <algorithm>

#include "common/log.h"

namespace {

void setSourceColour(cairo_t *cr, uint32_t colour)
{
    cairo_set_source_rgb(cr, ((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, (colour & 0xFF) / 255.0);
}

struct Span {
    int64_t begin, end;  // canvas pixels, end excluded
};

Span clipSpan(int64_t start, int64_t length, int64_t canvasLength)
{
    return {std::max<int64_t>(start, 0), std::min<int64_t>(start + length, canvasLength)};
}

}  // namespace

bool wbmpPixelBlack(const WbmpPixels &image, int64_t x, int64_t y)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return false;
    uint64_t stride = (static_cast<uint64_t>(image.width) + 7) / 8;
    uint64_t index = image.offset + static_cast<uint64_t>(y) * stride + static_cast<uint64_t>(x) / 8;
    if (index >= image.length)
        return false;
    return !(image.data[index] & (0x80 >> (x % 8)));
}

bool drawWbmp(cairo_t *cr, const WbmpPixels &image, int64_t x, int64_t y, int64_t maxWidth, int64_t maxHeight,
              uint32_t foreground, uint32_t background)
{
    if (image.width <= 0 || image.height <= 0 || maxWidth <= 0 || maxHeight <= 0)
        return true;
    cairo_surface_t *target = cairo_get_target(cr);
    Span columns = clipSpan(x, std::min<int64_t>(image.width, maxWidth), cairo_image_surface_get_width(target));
    Span rows = clipSpan(y, std::min<int64_t>(image.height, maxHeight), cairo_image_surface_get_height(target));
    if (columns.begin >= columns.end || rows.begin >= rows.end)
        return true;

    int width = static_cast<int>(columns.end - columns.begin);
    int height = static_cast<int>(rows.end - rows.begin);
    cairo_surface_t *mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
        Log_str("Display: uh-oh creating display bitmap failed!\n");
        cairo_surface_destroy(mask);
        return false;
    }
    unsigned char *bits = cairo_image_surface_get_data(mask);
    int stride = cairo_image_surface_get_stride(mask);
    for (int row = 0; row < height; row++) {
        for (int column = 0; column < width; column++) {
            bool black = wbmpPixelBlack(image, columns.begin + column - x, rows.begin + row - y);
            bits[row * stride + column] = black ? 0xFF : 0;
        }
    }
    cairo_surface_mark_dirty(mask);

    cairo_save(cr);
    cairo_rectangle(cr, columns.begin, rows.begin, width, height);
    setSourceColour(cr, background);
    cairo_fill(cr);
    setSourceColour(cr, foreground);
    cairo_mask_surface(cr, mask, columns.begin, rows.begin);
    cairo_restore(cr);
    cairo_surface_destroy(mask);
    return true;
}
