// The unit loader over arbitrary bytes. Input: a function name, a newline,
// then the unit's bytes (at most 32 name bytes are read).
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/interpreter.h"
#include "tests/fuzz/fuzz_script_input.h"
#include "tests/script/script_fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzScriptInput input = splitFuzzScriptInput(data, size);
    const std::string &name = input.name;
    fakeCacheClear();
    fakeCachePut("u", input.unit);
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
