#pragma once
// Fonts for the text styles. One font configuration of the program's own,
// holding only the Liberation Sans files, and pinned cairo font options, so
// that neither the user's nor the system's font settings change a layout
// or a picture.
#include <pango/pango.h>

#include <cstdint>

// The layout that measures and draws text of this style (only the italic,
// bold, big, small and underline bits matter), made once per style; null
// when the fonts cannot be loaded. Owned by the display; callers set its
// text and use it at once.
PangoLayout *styleLayout(uint8_t style);
// The style's cell height in pixels: 15, 17 big, 13 small, 15 both.
int styleCellHeight(uint8_t style);
// Pixels from the top of the style's cell to the baseline: the font's
// ascent share of the cell height, rounded.
int styleBaseline(uint8_t style);
// Releases every font and the configuration (the next use loads them again).
void releaseDisplayFonts();
