#pragma once
// What the core asks of the display: the canvas size, text measuring with
// the fonts of the card styles, and the two tables to paint. The core never
// touches fonts or pixels itself.
#include <cstdint>

// Style bits of a text record (shared with the layout).
constexpr uint8_t STYLE_ITALIC = 0x01;
constexpr uint8_t STYLE_BOLD = 0x02;
constexpr uint8_t STYLE_BIG = 0x04;
constexpr uint8_t STYLE_UNDERLINE = 0x08;
constexpr uint8_t STYLE_LINK = 0x10;
constexpr uint8_t STYLE_SMALL = 0x20;
constexpr uint8_t STYLE_FIELD = 0x40;

// Canvas width and height in pixels.
void getCanvasSize(int *width, int *height);

// Width (+2 for a field style) and height of text in the style's font;
// false when the font cannot be made.
bool measureText(uint8_t style, const char *text, int *width, int *height);
// How many leading bytes of text fit into width (width - 2 for a field
// style). Never cuts inside a character of a UTF-8 deck.
int fitText(uint8_t style, const char *text, int width);

// The character set of the deck whose tables are laid out and painted
// (the WBXML charset number: 4 ISO-8859-1, 106 UTF-8; anything else is
// drawn as ISO-8859-1). Set by the layout at the start of each pass.
void D_setDeckCharset(uint32_t charset);
uint32_t D_getDeckCharset();

// Make these the current tables, label the soft keys, repaint.
void submitCanvas(const uint8_t *layoutTable, const uint8_t *eventTable);
void clearCanvas();
void paintNow();
void setScroll(int x, int y);
void getScroll(int *x, int *y);
// A line on the canvas from (x, y) by (dx, dy), shifted by the scroll
// offsets, without the end point; style bit 1 (0x02): 2 pixels wide and
// exclusive-or (drawing it twice removes it), else 1 pixel and plain;
// black for style 0, grey otherwise. flashItem draws with style 66.
void D_drawLine(int x, int y, int dx, int dy, uint8_t style);

// The status drop-down: text becomes its first entry, earlier ones below.
void D_displayStatusInsert(const char *text);
// The push indicator follows whether push messages are waiting.
void refreshPushIndicator();

// The connection indicator: steady while the Browser is idle ("on" when a
// request could be made), one frame of blinking per Browser tick while a
// load is in progress ("on" and "off" alternately, starting with "on").
void showConnectionIndicator(bool connected);
void blinkConnectionIndicator();
// True from the start of the display's shutdown: the Browser then no
// longer advances its state.
bool D_displayShuttingDown();

// Repaints the card title (the skin's title area).
void paintTitle();
