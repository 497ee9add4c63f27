#include "shell/display/pixels.h"

#include <algorithm>
#include <cstdlib>

namespace {

struct PixelBuffer {
    unsigned char *data;
    int width;
    int height;
    int stride;
};

void plot(const PixelBuffer &buffer, int64_t x, int64_t y, const Pen &pen)
{
    if (x < 0 || y < 0 || x >= buffer.width || y >= buffer.height)
        return;
    auto *pixel = reinterpret_cast<uint32_t *>(buffer.data + y * buffer.stride) + x;
    if (pen.mode == PIXEL_XOR)
        *pixel ^= pen.colour & 0xFFFFFF;
    else
        *pixel = 0xFF000000 | pen.colour;
}

int64_t roundedDivide(int64_t numerator, int64_t denominator)
{
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    int64_t half = denominator / 2;
    return numerator >= 0 ? (numerator + half) / denominator : -((-numerator + half) / denominator);
}

// Walks the major axis from a0 towards a1 (a1 itself excluded), only where
// it lies on the surface; the minor coordinate follows by rounding.
void walkLine(const PixelBuffer &buffer, bool xMajor, int64_t a0, int64_t b0, int64_t a1, int64_t b1, const Pen &pen)
{
    int64_t da = a1 - a0, db = b1 - b0;
    int64_t step = da > 0 ? 1 : -1;
    int64_t limit = (xMajor ? buffer.width : buffer.height) + 1;
    // The first and last major coordinates to visit, clipped to [-1, limit].
    int64_t first = a0, last = a1 - step;
    int64_t low = std::max<int64_t>(std::min(first, last), -1);
    int64_t high = std::min<int64_t>(std::max(first, last), limit);
    for (int64_t a = low; a <= high; a++) {
        int64_t b = b0 + roundedDivide((a - a0) * db, da);
        int64_t x = xMajor ? a : b, y = xMajor ? b : a;
        plot(buffer, x, y, pen);
        if (pen.width > 1)
            plot(buffer, xMajor ? x : x + 1, xMajor ? y + 1 : y, pen);
    }
}

// Coordinates so far outside that their products could overflow are
// pulled in; such lines miss the canvas in any case or run straight.
int64_t clampCoordinate(int64_t v) { return std::clamp<int64_t>(v, -(1LL << 30), 1LL << 30); }

}  // namespace

void plotLine(cairo_surface_t *surface, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Pen &pen)
{
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_image_surface_get_format(surface) != CAIRO_FORMAT_RGB24)
        return;
    x0 = clampCoordinate(x0);
    y0 = clampCoordinate(y0);
    x1 = clampCoordinate(x1);
    y1 = clampCoordinate(y1);
    if (x0 == x1 && y0 == y1)
        return;
    cairo_surface_flush(surface);
    PixelBuffer buffer = {cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
                          cairo_image_surface_get_height(surface), cairo_image_surface_get_stride(surface)};
    if (std::llabs(x1 - x0) >= std::llabs(y1 - y0))
        walkLine(buffer, true, x0, y0, x1, y1, pen);
    else
        walkLine(buffer, false, y0, x0, y1, x1, pen);
    cairo_surface_mark_dirty(surface);
}
