// The headless command language: one command a line, dispatched through a
// table; every command prints what it did, or "error: " and why.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/user_events.h"
#include "cache/cache.h"
#include "cache/cache_store.h"
#include "common/log.h"
#include "common/url.h"
#include "shell/device_choice.h"
#include "shell/devices/devices.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display/dialog_headless.h"
#include "shell/display_commands.h"
#include "shell/headless/fetch.h"
#include "shell/headless/headless.h"
#include "shell/headless/loop.h"
#include "shell/headless/session.h"
#include "shell/headless/backend.h"
#include "shell/headless/targets.h"
#include "shell/menu.h"
#include "shell/skin_paint.h"
#include "shell/source_view.h"
#include "shell/window.h"
#include "stack/exchange.h"
#include "wml/layout.h"

namespace {

enum CommandResult { CMD_OK, CMD_FAILED, CMD_QUIT };

struct Line {
    std::vector<std::string> words;  // words[0] is the command
    std::string rest;                // the text after the command word
};

struct Command {
    const char *name;
    int minWords;  // including the command word
    const char *usage;
    CommandResult (*run)(const Line &line);
};

CommandResult fail(const std::string &why)
{
    std::printf("error: %s\n", why.c_str());
    return CMD_FAILED;
}

bool parseInt(const std::string &text, long *value)
{
    char *end = nullptr;
    *value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end && *end == 0;
}

bool readFile(const std::string &path, std::vector<uint8_t> *bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Offline tests put content straight into the cache, as a fetch would.
CommandResult cmdLoad(const Line &line)
{
    long type = 0;
    if (!parseInt(line.words[3], &type) || (type != CT_WMLC && type != CT_WMLSC && type != CT_WBMP))
        return fail("content type must be 20, 21 or 33");
    std::vector<uint8_t> bytes;
    if (!readFile(line.words[1], &bytes))
        return fail("cannot read " + line.words[1]);
    std::string key = C_makeCacheKey(line.words[2].c_str());
    if (key.empty() || !checkUrl(line.words[2].c_str()))
        return fail("malformed URL " + line.words[2]);
    CacheEntry entry{};
    entry.contentType = static_cast<uint32_t>(type);
    entry.url = key.data();
    entry.body = bytes.data();
    entry.bodyLength = static_cast<uint32_t>(bytes.size());
    entry.entryType = ENTRY_TYPE_NETWORK;
    entry.entryFlag = ENTRY_COMPLETE;
    entry.session = gCacheSettings.currentSession;
    entry.freshness = FRESH_ALWAYS;
    int r = putEntry(&entry);
    if (r != PUTENTRY_STORED)
        return fail("the cache refused it (" + std::to_string(r) + ")");
    std::printf("load %s %ld %zu\n", line.words[2].c_str(), type, bytes.size());
    return CMD_OK;
}

// Lays a cached card out without navigating; the deck gets a context of
// its own so that its variables work.
CommandResult cmdLayout(const Line &line)
{
    const std::string &url = line.words[1];
    if (!checkUrl(url.c_str()))
        return fail("malformed URL " + url);
    if (B_contextDepth() == 0 || std::strcmp(getURL(0), url.c_str()) != 0)
        pushContext(url.c_str(), CONTEXT_NEW);
    char card[64];
    getUrlFragment(url.c_str(), card, sizeof card);
    int r = Layout(url.c_str(), card);
    if (r == -2)
        return fail(url + " is not in the cache");
    submitCanvas(W_getLayoutTable(), W_getEventTable());
    setScroll(0, 0);
    std::printf("layout %d\n", r);
    return CMD_OK;
}

void printLines(const std::string &text)
{
    std::string utf8 = deckTextToUtf8(text.c_str());
    std::fputs(utf8.c_str(), stdout);
    if (!utf8.empty() && utf8.back() != '\n')
        std::fputc('\n', stdout);
}

CommandResult cmdDump(const Line &)
{
    const char *url = B_contextDepth() ? getURL(0) : "";
    std::printf("url %s\n", url ? url : "");
    std::printf("card %s\n", deckTextToUtf8(getCardName()).c_str());
    std::printf("title %s\n", deckTextToUtf8(getCardTitle()).c_str());
    const std::vector<std::string> &keys = softKeyLabels();
    for (size_t i = 0; i < keys.size(); i++)
        std::printf("softkey %zu %s\n", i, keys[i].c_str());
    const std::vector<std::string> &status = statusList();
    std::printf("status %s\n", status.empty() ? "" : status.front().c_str());
    for (const ShownDialog &d : takeShownDialogs())
        std::printf("%s\n", dialogDumpLine(d).c_str());
    if (const uint8_t *layout = currentLayoutTable())
        printLines(W_layoutTableText(layout));
    if (const uint8_t *events = currentEventTable())
        printLines(W_eventTableText(events));
    std::printf("end\n");
    return CMD_OK;
}

CommandResult cmdVar(const Line &line)
{
    std::printf("%s=%s\n", line.words[1].c_str(), deckTextToUtf8(getContextVal(line.words[1].c_str())).c_str());
    return CMD_OK;
}

CommandResult cmdSetvar(const Line &line)
{
    const std::string &name = line.words[1];
    // The value is the rest of the line after the name, blanks included.
    std::string value = line.rest.substr(name.size());
    size_t start = value.find_first_not_of(" \t");
    value = start == std::string::npos ? "" : value.substr(start);
    if (!setContextVal(name.c_str(), value.c_str()))
        return fail("no current deck to hold variables");
    std::printf("%s=%s\n", name.c_str(), value.c_str());
    return CMD_OK;
}

struct ScrollName {
    const char *name;
    int command;
};

// clang-format off
constexpr ScrollName kScrollNames[] = {
    {"up", CMD_SCROLL_UP}, {"down", CMD_SCROLL_DOWN}, {"left", CMD_SCROLL_LEFT}, {"right", CMD_SCROLL_RIGHT}};

// scroll up|down|left|right: one press of the skin's scroll button.
CommandResult scrollStep(const std::string &name)
{
    for (const ScrollName &n : kScrollNames) {
        if (name != n.name)
            continue;
        displayScrollCommand(n.command);
        int x = 0, y = 0;
        getScroll(&x, &y);
        std::printf("scroll %d %d\n", x, y);
        return CMD_OK;
    }
    return fail("scroll wants X Y or up, down, left, right");
}

CommandResult cmdScroll(const Line &line)
{
    if (line.words.size() == 2)
        return scrollStep(line.words[1]);
    long x = 0, y = 0;
    if (!parseInt(line.words[1], &x) || !parseInt(line.words[2], &y) || x < 0 || y < 0 || x > 100000 || y > 100000)
        return fail("scroll wants two numbers from 0 on");
    setScroll(static_cast<int>(x), static_cast<int>(y));
    std::printf("scroll %ld %ld\n", x, y);
    return CMD_OK;
}

// The whole handset, or with --canvas-only the canvas; without a skin the
// canvas is all there is.
CommandResult cmdScreenshot(const Line &line)
{
    bool canvasOnly = line.words[1] == "--canvas-only";
    if (canvasOnly && line.words.size() < 3)
        return fail("usage: screenshot [--canvas-only] FILE.png");
    const std::string &path = canvasOnly ? line.words[2] : line.words[1];
    paintNow();
    bool written = !canvasOnly && handsetSurface() ? writeHandsetPng(path.c_str(), headlessZoom()) : writeCanvasPng(path.c_str());
    if (!written)
        return fail("cannot write " + path);
    std::printf("screenshot %s\n", path.c_str());
    return CMD_OK;
}

CommandResult cmdSkin(const Line &line)
{
    std::string why;
    bool changed = changeSkin(line.rest, &why);
    takeMessageBoxes();
    if (!changed)
        return fail("skin " + why);
    const SkinDefinition &skin = currentSkin();
    std::printf("skin %s %dx%d canvas %dx%d\n", line.rest.c_str(), skin.image.width, skin.image.height,
                skin.canvasWidth, skin.canvasHeight);
    return CMD_OK;
}

CommandResult cmdKey(const Line &line)
{
    if (!windowKey(line.words[1].c_str()))
        return fail("no key " + line.words[1] + " (keys: " + windowKeyNames() + ")");
    std::printf("key %s\n", line.words[1].c_str());
    return CMD_OK;
}

CommandResult cmdAnswer(const Line &line)
{
    std::string why;
    if (!queueDialogAnswer(line.words[0].c_str(), line.rest.c_str(), &why))
        return fail(why);
    std::printf("%s queued\n", line.words[0].c_str());
    return CMD_OK;
}

// C_getEx, then the loop until the answer is in the cache or failed.
CommandResult cmdFetch(const Line &line)
{
    long type = 0;
    if (!parseInt(line.words[2], &type) || type < 0 || type > 127)
        return fail("content type must be a number from 0 to 127");
    const std::string &url = line.words[1];
    CacheResult r{0, 0};
    uint32_t length = 0;
    if (!fetchNow(url.c_str(), static_cast<uint32_t>(type), 0, METHOD_GET, nullptr, 0, &r, &length))
        return fail("fetch " + url + " timed out");
    std::printf("fetch %d %ld %u\n", r.code, type, r.code == CRES_STORED || r.code == CRES_HIT ? length : 0);
    return CMD_OK;
}

CommandResult cmdGo(const Line &line)
{
    std::printf("go %s\n", line.words[1].c_str());
    B_go(line.words[1].c_str(), nullptr, METHOD_GET);
    return CMD_OK;
}

struct Button {
    const char *name;
    void (*press)();
};
// clang-format on

// The skin's navigation buttons.
// clang-format off
constexpr Button kButtons[] = {
    {"back", displayGoPrev}, {"reload", displayRefresh}, {"stop", displayStop}, {"home", displayGoHome}};

CommandResult cmdButton(const Line &line)
{
    for (const Button &b : kButtons) {
        if (line.words[0] == b.name) {
            std::printf("%s\n", b.name);
            b.press();
        }
    }
    return CMD_OK;
}

CommandResult clickAt(int x, int y)
{
    std::printf("click %d %d\n", x, y);
    B_userClick(x, y);
    return CMD_OK;
}

CommandResult cmdClick(const Line &line)
{
    long x = 0, y = 0;
    if (!parseInt(line.words[1], &x) || !parseInt(line.words[2], &y) || x < -100000 || y < -100000 || x > 100000 ||
        y > 100000)
        return fail("click wants two numbers");
    return clickAt(static_cast<int>(x), static_cast<int>(y));
}

CommandResult cmdClickLink(const Line &line)
{
    int x = 0, y = 0;
    if (!findLinkPoint(currentLayoutTable(), line.rest, &x, &y))
        return fail("no link with the text " + line.rest);
    return clickAt(x, y);
}

CommandResult cmdClickField(const Line &line)
{
    int x = 0, y = 0;
    if (!findFieldPoint(currentEventTable(), line.words[1], &x, &y))
        return fail("no input or select for the variable " + line.words[1]);
    return clickAt(x, y);
}

CommandResult cmdSoftkey(const Line &line)
{
    long n = 0;
    if (!parseInt(line.words[1], &n) || n < 0 || n > 255)
        return fail("softkey wants a number from 0");
    std::printf("softkey %ld\n", n);
    B_event(BEVENT_SELECT, static_cast<int>(n));
    return CMD_OK;
}

// Seconds of the loop's clock as milliseconds, from a text like "2.5".
bool parseSeconds(const std::string &text, uint32_t *ms)
{
    char *end = nullptr;
    double s = std::strtod(text.c_str(), &end);
    if (text.empty() || !end || *end != 0 || !(s >= 0) || s > 3600)
        return false;
    *ms = static_cast<uint32_t>(s * 1000 + 0.5);
    return true;
}

constexpr uint32_t kWaitDefaultMs = 10000;

bool browserSettled(void *) { return isIdle() && B_getBrowserState() == BSTATE_IDLE; }

CommandResult cmdWait(const Line &line)
{
    uint32_t limit = kWaitDefaultMs;
    if (line.words.size() > 1 && !parseSeconds(line.words[1], &limit))
        return fail("wait wants a number of seconds");
    if (!runLoop(browserSettled, nullptr, limit))
        return fail("still loading after " + std::to_string(limit / 1000.0).substr(0, 5) + " s");
    std::printf("wait idle\n");
    return CMD_OK;
}

CommandResult cmdSleep(const Line &line)
{
    uint32_t ms = 0;
    if (!parseSeconds(line.words[1], &ms))
        return fail("sleep wants a number of seconds");
    runLoop(nullptr, nullptr, ms);
    std::printf("sleep %s\n", line.words[1].c_str());
    return CMD_OK;
}

// The road the Browser took since the last trail: its states and rounds.
CommandResult cmdTrail(const Line &)
{
    std::printf("trail %s\n", B_takeBrowserTrail().c_str());
    return CMD_OK;
}

// "menu COMMAND TEXT", submenu entries after their parent's text and " > ".
void printMenu(const std::vector<MenuEntry> &entries, const std::string &parent)
{
    for (const MenuEntry &e : entries) {
        if (e.command == 0 && e.text.empty() && e.submenu.empty()) {
            std::printf("menu 0 -\n");
            continue;
        }
        std::printf("menu %d %s%s%s\n", e.command, parent.c_str(), e.text.c_str(), e.checked ? " [checked]" : "");
        printMenu(e.submenu, parent + e.text + " > ");
    }
}

CommandResult cmdMenu(const Line &)
{
    printMenu(buildMenus(), "");
    return CMD_OK;
}

const MenuEntry *findMenuEntry(const std::vector<MenuEntry> &entries, const std::string &text)
{
    for (const MenuEntry &e : entries) {
        if (e.command && e.enabled && e.text.compare(0, text.size(), text) == 0)
            return &e;
        if (const MenuEntry *inner = findMenuEntry(e.submenu, text))
            return inner;
    }
    return nullptr;
}

// Runs the first entry (submenus included) whose text starts with TEXT.
CommandResult cmdMenuChoose(const Line &line)
{
    std::vector<MenuEntry> menu = buildMenus();
    const MenuEntry *e = findMenuEntry(menu, line.rest);
    if (!e)
        return fail("no menu entry starts with " + line.rest);
    std::printf("menu-choose %d %s\n", e->command, e->text.c_str());
    runMenuCommand(e->command);
    std::fputs(takeMessageBoxes().c_str(), stdout);
    return headlessQuitRequested() ? CMD_QUIT : CMD_OK;
}

CommandResult cmdBookmarks(const Line &)
{
    std::string title, url;
    for (int i = 0; getBookmark(i, &title, &url); i++)
        std::printf("bookmark %d %s %s\n", i + 1, deckTextToUtf8(title.c_str()).c_str(), url.c_str());
    std::printf("bookmarks %d\n", bookmarkCount());
    return CMD_OK;
}

CommandResult cmdBookmarkAdd(const Line &)
{
    const char *url = B_contextDepth() ? getURL(0) : nullptr;
    if (!addBookmark(getCardTitle(), url))
        return fail("no current card to bookmark");
    std::string title, stored;
    getBookmark(bookmarkCount() - 1, &title, &stored);
    std::printf("bookmark-add %d %s %s\n", bookmarkCount(), deckTextToUtf8(title.c_str()).c_str(), stored.c_str());
    return CMD_OK;
}

CommandResult cmdHistory(const Line &)
{
    std::vector<std::string> newest = historyNewestFirst();
    size_t n = newest.size();
    for (size_t i = 0; i < n; i++)
        std::printf("history %zu %s\n", i + 1, newest[n - 1 - i].c_str());
    std::printf("history-count %zu\n", n);
    return CMD_OK;
}

constexpr const char *kPushListenerNames[] = {"closed", "on", "off"};

// "push N URI PAGE" per listed push (PAGE: what push-open loads, "-" for
// nothing), then the count, the indicator and the listener.
CommandResult cmdPushes(const Line &)
{
    std::vector<std::string> uris = pushMessageList();
    for (size_t i = 0; i < uris.size(); i++) {
        std::string page = C_pushOpenUrl(uris[i].c_str());
        std::printf("push %zu %s %s\n", i + 1, uris[i].c_str(), page.empty() ? "-" : page.c_str());
    }
    std::printf("pushes %zu\n", uris.size());
    std::printf("push-indicator %s\n", pushIndicatorShown() ? "on" : "off");
    std::printf("push-listener %s\n", kPushListenerNames[C_pushListenerState()]);
    return CMD_OK;
}

// The Nth listed push (from 1), or a failure.
bool listedPush(const Line &line, std::string *uri, CommandResult *failed)
{
    long n = 0;
    std::vector<std::string> uris = pushMessageList();
    if (!parseInt(line.words[1], &n) || n < 1 || static_cast<size_t>(n) > uris.size()) {
        *failed = fail("no push " + line.words[1] + " (" + std::to_string(uris.size()) + " listed)");
        return false;
    }
    *uri = uris[static_cast<size_t>(n) - 1];
    return true;
}

// The push dialog's Go: the page the push names, with B_go.
CommandResult cmdPushOpen(const Line &line)
{
    std::string uri;
    CommandResult failed = CMD_FAILED;
    if (!listedPush(line, &uri, &failed))
        return failed;
    std::string page = C_pushOpenUrl(uri.c_str());
    if (page.empty())
        return fail("push " + line.words[1] + " names no page");
    std::printf("push-open %s %s\n", line.words[1].c_str(), page.c_str());
    B_go(page.c_str(), nullptr, METHOD_GET);
    refreshPushIndicator();
    return CMD_OK;
}

// The push dialog's Delete.
CommandResult cmdPushDelete(const Line &line)
{
    std::string uri;
    CommandResult failed = CMD_FAILED;
    if (!listedPush(line, &uri, &failed))
        return failed;
    deletePush(uri.c_str());
    pushMessageList();  // recounts, as the dialog's refill does
    refreshPushIndicator();
    std::printf("push-delete %s %s\n", line.words[1].c_str(), uri.c_str());
    return CMD_OK;
}

bool pushArrived(void *) { return pushWaiting(); }

// Runs the loop until a push message is waiting (one that arrived earlier
// counts).
CommandResult cmdWaitPush(const Line &line)
{
    uint32_t limit = kWaitDefaultMs;
    if (line.words.size() > 1 && !parseSeconds(line.words[1], &limit))
        return fail("wait-push wants a number of seconds");
    if (!runLoop(pushArrived, nullptr, limit))
        return fail("no push message after " + std::to_string(limit / 1000.0).substr(0, 5) + " s");
    std::printf("wait-push %zu\n", pushMessageList().size());
    return CMD_OK;
}

// The WML source view of the current deck written to FILE, with
// Decompile's result.
CommandResult cmdSource(const Line &line)
{
    int result = 0;
    std::string why;
    if (!writeWmlSource(line.words[1].c_str(), &result, &why))
        return fail(why);
    std::printf("source %s %d\n", line.words[1].c_str(), result);
    return CMD_OK;
}

uint64_t gExchangeSeen = 0;    // serial of the last datagram listed
uint64_t gExchangeStartUs = 0; // the first datagram's time: times count from it

// "exchange TIME DIR WTP TID WSP DETAIL LENGTH" per PDU sent or received
// since the last call, then how many.
CommandResult cmdExchange(const Line &)
{
    uint64_t lost = 0;
    size_t count = 0;
    while (const CapturedDatagram *d = S_nextRecordedDatagram(&gExchangeSeen, &lost)) {
        if (lost)
            std::printf("exchange-lost %llu\n", static_cast<unsigned long long>(lost));
        if (!gExchangeStartUs)
            gExchangeStartUs = d->timeUs;
        for (const std::string &text : S_describeDatagram(*d, gExchangeStartUs)) {
            std::printf("exchange %s\n", text.c_str());
            count++;
        }
    }
    std::printf("exchange-count %zu\n", count);
    return CMD_OK;
}

// "device": the profile of this run; "device NAME|none" keeps NAME as the
// preference for the next start.
CommandResult cmdDevice(const Line &line)
{
    if (line.words.size() < 2) {
        const DeviceProfile *d = DV_current();
        if (!d) {
            std::printf("device none\n");
            return CMD_OK;
        }
        std::printf("device %s %dx%d %ld %s\n", d->name.c_str(), d->width, d->height, d->deckBudget, d->skin.c_str());
        return CMD_OK;
    }
    const std::string &name = line.words[1];
    if (name != "none" && !DV_find(name))
        return fail("no handset profile " + name + " (profiles: " + DV_names() + ")");
    if (!storeDevicePreference(name == "none" ? "" : name))
        return fail("cannot store the preference");
    std::printf("device %s kept\n", name.c_str());
    return CMD_OK;
}

CommandResult cmdQuit(const Line &)
{
    std::printf("quit\n");
    return CMD_QUIT;
}

const Command kCommands[] = {
    {"load", 4, "load FILE URL TYPE", cmdLoad},
    {"layout", 2, "layout URL", cmdLayout},
    {"dump", 1, "dump", cmdDump},
    {"var", 2, "var NAME", cmdVar},
    {"setvar", 2, "setvar NAME VALUE", cmdSetvar},
    {"scroll", 2, "scroll X Y | scroll up|down|left|right", cmdScroll},
    {"screenshot", 2, "screenshot [--canvas-only] FILE.png", cmdScreenshot},
    {"answer", 1, "answer TEXT", cmdAnswer},
    {"choose", 2, "choose N[;N...]", cmdAnswer},
    {"confirm", 2, "confirm yes|no", cmdAnswer},
    {"cancel", 1, "cancel", cmdAnswer},
    {"fetch", 3, "fetch URL TYPE", cmdFetch},
    {"go", 2, "go URL", cmdGo},
    {"back", 1, "back", cmdButton},
    {"reload", 1, "reload", cmdButton},
    {"stop", 1, "stop", cmdButton},
    {"home", 1, "home", cmdButton},
    {"click", 3, "click X Y", cmdClick},
    {"click-link", 2, "click-link TEXT", cmdClickLink},
    {"click-field", 2, "click-field NAME", cmdClickField},
    {"softkey", 2, "softkey N", cmdSoftkey},
    {"wait", 1, "wait [SECONDS]", cmdWait},
    {"sleep", 2, "sleep SECONDS", cmdSleep},
    {"trail", 1, "trail", cmdTrail},
    {"skin", 2, "skin FILE.skin", cmdSkin},
    {"key", 2, "key NAME", cmdKey},
    {"menu", 1, "menu", cmdMenu},
    {"menu-choose", 2, "menu-choose TEXT", cmdMenuChoose},
    {"bookmarks", 1, "bookmarks", cmdBookmarks},
    {"bookmark-add", 1, "bookmark-add", cmdBookmarkAdd},
    {"history", 1, "history", cmdHistory},
    {"pushes", 1, "pushes", cmdPushes},
    {"push-open", 2, "push-open N", cmdPushOpen},
    {"push-delete", 2, "push-delete N", cmdPushDelete},
    {"wait-push", 1, "wait-push [SECONDS]", cmdWaitPush},
    {"source", 2, "source FILE", cmdSource},
    {"exchange", 1, "exchange", cmdExchange},
    {"device", 1, "device [NAME|none]", cmdDevice},
    {"quit", 1, "quit", cmdQuit},
};
// clang-format on

Line splitLine(const std::string &text)
{
    Line line;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            i++;
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            i++;
        if (i > start) {
            if (line.words.empty()) {
                size_t restStart = text.find_first_not_of(" \t", i);
                line.rest = restStart == std::string::npos ? "" : text.substr(restStart);
            }
            line.words.push_back(text.substr(start, i - start));
        }
    }
    return line;
}

CommandResult dispatch(const std::string &text)
{
    Line line = splitLine(text);
    if (line.words.empty() || line.words[0][0] == '#')
        return CMD_OK;
    for (const Command &c : kCommands) {
        if (line.words[0] != c.name)
            continue;
        if (static_cast<int>(line.words.size()) < c.minWords)
            return fail(std::string("usage: ") + c.usage);
        Log_printf("Display: headless command [%s]\n", text.c_str());
        return c.run(line);
    }
    return fail("unknown command " + line.words[0]);
}

bool readLine(FILE *in, std::string *line)
{
    line->clear();
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line->push_back(static_cast<char>(c));
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return c != EOF || !line->empty();
}

}  // namespace

int runHeadless(FILE *in)
{
    std::string line;
    while (readLine(in, &line)) {
        CommandResult r = dispatch(line);
        std::fflush(stdout);
        if (r == CMD_QUIT)
            return 0;
        if (r == CMD_FAILED)
            return 1;
    }
    return 0;
}
