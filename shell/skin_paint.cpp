#include "shell/skin_paint.h"

#include <cstring>

#include "browser/context.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display/text.h"
#include "shell/platform.h"

namespace {

const SkinDefinition *gSkin = nullptr;  // the skin being shown
cairo_surface_t *gPicture = nullptr;    // the handset picture at the skin's size
bool gIndicatorOn = false;              // the connection indicator as last drawn

// The skin's colours are 0x00BBGGRR.
void setSkinColour(cairo_t *cr, uint32_t bgr)
{
    cairo_set_source_rgb(cr, (bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0, ((bgr >> 16) & 0xFF) / 255.0);
}

// Copies a picture's pixels into the handset picture at (x, y), clipped.
void blit(const SkinImage &image, int x, int y)
{
    if (!gPicture || !image.loaded())
        return;
    cairo_surface_flush(gPicture);
    uint8_t *data = cairo_image_surface_get_data(gPicture);
    int stride = cairo_image_surface_get_stride(gPicture);
    int width = cairo_image_surface_get_width(gPicture);
    int height = cairo_image_surface_get_height(gPicture);
    for (int row = 0; row < image.height; row++) {
        int ty = y + row;
        if (ty < 0 || ty >= height)
            continue;
        auto *line = reinterpret_cast<uint32_t *>(data + static_cast<size_t>(ty) * stride);
        for (int col = 0; col < image.width; col++) {
            int tx = x + col;
            if (tx >= 0 && tx < width)
                line[tx] = image.pixels[static_cast<size_t>(row) * image.width + col];
        }
    }
    cairo_surface_mark_dirty(gPicture);
}

void invalidate(int x, int y, int width, int height)
{
    if (width > 0 && height > 0)
        platform().invalidateHandset(x, y, width, height);
}

// A hover over a button that has no highlight picture (the down key) shows
// its up picture lightened, so every key answers the pointer.
SkinImage lightened(const SkinImage &image)
{
    SkinImage out = image;
    for (uint32_t &p : out.pixels) {
        uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        r += (255 - r) / 4;
        g += (255 - g) / 4;
        b += (255 - b) / 4;
        p = r << 16 | g << 8 | b;
    }
    return out;
}

const SkinImage *stateImage(const SkinButton &button, ButtonState state, SkinImage *scratch)
{
    switch (state) {
    case BUTTON_DOWN: return &button.down;
    case BUTTON_HIGHLIGHT:
        if (button.highlight.loaded())
            return &button.highlight;
        *scratch = lightened(button.up);
        return scratch;
    default: return &button.up;
    }
}

}  // namespace

bool setHandsetSkin(const SkinDefinition *skin)
{
    releaseHandsetPicture();
    gSkin = skin;
    if (!skin || !skin->image.loaded())
        return false;
    gPicture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, skin->image.width, skin->image.height);
    if (cairo_surface_status(gPicture) != CAIRO_STATUS_SUCCESS) {
        Log_str("Display: cannot create the handset picture\n");
        releaseHandsetPicture();
        return false;
    }
    return true;
}

cairo_surface_t *handsetSurface() { return gPicture; }

void releaseHandsetPicture()
{
    if (gPicture)
        cairo_surface_destroy(gPicture);
    gPicture = nullptr;
}

void paintSkin()
{
    if (!gPicture || !gSkin)
        return;
    blit(gSkin->image, 0, 0);
    const SkinButton &push = gSkin->buttons[SKIN_PUSH];
    if (push.present && push.up.loaded())
        blit(push.up, push.x, push.y);
    if (gSkin->indicatorPresent)
        blit(gIndicatorOn ? gSkin->indicatorOn : gSkin->indicatorOff, gSkin->indicatorX, gSkin->indicatorY);
    paintSkinTitle();
    invalidate(0, 0, gSkin->image.width, gSkin->image.height);
}

void paintButton(int index, ButtonState state)
{
    if (!gPicture || !gSkin || index < 0 || index >= SKIN_BUTTON_COUNT)
        return;
    const SkinButton &button = gSkin->buttons[index];
    if (!button.present)
        return;
    SkinImage scratch;
    const SkinImage *image = stateImage(button, state, &scratch);
    if (!image->loaded())
        return;
    blit(*image, button.x, button.y);
    invalidate(button.x, button.y, image->width, image->height);
}

void paintSkinTitle()
{
    if (!gPicture || !gSkin || gSkin->titleWidth <= 0 || gSkin->titleHeight <= 0)
        return;
    const SkinDefinition &s = *gSkin;
    cairo_t *cr = cairo_create(gPicture);
    cairo_rectangle(cr, s.titleX, s.titleY, s.titleWidth, s.titleHeight);
    cairo_clip(cr);
    setSkinColour(cr, s.canvasBackground);
    cairo_paint(cr);
    const char *title = getCardTitle();
    if (title && *title) {
        setSkinColour(cr, s.canvasForeground);
        cairo_move_to(cr, s.titleX, s.titleY);
        drawStyledText(cr, 0, title);
    }
    cairo_destroy(cr);
    cairo_surface_flush(gPicture);
    invalidate(s.titleX, s.titleY, s.titleWidth, s.titleHeight);
}

void paintConnectionIndicator(bool on)
{
    gIndicatorOn = on;
    if (!gPicture || !gSkin || !gSkin->indicatorPresent)
        return;
    const SkinImage &image = on ? gSkin->indicatorOn : gSkin->indicatorOff;
    blit(image, gSkin->indicatorX, gSkin->indicatorY);
    invalidate(gSkin->indicatorX, gSkin->indicatorY, image.width, image.height);
}
