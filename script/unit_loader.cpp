// The compilation unit loader: fetches a compiled unit from the cache,
// walks its header, constant pool, pragma pool and function pool, selects
// the named function and creates its first variables from the call text.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "common/byte_reader.h"
#include "common/charset.h"
#include "common/url.h"
#include "script/unit.h"

ScriptUnit gScriptUnit = {};

static std::vector<uint32_t> gConstantOffsets;  // offset of each constant of gOffsetsFor
static const uint8_t *gOffsetsFor = nullptr;    // the content gConstantOffsets describes
static int gExtraUtf8Levels = 0;                // its UTF-8 constants were encoded this much too often

// Constant types of the pool.
constexpr int CONST_INT8 = 0;
constexpr int CONST_INT16 = 1;
constexpr int CONST_INT32 = 2;
constexpr int CONST_FLOAT32 = 3;
constexpr int CONST_UTF8 = 4;
constexpr int CONST_EMPTY = 5;
constexpr int CONST_STRING = 6;

// Pragma types and the constant indexes each carries.
static const uint8_t PRAGMA_OPERANDS[] = {
    1,  // access domain
    1,  // access path
    2,  // user agent property (name, value)
    3,  // user agent property and scheme (name, value, scheme)
};

static ByteReader cursorAt(const ScriptUnit *unit, int32_t offset)
{
    ByteReader cursor{unit->bytecode, unit->bytecodeLength, 0, unit->bytecode == nullptr};
    if (offset < 0 || static_cast<uint32_t>(offset) > unit->bytecodeLength)
        cursor.failed = true;
    else
        cursor.position = static_cast<uint32_t>(offset);
    return cursor;
}

// Decodes the constant at the cursor into value (when given); 0, or the
// code that rejects the unit.
static int32_t decodeConstant(ByteReader *cursor, ScriptValue *value)
{
    int type = static_cast<int8_t>(BR_byte(cursor));
    ScriptValue scratch;
    switch (type) {
    case CONST_INT8: makeInteger(&scratch, static_cast<int8_t>(BR_byte(cursor))); break;
    case CONST_INT16: makeInteger(&scratch, static_cast<int16_t>(BR_be(cursor, 2))); break;
    case CONST_INT32: makeInteger(&scratch, static_cast<int32_t>(BR_be(cursor, 4))); break;
    case CONST_FLOAT32:
        // No floats here: the constant reads as invalid, as an integer-only
        // interpreter reads it, so the rest of the unit still runs.
        BR_bytes(cursor, 4);
        makeInvalid(&scratch);
        break;
    case CONST_UTF8:
    case CONST_STRING: {
        uint32_t length = BR_multiByte(cursor);
        uint32_t at = cursor->position;
        BR_bytes(cursor, length);
        if (cursor->failed || length > INT32_MAX)
            return SE_VERIFY;
        if (value && type == CONST_UTF8 && gExtraUtf8Levels > 0) {
            std::string text(reinterpret_cast<const char *>(cursor->data + at), length);
            for (int i = 0; i < gExtraUtf8Levels; i++)
                text.resize(Cs_undoDoubleUtf8(text.data(), text.size()));
            makeString(value, text.data(), static_cast<int32_t>(text.size()));
        } else if (value) {
            makeString(value, reinterpret_cast<const char *>(cursor->data + at), static_cast<int32_t>(length));
        }
        return 0;
    }
    case CONST_EMPTY: makeString(&scratch, nullptr, 0); break;
    default: return SE_VERIFY;
    }
    if (cursor->failed)
        return SE_VERIFY;
    if (value)
        *value = scratch;
    return 0;
}

// Walks the whole pool once, noting where each constant starts.
static int32_t indexConstants(const ScriptUnit *unit)
{
    gOffsetsFor = nullptr;
    gConstantOffsets.clear();
    gExtraUtf8Levels = 0;
    std::vector<std::string> texts;
    ByteReader cursor = cursorAt(unit, unit->constantsAt);
    for (int32_t i = 0; i < unit->constantCount; i++) {
        gConstantOffsets.push_back(cursor.position);
        ByteReader text = cursor;
        int32_t code = decodeConstant(&cursor, nullptr);
        if (code != 0) {
            gConstantOffsets.clear();
            return code;
        }
        if (BR_byte(&text) == CONST_UTF8) {
            uint32_t length = BR_multiByte(&text);  // decodeConstant checked it
            texts.emplace_back(reinterpret_cast<const char *>(text.data + text.position), length);
        }
    }
    // The gateway's script compiler reads UTF-8 source as ISO-8859-1.
    gExtraUtf8Levels = Cs_extraUtf8Levels(std::move(texts));
    gOffsetsFor = unit->bytecode;
    return 0;
}

bool loadConstant(const ScriptUnit *unit, int32_t index, ScriptValue *value)
{
    if (index < 0 || index >= unit->constantCount)
        return false;
    if (gOffsetsFor != unit->bytecode || unit->bytecode == nullptr)
        if (indexConstants(unit) != 0)
            return false;
    ByteReader cursor = cursorAt(unit, static_cast<int32_t>(gConstantOffsets[static_cast<size_t>(index)]));
    return decodeConstant(&cursor, value) == 0;
}

bool locateFunction(ScriptUnit *unit)
{
    if (unit->functionIndex < 0 || unit->functionIndex >= unit->functionCount)
        return false;
    ByteReader cursor = cursorAt(unit, unit->functionsAt);
    for (int32_t i = 0; i < unit->functionIndex && !cursor.failed; i++) {
        BR_bytes(&cursor, 2);
        BR_bytes(&cursor, BR_multiByte(&cursor));
    }
    int32_t args = BR_byte(&cursor);
    int32_t locals = BR_byte(&cursor);
    uint32_t size = BR_multiByte(&cursor);
    uint32_t start = cursor.position;
    BR_bytes(&cursor, size);  // the whole code must lie inside the unit
    if (cursor.failed)
        return false;
    unit->argCount = args;
    unit->localCount = locals;
    unit->functionSize = static_cast<int32_t>(size);
    unit->codeStart = static_cast<int32_t>(start);
    return true;
}

void WS_releaseUnitContent(ScriptUnit *unit)
{
    if (unit->bytecode && unit->bytecode == gOffsetsFor) {
        gOffsetsFor = nullptr;
        gConstantOffsets.clear();
    }
    std::free(unit->bytecode);
    unit->bytecode = nullptr;
    unit->bytecodeLength = 0;
}

bool fetchUnitContent(ScriptUnit *unit, const char *url)
{
    WS_releaseUnitContent(unit);
    uint32_t type = CT_WMLSC;
    uint8_t *content = nullptr;
    uint32_t length = 0;
    CacheResult result{0, 0};
    C_retrieve(url, &type, &content, &length, &result);
    // A call into another unit, and the return from it, read it again.
    gScriptBytes += length > SCRIPT_FETCH_BYTES ? length : SCRIPT_FETCH_BYTES;
    if (result.code != CRES_HIT) {
        std::free(content);
        return false;
    }
    unit->bytecode = content;
    unit->bytecodeLength = content ? length : 0;
    return true;
}

// Header, constant pool and pragma pool; the cursor ends at the function
// pool.
static int32_t walkPools(ScriptUnit *unit, ByteReader *cursor)
{
    BR_byte(cursor);  // version
    unit->codeSize = static_cast<int32_t>(BR_multiByte(cursor));
    uint32_t constants = BR_multiByte(cursor);
    BR_multiByte(cursor);  // character set
    if (cursor->failed || constants > cursor->length)
        return SE_VERIFY;
    unit->constantCount = static_cast<int32_t>(constants);
    unit->constantsAt = static_cast<int32_t>(cursor->position);
    int32_t code = indexConstants(unit);
    if (code != 0)
        return code;
    if (constants > 0) {
        ByteReader last = cursorAt(unit, static_cast<int32_t>(gConstantOffsets.back()));
        decodeConstant(&last, nullptr);
        cursor->position = last.position;
    }
    uint32_t pragmas = BR_multiByte(cursor);
    unit->pragmasAt = static_cast<int32_t>(cursor->position);
    for (uint32_t i = 0; i < pragmas && !cursor->failed; i++) {
        uint8_t type = BR_byte(cursor);
        if (type >= sizeof PRAGMA_OPERANDS)
            return SE_VERIFY;
        for (int k = 0; k < PRAGMA_OPERANDS[type]; k++)
            if (BR_multiByte(cursor) >= constants)
                return SE_VERIFY;
    }
    return cursor->failed ? SE_VERIFY : 0;
}

// The function name table: the index of the entry named name, or -1.
static int32_t findFunction(ScriptUnit *unit, ByteReader *cursor, const std::string &name)
{
    unit->functionCount = BR_byte(cursor);
    unit->functionNamesAt = static_cast<int32_t>(cursor->position);
    unit->functionNameCount = BR_byte(cursor);
    int32_t found = -1;
    for (int32_t i = 0; i < unit->functionNameCount && !cursor->failed; i++) {
        int32_t index = BR_byte(cursor);
        uint8_t length = BR_byte(cursor);
        uint32_t at = cursor->position;
        BR_bytes(cursor, length);
        if (!cursor->failed && found < 0 && length == name.size() &&
            std::memcmp(cursor->data + at, name.data(), length) == 0)
            found = index;
    }
    unit->functionsAt = static_cast<int32_t>(cursor->position);
    return found;
}

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

// One argument token: up to a tab or ",", through the second quote, or up
// to a ")".
static std::string nextToken(const char **at)
{
    const char *p = *at;
    std::string token;
    int quotes = 0;
    while (*p && *p != '\t' && *p != ',' && *p != ')') {
        token += *p;
        if (*p++ == '\'' && ++quotes == 2)
            break;
    }
    *at = p;
    return token;
}

static void tokenValue(const std::string &token, ScriptValue *value)
{
    if (token.size() >= 2 && token.front() == '\'' && token.back() == '\'')
        makeString(value, token.data() + 1, static_cast<int32_t>(token.size() - 2));
    else
        makeInteger(value, readDecimal(token.data(), token.size()));
}

// Appends one variable per argument; false when the list has fewer than
// argCount arguments or an empty one.
static bool parseArguments(const char *p, int32_t argCount)
{
    while (isBlank(*p) || *p == '(')
        p++;
    for (int32_t k = 0; k < argCount; k++) {
        if (*p == ')')
            return false;
        std::string token = nextToken(&p);
        if (token.empty())
            return false;
        ScriptValue value;
        tokenValue(token, &value);
        storeVariable(&value, -1);
        releaseValue(&value);
        while (isBlank(*p) || *p == ',')
            p++;
    }
    return true;
}

static void setUnitUrl(ScriptUnit *unit, const char *text, size_t length)
{
    std::free(unit->url);
    unit->url = static_cast<char *>(std::malloc(length + 1));
    if (unit->url) {
        std::memcpy(unit->url, text, length);
        unit->url[length] = 0;
    }
}

static bool fail(int32_t *error, int32_t code, ScriptUnit *unit)
{
    WS_releaseUnitContent(unit);
    *error = code;
    return false;
}

bool loadUnit(const char *callText, ScriptUnit *unit, int32_t *error, bool withArguments)
{
    *error = 0;
    const char *hash = std::strchr(callText, '#');
    if (hash == nullptr)
        return fail(error, SE_NO_FUNCTION, unit);
    setUnitUrl(unit, callText, static_cast<size_t>(hash - callText));
    // The Browser hands over escaped URLs: read the call in plain text.
    std::string call(std::strlen(hash + 1) + 1, '\0');
    if (!unescapeUrl(hash + 1, call.data(), call.size()))
        call.assign(hash + 1);
    const char *p = call.c_str();
    while (isBlank(*p))
        p++;
    const char *nameEnd = p;
    while (*nameEnd && *nameEnd != '(' && !isBlank(*nameEnd))
        nameEnd++;
    std::string name(p, nameEnd);

    if (unit->url == nullptr || !fetchUnitContent(unit, unit->url))
        return fail(error, SE_NO_FUNCTION, unit);
    ByteReader cursor = cursorAt(unit, 0);
    int32_t code = walkPools(unit, &cursor);
    if (code != 0)
        return fail(error, code, unit);
    unit->functionIndex = findFunction(unit, &cursor, name);
    if (cursor.failed)
        return fail(error, SE_VERIFY, unit);
    if (unit->functionIndex < 0)
        return fail(error, SE_NO_FUNCTION, unit);
    if (!locateFunction(unit))
        return fail(error, SE_VERIFY, unit);
    if (!withArguments)
        return true;
    if (!parseArguments(nameEnd, unit->argCount))
        return fail(error, SE_ARGUMENTS, unit);
    ScriptValue empty;
    makeString(&empty, nullptr, 0);
    for (int32_t i = 0; i < unit->localCount; i++)
        storeVariable(&empty, -1);
    return true;
}
