// The interpreter over arbitrary unit bytes, with a small instruction
// budget. Input: a function name, a newline, then the unit's bytes.
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
    // The unit may call itself or "o" through CALL_URL.
    std::vector<uint8_t> unit(data + skip, data + size);
    fakeCachePut("u", unit);
    fakeCachePut("o", unit);
    setScriptBudget(20000);
    int32_t error = 0;
    std::string call = "u#" + name + "(7, 'ab', -1, '', 0)";
    runScript(call.c_str(), 0, &error);
    stopScript();
    return 0;
}
