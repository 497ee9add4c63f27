#include "shell/headless/backend.h"

#include <pango/pangocairo.h>

#include <cstdio>
#include <vector>

#include "common/log.h"
#include "shell/display/canvas.h"
#include "shell/display/dialog_headless.h"
#include "shell/display/fonts.h"
#include "shell/dialog.h"
#include "shell/display.h"
#include "shell/skin_paint.h"
#include "shell/window.h"

namespace {

constexpr uint32_t CONTROL_FACE = 0xE4E4E4;   // button face
constexpr uint32_t CONTROL_FIELD = 0xFFFFFF;  // list field
constexpr uint32_t CONTROL_EDGE = 0x707070;
constexpr uint32_t CONTROL_TEXT = 0x000000;

struct Control {
    int id;
    std::string text;                  // button label, or the list's shown entry
    std::vector<std::string> entries;  // lists
};

Control gControls[] = {{CMD_ACTION1, {}, {}}, {CMD_ACTION2, {}, {}}, {CMD_ACTION3, {}, {}}, {CMD_STATUS, {}, {}}};
std::string gMessages;        // message boxes not yet taken
bool gQuitRequested = false;  // the menu's Exit

Control *control(int id)
{
    for (Control &c : gControls)
        if (c.id == id)
            return &c;
    return nullptr;
}

void setRgb(cairo_t *cr, uint32_t rgb)
{
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

void frame(cairo_t *cr, const ControlPlacement &p, uint32_t fill)
{
    setRgb(cr, fill);
    cairo_rectangle(cr, p.x, p.y, p.width, p.height);
    cairo_fill(cr);
    setRgb(cr, CONTROL_EDGE);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, p.x + 0.5, p.y + 0.5, p.width - 1, p.height - 1);
    cairo_stroke(cr);
}

// UTF-8 text in the small card font, clipped to the box.
void label(cairo_t *cr, const std::string &text, int x, int y, int width, int height, bool centred)
{
    PangoLayout *layout = styleLayout(STYLE_SMALL);
    if (!layout || width <= 0 || height <= 0)
        return;
    pango_layout_set_text(layout, text.c_str(), -1);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    cairo_save(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
    setRgb(cr, CONTROL_TEXT);
    cairo_move_to(cr, centred ? x + (width - w) / 2 : x, y + (height - h) / 2);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
}

void drawButton(cairo_t *cr, const ControlPlacement &p, const Control &c)
{
    if (p.width <= 0 || p.height <= 0)
        return;
    frame(cr, p, CONTROL_FACE);
    label(cr, c.text, p.x + 2, p.y + 1, p.width - 4, p.height - 2, true);
}

void drawList(cairo_t *cr, const ControlPlacement &p, const Control &c)
{
    if (p.width <= 0 || p.height <= 0)
        return;
    frame(cr, p, CONTROL_FIELD);
    int arrow = p.height < p.width / 2 ? p.height : p.width / 2;
    ControlPlacement box = {p.x + p.width - arrow, p.y, arrow, p.height};
    frame(cr, box, CONTROL_FACE);
    setRgb(cr, CONTROL_TEXT);
    double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
    cairo_move_to(cr, cx - 3, cy - 1.5);
    cairo_line_to(cr, cx + 3, cy - 1.5);
    cairo_line_to(cr, cx, cy + 1.5);
    cairo_close_path(cr);
    cairo_fill(cr);
    label(cr, c.text, p.x + 3, p.y + 1, p.width - arrow - 4, p.height - 2, false);
}

bool createWindows(const SkinDefinition *) { return true; }
void applySkin(const SkinDefinition *) { }
void noop() { }
void invalidateHandset(int, int, int, int) { }

void setButtonText(int id, const std::string &utf8)
{
    if (Control *c = control(id))
        c->text = utf8;
}

void setListEntries(int id, const std::vector<std::string> &utf8, int selected)
{
    Control *c = control(id);
    if (!c)
        return;
    c->entries = utf8;
    c->text = selected >= 0 && static_cast<size_t>(selected) < utf8.size() ? utf8[selected] : "";
}

void getWindowOrigin(int *x, int *y) { *x = *y = 0; }
void moveWindow(int, int) { }
void capturePointer(bool) { }
// The headless loop ticks by itself and nothing is ever held.
void startTimer(int, int) { }
void stopTimer(int) { }
int popupMenu(const std::vector<MenuEntry> &, int, int) { return 0; }

void messageBox(const char *caption, const char *text, bool)
{
    Log_printf("Display: message box [%s] %s\n", caption, text);
    std::string line = std::string("message ") + caption + ": " + text;
    for (char &c : line)
        c = c == '\n' ? ' ' : c;
    gMessages += line + "\n";
}

bool chooseFile(const char *, const char *, const char *, std::string *) { return false; }
void showPrefsWindow() { }

// Goto URL is a text entry here, answered with "answer URL".
bool showGotoUrlDialog(const std::vector<std::string> &choices, std::string *url)
{
    char buffer[1024] = {};
    if (!choices.empty())
        std::snprintf(buffer, sizeof buffer, "%s", choices.front().c_str());
    DialogRequest request = {DIALOG_TEXT, "Goto URL", "", buffer, nullptr, 0, sizeof buffer - 1, 0};
    if (showDialog(&request) != 1)
        return false;
    *url = buffer;
    return true;
}

// The lists are the headless commands bookmarks and pushes.
void showBookmarksDialog() { Log_str("Display: bookmarks dialog (headless: none)\n"); }
void showPushDialog() { Log_str("Display: push message dialog (headless: none)\n"); }
bool spawn(const std::vector<std::string> &) { return false; }
void postCommand(int command) { windowCommand(command); }

const Platform kHeadless = {
    "headless",
    createWindows,
    applySkin,
    noop,
    noop,
    invalidateHandset,
    noop,
    setButtonText,
    setListEntries,
    getWindowOrigin,
    moveWindow,
    capturePointer,
    startTimer,
    stopTimer,
    popupMenu,
    headlessShowDialog,
    messageBox,
    chooseFile,
    showPrefsWindow,
    showGotoUrlDialog,
    showBookmarksDialog,
    showPushDialog,
    spawn,
    postCommand,
    [] { gQuitRequested = true; },
};

}  // namespace

const Platform *headlessPlatform() { return &kHeadless; }

bool headlessQuitRequested() { return gQuitRequested; }

std::string takeMessageBoxes()
{
    std::string out;
    out.swap(gMessages);
    return out;
}

bool writeHandsetPng(const char *path, int zoom)
{
    zoom = zoom < 1 ? 1 : zoom;
    cairo_surface_t *handset = handsetSurface();
    if (!handset)
        return false;
    const SkinDefinition &skin = currentSkin();
    paintNow();
    cairo_surface_t *out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(handset),
                                                      cairo_image_surface_get_height(handset));
    cairo_t *cr = cairo_create(out);
    cairo_set_source_surface(cr, handset, 0, 0);
    cairo_paint(cr);
    if (cairo_surface_t *canvas = canvasSurface()) {
        cairo_save(cr);
        cairo_rectangle(cr, skin.canvasX, skin.canvasY, skin.canvasWidth, skin.canvasHeight);
        cairo_clip(cr);
        cairo_set_source_surface(cr, canvas, skin.canvasX, skin.canvasY);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    drawButton(cr, skin.action1, *control(CMD_ACTION1));
    drawButton(cr, skin.action2, *control(CMD_ACTION2));
    drawList(cr, skin.action3, *control(CMD_ACTION3));
    drawList(cr, skin.status, *control(CMD_STATUS));
    cairo_destroy(cr);
    cairo_surface_flush(out);
    if (zoom > 1) {
        cairo_surface_t *big = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(out) * zoom,
                                                          cairo_image_surface_get_height(out) * zoom);
        cr = cairo_create(big);
        cairo_scale(cr, zoom, zoom);
        cairo_set_source_surface(cr, out, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(out);
        out = big;
    }
    bool ok = cairo_surface_write_to_png(out, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(out);
    return ok;
}
