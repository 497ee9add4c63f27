// What the user does and what a card declares, turned into WML tasks:
// clicks on the canvas, the soft keys and the options entries (do
// elements), and the intrinsic events. Everything is dispatched from the
// event table of the card on screen.
#include "browser/user_events.h"

#include <strings.h>
#include <time.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/event_record.h"
#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"
#include "wml/actions.h"
#include "wml/layout.h"

static void sleepMs(int milliseconds);

static void (*gFlashWait)(int milliseconds) = sleepMs;  // flashItem's pause; null: none

static constexpr int FLASH_MS = 200;
static constexpr uint8_t FLASH_LINE_STYLE = 66;  // 2 pixels, grey, exclusive-or

static const char MSG_BUSY[] = "Browser: cache is busy (load in progress).  Ignoring!\n";

static void sleepMs(int milliseconds)
{
    timespec t = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

void setFlashWait(void (*wait)(int milliseconds)) { gFlashWait = wait; }

// --- Records ----------------------------------------------------------------

bool copyEventRecord(const uint8_t *entry, EventRecord *out)
{
    out->bytes.clear();
    if (!entry)
        return false;
    uint32_t length = Tbl_tableRecordLength(entry, 0, ER_HEADER_SIZE);
    if (length == 0)
        return false;
    out->bytes.assign(entry, entry + length);
    return true;
}

uint8_t eventKind(const EventRecord &r) { return eventByte(r, 4); }

uint8_t eventByte(const EventRecord &r, uint32_t offset) { return offset < r.bytes.size() ? r.bytes[offset] : 0; }

uint32_t eventU32(const EventRecord &r, uint32_t offset)
{
    if (r.bytes.size() < 4 || offset > r.bytes.size() - 4)
        return 0;
    return Tbl_getU32(r.bytes.data() + offset);
}

std::string eventText(const EventRecord &r, uint32_t offset, uint32_t limit, uint32_t *next)
{
    size_t size = r.bytes.size();
    if (offset >= size) {
        if (next)
            *next = static_cast<uint32_t>(size);
        return "";
    }
    const char *start = reinterpret_cast<const char *>(r.bytes.data() + offset);
    size_t n = strnlen(start, size - offset);
    if (next)
        *next = static_cast<uint32_t>(std::min(offset + n + 1, size));
    return std::string(start, std::min<size_t>(n, limit > 0 ? limit - 1 : 0));
}

static bool isVisibleKind(uint8_t kind) { return kind >= EVENT_A && kind <= EVENT_SELECT; }

// --- Performing one record --------------------------------------------------

static std::string currentDeckUrl()
{
    const char *url = getURL(0);
    return url ? url : "";
}

// Follows a URL attribute kept as "@offset" in the deck on screen.
static void followEncodedUrl(const std::string &deckUrl, const std::string &encoded)
{
    const char *url = GetURL(deckUrl.c_str(), encoded.c_str());
    if (!url)
        return;
    // The text lives in the decoder, which the navigation reuses.
    std::string target = url;
    B_go(target.c_str(), nullptr, METHOD_GET);
}

void doEvent(const uint8_t *entry)
{
    EventRecord r;
    if (!copyEventRecord(entry, &r))
        return;
    uint8_t kind = eventKind(r);
    if (isVisibleKind(kind) && r.bytes.size() < ER_VISIBLE_SIZE)
        return;
    std::string deckUrl = currentDeckUrl();
    switch (kind) {
    case EVENT_ONEVENT:
    case EVENT_DO: Actions(deckUrl.c_str(), eventU32(r, ER_CODE)); break;
    case EVENT_ANCHOR: Actions(deckUrl.c_str(), eventU32(r, ER_ANCHOR_CODE)); break;
    case EVENT_INTRINSIC: followEncodedUrl(deckUrl, eventText(r, ER_URL)); break;
    case EVENT_A: followEncodedUrl(deckUrl, eventText(r, ER_HREF)); break;
    case EVENT_INPUT: inputInteraction(r); break;
    case EVENT_SELECT: selectInteraction(r); break;
    default: break;
    }
}

// --- Clicks -----------------------------------------------------------------

static void outline(int x, int y, int width, int height)
{
    int top = y - 1;
    D_drawLine(x, top, width, 0, FLASH_LINE_STYLE);
    D_drawLine(x + width, top, 0, height, FLASH_LINE_STYLE);
    D_drawLine(x + width, top + height, -width, 0, FLASH_LINE_STYLE);
    D_drawLine(x, top + height, 0, -height, FLASH_LINE_STYLE);
    paintTitle();
}

void flashItem(int x, int y, int width, int height)
{
    outline(x, y, width, height);
    if (gFlashWait)
        gFlashWait(FLASH_MS);
    outline(x, y, width, height);
}

// Borders included; 64-bit so that no rectangle from the table overflows.
static bool contains(const uint8_t *record, int x, int y)
{
    int64_t x0 = Tbl_getI32(record + ER_X), y0 = Tbl_getI32(record + ER_Y);
    int64_t w = Tbl_getI32(record + ER_WIDTH), h = Tbl_getI32(record + ER_HEIGHT);
    return x0 <= x && x <= x0 + w && y0 <= y && y <= y0 + h;
}

void B_userClick(int x, int y)
{
    Log_printf("Browser: click! (%d,%d)\n", x, y);
    if (!isIdle()) {
        Log_str(MSG_BUSY);
        return;
    }
    EventRecord hit;
    forEachEventRecord([&](const uint8_t *record, uint32_t length) {
        if (!isVisibleKind(record[ER_TYPE]) || length < ER_VISIBLE_SIZE || !contains(record, x, y))
            return false;
        return copyEventRecord(record, &hit);
    });
    if (!hit.bytes.empty()) {
        const uint8_t *r = hit.bytes.data();
        flashItem(Tbl_getI32(r + ER_X), Tbl_getI32(r + ER_Y), Tbl_getI32(r + ER_WIDTH), Tbl_getI32(r + ER_HEIGHT));
        doEvent(r);
        Log_str("Browser: doEvent() finished\n");
    }
    Log_str("Browser: B_userClick() done\n");
}

// --- Browser events -----------------------------------------------------------

void fireIntrinsicEvent(const char *name)
{
    if (!name)
        return;
    size_t n = std::strlen(name);
    EventRecord match;
    forEachEventRecord([&](const uint8_t *record, uint32_t) {
        uint8_t kind = record[ER_TYPE];
        if (kind != EVENT_ONEVENT && kind != EVENT_INTRINSIC)
            return false;
        const char *eventName = reinterpret_cast<const char *>(record + ER_NAME);
        // Bounded by the stored name: a longer name cannot match.
        if (strnlen(eventName, ER_NAME_SIZE) < n || strncasecmp(eventName, name, n) != 0)
            return false;
        return copyEventRecord(record, &match);
    });
    if (!match.bytes.empty())
        doEvent(match.bytes.data());
}

void activateDo(int index)
{
    int count = 0;
    EventRecord match;
    forEachEventRecord([&](const uint8_t *record, uint32_t) {
        if (record[ER_TYPE] != EVENT_DO)
            return false;
        return count++ == index && copyEventRecord(record, &match);
    });
    if (!match.bytes.empty())
        doEvent(match.bytes.data());
}

struct IntrinsicEvent {
    int code;
    const char *logLine;
    const char *name;
};

static const IntrinsicEvent INTRINSIC_EVENTS[] = {
    {BEVENT_ONTIMER, "Browser: ONTIMER event\n", "ONTIMER"},
    {BEVENT_ONENTERFORWARD, "Browser: ONENTERFORWARD event\n", "ONENTERFORWARD"},
    {BEVENT_ONENTERBACKWARD, "Browser: ONENTERBACKWARD event\n", "ONENTERBACKWARD"},
    {BEVENT_ONPICK, "Browser: ONPICK event\n", "ONPICK"},
};

void B_event(int code, int argument)
{
    if (code == BEVENT_SELECT) {
        if (isIdle())
            activateDo(argument);
        else
            Log_str(MSG_BUSY);
        return;
    }
    for (const IntrinsicEvent &e : INTRINSIC_EVENTS) {
        if (e.code == code) {
            Log_str(e.logLine);
            fireIntrinsicEvent(e.name);
            return;
        }
    }
}
