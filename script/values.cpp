// Script values: construction, the serialised form the stores hold, and
// the conversions between kinds.
#include "script/script_value.h"

#include <cstdlib>
#include <cstring>

#include "common/int_to_text.h"

uint64_t gScriptBytes = 0;

void makeInteger(ScriptValue *value, int32_t n) { *value = ScriptValue{SV_INTEGER, 0, n, nullptr}; }

void makeInvalid(ScriptValue *value) { *value = ScriptValue{SV_INVALID, 0, 0, nullptr}; }

void makeString(ScriptValue *value, const char *bytes, int32_t length)
{
    if (length > SCRIPT_MAX_STRING) {
        makeInvalid(value);
        return;
    }
    *value = ScriptValue{SV_STRING, 0, 0, nullptr};
    if (length <= 0 || bytes == nullptr)
        return;
    gScriptBytes += static_cast<uint64_t>(length);
    char *text = static_cast<char *>(std::malloc(static_cast<size_t>(length) + 1));
    if (text == nullptr)
        return;  // out of memory reads as the empty string
    std::memcpy(text, bytes, static_cast<size_t>(length));
    text[length] = 0;
    value->length = length;
    value->text = text;
}

void makeStringZ(ScriptValue *value, const char *text)
{
    size_t length = text ? std::strlen(text) : 0;
    makeString(value, text, length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length));
}

void copyValue(ScriptValue *target, const ScriptValue *source)
{
    if (source->type == SV_STRING)
        makeString(target, source->text, source->length);
    else
        *target = ScriptValue{source->type, 0, source->integer, nullptr};
}

void releaseValue(ScriptValue *value)
{
    if (value->type == SV_STRING)
        std::free(value->text);
    value->text = nullptr;
}

const char *WS_valueText(const ScriptValue *value)
{
    return value->type == SV_STRING && value->text ? value->text : "";
}

static void putWord(uint8_t *at, uint32_t word) { std::memcpy(at, &word, 4); }

static uint32_t getWord(const uint8_t *at)
{
    uint32_t word;
    std::memcpy(&word, at, 4);
    return word;
}

void serializeValue(const ScriptValue *value, uint8_t **block, uint32_t *size)
{
    uint32_t length = value->type == SV_STRING ? static_cast<uint32_t>(value->length) : 0;
    uint32_t total = value->type == SV_STRING ? 8 + length : value->type == SV_INTEGER ? 8 : 4;
    uint8_t *out = static_cast<uint8_t *>(std::malloc(total));
    if (out == nullptr) {
        *block = nullptr;
        *size = 0;
        return;
    }
    putWord(out,
            static_cast<uint32_t>(value->type == SV_STRING || value->type == SV_INTEGER ? value->type : SV_INVALID));
    if (value->type == SV_INTEGER)
        putWord(out + 4, static_cast<uint32_t>(value->integer));
    else if (value->type == SV_STRING) {
        putWord(out + 4, length);
        if (length)
            std::memcpy(out + 8, value->text, length);
    }
    gScriptBytes += length;
    *block = out;
    *size = total;
}

bool deserializeValue(ScriptValue *value, const uint8_t *block, uint32_t size)
{
    if (block == nullptr || size < 4)
        return false;
    switch (static_cast<int32_t>(getWord(block))) {
    case SV_INTEGER:
        if (size < 8)
            return false;
        makeInteger(value, static_cast<int32_t>(getWord(block + 4)));
        return true;
    case SV_STRING: {
        if (size < 8)
            return false;
        uint32_t length = getWord(block + 4);
        if (length > size - 8 || length > INT32_MAX)
            return false;
        makeString(value, reinterpret_cast<const char *>(block + 8), static_cast<int32_t>(length));
        return true;
    }
    case SV_INVALID: makeInvalid(value); return true;
    default: return false;
    }
}

bool toText(ScriptValue *value)
{
    if (value->type == SV_STRING)
        return true;
    if (value->type != SV_INTEGER)
        return false;
    char digits[INT_TO_TEXT_MAX];
    int n = intToText(digits, sizeof digits, value->integer, 10, 10, 0);
    makeString(value, digits, n < 0 ? 0 : n);
    return true;
}

static bool isText(const ScriptValue *value, const char *literal)
{
    size_t n = std::strlen(literal);
    return value->type == SV_STRING && static_cast<size_t>(value->length) == n &&
           std::memcmp(value->text, literal, n) == 0;
}

bool toCondition(const ScriptValue *value)
{
    if (value->type == SV_INTEGER)
        return value->integer != 0;
    if (value->type != SV_STRING || isText(value, "false"))
        return false;
    return value->length != 0;
}

int32_t readDecimal(const char *text, size_t length)
{
    size_t i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' || text[i] == '\f' ||
                          text[i] == '\v'))
        i++;
    bool negative = false;
    if (i < length && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    uint32_t n = 0;  // unsigned so that overflow wraps without undefined behaviour
    for (; i < length && text[i] >= '0' && text[i] <= '9'; i++)
        n = n * 10u + static_cast<uint32_t>(text[i] - '0');
    return static_cast<int32_t>(negative ? 0u - n : n);
}

bool logicalTruth(const ScriptValue *value)
{
    if (value->type == SV_INTEGER)
        return value->integer != 0;
    if (value->type != SV_STRING)
        return false;
    if (isText(value, "true"))
        return true;
    if (isText(value, "false"))
        return false;
    return readDecimal(WS_valueText(value), static_cast<size_t>(value->length)) != 0;
}

bool toIncrementNumber(const ScriptValue *value, int32_t *number)
{
    if (value->type == SV_INTEGER) {
        *number = value->integer;
        return true;
    }
    if (isText(value, "true") || isText(value, "false")) {
        *number = isText(value, "true") ? 1 : 0;
        return true;
    }
    return false;
}

int compareStrings(const ScriptValue *a, const ScriptValue *b)
{
    const unsigned char *x = reinterpret_cast<const unsigned char *>(WS_valueText(a));
    const unsigned char *y = reinterpret_cast<const unsigned char *>(WS_valueText(b));
    while (*x && *x == *y) {
        x++;
        y++;
    }
    return *x < *y ? -1 : *x > *y ? 1 : 0;
}
