// The interpreter: one switch over the opcodes, short cases, named
// functions for the slow paths. Every instruction's operands are checked
// against the end of the function before it is decoded, and every jump
// must land inside the function.
#include "script/interpreter.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "common/log.h"
#include "common/url.h"
#include "script/library.h"
#include "script/opcodes.h"

ScriptFrame gScriptFrame = {};

// The CPU clock is read every CLOCK_EVERY instructions, and sooner once
// the run has copied CLOCK_EVERY_BYTES since the last reading: the limit
// costs nothing and is overshot by a few milliseconds at most, as no
// instruction copies more than a few string limits' worth.
constexpr uint64_t CLOCK_EVERY = 4096;
constexpr uint64_t CLOCK_EVERY_BYTES = 1 << 20;

// What the run in progress has spent, and when the clock is read next.
struct RunMeter {
    uint64_t instructions;
    uint64_t cpuStart;
    uint64_t clockAtInstruction;
    uint64_t clockAtBytes;
};

static ScriptBudget gBudget = SCRIPT_DEFAULT_BUDGET;  // what a run may spend
static ScriptUsage gLastUsage = {};                   // what the last run spent
static RunMeter gMeter = {};
static bool gRunning = false;  // inside runScript's loop

// The caller's state saved on the call frame stack, after its URL text.
struct SavedCaller {
    int32_t codeStart, functionIndex, functionSize;
    uint32_t bytecodeLength;
    int32_t constantsAt, pragmasAt, functionNamesAt, functionsAt;
    int32_t argCount, localCount, constantCount, functionNameCount, functionCount, codeSize;
    int32_t returnPc;
};

void setScriptBudget(const ScriptBudget &budget)
{
    gBudget.instructions = budget.instructions ? budget.instructions : SCRIPT_DEFAULT_BUDGET.instructions;
    gBudget.bytes = budget.bytes ? budget.bytes : SCRIPT_DEFAULT_BUDGET.bytes;
    gBudget.cpuNanoseconds = budget.cpuNanoseconds ? budget.cpuNanoseconds : SCRIPT_DEFAULT_BUDGET.cpuNanoseconds;
}

ScriptUsage lastScriptUsage() { return gLastUsage; }

static uint64_t threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

static void startMeter()
{
    gScriptBytes = 0;
    gMeter = RunMeter{0, threadCpuNanoseconds(), CLOCK_EVERY, CLOCK_EVERY_BYTES};
}

// The budget the run has spent, or null while it may go on.
static const char *spentBudget()
{
    if (gMeter.instructions >= gBudget.instructions)
        return "instructions";
    if (gScriptBytes >= gBudget.bytes)
        return "bytes";
    if (gMeter.instructions < gMeter.clockAtInstruction && gScriptBytes < gMeter.clockAtBytes)
        return nullptr;
    gMeter.clockAtInstruction = gMeter.instructions + CLOCK_EVERY;
    gMeter.clockAtBytes = gScriptBytes + CLOCK_EVERY_BYTES;
    return threadCpuNanoseconds() - gMeter.cpuStart >= gBudget.cpuNanoseconds ? "CPU time" : nullptr;
}

// ---- Operand stack helpers ----

static bool push(ScriptFrame *frame, ScriptValue *value, int32_t *error)
{
    bool pushed = pushValue(value, frame);
    releaseValue(value);
    if (!pushed)
        *error = SE_OVERFLOW;
    return pushed;
}

static bool pushInteger(ScriptFrame *frame, int32_t n, int32_t *error)
{
    ScriptValue value;
    makeInteger(&value, n);
    return push(frame, &value, error);
}

static bool pushInvalid(ScriptFrame *frame, int32_t *error)
{
    ScriptValue value;
    makeInvalid(&value);
    return push(frame, &value, error);
}

static bool pushText(ScriptFrame *frame, const char *text, int32_t *error)
{
    ScriptValue value;
    makeStringZ(&value, text);
    return push(frame, &value, error);
}

static bool fail(int32_t *error, int32_t code)
{
    *error = code;
    return false;
}

// ---- Arithmetic, comparison and logic ----

// ADD: integers add (wrapping); with a string, the texts are joined; a
// string with invalid gives invalid, and so does a join longer than the
// string limit.
static bool addValues(ScriptValue *a, ScriptValue *b, ScriptValue *result, int32_t *error)
{
    if (a->type == SV_INTEGER && b->type == SV_INTEGER) {
        makeInteger(result,
                    static_cast<int32_t>(static_cast<uint32_t>(a->integer) + static_cast<uint32_t>(b->integer)));
        return true;
    }
    if (a->type != SV_STRING && b->type != SV_STRING)
        return fail(error, SE_OPERAND);
    if (!toText(a) || !toText(b) || int64_t{a->length} + b->length > SCRIPT_MAX_STRING) {
        makeInvalid(result);
        return true;
    }
    std::string joined(WS_valueText(a), static_cast<size_t>(a->length));
    joined.append(WS_valueText(b), static_cast<size_t>(b->length));
    makeString(result, joined.data(), static_cast<int32_t>(joined.size()));
    return true;
}

// Integer-only binary operators; a zero divisor gives invalid and records
// 4200. The most negative integer divided by -1 wraps to itself (its
// remainder is 0), like every other overflow.
static bool integerOp(uint8_t op, int32_t a, int32_t b, ScriptValue *result, int32_t *error)
{
    uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
    uint32_t r = 0;
    switch (op) {
    case OP_SUB: r = ua - ub; break;
    case OP_MUL: r = ua * ub; break;
    case OP_DIV:
    case OP_IDIV:
    case OP_REM:
        if (b == 0) {
            makeInvalid(result);
            *error = SE_DIVIDE_BY_ZERO;
            return true;
        }
        if (b == -1)
            r = op == OP_REM ? 0 : 0u - ua;
        else
            r = static_cast<uint32_t>(op == OP_REM ? a % b : a / b);
        break;
    case OP_B_AND: r = ua & ub; break;
    case OP_B_OR: r = ua | ub; break;
    case OP_B_XOR: r = ua ^ ub; break;
    case OP_B_LSHIFT: r = ua << (ub & 31); break;
    case OP_B_RSSHIFT: r = static_cast<uint32_t>(a >> (ub & 31)); break;
    case OP_B_RSZSHIFT: r = b > 0 ? (ua >> 1) >> ((ub - 1) & 31) : ua; break;
    default: return fail(error, SE_OPCODE);
    }
    makeInteger(result, static_cast<int32_t>(r));
    return true;
}

static bool compareValues(uint8_t op, const ScriptValue *a, const ScriptValue *b, int32_t *result, int32_t *error)
{
    int order;
    if (a->type == SV_INTEGER && b->type == SV_INTEGER)
        order = a->integer < b->integer ? -1 : a->integer > b->integer ? 1 : 0;
    else if (a->type == SV_STRING && b->type == SV_STRING)
        order = compareStrings(a, b);
    else
        return fail(error, SE_OPERAND);
    switch (op) {
    case OP_EQ: *result = order == 0; break;
    case OP_LE: *result = order <= 0; break;
    case OP_LT: *result = order < 0; break;
    case OP_GE: *result = order >= 0; break;
    case OP_GT: *result = order > 0; break;
    default: *result = order != 0; break;
    }
    return true;
}

// Pops B then A and applies a binary operator.
static bool binary(ScriptFrame *frame, uint8_t op, int32_t *error)
{
    ScriptValue a, b, result;
    popOrInvalid(&b, frame);
    popOrInvalid(&a, frame);
    bool ok;
    if (op == OP_ADD)
        ok = addValues(&a, &b, &result, error);
    else if (op >= OP_EQ && op <= OP_NE) {
        int32_t truth = 0;
        ok = compareValues(op, &a, &b, &truth, error);
        makeInteger(&result, truth);
    } else if (a.type == SV_INTEGER && b.type == SV_INTEGER)
        ok = integerOp(op, a.integer, b.integer, &result, error);
    else
        ok = fail(error, SE_OPERAND);
    releaseValue(&a);
    releaseValue(&b);
    return ok && push(frame, &result, error);
}

// Pops one value and pushes what a unary operator makes of it.
static bool unary(ScriptFrame *frame, uint8_t op, int32_t *error)
{
    ScriptValue v, result;
    popOrInvalid(&v, frame);
    int32_t n = 0;
    bool ok = true;
    switch (op) {
    case OP_UMINUS:
    case OP_B_NOT:
        if (v.type != SV_INTEGER)
            ok = fail(error, SE_OPERAND);
        else
            makeInteger(&result,
                        op == OP_UMINUS ? static_cast<int32_t>(0u - static_cast<uint32_t>(v.integer)) : ~v.integer);
        break;
    case OP_INCR:
    case OP_DECR:
        if (toIncrementNumber(&v, &n))
            makeInteger(&result, static_cast<int32_t>(static_cast<uint32_t>(n) + (op == OP_INCR ? 1u : ~0u)));
        else
            makeInvalid(&result);
        break;
    case OP_NOT: makeInteger(&result, v.type == SV_INVALID ? 0 : !logicalTruth(&v)); break;
    case OP_TOBOOL: makeInteger(&result, v.type == SV_INVALID ? 0 : logicalTruth(&v)); break;
    case OP_TYPEOF:
        makeInteger(&result, v.type == SV_INTEGER  ? (v.integer == 0 || v.integer == 1 ? 3 : 0)
                             : v.type == SV_STRING ? 2
                                                   : 4);
        break;
    default:  // ISVALID
        makeInteger(&result, v.type != SV_INVALID);
        break;
    }
    releaseValue(&v);
    return ok && push(frame, &result, error);
}

// Short-circuit and (SCAND) and or (SCOR): a value that decides the result
// pushes the result and a false flag, so the following TJUMP_FW skips the
// right-hand operand; otherwise only a true flag, and the right-hand
// operand (converted by TOBOOL) becomes the result. Invalid decides, as
// invalid.
static bool shortCircuit(ScriptFrame *frame, uint8_t op, int32_t *error)
{
    ScriptValue v;
    popOrInvalid(&v, frame);
    bool invalid = v.type != SV_INTEGER && v.type != SV_STRING;
    bool truth = !invalid && logicalTruth(&v);
    releaseValue(&v);
    if (invalid)
        return pushInvalid(frame, error) && pushInteger(frame, 0, error);
    bool decides = op == OP_SCAND ? !truth : truth;
    if (!decides)
        return pushInteger(frame, 1, error);
    return pushInteger(frame, truth, error) && pushInteger(frame, 0, error);
}

// ---- Variables ----

static int32_t variableNumber(const ScriptFrame *frame, uint32_t n) { return frame->varBase + static_cast<int32_t>(n); }

static bool loadVar(ScriptFrame *frame, uint32_t n, int32_t *error)
{
    ScriptValue v;
    loadVariable(variableNumber(frame, n), &v);
    return push(frame, &v, error);
}

static bool storeVar(ScriptFrame *frame, uint32_t n)
{
    ScriptValue v;
    popOrInvalid(&v, frame);
    storeVariable(&v, variableNumber(frame, n));
    releaseValue(&v);
    return true;
}

// INCR_VAR and DECR_VAR by the increment conversion.
static bool stepVar(ScriptFrame *frame, uint32_t n, uint32_t delta)
{
    ScriptValue v, result;
    loadVariable(variableNumber(frame, n), &v);
    int32_t number;
    if (toIncrementNumber(&v, &number))
        makeInteger(&result, static_cast<int32_t>(static_cast<uint32_t>(number) + delta));
    else
        makeInvalid(&result);
    releaseValue(&v);
    storeVariable(&result, variableNumber(frame, n));
    return true;
}

// ADD_ASG and SUB_ASG: var n = var n op popped value.
static bool assignOp(ScriptFrame *frame, uint8_t op, uint32_t n, int32_t *error)
{
    ScriptValue a, b, result;
    popOrInvalid(&b, frame);
    loadVariable(variableNumber(frame, n), &a);
    bool ok;
    if (op == OP_ADD_ASG)
        ok = addValues(&a, &b, &result, error);
    else if (a.type == SV_INTEGER && b.type == SV_INTEGER)
        ok = integerOp(OP_SUB, a.integer, b.integer, &result, error);
    else
        ok = fail(error, SE_OPERAND);
    releaseValue(&a);
    releaseValue(&b);
    if (ok) {
        storeVariable(&result, variableNumber(frame, n));
        releaseValue(&result);
    }
    return ok;
}

static bool loadConst(ScriptFrame *frame, const ScriptUnit *unit, uint32_t index, int32_t *error)
{
    ScriptValue v;
    if (!loadConstant(unit, static_cast<int32_t>(index), &v))
        return fail(error, SE_VERIFY);
    return push(frame, &v, error);
}

// ---- Calls and returns ----

static bool saveCaller(const ScriptUnit *unit, int32_t returnPc)
{
    const char *url = unit->url ? unit->url : "";
    size_t urlSize = std::strlen(url) + 1;
    SavedCaller saved{
        unit->codeStart,     unit->functionIndex,     unit->functionSize,  unit->bytecodeLength, unit->constantsAt,
        unit->pragmasAt,     unit->functionNamesAt,   unit->functionsAt,   unit->argCount,       unit->localCount,
        unit->constantCount, unit->functionNameCount, unit->functionCount, unit->codeSize,       returnPc};
    std::string block(url, urlSize);
    block.append(reinterpret_cast<const char *>(&saved), sizeof saved);
    pushFrame(reinterpret_cast<const uint8_t *>(block.data()), static_cast<uint32_t>(block.size()));
    return true;
}

// Creates the variables of the function just selected: its arguments from
// the operand stack (the last argument on top), then empty locals. They
// are stored lowest number first, each at the head of the variable list.
static void enterFunction(ScriptFrame *frame, const ScriptUnit *unit)
{
    ScriptValue args[255];  // argCount is one byte of the unit
    int32_t argCount = unit->argCount < 0 ? 0 : unit->argCount > 255 ? 255 : unit->argCount;
    for (int32_t i = argCount - 1; i >= 0; i--)
        popOrInvalid(&args[i], frame);
    for (int32_t i = 0; i < argCount; i++) {
        storeVariable(&args[i], frame->varBase + i);
        releaseValue(&args[i]);
    }
    ScriptValue v;
    makeString(&v, nullptr, 0);
    for (int32_t i = 0; i < unit->localCount; i++)
        storeVariable(&v, frame->varBase + unit->argCount + i);
}

static bool roomForCall(const ScriptFrame *frame, const ScriptUnit *unit, int32_t *error)
{
    if (frameCount() >= SCRIPT_MAX_FRAMES || static_cast<uint32_t>(frame->varBase) + 512 > SCRIPT_MAX_VARIABLES)
        return fail(error, SE_OVERFLOW);
    (void)unit;
    return true;
}

static bool callLocal(ScriptFrame *frame, ScriptUnit *unit, uint32_t index, int32_t returnPc, int32_t *error)
{
    if (!roomForCall(frame, unit, error))
        return false;
    saveCaller(unit, returnPc);
    frame->frameDepth++;
    frame->varBase += unit->argCount + unit->localCount;
    unit->functionIndex = static_cast<int32_t>(index);
    if (!locateFunction(unit))
        return fail(error, SE_VERIFY);
    enterFunction(frame, unit);
    frame->pc = 0;
    return true;
}

// CALL_URL: the function of another unit, when that unit is in the cache.
// Its URL is resolved against the calling unit's.
static bool callUrl(ScriptFrame *frame, ScriptUnit *unit, uint32_t urlIndex, uint32_t nameIndex, uint32_t args,
                    int32_t returnPc, int32_t *error)
{
    if (!roomForCall(frame, unit, error))
        return false;
    saveCaller(unit, returnPc);
    frame->frameDepth++;
    ScriptValue url, name;
    makeInvalid(&url);
    makeInvalid(&name);
    loadConstant(unit, static_cast<int32_t>(urlIndex), &url);
    loadConstant(unit, static_cast<int32_t>(nameIndex), &name);
    bool strings = url.type == SV_STRING && name.type == SV_STRING;
    std::string resolved(std::strlen(unit->url ? unit->url : "") + url.length + 2, '\0');
    if (strings && !resolveUrl(unit->url ? unit->url : "", WS_valueText(&url), resolved.data(), resolved.size()))
        resolved.assign(WS_valueText(&url));
    std::string callText = std::string(resolved.c_str()) + "#" + WS_valueText(&name);
    releaseValue(&url);
    releaseValue(&name);
    if (!strings)
        return fail(error, SE_NO_UNIT);
    frame->varBase += unit->argCount + unit->localCount;
    Log_printf("Script: calling %s\n", callText.c_str());
    if (!loadUnit(callText.c_str(), unit, error, false))
        return false;
    if (static_cast<uint32_t>(unit->argCount) != args)
        return fail(error, SE_ARGUMENTS);
    enterFunction(frame, unit);
    frame->pc = 0;
    return true;
}

static bool restoreCaller(ScriptFrame *frame, ScriptUnit *unit, int32_t *error)
{
    uint8_t *block = nullptr;
    uint32_t size = 0;
    if (!popFrame(&block, &size))
        return fail(error, SE_UNDERFLOW);
    frame->frameDepth--;
    const char *url = reinterpret_cast<const char *>(block);
    size_t urlSize = strnlen(url, size) + 1;
    SavedCaller saved;
    if (urlSize + sizeof saved != size) {
        std::free(block);
        return fail(error, SE_VERIFY);
    }
    std::memcpy(&saved, block + urlSize, sizeof saved);
    if (unit->url == nullptr || std::strcmp(url, unit->url) != 0) {
        // Back into another unit: fetch its content again.
        std::free(unit->url);
        unit->url = strdup(url);
        if (!fetchUnitContent(unit, url) || unit->bytecodeLength != saved.bytecodeLength) {
            std::free(block);
            return fail(error, SE_NO_UNIT);
        }
        unit->constantsAt = saved.constantsAt;
        unit->pragmasAt = saved.pragmasAt;
        unit->functionNamesAt = saved.functionNamesAt;
        unit->functionsAt = saved.functionsAt;
        unit->constantCount = saved.constantCount;
        unit->functionNameCount = saved.functionNameCount;
        unit->functionCount = saved.functionCount;
        unit->codeSize = saved.codeSize;
    }
    std::free(block);
    unit->codeStart = saved.codeStart;
    unit->functionIndex = saved.functionIndex;
    unit->functionSize = saved.functionSize;
    unit->argCount = saved.argCount;
    unit->localCount = saved.localCount;
    frame->pc = saved.returnPc;
    frame->varBase -= unit->argCount + unit->localCount;
    return true;
}

// RETURN: the return value stays on top of the operand stack.
static bool returnFrom(ScriptFrame *frame, ScriptUnit *unit, int32_t *error)
{
    truncateVariables(static_cast<uint32_t>(frame->varBase));
    if (frame->frameDepth == 0) {
        WS_releaseUnitContent(unit);
        return fail(error, SE_OK);
    }
    return restoreCaller(frame, unit, error);
}

static bool callLib(ScriptFrame *frame, uint32_t library, uint32_t function, int32_t *error)
{
    // The Browser's functions lay out cards and start fetches, and a dialog
    // runs the display's loop: the clock is read after each such call.
    if (library == LIB_BROWSER || library == LIB_DIALOGS)
        gMeter.clockAtInstruction = gMeter.instructions + 1;
    int32_t code = 0;
    if (callLibrary(static_cast<int>(library), static_cast<int>(function), frame, &code))
        return true;
    return fail(error, code);
}

// ---- The instruction loop ----

static bool jumpTo(ScriptFrame *frame, const ScriptUnit *unit, int64_t target, int32_t *error)
{
    if (target < 0 || target > unit->functionSize)
        return fail(error, SE_VERIFY);
    frame->pc = static_cast<int32_t>(target);
    return true;
}

// Pops a condition; jumps to target when it is false.
static bool jumpUnless(ScriptFrame *frame, const ScriptUnit *unit, int64_t target, int32_t *error)
{
    ScriptValue v;
    popOrInvalid(&v, frame);
    bool truth = toCondition(&v);
    releaseValue(&v);
    return truth || jumpTo(frame, unit, target, error);
}

bool stepScript(ScriptFrame *frame, ScriptUnit *unit, int32_t *error)
{
    if (unit->bytecode == nullptr || frame->pc < 0 || frame->pc > unit->functionSize)
        return fail(error, SE_VERIFY);
    // The end of the code is an implicit RETURN_ES: the compiler leaves out
    // a bare "return;" that ends a function and jumps to the end for it.
    if (frame->pc == unit->functionSize)
        return pushText(frame, "", error) && returnFrom(frame, unit, error);
    const uint8_t *code = unit->bytecode + unit->codeStart;
    const int32_t at = frame->pc;
    const uint8_t op = code[at];
    const int32_t next = at + 1 + OPERAND_BYTES[op];
    if (next > unit->functionSize)
        return fail(error, SE_VERIFY);
    const uint8_t *operand = code + at + 1;
    const uint32_t u8 = OPERAND_BYTES[op] >= 1 ? operand[0] : 0;
    const uint32_t u16 = OPERAND_BYTES[op] >= 2 ? (u8 << 8 | operand[1]) : 0;
    frame->pc = next;

    if (op >= 0x40) {
        switch (op & 0xE0) {
        case OP_JUMP_FW_S: return jumpTo(frame, unit, int64_t{next} + (op & 0x1F), error);
        case OP_JUMP_BW_S: return jumpTo(frame, unit, int64_t{at} - (op & 0x1F), error);
        case OP_TJUMP_FW_S: return jumpUnless(frame, unit, int64_t{next} + (op & 0x1F), error);
        case OP_LOAD_VAR_S: return loadVar(frame, op & 0x1F, error);
        }
        switch (op & 0xF0) {
        case OP_STORE_VAR_S: return storeVar(frame, op & 0x0F);
        case OP_LOAD_CONST_S: return loadConst(frame, unit, op & 0x0F, error);
        }
        switch (op & 0xF8) {
        case OP_CALL_S: return callLocal(frame, unit, op & 0x07, next, error);
        case OP_CALL_LIB_S: return callLib(frame, u8, op & 0x07, error);
        case OP_INCR_VAR_S: return stepVar(frame, op & 0x07, 1);
        }
        return fail(error, SE_OPCODE);
    }

    switch (op) {
    case OP_JUMP_FW: return jumpTo(frame, unit, int64_t{next} + u8, error);
    case OP_JUMP_FW_W: return jumpTo(frame, unit, int64_t{next} + u16, error);
    case OP_JUMP_BW: return jumpTo(frame, unit, int64_t{at} - u8, error);
    case OP_JUMP_BW_W: return jumpTo(frame, unit, int64_t{at} - u16, error);
    case OP_TJUMP_FW: return jumpUnless(frame, unit, int64_t{next} + u8, error);
    case OP_TJUMP_FW_W: return jumpUnless(frame, unit, int64_t{next} + u16, error);
    case OP_TJUMP_BW: return jumpUnless(frame, unit, int64_t{at} - u8, error);
    case OP_TJUMP_BW_W: return jumpUnless(frame, unit, int64_t{at} - u16, error);
    case OP_CALL: return callLocal(frame, unit, u8, next, error);
    case OP_CALL_LIB: return callLib(frame, operand[1], u8, error);
    case OP_CALL_LIB_W: return callLib(frame, static_cast<uint32_t>(operand[1] << 8 | operand[2]), u8, error);
    case OP_CALL_URL: return callUrl(frame, unit, u8, operand[1], operand[2], next, error);
    case OP_CALL_URL_W:
        return callUrl(frame, unit, u16, static_cast<uint32_t>(operand[2] << 8 | operand[3]), operand[4], next, error);
    case OP_LOAD_VAR: return loadVar(frame, u8, error);
    case OP_STORE_VAR: return storeVar(frame, u8);
    case OP_INCR_VAR: return stepVar(frame, u8, 1);
    case OP_DECR_VAR: return stepVar(frame, u8, ~0u);
    case OP_LOAD_CONST: return loadConst(frame, unit, u8, error);
    case OP_LOAD_CONST_W: return loadConst(frame, unit, u16, error);
    case OP_CONST_0: return pushInteger(frame, 0, error);
    case OP_CONST_1: return pushInteger(frame, 1, error);
    case OP_CONST_M1: return pushInteger(frame, -1, error);
    case OP_CONST_ES: return pushText(frame, "", error);
    case OP_CONST_INVALID: return pushInvalid(frame, error);
    case OP_CONST_TRUE: return pushText(frame, "true", error);
    case OP_CONST_FALSE: return pushText(frame, "false", error);
    case OP_ADD_ASG:
    case OP_SUB_ASG: return assignOp(frame, op, u8, error);
    case OP_INCR:
    case OP_DECR:
    case OP_UMINUS:
    case OP_B_NOT:
    case OP_NOT:
    case OP_TOBOOL:
    case OP_TYPEOF:
    case OP_ISVALID: return unary(frame, op, error);
    case OP_SCAND:
    case OP_SCOR: return shortCircuit(frame, op, error);
    case OP_POP: {
        ScriptValue v;
        if (popValue(&v, frame))
            releaseValue(&v);
        return true;
    }
    case OP_RETURN_ES:
        if (!pushText(frame, "", error))
            return false;
        return returnFrom(frame, unit, error);
    case OP_RETURN: return returnFrom(frame, unit, error);
    case OP_DEBUG: return true;
    default:
        if (op >= OP_ADD && op <= OP_NE)
            return binary(frame, op, error);
        return fail(error, SE_OPCODE);  // 0x00, 0x3D to 0x3F
    }
}

// ---- Runs ----

static void emptyStores()
{
    truncateVariables(0);
    truncateStack(0);
    truncateFrames(0);
}

static void releaseUrl()
{
    std::free(gScriptUnit.url);
    gScriptUnit.url = nullptr;
}

static bool run(int32_t *error)
{
    gRunning = true;
    while (stepScript(&gScriptFrame, &gScriptUnit, error)) {
        gMeter.instructions++;
        if (const char *spent = spentBudget()) {
            Log_printf("Script: out of %s\n", spent);
            Log_printf("Script: ended after %llu instructions\n", static_cast<unsigned long long>(gMeter.instructions));
            *error = SE_RUNAWAY;
            break;
        }
    }
    gRunning = false;
    gLastUsage = {gMeter.instructions + 1, gScriptBytes, threadCpuNanoseconds() - gMeter.cpuStart};
    if (*error != SE_NO_UNIT)
        releaseUrl();
    WS_releaseUnitContent(&gScriptUnit);
    if (*error == SE_OK || *error == SE_EXIT || *error == SE_ABORT) {
        ScriptValue result;
        if (popValue(&result, &gScriptFrame))
            releaseValue(&result);
    }
    if (*error == SE_OK)
        emptyStores();  // whatever hand-made code left behind
    return *error == SE_OK;
}

bool runScript(const char *callText, int32_t wakeup, int32_t *error)
{
    *error = SE_OK;
    if (gRunning) {
        Log_str("Script: a script cannot start another while it runs\n");
        return fail(error, SE_LIBRARY);
    }
    startMeter();
    if (wakeup != 0) {
        if (gScriptUnit.url == nullptr)
            return fail(error, SE_NO_URL);
        // The unit URL holds no "#name": there is nothing to resume.
        std::string url(gScriptUnit.url);
        if (!loadUnit(url.c_str(), &gScriptUnit, error, false))
            return false;
        enterFunction(&gScriptFrame, &gScriptUnit);
        return run(error);
    }
    if (callText == nullptr) {
        releaseUrl();
        WS_releaseUnitContent(&gScriptUnit);
        return true;
    }
    gScriptFrame = ScriptFrame{};
    emptyStores();  // a run always starts from empty stores
    if (!loadUnit(callText, &gScriptUnit, error, true))
        return false;
    return run(error);
}

void stopScript()
{
    if (gRunning)
        return;
    emptyStores();
    gScriptFrame = ScriptFrame{};
    int32_t error;
    runScript(nullptr, 0, &error);
}
