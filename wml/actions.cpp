// The Actions pass: runs the task element at a deck offset (go with its
// setvar and postfield children, prev, refresh) with the variables as
// they are now. The setvars of a go or prev are handed to the navigation,
// which sets them where and when it arrives; those of a refresh are set at
// once, in the card being refreshed.
//
// The Browser operations called from here may lay out another card, and
// so run other passes over the shared decoder, before they return. The
// walk's own state (the deck buffer, its length, the position and the pass
// settings) is saved around every tag and put back afterwards, so that
// the walk goes on where it was in its own deck. The task state lives in
// each Actions call's own record, so a nested Actions cannot change the
// URL or the post data of the go that is being run.
#include "wml/actions.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "browser/context.h"
#include "browser/nav_hooks.h"
#include "cache/cache.h"
#include "common/log.h"
#include "common/url.h"
#include "common/charset.h"
#include "wml/wbxml.h"

namespace {

constexpr size_t TARGET_URL_SIZE = 256;
constexpr size_t METHOD_SIZE = 64;
constexpr size_t POST_DATA_SIZE = 1024;

// The task being run by one Actions call.
struct TaskState {
    bool inGo;                        // walking the content of a go
    bool inTask;                      // walking the content of a go, prev or refresh
    bool inRefresh;                   // walking the content of a refresh
    std::vector<TaskVar> vars;        // the setvars of the go or prev, in document order
    char targetUrl[TARGET_URL_SIZE];  // the go's HREF
    char method[METHOD_SIZE];         // the go's METHOD, "GET" when absent
    std::string postData;             // name=value pairs joined by "&", under 1024 bytes
    uint32_t formCharset;             // the go's postfields are sent in this charset
};

// What a nested pass overwrites and this walk needs back.
struct WalkState {
    uint8_t *deck;
    uint32_t deckLength;
    uint32_t position;
    int32_t depth;
    uint32_t substituteVars;
    uint32_t keepUrlText;
    uint8_t errorFlag;
    uint8_t tagPage;
    uint8_t attrPage;
};

WalkState saveWalk()
{
    return {gWbxml.deck,        gWbxml.deckLength, gWbxml.position, gWbxml.depth,   gWbxml.substituteVars,
            gWbxml.keepUrlText, gWbxml.errorFlag,  gWbxml.tagPage,  gWbxml.attrPage};
}

// A nested pass has freed its own deck by now; this one is still ours.
// An overflow in the nested pass is that pass's business, not this one's.
void restoreWalk(const WalkState &s)
{
    gWbxml.deck = s.deck;
    gWbxml.deckLength = s.deckLength;
    gWbxml.position = s.position;
    gWbxml.depth = s.depth;
    gWbxml.substituteVars = s.substituteVars;
    gWbxml.keepUrlText = s.keepUrlText;
    gWbxml.errorFlag = s.errorFlag;
    gWbxml.tagPage = s.tagPage;
    gWbxml.attrPage = s.attrPage;
    gWbxml.inAttributes = 0;
}

void copyCut(char *dst, size_t size, const char *text)
{
    size_t n = strnlen(text, size - 1);
    std::memcpy(dst, text, n);
    dst[n] = 0;
}

// text escaped for a form body; an escape takes at most three bytes.
std::string formEscape(const char *text)
{
    std::string out(std::strlen(text) * 3 + 1, '\0');
    if (!escapeUrl(text, out.data(), out.size(), URL_ESCAPE_FORM))
        return "";
    out.resize(std::strlen(out.c_str()));
    return out;
}

// Deck text in the charset the go asks its form data in.
std::string formText(const TaskState *task, const char *text)
{
    return Cs_convertCharset(text, gWbxml.charset, task->formCharset);
}

// Adds NAME=VALUE of the postfield in hand to the post data; a step whose
// limit fails ends the pair there.
void appendPostfield(TaskState *task)
{
    std::string &data = task->postData;
    if (data.size() >= POST_DATA_SIZE - 1)
        return;
    if (!data.empty())
        data += '&';
    std::string name = formEscape(formText(task, getAttr("NAME")).c_str());
    if (data.size() + name.size() >= POST_DATA_SIZE - 1)
        return;
    data += name;
    data += '=';
    std::string value = formEscape(formText(task, getAttr("VALUE")).c_str());
    if (data.size() + value.size() >= POST_DATA_SIZE)
        return;
    data += value;
}

// Calls a Browser operation with the walk state kept safe around it.
template <typename F> void callBrowser(F f)
{
    WalkState saved = saveWalk();
    f();
    restoreWalk(saved);
}

void finishGo(TaskState *task)
{
    task->inGo = false;
    task->inTask = false;
    // Copies: the navigation may run another Actions before it has read them.
    std::string url = task->targetUrl;
    std::string data = task->postData;
    std::vector<TaskVar> vars = std::move(task->vars);
    task->vars.clear();
    int method = 0;
    if (strcasecmp(task->method, "GET") == 0)
        method = METHOD_GET;
    else if (strcasecmp(task->method, "POST") == 0)
        method = METHOD_POST;
    else
        return;
    callBrowser([&] {
        gNavHooks.setTaskVars(std::move(vars));
        gNavHooks.go(url.c_str(), data.c_str(), method);
    });
}

void startGo(TaskState *task)
{
    copyCut(task->targetUrl, TARGET_URL_SIZE, getAttr("HREF"));
    const char *method = getAttr("METHOD");
    copyCut(task->method, METHOD_SIZE, method[0] ? method : "GET");
    task->formCharset = Cs_formCharset(getAttr("ACCEPT-CHARSET"), gWbxml.charset);
    task->postData.clear();
    task->vars.clear();
    task->inGo = true;
    task->inTask = true;
}

void startPrev(TaskState *task)
{
    task->vars.clear();
    task->inTask = true;
}

void finishPrev(TaskState *task)
{
    task->inTask = false;
    callBrowser([task] {
        gNavHooks.setTaskVars(std::move(task->vars));
        task->vars.clear();
        gNavHooks.prev();
    });
}

void startRefresh(TaskState *task)
{
    task->inTask = true;
    task->inRefresh = true;
}

void finishRefresh(TaskState *task)
{
    task->inTask = false;
    task->inRefresh = false;
    callBrowser([] { gNavHooks.refresh(); });
}

void setvar(TaskState *task)
{
    if (!task->inTask)
        return;
    std::string name = getAttr("NAME");
    std::string value = getAttr("VALUE");
    if (task->inRefresh)
        setContextVal(name.c_str(), value.c_str());
    else
        task->vars.push_back({std::move(name), std::move(value)});
}

void postfield(TaskState *task)
{
    if (task->inGo)
        appendPostfield(task);
}

// What each task element does when it opens and when it closes.
struct TaskTag {
    uint8_t tag;
    void (*open)(TaskState *);
    void (*close)(TaskState *);
};
// clang-format off
constexpr TaskTag TASK_TAGS[] = {
    {TAG_GO, startGo, finishGo},
    {TAG_PREV, startPrev, finishPrev},
    {TAG_REFRESH, startRefresh, finishRefresh},
    {TAG_SETVAR, setvar, nullptr},
    {TAG_POSTFIELD, postfield, nullptr},
};
// clang-format on

int handleTag(void *data, uint8_t token, bool open)
{
    TaskState *task = static_cast<TaskState *>(data);
    if (gWbxml.depth == 1) {
        task->inGo = false;
        task->inTask = false;
        task->inRefresh = false;
    }
    for (const TaskTag &t : TASK_TAGS) {
        void (*step)(TaskState *) = open ? t.open : t.close;
        if (t.tag == (token & 0x3F) && step)
            step(task);
    }
    return 0;
}

}  // namespace

int Actions(const char *deckUrl, uint32_t offset)
{
    Log_str("\nActions start\n");
    if (decodeHeader(deckUrl) != 0)
        return -2;
    W_beginPass(offset, true, true);
    TaskState task{};
    // Text of the content (an anchor's label) is decoded and dropped.
    walkElements(WbxmlWalk{"Actions", nullptr, nullptr, handleTag, nullptr, &task});
    int result = gWbxml.errorFlag ? 64 : 0;
    W_releaseDeck();
    Log_str("Actions end\n");
    return result;
}
