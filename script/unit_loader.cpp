// The compilation unit loader: fetches a compiled unit from the cache,
// walks its header, constant pool, pragma pool and function pool, selects
// the named function and creates its first variables from the call text.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "common/charset.h"
#include "common/url.h"
#include "script/unit.h"

ScriptUnit gScriptUnit = {};

static std::vector<uint32_t> gConstantOffsets;     // offset of each constant of gOffsetsFor
static const uint8_t *gOffsetsFor = nullptr;       // the content gConstantOffsets describes
static int gExtraUtf8Levels = 0;                   // its UTF-8 constants were encoded this much too often

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

uint8_t readByte(ByteCursor *cursor)
{
    if (cursor->position >= cursor->length) {
        cursor->failed = true;
        return 0;
    }
    return cursor->data[cursor->position++];
}

uint32_t readFixed(ByteCursor *cursor, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; i++)
        value = value << 8 | readByte(cursor);
    return value;
}

uint32_t readMb(ByteCursor *cursor)
{
    uint32_t value = 0;
    for (;;) {
        uint8_t byte = readByte(cursor);
        if (cursor->failed)
            return 0;
        if (value > (UINT32_MAX >> 7)) {
            cursor->failed = true;
            return 0;
        }
        value = value << 7 | (byte & 0x7F);
        if (byte < 0x80)
            return value;
    }
}

void skipBytes(ByteCursor *cursor, uint32_t count)
{
    if (count > cursor->length - cursor->position) {
        cursor->position = cursor->length;
        cursor->failed = true;
        return;
    }
    cursor->position += count;
}

static ByteCursor cursorAt(const ScriptUnit *unit, int32_t offset)
{
    ByteCursor cursor{unit->bytecode, unit->bytecodeLength, 0, unit->bytecode == nullptr};
    if (offset < 0 || static_cast<uint32_t>(offset) > unit->bytecodeLength)
        cursor.failed = true;
    else
        cursor.position = static_cast<uint32_t>(offset);
    return cursor;
}

// Decodes the constant at the cursor into value (when given); 0, or the
// code that rejects the unit.
static int32_t decodeConstant(ByteCursor *cursor, ScriptValue *value)
{
    int type = static_cast<int8_t>(readByte(cursor));
    ScriptValue scratch;
    switch (type) {
    case CONST_INT8:
        makeInteger(&scratch, static_cast<int8_t>(readByte(cursor)));
        break;
    case CONST_INT16:
        makeInteger(&scratch, static_cast<int16_t>(readFixed(cursor, 2)));
        break;
    case CONST_INT32:
        makeInteger(&scratch, static_cast<int32_t>(readFixed(cursor, 4)));
        break;
    case CONST_FLOAT32:
        // No floats here: the constant reads as invalid, as an integer-only
        // interpreter reads it, so the rest of the unit still runs.
        skipBytes(cursor, 4);
        makeInvalid(&scratch);
        break;
    case CONST_UTF8:
    case CONST_STRING: {
        uint32_t length = readMb(cursor);
        uint32_t at = cursor->position;
        skipBytes(cursor, length);
        if (cursor->failed || length > INT32_MAX)
            return SE_VERIFY;
        if (value && type == CONST_UTF8 && gExtraUtf8Levels > 0) {
            std::string text(reinterpret_cast<const char *>(cursor->data + at), length);
            for (int i = 0; i < gExtraUtf8Levels; i++)
                text.resize(undoDoubleUtf8(text.data(), text.size()));
            makeString(value, text.data(), static_cast<int32_t>(text.size()));
        } else if (value) {
            makeString(value, reinterpret_cast<const char *>(cursor->data + at), static_cast<int32_t>(length));
        }
        return 0;
    }
    case CONST_EMPTY:
        makeString(&scratch, nullptr, 0);
        break;
    default:
        return SE_VERIFY;
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
    ByteCursor cursor = cursorAt(unit, unit->constantsAt);
    for (int32_t i = 0; i < unit->constantCount; i++) {
        gConstantOffsets.push_back(cursor.position);
        ByteCursor text = cursor;
        int32_t code = decodeConstant(&cursor, nullptr);
        if (code != 0) {
            gConstantOffsets.clear();
            return code;
        }
        if (readByte(&text) == CONST_UTF8) {
            uint32_t length = readMb(&text);  // decodeConstant checked it
            texts.emplace_back(reinterpret_cast<const char *>(text.data + text.position), length);
        }
    }
    // The gateway's script compiler reads UTF-8 source as ISO-8859-1.
    gExtraUtf8Levels = extraUtf8Levels(std::move(texts));
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
    ByteCursor cursor = cursorAt(unit, static_cast<int32_t>(gConstantOffsets[static_cast<size_t>(index)]));
    return decodeConstant(&cursor, value) == 0;
}

bool locateFunction(ScriptUnit *unit)
{
    if (unit->functionIndex < 0 || unit->functionIndex >= unit->functionCount)
        return false;
    ByteCursor cursor = cursorAt(unit, unit->functionsAt);
    for (int32_t i = 0; i < unit->functionIndex && !cursor.failed; i++) {
        skipBytes(&cursor, 2);
        skipBytes(&cursor, readMb(&cursor));
    }
    int32_t args = readByte(&cursor);
    int32_t locals = readByte(&cursor);
    uint32_t size = readMb(&cursor);
    uint32_t start = cursor.position;
    skipBytes(&cursor, size);  // the whole code must lie inside the unit
    if (cursor.failed)
        return false;
    unit->argCount = args;
    unit->localCount = locals;
    unit->functionSize = static_cast<int32_t>(size);
    unit->codeStart = static_cast<int32_t>(start);
    return true;
}

void releaseUnitContent(ScriptUnit *unit)
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
    releaseUnitContent(unit);
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
static int32_t walkPools(ScriptUnit *unit, ByteCursor *cursor)
{
    readByte(cursor);  // version
    unit->codeSize = static_cast<int32_t>(readMb(cursor));
    uint32_t constants = readMb(cursor);
    readMb(cursor);  // character set
    if (cursor->failed || constants > cursor->length)
        return SE_VERIFY;
    unit->constantCount = static_cast<int32_t>(constants);
    unit->constantsAt = static_cast<int32_t>(cursor->position);
    int32_t code = indexConstants(unit);
    if (code != 0)
        return code;
    if (constants > 0) {
        ByteCursor last = cursorAt(unit, static_cast<int32_t>(gConstantOffsets.back()));
        decodeConstant(&last, nullptr);
        cursor->position = last.position;
    }
    uint32_t pragmas = readMb(cursor);
    unit->pragmasAt = static_cast<int32_t>(cursor->position);
    for (uint32_t i = 0; i < pragmas && !cursor->failed; i++) {
        uint8_t type = readByte(cursor);
        if (type >= sizeof PRAGMA_OPERANDS)
            return SE_VERIFY;
        for (int k = 0; k < PRAGMA_OPERANDS[type]; k++)
            if (readMb(cursor) >= constants)
                return SE_VERIFY;
    }
    return cursor->failed ? SE_VERIFY : 0;
}

// The function name table: the index of the entry named name, or -1.
static int32_t findFunction(ScriptUnit *unit, ByteCursor *cursor, const std::string &name)
{
    unit->functionCount = readByte(cursor);
    unit->functionNamesAt = static_cast<int32_t>(cursor->position);
    unit->functionNameCount = readByte(cursor);
    int32_t found = -1;
    for (int32_t i = 0; i < unit->functionNameCount && !cursor->failed; i++) {
        int32_t index = readByte(cursor);
        uint8_t length = readByte(cursor);
        uint32_t at = cursor->position;
        skipBytes(cursor, length);
        if (!cursor->failed && found < 0 && length == name.size() &&
            std::memcmp(cursor->data + at, name.data(), length) == 0)
            found = index;
    }
    unit->functionsAt = static_cast<int32_t>(cursor->position);
    return found;
}

static bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

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
    releaseUnitContent(unit);
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
    ByteCursor cursor = cursorAt(unit, 0);
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
