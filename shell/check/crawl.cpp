// The crawl: one request at a time through the headless loop, breadth
// first from the start URL, each URL once; the passes the Browser uses
// (LoadDep's access check, Layout of every card, the script loader) are
// run on what arrives, with the log watched for their warnings.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>

#include "browser/context.h"
#include "cache/cache.h"
#include "common/log.h"
#include "common/url.h"
#include "script/unit.h"
#include "shell/check/check.h"
#include "shell/check/deck_scan.h"
#include "shell/check/words.h"
#include "shell/headless/fetch.h"
#include "wml/layout.h"
#include "wml/loaddep.h"

namespace {

struct Queued {
    std::string url;  // absolute, no fragment
    PageKind kind;
    std::string referrer;
    int depth;
    bool post;
    std::vector<std::string> path;  // the pages from the start to the referrer
};

const CheckOptions *gOptions = nullptr;
CheckReport *gReport = nullptr;
std::deque<Queued> gQueue;                                 // waiting to be fetched
std::set<std::string> gSeen;                               // queued or fetched, with the kind
std::set<std::string> gOutOfScope;                         // left alone
std::map<std::string, std::vector<std::string>> gCardsOf;  // fetched decks' card ids
std::set<std::string> gWarningsSeen;                       // log warnings of the pass in hand
int gSkippedDeep = 0;                                      // links past --depth
int gSkippedPosts = 0;                                     // posts not followed
bool gLimitHit = false;                                    // --max-pages stopped the crawl
std::set<std::string> gExpectingErrors;                    // decks whose faults are on purpose

// The decoder's and layout's complaints, as the log gives them.
constexpr const char *kLogWarnings[] = {
    "Deck truncated",         "Text buffer overflow",  "String buffer overflow", "Attribute buffer overflow",
    "Layout buffer overflow", "Event buffer overflow", "Maximum lines exceeded", "Maximum nesting exceeded",
};

void watchLog(const char *text)
{
    for (const char *w : kLogWarnings)
        if (std::strncmp(text, w, std::strlen(w)) == 0)
            gWarningsSeen.insert(w);
}

void add(CheckedPage *page, Severity severity, const std::string &kind, const std::string &message,
         const std::string &target = "")
{
    page->findings.push_back({severity, kind, message, target});
}

std::string resolve(const std::string &base, const std::string &reference)
{
    std::vector<char> out(base.size() + reference.size() + 16);
    if (!resolveUrl(base.c_str(), reference.c_str(), out.data(), out.size()))
        return "";
    return out.data();
}

std::string withoutFragment(const std::string &url)
{
    size_t hash = url.find('#');
    return hash == std::string::npos ? url : url.substr(0, hash);
}

std::string fragmentOf(const std::string &url)
{
    size_t hash = url.find('#');
    return hash == std::string::npos ? "" : url.substr(hash + 1);
}

bool inScope(const std::string &url) { return url.compare(0, gReport->scope.size(), gReport->scope) == 0; }

// A script call names a function ("unit.wmls#f()"); a URL of a unit
// without one is taken as a script too.
bool isScriptCall(const std::string &url)
{
    std::string fragment = fragmentOf(url);
    std::string path = withoutFragment(url);
    size_t query = path.find('?');
    if (query != std::string::npos)
        path.resize(query);
    auto endsWith = [&path](const char *tail) {
        size_t n = std::strlen(tail);
        return path.size() >= n && path.compare(path.size() - n, n, tail) == 0;
    };
    return fragment.find('(') != std::string::npos || endsWith(".wmls") || endsWith(".wmlsc");
}

// Variables the deck gives a literal value with setvar replace their
// references; a reference left means the URL cannot be followed.
bool substituteSetvars(const DeckScan &scan, std::string *url)
{
    for (int round = 0; round < 8 && url->find('$') != std::string::npos; round++) {
        bool changed = false;
        for (const std::string &sv : scan.setvars) {
            size_t eq = sv.find('=');
            std::string name = sv.substr(0, eq), value = sv.substr(eq + 1);
            if (value.find('$') != std::string::npos)
                continue;
            for (const std::string &form :
                 {"$(" + name + ")", "$(" + name + ":e)", "$(" + name + ":escape)", "$(" + name + ":n)",
                  "$(" + name + ":noesc)", "$(" + name + ":u)", "$(" + name + ":unesc)", "$" + name}) {
                size_t at = url->find(form);
                if (at != std::string::npos) {
                    url->replace(at, form.size(), value);
                    changed = true;
                }
            }
        }
        if (!changed)
            break;
    }
    return url->find("$(") == std::string::npos;
}

void enqueue(const std::string &url, PageKind kind, const Queued &from, bool post)
{
    std::string key = std::to_string(kind) + " " + url;
    if (gSeen.count(key))
        return;
    if (!inScope(url)) {
        gOutOfScope.insert(url);
        return;
    }
    if (kind == PAGE_DECK && from.depth + 1 > gOptions->depth) {
        gSkippedDeep++;
        return;
    }
    gSeen.insert(key);
    Queued q{url, kind, from.url, from.depth + (kind == PAGE_DECK ? 1 : 0), post, from.path};
    q.path.push_back(from.url);
    gQueue.push_back(q);
}

bool onPath(const Queued &q, const std::string &url)
{
    for (const std::string &p : q.path)
        if (p == url)
            return true;
    return url == q.url;
}

// A script target: the unit is fetched (once) and the function looked up.
void noteScriptFunction(const std::string &call, CheckedPage *page)
{
    std::string fragment = fragmentOf(call);
    size_t paren = fragment.find('(');
    std::string function = fragment.substr(0, paren);
    if (function.empty())
        return;
    ScriptUnit unit{};
    int32_t error = 0;
    std::string text = withoutFragment(call) + "#" + function;
    bool loaded = loadUnit(text.c_str(), &unit, &error, false);
    if (loaded) {
        WS_releaseUnitContent(&unit);
    } else if (error != SE_NO_FUNCTION) {
        add(page, SEV_ERROR, "script",
            "script " + withoutFragment(call) + " does not load or verify (error " + std::to_string(error) + ")", call);
    } else if (C_cachedLength(withoutFragment(call).c_str(), CT_WMLSC).code == CRES_HIT) {
        add(page, SEV_ERROR, "script-function", "script " + withoutFragment(call) + " has no function " + function,
            call);
    }
    std::free(unit.url);
}

// The links of a deck, resolved, checked and queued.
void followTargets(const Queued &q, const DeckScan &scan, CheckedPage *page,
                   std::vector<std::pair<std::string, std::string>> *scriptCalls)
{
    std::set<std::string> reported;  // one finding per target of a page
    for (const DeckTarget &t : scan.targets) {
        std::string written = t.url;
        if (!substituteSetvars(scan, &written)) {
            if (reported.insert("var " + t.url).second)
                add(page, SEV_NOTE, "variable", "not followable: " + t.url + " uses a variable with no value here",
                    t.url);
            continue;
        }
        if (written[0] == '#') {
            std::string card = written.substr(1);
            const std::vector<std::string> &cards = gCardsOf[q.url];
            if (std::find(cards.begin(), cards.end(), card) == cards.end() && reported.insert(written).second)
                add(page, SEV_ERROR, "missing-card", written + " names no card of this deck", written);
            continue;
        }
        std::string absolute = resolve(q.url, written);
        if (absolute.empty() || !checkUrl(absolute.c_str())) {
            if (reported.insert("bad " + written).second)
                add(page, SEV_ERROR, "bad-url", "malformed URL " + written, written);
            continue;
        }
        if (t.kind == TARGET_IMAGE) {
            enqueue(withoutFragment(absolute), PAGE_IMAGE, q, false);
            continue;
        }
        if (isScriptCall(absolute)) {
            enqueue(withoutFragment(absolute), PAGE_SCRIPT, q, false);
            scriptCalls->push_back({absolute, q.url});
            continue;
        }
        if (t.post && !gOptions->followPosts) {
            gSkippedPosts++;
            continue;
        }
        std::string deck = withoutFragment(absolute);
        if (inScope(deck) && onPath(q, deck) && deck != q.url && reported.insert("cycle " + deck).second)
            add(page, SEV_NOTE, "cycle", "link back to " + deck + ", already on the way here (a cycle; checked once)",
                deck);
        enqueue(deck, PAGE_DECK, q, t.post);
    }
}

// The card a fragment names in another deck, checked once that deck is in.
struct CardReference {
    std::string deck, card, fromPage;
};
std::vector<CardReference> gCardReferences;

void noteCardReferences(const Queued &q, const DeckScan &scan)
{
    for (const DeckTarget &t : scan.targets) {
        if (t.kind != TARGET_LINK || t.url.empty() || t.url[0] == '#' || t.url.find('$') != std::string::npos)
            continue;
        std::string absolute = resolve(q.url, t.url);
        std::string card = fragmentOf(absolute);
        if (!absolute.empty() && !card.empty() && !isScriptCall(absolute))
            gCardReferences.push_back({withoutFragment(absolute), card, q.url});
    }
}

void checkDeck(const Queued &q, CheckedPage *page, std::vector<std::pair<std::string, std::string>> *scriptCalls)
{
    if (page->bytes > static_cast<unsigned long>(gReport->budget))
        add(page, SEV_WARNING, "oversize",
            "deck is " + std::to_string(page->bytes) + " bytes, over the " + gReport->device + " budget of " +
                std::to_string(gReport->budget));
    // The contexts as a handset coming from the referrer has them.
    clearContext(CLEAR_ALL);
    if (!q.referrer.empty())
        pushContext(q.referrer.c_str(), CONTEXT_NEW);
    pushContext(q.url.c_str(), CONTEXT_NEW);
    gWarningsSeen.clear();
    Log_setTap(watchLog);
    DeckScan scan;
    scanDeck(q.url.c_str(), &scan);
    int dep = LoadDep(q.url.c_str(), 0);
    for (const std::string &card : scan.cards.empty() ? std::vector<std::string>{""} : scan.cards)
        Layout(q.url.c_str(), card.c_str());
    Log_setTap(nullptr);
    clearContext(CLEAR_ALL);
    gCardsOf[q.url] = scan.cards;
    if (dep == LOADDEP_REFUSED && !q.referrer.empty())
        add(page, SEV_ERROR, "access", "access refused to a handset coming from " + q.referrer);
    if (dep >= 0 && (dep & LOADDEP_NEWER))
        add(page, SEV_WARNING, "version", "newer WML version than 1.1");
    for (int tag : scan.unknownTags)
        add(page, SEV_WARNING, "unknown-tag", "unknown tag code 0x" + hexByte(tag));
    for (const std::string &w : gWarningsSeen)
        add(page, SEV_WARNING, "decoder", "the deck passes report: " + w);
    if (scan.expectsErrors)
        gExpectingErrors.insert(q.url);
    noteCardReferences(q, scan);
    followTargets(q, scan, page, scriptCalls);
}

uint32_t fetchType(PageKind kind) { return kind == PAGE_IMAGE ? CT_WBMP : kind == PAGE_SCRIPT ? CT_WMLSC : CT_WMLC; }

// Whether the crawl can go on after this answer: a gateway that does not
// answer at all ends it.
// The sort of a failed fetch, from its words.
const char *failureKind(const std::string &result)
{
    if (result.rfind("redirect", 0) == 0)
        return "redirect";
    return result.rfind("not a WBMP image", 0) == 0 ? "image" : "fetch";
}

bool fetchPage(const Queued &q, CheckedPage *page)
{
    CacheResult r{0, 0};
    uint32_t length = 0;
    // A followed post carries no fields: the checker fills in no forms.
    bool answered = fetchNow(q.url.c_str(), fetchType(q.kind), 1, q.post ? METHOD_POST : METHOD_GET,
                             q.post ? "" : nullptr, static_cast<uint32_t>(gOptions->timeoutS) * 1000, &r, &length);
    page->bytes = length;
    if (!answered) {
        page->result = "no answer from the gateway within " + std::to_string(gOptions->timeoutS) + " s";
        add(page, SEV_ERROR, "fetch", page->result);
        return false;
    }
    page->result = resultWords(r, fetchType(q.kind), &page->contentType);
    if (r.code != CRES_STORED && r.code != CRES_HIT)
        add(page, SEV_ERROR, failureKind(page->result), page->result);
    return r.code != CRES_CONNECT_FAILED && r.code != CRES_DISCONNECTED;
}

void crawlOne(const Queued &q, std::vector<std::pair<std::string, std::string>> *scriptCalls)
{
    CheckedPage page;
    page.url = q.url;
    page.kind = q.kind;
    page.referrer = q.referrer;
    page.depth = q.depth;
    if (!fetchPage(q, &page))
        gReport->aborted = true;
    if (page.result == "ok" && q.kind == PAGE_DECK)
        checkDeck(q, &page, scriptCalls);
    gReport->pages.push_back(std::move(page));
}

CheckedPage *pageOf(const std::string &url)
{
    for (CheckedPage &p : gReport->pages)
        if (p.url == url && p.kind == PAGE_DECK)
            return &p;
    return nullptr;
}

// Errors of a deck that says its faults are on purpose, and of the pages
// it led to first, become notes: still listed, no longer failing the check.
void noteExpectedErrors()
{
    for (CheckedPage &page : gReport->pages) {
        if (!gExpectingErrors.count(page.url) && !gExpectingErrors.count(page.referrer))
            continue;
        for (Finding &f : page.findings)
            if (f.severity == SEV_ERROR) {
                f.severity = SEV_NOTE;
                f.message = "expected: " + f.message;
            }
    }
}

void progress(bool done)
{
    if (!isatty(STDOUT_FILENO))
        return;
    int errors = countFindings(*gReport, SEV_ERROR);
    std::printf("\r%zu checked, %zu queued, %d errors%s", gReport->pages.size(), gQueue.size(), errors,
                done ? "\n" : "   ");
    std::fflush(stdout);
}

}  // namespace

void crawlSite(const CheckOptions &options, CheckReport *report)
{
    gOptions = &options;
    gReport = report;
    gQueue.clear();
    gSeen.clear();
    gOutOfScope.clear();
    gCardsOf.clear();
    gCardReferences.clear();
    gExpectingErrors.clear();
    gSkippedDeep = gSkippedPosts = 0;
    gLimitHit = false;
    Queued start{withoutFragment(options.startUrl), PAGE_DECK, "", 0, false, {}};
    gSeen.insert(std::to_string(PAGE_DECK) + " " + start.url);
    gQueue.push_back(start);
    std::vector<std::pair<std::string, std::string>> scriptCalls;  // call, calling page
    while (!gQueue.empty() && !report->aborted) {
        if (static_cast<int>(report->pages.size()) >= options.maxPages) {
            gLimitHit = true;
            break;
        }
        Queued q = gQueue.front();
        gQueue.pop_front();
        if (!report->pages.empty() && options.delayMs)
            usleep(static_cast<useconds_t>(options.delayMs) * 1000);
        crawlOne(q, &scriptCalls);
        progress(false);
    }
    progress(true);
    // Functions are looked up once their units are in.
    std::set<std::string> calls;
    for (const auto &[call, from] : scriptCalls)
        if (calls.insert(withoutFragment(call) + "#" + fragmentOf(call).substr(0, fragmentOf(call).find('('))).second)
            if (CheckedPage *page = pageOf(from))
                noteScriptFunction(call, page);
    for (const CardReference &ref : gCardReferences) {
        auto cards = gCardsOf.find(ref.deck);
        CheckedPage *page = pageOf(ref.fromPage);
        if (cards != gCardsOf.end() && page &&
            std::find(cards->second.begin(), cards->second.end(), ref.card) == cards->second.end())
            add(page, SEV_ERROR, "missing-card", ref.deck + "#" + ref.card + " names no card of that deck",
                ref.deck + "#" + ref.card);
    }
    noteExpectedErrors();
    if (report->aborted)
        report->crawl.push_back({SEV_ERROR, "gateway", "the gateway stopped answering: the check ended early", ""});
    if (gLimitHit)
        report->crawl.push_back({SEV_WARNING, "limit",
                                 "stopped at --max-pages " + std::to_string(options.maxPages) + ": " +
                                     std::to_string(gQueue.size()) + " URLs not checked",
                                 ""});
    if (gSkippedDeep)
        report->crawl.push_back(
            {SEV_WARNING, "limit",
             std::to_string(gSkippedDeep) + " links past --depth " + std::to_string(options.depth) + " not followed",
             ""});
    if (gSkippedPosts)
        report->crawl.push_back(
            {SEV_NOTE, "post", std::to_string(gSkippedPosts) + " form posts not sent (--follow-posts sends them)", ""});
    report->outOfScope = static_cast<int>(gOutOfScope.size());
}
