#pragma once
// Deck text for pango: deck bytes are ISO-8859-1, or UTF-8 in a deck whose
// charset is 106. Measuring, fitting and drawing all go through the same
// conversion, so widths match what is painted.
#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t CHARSET_UTF8 = 106;

// Deck text as UTF-8 with the character boundaries in both encodings:
// character i is deck bytes [deckStart[i], deckStart[i + 1]) and UTF-8
// bytes [utf8Start[i], utf8Start[i + 1]); both end with the total length.
struct DeckText {
    std::string utf8;
    std::vector<uint32_t> deckStart;
    std::vector<uint32_t> utf8Start;
};

// In a UTF-8 deck a byte that does not begin a well-formed sequence is one
// character, drawn as U+FFFD.
void convertDeckText(const char *text, uint32_t charset, DeckText *out);

// Draws text in the style's font with its top-left corner at the current
// point of cr, on one line; false when the font cannot be made.
bool drawStyledText(cairo_t *cr, uint8_t style, const char *text);

// The width pango gives the whole run shaped at once; measureText sums
// per-character advances instead, and the tests hold the two equal.
int shapedTextWidth(uint8_t style, const char *text);
