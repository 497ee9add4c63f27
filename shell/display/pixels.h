#pragma once
// Exact 1- and 2-pixel lines written straight into an RGB24 image surface,
// plain or exclusive-or, as the handset's pen drew them: the end point is
// left out. Anything outside the surface is clipped before the walk, so a
// line a billion pixels long costs no more than one across the canvas.
#include <cairo.h>

#include <cstdint>

enum PixelMode { PIXEL_SET, PIXEL_XOR };

struct Pen {
    uint32_t colour;  // 0xRRGGBB
    int width;        // 1 or 2; the second pixel is below or right of the line
    PixelMode mode;
};

void plotLine(cairo_surface_t *surface, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Pen &pen);
