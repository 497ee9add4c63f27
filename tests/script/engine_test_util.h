#pragma once
// Helpers for the engine tests: running a call and reading the value the
// outermost function returned, and building hand-made units for what the
// compiler never emits.
#include <cstdint>
#include <string>
#include <vector>

#include "script/script_value.h"

// A value written compactly in a test table.
struct EV {
    int32_t type;
    int32_t integer;
    std::string text;
    bool operator==(const EV &) const = default;
};
inline EV Int(int32_t n) { return {SV_INTEGER, n, ""}; }
inline EV Str(std::string text) { return {SV_STRING, 0, std::move(text)}; }
inline const EV Invalid{SV_INVALID, 0, ""};
void PrintTo(const EV &value, std::ostream *out);
EV toEV(const ScriptValue &value);

// Loads callText with its arguments and steps it to the end (at most
// budget instructions); *result is what the outermost function left on the
// stack (Invalid when nothing). Returns the run's error code. The stores
// are emptied before and after.
int32_t callForResult(const std::string &callText, EV *result, uint64_t budget = 10000000);

// A unit of constants (each entry's bytes: type byte and payload) and
// functions (argument count, local count, code), every function named
// f0, f1, ... in the name table.
struct HandFunction {
    uint8_t args;
    uint8_t locals;
    std::vector<uint8_t> code;
};
std::vector<uint8_t> handUnit(const std::vector<std::vector<uint8_t>> &constants,
                              const std::vector<HandFunction> &functions, const std::vector<uint8_t> &pragmas = {0});
std::vector<uint8_t> mb(uint32_t value);
