#pragma once
// Drawing the pixel data of a cached WBMP image (type 0): rows of
// (width + 7) / 8 bytes, most significant bit leftmost, 0 black and 1 white.
// The bytes come from the cache and may be shorter than the header said:
// every read is checked against the length, and missing bits are white.
#include <cairo.h>

#include <cstdint>

struct WbmpPixels {
    const uint8_t *data;  // the whole cached image
    uint32_t length;      // bytes at data
    uint32_t offset;      // where the rows begin (the header's length)
    int32_t width;        // natural size from the header
    int32_t height;
};

// Draws the image with its top-left corner at (x, y) on the canvas, at most
// maxWidth x maxHeight of it; black bits in the foreground colour, white
// bits in the background colour (0xRRGGBB). Only the part on the canvas is
// made into a bitmap. false (logged) when that bitmap cannot be made.
bool drawWbmp(cairo_t *cr, const WbmpPixels &image, int64_t x, int64_t y, int64_t maxWidth, int64_t maxHeight,
              uint32_t foreground, uint32_t background);

// Whether the pixel at column x, row y of the image is black; false outside
// the image or beyond its data.
bool wbmpPixelBlack(const WbmpPixels &image, int64_t x, int64_t y);
