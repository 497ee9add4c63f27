// The engine's three run-time stores: the variable list, the operand stack
// and the call frame stack. Each is a KeyedList keyed by number (variable
// number or depth) holding serialised values as heap blocks, so every move
// copies the value.
//
// The lists keep the highest key first: the top of the stack, the newest
// frame and the current function's variables sit at the head, so a push,
// pop, load or store costs the same at any depth instead of a walk past
// every entry below it.
#include <cstdlib>

#include "common/keyed_list.h"
#include "script/script_value.h"

static KeyedList *gVariables = nullptr;  // variable number -> serialised value
static KeyedList *gStack = nullptr;      // operand stack depth -> serialised value
static KeyedList *gFrames = nullptr;     // call frame depth -> saved caller block

static void freeBlock(KLWord word) { std::free(reinterpret_cast<void *>(word)); }

// Highest key first.
static int newestFirst(KLWord nodeKey, KLWord wanted) { return KL_cmpKey(wanted, nodeKey); }

static KeyedList *putValue(KeyedList *list, uint32_t key, const ScriptValue *value)
{
    uint8_t *block;
    uint32_t size;
    serializeValue(value, &block, &size);
    return KL_put(list, key, reinterpret_cast<KLWord>(block), size, nullptr, freeBlock, newestFirst);
}

// The walk stops at the first lower key: a missing variable costs no more
// than a present one.
static bool getValue(KeyedList *list, uint32_t key, ScriptValue *value)
{
    for (const KLNode *node = list ? list->head : nullptr; node && node->key >= key; node = node->next)
        if (node->key == key)
            return deserializeValue(value, reinterpret_cast<const uint8_t *>(node->value), node->extra);
    return false;
}

// The keys from `from` up are the head of the list.
static KeyedList *truncateList(KeyedList *list, uint32_t from)
{
    while (list && list->head->key >= from)
        list = KL_remove(list, list->head->key, nullptr, freeBlock, newestFirst);
    return list;
}

bool pushValue(const ScriptValue *value, ScriptFrame *frame)
{
    if (KL_count(gStack) >= SCRIPT_MAX_STACK)
        return false;
    gStack = putValue(gStack, static_cast<uint32_t>(frame->stackDepth), value);
    frame->stackDepth++;
    return true;
}

bool popValue(ScriptValue *value, ScriptFrame *frame)
{
    if (frame->stackDepth <= 0)
        return false;
    frame->stackDepth--;
    uint32_t key = static_cast<uint32_t>(frame->stackDepth);
    bool found = getValue(gStack, key, value);
    gStack = KL_remove(gStack, key, nullptr, freeBlock, newestFirst);
    return found;
}

bool popOrInvalid(ScriptValue *value, ScriptFrame *frame)
{
    if (popValue(value, frame))
        return true;
    makeInvalid(value);
    return false;
}

void storeVariable(const ScriptValue *value, int32_t number)
{
    uint32_t key = number < 0 ? KL_count(gVariables) : static_cast<uint32_t>(number);
    if (number < 0 && key >= SCRIPT_MAX_VARIABLES)
        return;
    gVariables = putValue(gVariables, key, value);
}

bool loadVariable(int32_t number, ScriptValue *value)
{
    if (number >= 0 && getValue(gVariables, static_cast<uint32_t>(number), value))
        return true;
    makeInvalid(value);
    return false;
}

void truncateVariables(uint32_t from) { gVariables = truncateList(gVariables, from); }

void truncateStack(uint32_t from) { gStack = truncateList(gStack, from); }

void truncateFrames(uint32_t from) { gFrames = truncateList(gFrames, from); }

uint32_t variableCount() { return KL_count(gVariables); }

uint32_t stackCount() { return KL_count(gStack); }

uint32_t frameCount() { return KL_count(gFrames); }

void pushFrame(const uint8_t *block, uint32_t size)
{
    uint8_t *copy = static_cast<uint8_t *>(std::malloc(size ? size : 1));
    if (copy == nullptr)
        return;
    for (uint32_t i = 0; i < size; i++)
        copy[i] = block[i];
    gScriptBytes += size;
    gFrames = KL_put(gFrames, KL_count(gFrames), reinterpret_cast<KLWord>(copy), size, nullptr, freeBlock, newestFirst);
}

bool popFrame(uint8_t **block, uint32_t *size)
{
    uint32_t count = KL_count(gFrames);
    if (count == 0)
        return false;
    KLWord value = KL_get(gFrames, count - 1, size, newestFirst);
    // Hand the block over: remove the node without freeing it.
    gFrames = KL_remove(gFrames, count - 1, nullptr, nullptr, newestFirst);
    *block = reinterpret_cast<uint8_t *>(value);
    return value != 0;
}
