#include "tests/script/lib_stand_ins.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "browser/context.h"
#include "browser/nav_hooks.h"
#include "cache/cache.h"
#include "script/library.h"
#include "shell/dialog.h"
#include "shell/display.h"

std::map<std::string, std::string> gVars;
bool gHasContext = true;
std::string gDeckUrl;
std::vector<std::string> gBrowserCalls;
std::vector<StandInDialog> gDialogs;
std::deque<DialogAnswer> gDialogAnswers;
std::map<std::pair<std::string, uint32_t>, std::string> gCacheEntries;

void resetLibStandIns()
{
    gVars.clear();
    gHasContext = true;
    gDeckUrl.clear();
    gBrowserCalls.clear();
    gDialogs.clear();
    gDialogAnswers.clear();
    gCacheEntries.clear();
}

uint32_t D_getDeckCharset() { return 106; }  // UTF-8: variables hold script text as it is

const char *getContextVal(const char *name)
{
    auto it = gVars.find(name);
    return it == gVars.end() ? "" : it->second.c_str();
}

int setContextVal(const char *name, const char *value)
{
    if (gHasContext)
        gVars[name] = value;
    return gHasContext ? 1 : 0;
}

void newContext() { gBrowserCalls.push_back("newContext"); }

const char *getURL(int index) { return index == 0 && !gDeckUrl.empty() ? gDeckUrl.c_str() : nullptr; }

// The Browser's navigation (browser/browser.h, whose method constants
// clash with the cache's in one file).
void B_go(const char *url, const char *postData, int method);
void B_prev();
void refreshLayout();

void B_go(const char *url, const char *postData, int method)
{
    gBrowserCalls.push_back(std::string("go ") + url + " " + std::to_string(method) + (postData ? " post" : ""));
}

void B_prev() { gBrowserCalls.push_back("prev"); }

void refreshLayout() { gBrowserCalls.push_back("refresh"); }
NavHooks gNavHooks = {nullptr, B_go, B_prev, nullptr, refreshLayout};

int showDialog(DialogRequest *request)
{
    StandInDialog shown{request->kind, request->title ? request->title : "(null)",
                        request->prompt ? request->prompt : "", "", request->maxLength};
    if (request->buffer)
        shown.buffer.assign(request->buffer,
                            request->kind == DIALOG_CONFIRM ? request->maxLength + 1u : std::strlen(request->buffer));
    gDialogs.push_back(shown);
    if (gDialogAnswers.empty())
        return 0;
    DialogAnswer answer = gDialogAnswers.front();
    gDialogAnswers.pop_front();
    if (answer.text && request->buffer && answer.accepted) {
        std::strncpy(request->buffer, answer.text, request->maxLength);
        request->buffer[request->maxLength] = 0;
    }
    return answer.accepted;
}

void C_retrieve(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, CacheResult *result)
{
    *content = nullptr;
    *length = 0;
    result->arg = 0;
    if (!url || !*url) {
        result->code = 2502;
        return;
    }
    for (const auto &[key, body] : gCacheEntries) {
        if (key.first == url && (*contentType == 0 || *contentType == key.second)) {
            *contentType = key.second;
            *content = static_cast<uint8_t *>(std::malloc(body.size() + 1));
            std::memcpy(*content, body.data(), body.size());
            *length = static_cast<uint32_t>(body.size());
            result->code = 2006;
            return;
        }
    }
    result->code = 2007;
}

TV callByName(const char *name, const std::vector<TV> &args, int32_t *error, bool *ended)
{
    const LibraryEntry *entry = findLibraryFunctionByName(name);
    EXPECT_NE(entry, nullptr) << name;
    if (!entry)
        return INV;
    ScriptFrame frame{};
    for (const TV &arg : args) {
        ScriptValue v;
        if (arg.type == SV_INTEGER)
            makeInteger(&v, arg.integer);
        else if (arg.type == SV_STRING)
            makeString(&v, arg.text.data(), static_cast<int32_t>(arg.text.size()));
        else
            makeInvalid(&v);
        pushValue(&v, &frame);
        releaseValue(&v);
    }
    int32_t code = -1;
    bool ok = callLibrary(entry->library, entry->index, &frame, &code);
    if (error)
        *error = code;
    if (ended)
        *ended = !ok;
    EXPECT_EQ(frame.stackDepth, 1) << name;
    ScriptValue result;
    makeInvalid(&result);
    popValue(&result, &frame);
    TV out = toEV(result);
    releaseValue(&result);
    truncateStack(0);
    return out;
}

void runCases(const std::vector<LibCase> &cases)
{
    for (const LibCase &c : cases) {
        int32_t error = -1;
        bool ended = true;
        EXPECT_EQ(callByName(c.function, c.args, &error, &ended), c.expected)
            << c.function << " row " << (&c - cases.data());
        EXPECT_FALSE(ended) << c.function;
        EXPECT_EQ(error, 0) << c.function;
    }
}
