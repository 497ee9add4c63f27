#include "tests/browser/nav/event_fixture.h"

#include <sstream>

#include "browser/context.h"
#include "browser/event_record.h"
#include "browser/user_events.h"
#include "cache/cache.h"
#include "cache/cache_store.h"
#include "common/table_records.h"
#include "common/url.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display/dialog_headless.h"
#include "wml/layout.h"

void EventTest::SetUp()
{
    initUrlParser();
    C_init(nullptr);
    ASSERT_EQ(layoutTablesInit(), 0);
    setFixedMetrics(true);
    setFlashWait(nullptr);
    clearDialogAnswers();
    takeShownDialogs();
    clearContext(CLEAR_ALL);
    resetNavRecorder();
}

void EventTest::TearDown()
{
    resetNavRecorder();
    clearContext(CLEAR_ALL);
    clearCanvas();
}

void EventTest::storeDeck(const std::string &url, const char *name)
{
    std::string body = readBytes(std::string(EV_DECK_DIR) + "/" + name + ".wmlc");
    ASSERT_FALSE(body.empty()) << name;
    storeBytes(url, reinterpret_cast<const uint8_t *>(body.data()), body.size());
}

void EventTest::storeBytes(const std::string &url, const uint8_t *bytes, size_t length)
{
    CacheEntry e{};
    e.url = const_cast<char *>(url.c_str());
    e.urlLength = static_cast<uint32_t>(url.size() + 1);
    e.contentType = 0x14;
    e.body = const_cast<uint8_t *>(bytes);
    e.bodyLength = static_cast<uint32_t>(length);
    e.entryType = ENTRY_TYPE_NETWORK;
    e.freshness = FRESH_ALWAYS;
    ASSERT_EQ(putEntry(&e), PUTENTRY_STORED);
}

void EventTest::show(const std::string &url, const char *card)
{
    if (!getURL(0) || url != getURL(0))
        pushContext(url.c_str(), CONTEXT_NEW);
    ASSERT_EQ(Layout(url.c_str(), card), 0);
    submitCanvas(W_getLayoutTable(), W_getEventTable());
}

std::string EventTest::events() const { return W_eventTableText(W_getEventTable()); }
std::string EventTest::layout() const { return W_layoutTableText(W_getLayoutTable()); }

const uint8_t *EventTest::record(int n) const
{
    const uint8_t *found = nullptr;
    forEachEventRecord([&](const uint8_t *r, uint32_t) { return n-- == 0 && (found = r) != nullptr; });
    return found;
}

// Records and dump lines go in step: one "E" line (with its continuation
// lines) per record.
const uint8_t *EventTest::recordWith(const std::string &text) const
{
    std::istringstream lines(events());
    int n = -1;
    for (std::string line; std::getline(lines, line);) {
        n += line.rfind("E", 0) == 0;
        if (line.find(text) != std::string::npos)
            return n >= 0 ? record(n) : nullptr;
    }
    return nullptr;
}

bool EventTest::centreOf(const std::string &text, int *x, int *y) const
{
    const uint8_t *r = recordWith(text);
    if (r) {
        *x = Tbl_getI32(r + ER_X) + Tbl_getI32(r + ER_WIDTH) / 2;
        *y = Tbl_getI32(r + ER_Y) + Tbl_getI32(r + ER_HEIGHT) / 2;
    }
    return r != nullptr;
}

uint32_t EventTest::codeOf(const std::string &text) const
{
    const uint8_t *r = recordWith(text);
    return r ? static_cast<uint32_t>(Tbl_getI32(r + (r[ER_TYPE] == EVENT_ANCHOR ? ER_ANCHOR_CODE : ER_CODE))) : 0;
}
