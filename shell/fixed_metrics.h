#pragma once
// A text measurer whose widths come from the character count alone, so that
// golden layout files do not depend on fonts. Per character: 6 pixels
// (big 8, small 5), height 12 (big 16, small 10); bold, italic, underline
// and link change nothing; a field style adds 2 to the width. Characters
// are bytes, or code points in a UTF-8 deck.
#include <cstdint>

void fixedMeasureText(uint8_t style, const char *text, bool utf8, int *width, int *height);
int fixedFitText(uint8_t style, const char *text, bool utf8, int width);
