// Lang: integer helpers, the run's exit and abort, and the library's own
// random generator. Numbers are 32-bit integers only, so the float
// functions, Float's among them, give fixed answers.
#include <climits>
#include <cstdint>

#include "common/clock.h"
#include "script/library.h"

namespace {

uint32_t gRandomState = 0;   // state of Lang.random's generator
bool gRandomSeeded = false;  // false until seed() or the first random()

// Kept apart from the clock's generator so that a script's seed() never
// makes the protocol stack's transaction identifiers predictable.
uint32_t nextRandom()
{
    if (!gRandomSeeded) {
        gRandomState = Clock_randomNumber();
        gRandomSeeded = true;
    }
    gRandomState = gRandomState * 1103515245u + 12345u;
    return gRandomState >> 1;
}

int32_t integerResult(ScriptValue *result, int32_t n)
{
    makeInteger(result, n);
    return SE_OK;
}

}  // namespace

int32_t langAbs(const ScriptValue *args, ScriptValue *result)
{
    if (isInteger(&args[0])) {
        // Negating in unsigned arithmetic leaves the most negative integer
        // as it is instead of overflowing.
        uint32_t n = static_cast<uint32_t>(args[0].integer);
        makeInteger(result, static_cast<int32_t>(args[0].integer < 0 ? 0u - n : n));
    }
    return SE_OK;
}

int32_t langMin(const ScriptValue *args, ScriptValue *result)
{
    if (isInteger(&args[0]) && isInteger(&args[1])) {
        makeInteger(result, args[0].integer < args[1].integer ? args[0].integer : args[1].integer);
    }
    return SE_OK;
}

int32_t langMax(const ScriptValue *args, ScriptValue *result)
{
    if (isInteger(&args[0]) && isInteger(&args[1])) {
        makeInteger(result, args[0].integer > args[1].integer ? args[0].integer : args[1].integer);
    }
    return SE_OK;
}

int32_t langParseInt(const ScriptValue *args, ScriptValue *result)
{
    std::string_view text = libBytes(&args[0]);
    if (isString(&args[0]) && !text.empty()) {
        makeInteger(result, readDecimal(text.data(), text.size()));
    }
    return SE_OK;
}

int32_t langParseFloat(const ScriptValue *, ScriptValue *) { return SE_OK; }

int32_t langIsInt(const ScriptValue *args, ScriptValue *result) { return integerResult(result, isInteger(&args[0])); }

int32_t langIsFloat(const ScriptValue *, ScriptValue *result) { return integerResult(result, 0); }

int32_t langMaxInt(const ScriptValue *, ScriptValue *result) { return integerResult(result, INT32_MAX); }

int32_t langMinInt(const ScriptValue *, ScriptValue *result) { return integerResult(result, INT32_MIN); }

int32_t langFloat(const ScriptValue *, ScriptValue *result) { return integerResult(result, 0); }

int32_t floatInvalid(const ScriptValue *, ScriptValue *) { return SE_OK; }

// exit and abort hand their argument back as the result, so that it stays
// on the operand stack for runScript to discard.
int32_t langExit(const ScriptValue *args, ScriptValue *result)
{
    copyValue(result, &args[0]);
    return SE_EXIT;
}

int32_t langAbort(const ScriptValue *args, ScriptValue *result)
{
    copyValue(result, &args[0]);
    return SE_ABORT;
}

// An integer from 0 to the value inclusive; a negative value or another
// kind gives invalid.
int32_t langRandom(const ScriptValue *args, ScriptValue *result)
{
    if (isInteger(&args[0]) && args[0].integer >= 0) {
        uint64_t range = static_cast<uint64_t>(args[0].integer) + 1;
        makeInteger(result, static_cast<int32_t>(nextRandom() % range));
    }
    return SE_OK;
}

// An integer seeds the generator (a negative one asks for a fresh seed);
// any other kind gives invalid and leaves the generator as it was.
int32_t langSeed(const ScriptValue *args, ScriptValue *result)
{
    if (isInteger(&args[0])) {
        gRandomState = args[0].integer >= 0 ? static_cast<uint32_t>(args[0].integer) : Clock_randomNumber();
        gRandomSeeded = true;
        WS_setText(result, "");
    }
    return SE_OK;
}

int32_t langCharacterSet(const ScriptValue *, ScriptValue *result)
{
    return integerResult(result, 3);  // the IANA number of US-ASCII
}
