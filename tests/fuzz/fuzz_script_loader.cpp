// The unit loader over arbitrary bytes. Input: a function name, a newline,
// then the unit's bytes (at most 32 name bytes are read).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "script/interpreter.h"
#include "tests/script/script_fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const uint8_t nothing = 0;
    if (size == 0)
        data = &nothing;
    const uint8_t *newline = static_cast<const uint8_t *>(std::memchr(data, '\n', size < 33 ? size : 33));
    size_t nameLength = newline ? static_cast<size_t>(newline - data) : 0;
    std::string name(reinterpret_cast<const char *>(data), nameLength);
    size_t skip = newline ? nameLength + 1 : 0;
    fakeCacheClear();
    fakeCachePut("u", std::vector<uint8_t>(data + skip, data + size));
    int32_t error = 0;
    std::string call = "u#" + name + "(1, 'a', -3, '', 5)";
    if (loadUnit(call.c_str(), &gScriptUnit, &error, true)) {
        for (int32_t i = 0; i < gScriptUnit.constantCount && i < 1000; i++) {
            ScriptValue value;
            if (loadConstant(&gScriptUnit, i, &value))
                releaseValue(&value);
        }
        for (int32_t i = 0; i < gScriptUnit.functionCount; i++) {
            gScriptUnit.functionIndex = i;
            locateFunction(&gScriptUnit);
        }
    }
    stopScript();
    return 0;
}
