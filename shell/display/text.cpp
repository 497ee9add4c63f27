#include "shell/display/text.h"

#include <pango/pangocairo.h>

#include <unordered_map>

#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display/fonts.h"
#include "shell/fixed_metrics.h"

namespace {

uint32_t gDeckCharset = 4;   // WBXML charset number of the current deck
bool gFixedMetrics = false;  // measure by character count (golden layouts)

constexpr int FIELD_EXTRA = 2;  // a field's 1-pixel indent and its box

// Advances by style and character (its UTF-8 bytes packed), shaped once.
// Hinted advances are whole pixels and runs are shaped without kerning or
// ligatures, so a run is exactly as wide as the sum of its characters.
std::unordered_map<uint64_t, int> gAdvances;

// Well-formed UTF-8 sequences by lead byte: the range of the second byte
// (the only one that differs) and the length.
struct Utf8Lead {
    unsigned char leadLow, leadHigh, secondLow, secondHigh;
    int length;
};
// clang-format off
constexpr Utf8Lead UTF8_LEADS[] = {
    {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3}, {0xE1, 0xEC, 0x80, 0xBF, 3},
    {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
    {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
};
// clang-format on

// Length of the well-formed sequence at p, 0 when there is none. Reads
// stop at the first byte out of range, so never past the terminator.
int utf8SequenceLength(const unsigned char *p)
{
    if (p[0] < 0x80)
        return 1;
    for (const Utf8Lead &lead : UTF8_LEADS) {
        if (p[0] < lead.leadLow || p[0] > lead.leadHigh)
            continue;
        if (p[1] < lead.secondLow || p[1] > lead.secondHigh)
            return 0;
        for (int i = 2; i < lead.length; i++) {
            if ((p[i] & 0xC0) != 0x80)
                return 0;
        }
        return lead.length;
    }
    return 0;
}

void appendLatin1(unsigned char c, std::string *out)
{
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool utf8Deck() { return gDeckCharset == CHARSET_UTF8; }

// The style's layout holding the first chars characters of text.
PangoLayout *layoutFor(uint8_t style, const DeckText &text, size_t chars)
{
    PangoLayout *layout = styleLayout(style);
    if (layout)
        pango_layout_set_text(layout, text.utf8.data(), static_cast<int>(text.utf8Start[chars]));
    return layout;
}

int layoutWidth(PangoLayout *layout)
{
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    return logical.width;
}

uint64_t advanceKey(uint8_t style, const DeckText &text, size_t i)
{
    uint64_t key = style;
    for (uint32_t b = text.utf8Start[i]; b < text.utf8Start[i + 1]; b++)
        key = (key << 8) | static_cast<unsigned char>(text.utf8[b]);
    return key;
}

int charAdvance(PangoLayout *layout, uint8_t style, const DeckText &text, size_t i)
{
    uint64_t key = advanceKey(style, text, i);
    auto found = gAdvances.find(key);
    if (found != gAdvances.end())
        return found->second;
    pango_layout_set_text(layout, text.utf8.data() + text.utf8Start[i],
                          static_cast<int>(text.utf8Start[i + 1] - text.utf8Start[i]));
    int advance = layoutWidth(layout);
    gAdvances.emplace(key, advance);
    return advance;
}

// Width of the first chars characters; -1 when the font cannot be made.
int runWidth(uint8_t style, const DeckText &text, size_t chars)
{
    PangoLayout *layout = styleLayout(style);
    if (!layout)
        return -1;
    int width = 0;
    for (size_t i = 0; i < chars; i++)
        width += charAdvance(layout, style, text, i);
    return width;
}

}  // namespace

int shapedTextWidth(uint8_t style, const char *text)
{
    DeckText converted;
    convertDeckText(text, gDeckCharset, &converted);
    PangoLayout *layout = layoutFor(style, converted, converted.deckStart.size() - 1);
    return layout ? layoutWidth(layout) : -1;
}

void D_setDeckCharset(uint32_t charset) { gDeckCharset = charset; }

uint32_t D_getDeckCharset() { return gDeckCharset; }

void setFixedMetrics(bool fixed) { gFixedMetrics = fixed; }

void convertDeckText(const char *text, uint32_t charset, DeckText *out)
{
    out->utf8.clear();
    out->deckStart.clear();
    out->utf8Start.clear();
    const auto *bytes = reinterpret_cast<const unsigned char *>(text ? text : "");
    uint32_t i = 0;
    while (bytes[i]) {
        out->deckStart.push_back(i);
        out->utf8Start.push_back(static_cast<uint32_t>(out->utf8.size()));
        if (charset != CHARSET_UTF8) {
            appendLatin1(bytes[i], &out->utf8);
            i++;
            continue;
        }
        int n = utf8SequenceLength(bytes + i);
        if (n == 0) {
            out->utf8 += "\xEF\xBF\xBD";
            n = 1;
        } else {
            out->utf8.append(reinterpret_cast<const char *>(bytes + i), n);
        }
        i += n;
    }
    out->deckStart.push_back(i);
    out->utf8Start.push_back(static_cast<uint32_t>(out->utf8.size()));
}

std::string deckTextToUtf8(const char *text)
{
    DeckText converted;
    convertDeckText(text, gDeckCharset, &converted);
    return converted.utf8;
}

bool measureText(uint8_t style, const char *text, int *width, int *height)
{
    *width = 0;
    *height = 0;
    if (!text)
        text = "";
    if (gFixedMetrics) {
        fixedMeasureText(style, text, utf8Deck(), width, height);
        return true;
    }
    DeckText converted;
    convertDeckText(text, gDeckCharset, &converted);
    int run = runWidth(style, converted, converted.deckStart.size() - 1);
    if (run < 0)
        return false;
    // The height is the cell height the font was made for, whatever the
    // rounding of hinted metrics adds.
    *width = run + ((style & STYLE_FIELD) ? FIELD_EXTRA : 0);
    *height = styleCellHeight(style);
    return true;
}

// The longest prefix whose width fits, summing advances as it goes.
int fitText(uint8_t style, const char *text, int width)
{
    if (!text)
        return 0;
    if (gFixedMetrics)
        return fixedFitText(style, text, utf8Deck(), width);
    if (style & STYLE_FIELD)
        width -= FIELD_EXTRA;
    DeckText converted;
    convertDeckText(text, gDeckCharset, &converted);
    PangoLayout *layout = styleLayout(style);
    if (!layout || width < 0)
        return 0;
    size_t chars = converted.deckStart.size() - 1, fits = 0;
    int used = 0;
    while (fits < chars) {
        used += charAdvance(layout, style, converted, fits);
        if (used > width)
            break;
        fits++;
    }
    return static_cast<int>(converted.deckStart[fits]);
}

bool drawStyledText(cairo_t *cr, uint8_t style, const char *text)
{
    DeckText converted;
    convertDeckText(text, gDeckCharset, &converted);
    PangoLayout *layout = layoutFor(style, converted, converted.deckStart.size() - 1);
    if (!layout)
        return false;
    // The baseline sits where the cell's ascent puts it, not where pango's
    // rounded-up line box would.
    double x = 0, y = 0;
    cairo_get_current_point(cr, &x, &y);
    int shift = styleBaseline(style) - pango_layout_get_baseline(layout) / PANGO_SCALE;
    cairo_move_to(cr, x, y + shift);
    pango_cairo_show_layout(cr, layout);
    return true;
}
