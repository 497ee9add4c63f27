#include "tests/script/engine_test_util.h"

#include <ostream>

#include "script/interpreter.h"

void PrintTo(const EV &value, std::ostream *out)
{
    if (value.type == SV_INTEGER)
        *out << "Int(" << value.integer << ")";
    else if (value.type == SV_STRING)
        *out << "Str(\"" << value.text << "\")";
    else
        *out << "Invalid";
}

EV toEV(const ScriptValue &value)
{
    if (value.type == SV_INTEGER)
        return Int(value.integer);
    if (value.type == SV_STRING)
        return Str(std::string(WS_valueText(&value), static_cast<size_t>(value.length)));
    return Invalid;
}

int32_t callForResult(const std::string &callText, EV *result, uint64_t budget)
{
    stopScript();
    *result = Invalid;
    int32_t error = 0;
    if (!loadUnit(callText.c_str(), &gScriptUnit, &error, true)) {
        stopScript();
        return error;
    }
    uint64_t count = 0;
    while (stepScript(&gScriptFrame, &gScriptUnit, &error))
        if (++count >= budget)
            return stopScript(), -1;
    ScriptValue top;
    if (popValue(&top, &gScriptFrame)) {
        *result = toEV(top);
        releaseValue(&top);
    }
    stopScript();
    return error;
}

std::vector<uint8_t> mb(uint32_t value)
{
    std::vector<uint8_t> out{static_cast<uint8_t>(value & 0x7F)};
    while (value >>= 7)
        out.insert(out.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
    return out;
}

std::vector<uint8_t> handUnit(const std::vector<std::vector<uint8_t>> &constants,
                              const std::vector<HandFunction> &functions, const std::vector<uint8_t> &pragmas)
{
    std::vector<uint8_t> out{1, 0};  // version, code size (not used)
    auto add = [&](const std::vector<uint8_t> &bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); };
    add(mb(static_cast<uint32_t>(constants.size())));
    out.push_back(4);  // character set
    for (const auto &c : constants)
        add(c);
    add(pragmas);
    out.push_back(static_cast<uint8_t>(functions.size()));
    out.push_back(static_cast<uint8_t>(functions.size()));
    for (size_t i = 0; i < functions.size(); i++) {
        std::string name = "f" + std::to_string(i);
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(static_cast<uint8_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
    }
    for (const auto &f : functions) {
        out.push_back(f.args);
        out.push_back(f.locals);
        add(mb(static_cast<uint32_t>(f.code.size())));
        add(f.code);
    }
    return out;
}
