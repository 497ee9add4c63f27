// The interpreter over arbitrary unit bytes, with small instruction and
// byte budgets and no CPU time limit, so that an instruction slower than
// its budgets account for shows as a libFuzzer timeout. Input: a function
// name, a newline, then the unit's bytes.
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
    // The unit may call itself or "o" through CALL_URL.
    fakeCachePut("u", input.unit);
    fakeCachePut("o", input.unit);
    setScriptBudget({20000, 16u << 20, UINT64_MAX});
    int32_t error = 0;
    std::string call = "u#" + name + "(7, 'ab', -1, '', 0)";
    runScript(call.c_str(), 0, &error);
    stopScript();
    return 0;
}
