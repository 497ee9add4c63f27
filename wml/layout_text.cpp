// Text runs of the Layout pass: line breaking against the display's own
// metrics, closing lines, and the paragraph stack.
#include <algorithm>
#include <strings.h>

#include "common/log.h"
#include "shell/display.h"
#include "wml/layout_state.h"
#include "wml/wbxml.h"

constexpr int32_t TOP_IMAGE_Y = -32768;  // top-aligned image, fixed when its line closes

uint8_t currentStyle()
{
    uint8_t style = 0;
    if (gLayout.italicCount > 0)
        style |= STYLE_ITALIC;
    if (gLayout.boldCount > 0)
        style |= STYLE_BOLD;
    if (gLayout.bigBalance > 0)
        style |= STYLE_BIG;
    if (gLayout.bigBalance < 0)
        style |= STYLE_SMALL;
    if (gLayout.underlineCount > 0)
        style |= STYLE_UNDERLINE;
    if (gLayout.eventContext == EVENT_A || gLayout.eventContext == EVENT_ANCHOR)
        style |= STYLE_LINK;
    if (gLayout.eventContext == EVENT_INPUT || gLayout.eventContext == EVENT_SELECT)
        style |= STYLE_FIELD | (gLayout.extraStyle ? STYLE_ITALIC : 0);
    return style;
}

// --- Lines -----------------------------------------------------------------

static int32_t lineOffset()
{
    int32_t spare = gLayout.availWidth - gLayout.lineWidth;
    if (spare < 0)
        return gLayout.xOrigin;
    switch (gLayout.paraAlign[gLayout.paraIndex]) {
    case ALIGN_CENTER: return gLayout.xOrigin + spare / 2;
    case ALIGN_RIGHT: return gLayout.xOrigin + spare;
    default: return gLayout.xOrigin;
    }
}

// Top-aligned images of the closing line hang from its top.
static void fixTopImages()
{
    for (uint32_t off = gLayout.lineStart; off + LR_HEIGHT + 4 <= gLayout.layoutLength;) {
        uint8_t *r = gLayout.layoutTable + off;
        if (Tbl_getI32(r + LR_Y) == TOP_IMAGE_Y)
            putI32(r + LR_Y, -gLayout.lineHeight);
        int32_t len = Tbl_getI32(r + LR_LENGTH);
        if (len <= 0)
            break;
        off += static_cast<uint32_t>(len);
    }
    // Their link events follow them.
    uint32_t line = static_cast<uint32_t>(gLayout.lineCount) + 1;
    for (uint32_t off = 0; off + ER_HREF <= gLayout.eventLength;) {
        uint8_t *r = gLayout.eventTable + off;
        if (r[ER_TYPE] >= EVENT_A && Tbl_getU32(r + ER_YLINE) == line && Tbl_getI32(r + ER_Y) == TOP_IMAGE_Y)
            putI32(r + ER_Y, -gLayout.lineHeight);
        int32_t len = Tbl_getI32(r + ER_LENGTH);
        if (len <= 0)
            break;
        off += static_cast<uint32_t>(len);
    }
}

void newLine()
{
    if (gLayout.linesFull)
        return;
    // The line is given its place even at the limit, so that what it holds
    // resolves; nothing is placed after it.
    gLayout.lineX[gLayout.lineCount] = lineOffset();
    gLayout.lineBottom[gLayout.lineCount] = gLayout.curY + gLayout.lineHeight;
    fixTopImages();
    if (gLayout.lineCount + 1 >= MAX_LINES) {
        logPosition();
        Log_str("Maximum lines exceeded\n");
        gWbxml.errorFlag = 1;
        gLayout.linesFull = true;
        return;
    }
    gLayout.lineCount++;
    gLayout.lineStart = gLayout.layoutLength;
    gLayout.curY += gLayout.lineGap + (gLayout.lineHeight ? gLayout.lineHeight : gLayout.fontHeight);
    gLayout.penX = 0;
    gLayout.lineWidth = 0;
    gLayout.lineHeight = 0;
}

// --- Paragraphs ------------------------------------------------------------

struct NamedValue {
    const char *name;
    uint8_t value;
};
static const NamedValue kAlignments[] = {{"RIGHT", ALIGN_RIGHT}, {"CENTER", ALIGN_CENTER}, {"LEFT", ALIGN_LEFT}};
static const NamedValue kModes[] = {{"WRAP", MODE_WRAP}, {"NOWRAP", MODE_NOWRAP}};

template <size_t N> static uint8_t lookUp(const NamedValue (&table)[N], const char *text, uint8_t otherwise)
{
    for (const NamedValue &v : table) {
        if (strcasecmp(text, v.name) == 0)
            return v.value;
    }
    return otherwise;
}

void pushParagraph(const char *alignText, const char *modeText)
{
    uint8_t align = lookUp(kAlignments, alignText, gLayout.tableAlign);
    uint8_t mode = lookUp(kModes, modeText, gLayout.paraMode[gLayout.paraIndex]);
    // Past a full stack the paragraph shares the top entry; its close is
    // counted so the pops stay matched.
    if (gLayout.paraIndex + 1 >= PARAGRAPH_STACK_SIZE) {
        gLayout.paraExcess++;
        return;
    }
    gLayout.paraIndex++;
    gLayout.paraAlign[gLayout.paraIndex] = align;
    gLayout.paraMode[gLayout.paraIndex] = mode;
}

void popParagraph()
{
    if (gLayout.paraExcess > 0)
        gLayout.paraExcess--;
    else if (gLayout.paraIndex > 0)
        gLayout.paraIndex--;
}

// --- Text runs -------------------------------------------------------------

// Leading bytes of text that fit width, never inside a character.
static size_t fitBytes(uint8_t style, const char *text, int32_t width)
{
    size_t len = std::strlen(text);
    int n = fitText(style, text, width);
    size_t fit = n < 0 ? 0 : std::min(static_cast<size_t>(n), len);
    return charStart(text, fit);
}

// A line may break at a space or a soft hyphen (C2 AD in a UTF-8 deck,
// where a lone AD byte is part of another character).
static bool breakAt(const char *s, size_t i, size_t *skip, bool *soft)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ' ') {
        *skip = 1;
        *soft = false;
        return true;
    }
    if (gLayout.utf8 ? (c == 0xC2 && static_cast<unsigned char>(s[i + 1]) == 0xAD) : c == 0xAD) {
        *skip = gLayout.utf8 ? 2 : 1;
        *soft = true;
        return true;
    }
    return false;
}

uint8_t *newLayoutRecord(const char *who, uint32_t length, uint32_t type, uint8_t style, uint32_t line)
{
    if (gLayout.layoutLength + length >= TABLE_LIMIT) {
        logPosition();
        Log_printf("Layout buffer overflow (%s)\n", who);
        gWbxml.errorFlag = 1;
        return nullptr;
    }
    uint8_t *r = gLayout.layoutTable + gLayout.layoutLength;
    std::memset(r, 0, length);
    putU32(r + LR_LENGTH, length);
    putU32(r + LR_TYPE, type);
    r[LR_STYLE] = style;
    putU32(r + LR_XLINE, line);
    putU32(r + LR_YLINE, line);
    return r;
}

void putRect(uint8_t *p, int32_t x, int32_t y, int32_t width, int32_t height)
{
    putI32(p, x);
    putI32(p + 4, y);
    putI32(p + 8, width);
    putI32(p + 12, height);
}

// Writes one text record of len bytes of text (+ "-"); false when the
// table is full.
static bool writePart(const char *text, size_t len, bool hyphen, uint8_t style, bool field, int32_t *width)
{
    uint32_t textLength = static_cast<uint32_t>(len) + (hyphen ? 1 : 0);
    uint32_t recordLength = roundUp4(40 + textLength);
    uint32_t line = static_cast<uint32_t>(gLayout.lineCount) + 1;
    uint8_t *r = newLayoutRecord("write_str", recordLength, LTYPE_TEXT, style, line);
    if (!r)
        return false;
    char *shown = reinterpret_cast<char *>(r + LR_TEXT);
    std::memcpy(shown, text, len);
    if (hyphen)
        shown[len] = '-';
    int w = 0, h = 0;
    measureText(style, shown, &w, &h);
    if (field)
        w = gLayout.fieldWidth;
    putRect(r + LR_X, gLayout.penX, -h, w, h);
    logPosition();
    Log_printf("Entity @%d %d/%d;%d/%d \"%s\"\n", static_cast<int>(gLayout.layoutLength), static_cast<int>(line),
               gLayout.penX, static_cast<int>(line), -h, shown);
    gLayout.layoutLength += recordLength;
    addVisibleEvent(line, line, gLayout.penX, -h, w, h);
    gLayout.lineHeight = std::max(gLayout.lineHeight, h);
    gLayout.lineWidth = std::max(gLayout.lineWidth, gLayout.penX + w);
    *width = w;
    return true;
}

void rewriteField(uint32_t offset, const char *text)
{
    if (offset + LR_TEXT >= gLayout.layoutLength)
        return;
    uint8_t *r = gLayout.layoutTable + offset;
    if (offset + static_cast<uint32_t>(Tbl_getI32(r + LR_LENGTH)) != gLayout.layoutLength ||
        Tbl_getU32(r + LR_TYPE) != LTYPE_TEXT)
        return;
    uint8_t style = r[LR_STYLE] & static_cast<uint8_t>(~0x01);
    size_t n = fitBytes(style, text, Tbl_getI32(r + LR_WIDTH));
    // The table below TABLE_LIMIT is ours: the record may grow into it.
    uint32_t room = (TABLE_LIMIT - 1 - offset) & ~3u;
    if (roundUp4(40 + static_cast<uint32_t>(n)) > room)
        n = charStart(text, room - 40);
    uint32_t recordLength = roundUp4(40 + static_cast<uint32_t>(n));
    std::memset(r + LR_TEXT, 0, std::max(recordLength, gLayout.layoutLength - offset) - LR_TEXT);
    std::memcpy(r + LR_TEXT, text, n);
    r[LR_STYLE] = style;
    putI32(r + LR_LENGTH, static_cast<int32_t>(recordLength));
    gLayout.layoutLength = offset + recordLength;
    logPosition();
    Log_printf("Field @%d \"%s\"\n", static_cast<int>(offset), reinterpret_cast<const char *>(r + LR_TEXT));
}

void write_str()
{
    char *text = gWbxml.textBuffer;
    if (gLayout.suppressOptions)
        return;
    if (gLayout.penX >= gLayout.availWidth)
        newLine();
    if (gWbxml.depth < 2 || gLayout.linesFull) {
        text[0] = 0;
        return;
    }
    uint8_t style = currentStyle();
    int32_t width = 0;
    if (gLayout.eventContext == EVENT_INPUT || gLayout.eventContext == EVENT_SELECT) {
        // A field is one record of the field width, cut, never broken.
        if (writePart(text, fitBytes(style, text, gLayout.fieldWidth), false, style, true, &width))
            gLayout.penX += width;
        text[0] = 0;
        return;
    }
    const char *run = text;
    for (;;) {
        size_t len = std::strlen(run);
        size_t cut = len, skip = 0;
        bool soft = false;
        if (gLayout.paraMode[gLayout.paraIndex] != MODE_NOWRAP) {
            size_t n = fitBytes(style, run, gLayout.availWidth - gLayout.penX);
            if (n < len) {
                size_t b = n;
                while (b > 0 && !breakAt(run, b, &skip, &soft))
                    b--;
                if (b == 0 && gLayout.penX != 0) {
                    newLine();
                    if (gLayout.linesFull)
                        break;
                    continue;
                }
                if (b == 0) {
                    // A word wider than an empty line is written whole.
                    b = std::max<size_t>(n, 1);
                    while (b < len && !breakAt(run, b, &skip, &soft))
                        b++;
                    if (b >= len)
                        skip = 0;
                }
                cut = std::min(b, len);
            }
        }
        bool written = writePart(run, cut, soft && skip, style, false, &width);
        if (written) {
            if (skip)
                newLine();
            else
                gLayout.penX += width;
        }
        const char *rest = run + cut + skip;
        if (skip == 0 || *rest == 0 || gLayout.linesFull)
            break;
        run = rest;
    }
    text[0] = 0;
}
