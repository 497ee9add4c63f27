// Calls one library function with arguments made from the input: byte 0
// picks the library (Float and an unknown one included), byte 1 the
// function, then up to four values, each a kind byte followed by a 4-byte
// integer or a length byte and that many string bytes. The Browser, the
// dialogs and the cache are inert stand-ins. The call must leave exactly
// its result on the stack, or end the run with no more than it was given.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "cache/cache.h"
#include "browser/context.h"
#include "browser/nav_hooks.h"
#include "script/library.h"
#include "shell/dialog.h"
#include "shell/display.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/fake_cache.h"

uint32_t D_getDeckCharset() { return 106; }
const char *getContextVal(const char *) { return "x"; }
int setContextVal(const char *, const char *) { return 1; }
void newContext() { }
const char *getURL(int index) { return index == 0 ? "http://h/d/deck.wml#c" : nullptr; }
void B_go(const char *, const char *, int) { }
void B_prev() { }
void refreshLayout() { }
NavHooks gNavHooks = {nullptr, B_go, B_prev, nullptr, refreshLayout};

int showDialog(DialogRequest *request)
{
    // Answer like a user who types into the field to its limit.
    if (request->kind == DIALOG_TEXT && request->buffer) {
        std::memset(request->buffer, 'y', request->maxLength);
        request->buffer[request->maxLength] = 0;
        return 1;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // Text for any URL holding "hit"; other loads are still on their way.
    fakeCacheClear();
    fakeCacheSetMiss(CRES_PENDING);
    fakeCachePut("*hit", 0x03, {'a', 'b', 'c'});
    int library = data[0] % 7;
    int function = data[1] % 17;
    size_t at = 2;
    ScriptFrame frame{};
    for (int n = 0; n < LIB_MAX_ARGS && at < size; n++) {
        ScriptValue value;
        int kind = data[at++] % 3;
        if (kind == 0 && size - at >= 4) {
            makeInteger(&value, static_cast<int32_t>(readLe(data + at)));
            at += 4;
        } else if (kind == 1 && at < size) {
            size_t length = data[at++];
            length = length < size - at ? length : size - at;
            makeString(&value, reinterpret_cast<const char *>(data + at), static_cast<int32_t>(length));
            at += length;
        } else {
            makeInvalid(&value);
        }
        pushValue(&value, &frame);
        releaseValue(&value);
    }
    int32_t pushed = frame.stackDepth;
    int32_t error = -1;
    const LibraryEntry *entry = findLibraryFunction(library, function);
    bool ok = callLibrary(library, function, &frame, &error);
    if (!entry) {
        check(!ok && error == 0 && frame.stackDepth == pushed);
    } else {
        int32_t popped = entry->argCount < pushed ? entry->argCount : pushed;
        check(frame.stackDepth == pushed - popped + 1);
        check(ok ? error == 0 : (error == SE_EXIT || error == SE_ABORT));
        ScriptValue result;
        check(popValue(&result, &frame));
        check(result.type == SV_INTEGER || result.type == SV_STRING || result.type == SV_INVALID);
        check(result.type != SV_STRING || result.length == 0 || (result.text && result.text[result.length] == 0));
        releaseValue(&result);
    }
    truncateStack(0);
    return 0;
}
