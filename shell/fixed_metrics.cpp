#include "shell/fixed_metrics.h"

#include "shell/display.h"

static int charWidth(uint8_t style)
{
    if (style & STYLE_BIG)
        return 8;
    return (style & STYLE_SMALL) ? 5 : 6;
}

static int charHeight(uint8_t style)
{
    if (style & STYLE_BIG)
        return 16;
    return (style & STYLE_SMALL) ? 10 : 12;
}

// Bytes of the character starting at text (1 unless a UTF-8 lead byte with
// its continuation bytes present).
static int charLength(const char *text, bool utf8)
{
    unsigned char c = static_cast<unsigned char>(text[0]);
    if (!utf8 || c < 0xC0)
        return 1;
    int n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    for (int i = 1; i < n; i++) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return i;
    }
    return n;
}

void fixedMeasureText(uint8_t style, const char *text, bool utf8, int *width, int *height)
{
    int chars = 0;
    for (const char *p = text; *p; p += charLength(p, utf8))
        chars++;
    *width = chars * charWidth(style) + ((style & STYLE_FIELD) ? 2 : 0);
    *height = charHeight(style);
}

int fixedFitText(uint8_t style, const char *text, bool utf8, int width)
{
    if (style & STYLE_FIELD)
        width -= 2;
    int used = 0, bytes = 0;
    while (text[bytes]) {
        used += charWidth(style);
        if (used > width)
            break;
        bytes += charLength(text + bytes, utf8);
    }
    return bytes;
}
