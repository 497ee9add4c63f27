// The operand widths and names of the instruction set, as data.
#include "script/opcodes.h"

#include <array>

struct OpcodeInfo {
    const char *name;
    uint8_t operands;
};

// One-byte opcodes 0x00 to 0x3F, in order.
// clang-format off
static constexpr OpcodeInfo PLAIN[0x40] = {
    {"?", 0},            {"JUMP_FW", 1},       {"JUMP_FW_W", 2},   {"JUMP_BW", 1},
    {"JUMP_BW_W", 2},    {"TJUMP_FW", 1},      {"TJUMP_FW_W", 2},  {"TJUMP_BW", 1},
    {"TJUMP_BW_W", 2},   {"CALL", 1},          {"CALL_LIB", 2},    {"CALL_LIB_W", 3},
    {"CALL_URL", 3},     {"CALL_URL_W", 5},    {"LOAD_VAR", 1},    {"STORE_VAR", 1},
    {"INCR_VAR", 1},     {"DECR_VAR", 1},      {"LOAD_CONST", 1},  {"LOAD_CONST_W", 2},
    {"CONST_0", 0},      {"CONST_1", 0},       {"CONST_M1", 0},    {"CONST_ES", 0},
    {"CONST_INVALID", 0}, {"CONST_TRUE", 0},   {"CONST_FALSE", 0}, {"INCR", 0},
    {"DECR", 0},         {"ADD_ASG", 1},       {"SUB_ASG", 1},     {"UMINUS", 0},
    {"ADD", 0},          {"SUB", 0},           {"MUL", 0},         {"DIV", 0},
    {"IDIV", 0},         {"REM", 0},           {"B_AND", 0},       {"B_OR", 0},
    {"B_XOR", 0},        {"B_NOT", 0},         {"B_LSHIFT", 0},    {"B_RSSHIFT", 0},
    {"B_RSZSHIFT", 0},   {"EQ", 0},            {"LE", 0},          {"LT", 0},
    {"GE", 0},           {"GT", 0},            {"NE", 0},          {"NOT", 0},
    {"SCAND", 0},        {"SCOR", 0},          {"TOBOOL", 0},      {"POP", 0},
    {"TYPEOF", 0},       {"ISVALID", 0},       {"RETURN", 0},      {"RETURN_ES", 0},
    {"DEBUG", 0},        {"?", 0},             {"?", 0},           {"?", 0},
};
// clang-format on

// Short forms from 0x40: {first opcode, last opcode, name, operands}.
struct ShortForm {
    unsigned first, last;
    OpcodeInfo info;
};
static constexpr ShortForm SHORT_FORMS[] = {
    {0x40, 0x4F, {"STORE_VAR_S", 0}}, {0x50, 0x5F, {"LOAD_CONST_S", 0}}, {0x60, 0x67, {"CALL_S", 0}},
    {0x68, 0x6F, {"CALL_LIB_S", 1}},  {0x70, 0x77, {"INCR_VAR_S", 0}},   {0x78, 0x7F, {"?", 0}},
    {0x80, 0x9F, {"JUMP_FW_S", 0}},   {0xA0, 0xBF, {"JUMP_BW_S", 0}},    {0xC0, 0xDF, {"TJUMP_FW_S", 0}},
    {0xE0, 0xFF, {"LOAD_VAR_S", 0}},
};

static constexpr OpcodeInfo infoOf(unsigned opcode)
{
    if (opcode < 0x40)
        return PLAIN[opcode];
    for (const ShortForm &form : SHORT_FORMS)
        if (opcode >= form.first && opcode <= form.last)
            return form.info;
    return {"?", 0};
}

static constexpr std::array<uint8_t, 256> operandTable()
{
    std::array<uint8_t, 256> table{};
    for (unsigned op = 0; op < 256; op++)
        table[op] = infoOf(op).operands;
    return table;
}

const std::array<uint8_t, 256> OPERAND_BYTES = operandTable();

const char *opcodeName(uint8_t opcode) { return infoOf(opcode).name; }
