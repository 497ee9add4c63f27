// The Layout pass: walks one card of the deck and fills the layout and
// event tables; coordinates stay line-relative until resolveTables fixes
// them in one sweep at the end.
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <strings.h>

#include "browser/context.h"
#include "browser/timer.h"
#include "common/log.h"
#include "shell/display.h"
#include "wml/layout_state.h"
#include "wml/wbxml.h"

LayoutState gLayout;

// --- Small helpers shared by the layout files ------------------------------

size_t charStart(const char *text, size_t n)
{
    if (!gLayout.utf8)
        return n;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        n--;
    return n;
}

size_t fitLength(const char *text, size_t size)
{
    if (size == 0)
        return 0;
    size_t n = strnlen(text, size);
    if (n < size)
        return n;
    return charStart(text, size - 1);
}

void copyCut(char *dst, size_t size, const char *text)
{
    if (size == 0)
        return;
    size_t n = fitLength(text, size);
    std::memmove(dst, text, n);
    dst[n] = 0;
}

int32_t decimalValue(const char *text)
{
    const char *p = text;
    while (*p == ' ')
        p++;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        p++;
    int64_t v = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        v = v * 10 + (*p - '0');
        if (v > INT32_MAX)
            return negative ? INT32_MIN : INT32_MAX;
    }
    return static_cast<int32_t>(negative ? -v : v);
}

// --- Tables ----------------------------------------------------------------

int layoutTablesInit()
{
    if (!gLayout.layoutTable)
        gLayout.layoutTable = static_cast<uint8_t *>(std::calloc(LAYOUT_TABLE_SIZE, 1));
    if (!gLayout.eventTable)
        gLayout.eventTable = static_cast<uint8_t *>(std::calloc(EVENT_TABLE_SIZE, 1));
    if (!gLayout.eventScratch)
        gLayout.eventScratch = static_cast<uint8_t *>(std::calloc(EVENT_SCRATCH_SIZE, 1));
    return gLayout.layoutTable && gLayout.eventTable && gLayout.eventScratch ? 0 : -1;
}

void W_layoutTablesFree()
{
    std::free(gLayout.layoutTable);
    std::free(gLayout.eventTable);
    std::free(gLayout.eventScratch);
    gLayout.layoutTable = gLayout.eventTable = gLayout.eventScratch = nullptr;
    gLayout.layoutLength = gLayout.eventLength = 0;
}

const uint8_t *W_getLayoutTable() { return gLayout.layoutTable; }
const uint8_t *W_getEventTable() { return gLayout.eventTable; }

// --- The walk --------------------------------------------------------------

static void resetPass()
{
    W_beginPass(gWbxml.bodyOffset, true, false);
    const LayoutState &kept = gLayout;
    gLayout = LayoutState{.layoutTable = kept.layoutTable,
                          .eventTable = kept.eventTable,
                          .eventScratch = kept.eventScratch,
                          .utf8 = kept.utf8,
                          .screenWidth = kept.screenWidth,
                          .screenHeight = kept.screenHeight,
                          .fieldWidth = kept.fieldWidth,
                          .fontHeight = kept.fontHeight,
                          .boldCount = kept.boldCount,
                          .italicCount = kept.italicCount,
                          .underlineCount = kept.underlineCount,
                          .bigBalance = kept.bigBalance,
                          .availWidth = kept.screenWidth};
    // Both tables read as empty even if a pass is cut short.
    putU32(gLayout.layoutTable, 0);
    putU32(gLayout.eventTable, 0);
}

static void addIntrinsicAttributes()
{
    addIntrinsicEvent("ONTIMER", getAttr("ONTIMER"));
    addIntrinsicEvent("ONENTERFORWARD", getAttr("ONENTERFORWARD"));
    addIntrinsicEvent("ONENTERBACKWARD", getAttr("ONENTERBACKWARD"));
}

// A card at depth 2: taken, or skipped (non-zero).
static int selectCard()
{
    gLayout.cardCounter++;
    char name[32];
    const char *id = getAttr("ID");
    copyCut(name, sizeof name, *id ? id : getAttr("NAME"));
    logPosition();
    Log_printf("Found card [%s] looking for [%s]\n", name, gLayout.requestedCard);
    if (gLayout.requestedCard[0] ? std::strcmp(name, gLayout.requestedCard) != 0 : gLayout.cardCounter != 1)
        return 1;
    gLayout.cardFound = true;
    if (strcasecmp(getAttr("NEWCONTEXT"), "TRUE") == 0)
        newContext();
    setCardInfo(name, getAttr("TITLE"));
    addIntrinsicAttributes();
    return 0;
}

// Style counters and simple markup of depth 3 and deeper, as data.
struct CounterTag {
    uint8_t tag;
    int32_t *counter;
    int32_t step;  // applied on open, undone on close
};
// clang-format off
static const CounterTag kCounterTags[] = {
    {TAG_B, &gLayout.boldCount, 1},      {TAG_EM, &gLayout.boldCount, 1},   {TAG_STRONG, &gLayout.boldCount, 1},
    {TAG_I, &gLayout.italicCount, 1},    {TAG_U, &gLayout.underlineCount, 1},
    {TAG_BIG, &gLayout.bigBalance, 1},   {TAG_SMALL, &gLayout.bigBalance, -1},
};
// clang-format on

static int contentElement(uint8_t tag, bool open)
{
    for (const CounterTag &c : kCounterTags) {
        if (c.tag == tag) {
            *c.counter += open ? c.step : -c.step;
            return 0;
        }
    }
    switch (tag) {
    case TAG_P:
        if (open) {
            pushParagraph(getAttr("ALIGN"), getAttr("MODE"));
        } else {
            newLine();
            popParagraph();
        }
        return 0;
    case TAG_BR:
        if (open)
            newLine();
        return 0;
    case TAG_TABLE:
    case TAG_TR:
    case TAG_TD: tableElement(tag, open); return 0;
    case TAG_IMG:
        if (open)
            imageElement();
        return 0;
    case TAG_TIMER: setTimer(decimalValue(getAttr("VALUE")), getAttr("NAME")); return 0;
    default: return eventElement(tag, open);
    }
}

// Non-zero has the element's content skipped.
static int layoutElement(void *, uint8_t token, bool open)
{
    uint8_t tag = token & 0x3F;
    int32_t depth = gWbxml.depth;
    if (depth <= 1)
        return tag == TAG_WML ? 0 : 1;
    if (depth == 2) {
        if (!open)
            return 1;
        switch (tag) {
        case TAG_CARD: return selectCard();
        case TAG_HEAD: return 0;
        case TAG_TEMPLATE: addIntrinsicAttributes(); return 0;
        default: return 1;
        }
    }
    return contentElement(tag, open);
}

static void layoutText(void *, bool) { write_str(); }

static void layoutContent()
{
    walkElements(WbxmlWalk{"Content", nullptr, layoutText, layoutElement, nullptr, nullptr});
}

// --- Resolution and dumps --------------------------------------------------

// Adds the line offsets to a record's line-relative x and y.
static void resolveXY(uint8_t *xLine, uint8_t *yLine, uint8_t *x, uint8_t *y)
{
    uint32_t yl = Tbl_getU32(yLine);
    if (yl != 0 && yl <= static_cast<uint32_t>(MAX_LINES))
        putI32(y, Tbl_getI32(y) + gLayout.lineBottom[yl - 1]);
    putU32(yLine, 0);
    uint32_t xl = Tbl_getU32(xLine);
    if (xl != 0 && xl <= static_cast<uint32_t>(MAX_LINES))
        putI32(x, Tbl_getI32(x) + gLayout.lineX[xl - 1]);
    putU32(xLine, 0);
}

// A zero-terminated text inside [p, end), cut at end.
static std::string fieldText(const uint8_t *p, const uint8_t *end)
{
    if (p >= end)
        return std::string();
    const char *s = reinterpret_cast<const char *>(p);
    return std::string(s, strnlen(s, static_cast<size_t>(end - p)));
}

static void appendf(std::string &out, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void appendf(std::string &out, const char *format, ...)
{
    char line[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out += line;
}

std::string W_layoutTableText(const uint8_t *table)
{
    std::string out;
    if (!table)
        return out;
    Tbl_forEachTableRecord(table, LR_HEADER_SIZE, [&](const uint8_t *r, uint32_t len) {
        uint32_t type = Tbl_getU32(r + LR_TYPE);
        appendf(out, "@(%d,%d) x(%d,%d), T%d A%d", Tbl_getI32(r + LR_X), Tbl_getI32(r + LR_Y), Tbl_getI32(r + LR_WIDTH),
                Tbl_getI32(r + LR_HEIGHT), static_cast<int>(type), r[LR_STYLE]);
        if (type == LTYPE_TEXT) {
            out += " STR:" + fieldText(r + LR_TEXT, r + len);
        } else if (type == LTYPE_IMAGE && len > LR_IMG_URL) {
            appendf(out, " IMG: %dx%d/%dx%d ", Tbl_getI32(r + LR_IMG_WIDTH), Tbl_getI32(r + LR_IMG_HEIGHT),
                    Tbl_getI32(r + LR_IMG_DWIDTH), Tbl_getI32(r + LR_IMG_DHEIGHT));
            out += fieldText(r + LR_IMG_URL, r + len);
        }
        out += "\n";
        return false;
    });
    return out;
}

static void selectText(std::string &out, const uint8_t *r, const uint8_t *end)
{
    appendf(out, "N=%d Mutiple=%d ", r[ER_SELECT_COUNT], r[ER_SELECT_MULTIPLE]);
    out += "IName=[" + fieldText(r + ER_SELECT_INAME, end) + "]";
    const uint8_t *p = r + ER_SELECT_TITLE;
    std::string title = fieldText(p, end);
    out += "\n  Prompt [" + title + "]";
    p += title.size() + 1;
    for (int i = 0; i < r[ER_SELECT_COUNT] * 3; i++) {
        std::string s = fieldText(p, end);
        if (i % 3 == 0)
            out += "\n   --> ";
        out += "[" + s + "]";
        p += s.size() + 1;
    }
}

std::string W_eventTableText(const uint8_t *table)
{
    std::string out;
    if (!table)
        return out;
    Tbl_forEachTableRecord(table, ER_HEADER_SIZE, [&](const uint8_t *r, uint32_t len) {
        const uint8_t *end = r + len;
        uint8_t type = r[ER_TYPE];
        appendf(out, "E%d ", type);
        if (type >= EVENT_A && type <= EVENT_SELECT && len >= ER_VISIBLE_SIZE) {
            appendf(out, "@(%d,%d) x(%d,%d) ", Tbl_getI32(r + ER_X), Tbl_getI32(r + ER_Y), Tbl_getI32(r + ER_WIDTH),
                    Tbl_getI32(r + ER_HEIGHT));
            if (type == EVENT_ANCHOR && len >= ER_ANCHOR_CODE + 4) {
                appendf(out, "Code @%d ", Tbl_getI32(r + ER_ANCHOR_CODE));
            } else if (type == EVENT_A) {
                out += "URL " + fieldText(r + ER_HREF, end) + " ";
            } else if (type == EVENT_INPUT && len > ER_INPUT_TITLE) {
                appendf(out, "Pwd=%d Empty=%d MaxLen=%d ", r[ER_INPUT_PASSWORD], r[ER_INPUT_EMPTYOK],
                        Tbl_getI32(r + ER_INPUT_MAXLEN));
                out += "Prompt [" + fieldText(r + ER_INPUT_TITLE, end) + "] ";
            } else if (type == EVENT_SELECT && len > ER_SELECT_TITLE) {
                selectText(out, r, end);
            }
        } else if (type >= EVENT_ONEVENT && type <= EVENT_DO) {
            out += "[" + fieldText(r + ER_NAME, r + ER_NAME + ER_NAME_SIZE) + "] ";
            if (type == EVENT_ONEVENT && len >= ER_CODE + 4) {
                appendf(out, "Code @%d ", Tbl_getI32(r + ER_CODE));
            } else if (type == EVENT_INTRINSIC) {
                out += "URL " + fieldText(r + ER_URL, end) + " ";
            } else if (type == EVENT_DO && len >= ER_DO_TYPE + ER_DO_TYPE_SIZE) {
                out += "Label [" + fieldText(r + ER_DO_LABEL, r + ER_DO_LABEL + ER_DO_LABEL_SIZE) + "] Type [" +
                       fieldText(r + ER_DO_TYPE, r + ER_DO_TYPE + ER_DO_TYPE_SIZE) + "] ";
                appendf(out, "@%d ", Tbl_getI32(r + ER_CODE));
            }
        }
        out += "\n";
        return false;
    });
    return out;
}

static void resolveTables()
{
    Tbl_forEachTableRecord(gLayout.layoutTable, LR_HEADER_SIZE, [](uint8_t *r, uint32_t) {
        resolveXY(r + LR_XLINE, r + LR_YLINE, r + LR_X, r + LR_Y);
        return false;
    });
    Tbl_forEachTableRecord(gLayout.eventTable, ER_HEADER_SIZE, [](uint8_t *r, uint32_t len) {
        if (r[ER_TYPE] >= EVENT_A && r[ER_TYPE] <= EVENT_SELECT && len >= ER_VISIBLE_SIZE)
            resolveXY(r + ER_XLINE, r + ER_YLINE, r + ER_X, r + ER_Y);
        return false;
    });
    Log_str("\nLayout Entity Table\n--------------------\n\n");
    Log_str(W_layoutTableText(gLayout.layoutTable).c_str());
    Log_str("\nEvent Entity Table\n-------------------\n\n");
    Log_str(W_eventTableText(gLayout.eventTable).c_str());
}

static void beginLayout(const char *card)
{
    resetPass();
    if (card)
        copyCut(gLayout.requestedCard, sizeof gLayout.requestedCard, card);
}

int Layout(const char *url, const char *card)
{
    Log_str("\nLayout start\n");
    if (layoutTablesInit() != 0 || decodeHeader(url) != 0)
        return -2;
    D_setDeckCharset(gWbxml.charset);
    gLayout.utf8 = gWbxml.charset == 106;
    int width = 0, height = 0;
    getCanvasSize(&width, &height);
    gLayout.screenWidth = width;
    gLayout.screenHeight = height;
    gLayout.fieldWidth = width * 3 / 4;
    Log_printf("Screen resolution %d x %d\n", width, height);
    int fontWidth = 0, fontHeight = 0;
    measureText(0, "X", &fontWidth, &fontHeight);
    gLayout.fontHeight = fontHeight;

    beginLayout(card);
    Log_printf("WML Requested Card [%s]\n", gLayout.requestedCard);
    layoutContent();
    if (!gLayout.cardFound) {
        Log_str("Card not found, trying default card...\n");
        beginLayout(nullptr);
        layoutContent();
    }
    newLine();
    putU32(gLayout.layoutTable + gLayout.layoutLength, 0);
    gLayout.layoutLength += 4;
    putU32(gLayout.eventTable + gLayout.eventLength, 0);
    gLayout.eventLength += 4;
    resolveTables();
    W_releaseDeck();
    Log_str("Layout end\n");
    return gWbxml.errorFlag ? LAYOUT_INCOMPLETE : 0;
}
