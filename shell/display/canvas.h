#pragma once
// The shell's own view of the canvas: its size and colours (from the skin),
// the offscreen picture, the soft-key labels, the status list and the push
// indicator, as the backends and the headless commands read them. The core
// uses shell/display.h only.
#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

// Canvas size in pixels; 120 x 160 until the skin gives one. Sizes outside
// 1..4096 are refused (false). The picture is made again at the new size.
bool setCanvasSize(int width, int height);
// Canvas colours as 0xRRGGBB; white background, black text until the skin
// gives them.
void setCanvasColours(uint32_t background, uint32_t foreground);

// true: measureText and fitText answer from shell/fixed_metrics.h, so that
// golden layout files do not depend on fonts. Painting always uses fonts.
void setFixedMetrics(bool fixed);

// The offscreen picture that paintNow draws (RGB24); null until the first
// paint or when it cannot be made. Owned by the display.
cairo_surface_t *canvasSurface();
// The canvas as a PNG file; false when there is no picture or the file
// cannot be written.
bool writeCanvasPng(const char *path);

// The tables of the last submitCanvas (null after clearCanvas).
const uint8_t *currentLayoutTable();
const uint8_t *currentEventTable();

// Soft-key labels of the last submitCanvas, in UTF-8: [0] is button 1007,
// [1] button 1008, the rest the entries of drop-down 1009 in order, so
// label i belongs to BEVENT_SELECT index i.
const std::vector<std::string> &softKeyLabels();

// The status drop-down, newest first (at most STATUS_LIST_MAX entries).
constexpr size_t STATUS_LIST_MAX = 256;
const std::vector<std::string> &statusList();
void clearStatusList();

// The push indicator: refreshPushIndicator asks the query given here
// (the cache's pushWaiting); without one no push is waiting.
void setPushWaitingQuery(bool (*query)());
// Pictures come from the cache's C_retrieve, given here; without it they stay blank.
using ImageSource = void (*)(const char *, uint32_t *, uint8_t **, uint32_t *, struct CacheResult *);
void setImageSource(ImageSource retrieve);
bool pushIndicatorShown();

// The connection indicator as last drawn: true "on", false "off"; and how
// many blinking frames have been drawn since start-up.
bool connectionIndicatorOn();
uint64_t connectionIndicatorBlinks();
// Set at the start of shutdown (D_displayShuttingDown reads it).
void setDisplayShuttingDown(bool shuttingDown);

// Deck text (bytes in the current deck charset) as UTF-8.
std::string deckTextToUtf8(const char *text);

// What the backends are told. Every member may be null.
struct DisplayHooks {
    void (*canvasPainted)();         // the picture changed: copy it to the window
    void (*softKeysChanged)();       // softKeyLabels() changed
    void (*statusChanged)();         // statusList() changed
    void (*pushIndicatorChanged)();  // pushIndicatorShown() changed
    void (*paintTitle)();            // repaint the card title (the skin's)
    void (*connectionChanged)();     // connectionIndicatorOn() changed
    void (*cardSubmitted)();         // a card's tables were submitted
};
// The record is copied; null clears every hook.
void setDisplayHooks(const DisplayHooks *hooks);
const DisplayHooks &displayHooks();
