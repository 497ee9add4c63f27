#pragma once
// The WMLScript instruction set: one enum, and the operand bytes of every
// opcode as data (the interpreter checks them against the function's end
// before it decodes an instruction).
#include <array>
#include <cstdint>

enum ScriptOpcode : uint8_t {
    OP_JUMP_FW = 0x01,
    OP_JUMP_FW_W = 0x02,
    OP_JUMP_BW = 0x03,
    OP_JUMP_BW_W = 0x04,
    OP_TJUMP_FW = 0x05,
    OP_TJUMP_FW_W = 0x06,
    OP_TJUMP_BW = 0x07,
    OP_TJUMP_BW_W = 0x08,
    OP_CALL = 0x09,
    OP_CALL_LIB = 0x0A,
    OP_CALL_LIB_W = 0x0B,
    OP_CALL_URL = 0x0C,
    OP_CALL_URL_W = 0x0D,
    OP_LOAD_VAR = 0x0E,
    OP_STORE_VAR = 0x0F,
    OP_INCR_VAR = 0x10,
    OP_DECR_VAR = 0x11,
    OP_LOAD_CONST = 0x12,
    OP_LOAD_CONST_W = 0x13,
    OP_CONST_0 = 0x14,
    OP_CONST_1 = 0x15,
    OP_CONST_M1 = 0x16,
    OP_CONST_ES = 0x17,
    OP_CONST_INVALID = 0x18,
    OP_CONST_TRUE = 0x19,
    OP_CONST_FALSE = 0x1A,
    OP_INCR = 0x1B,
    OP_DECR = 0x1C,
    OP_ADD_ASG = 0x1D,
    OP_SUB_ASG = 0x1E,
    OP_UMINUS = 0x1F,
    OP_ADD = 0x20,
    OP_SUB = 0x21,
    OP_MUL = 0x22,
    OP_DIV = 0x23,
    OP_IDIV = 0x24,
    OP_REM = 0x25,
    OP_B_AND = 0x26,
    OP_B_OR = 0x27,
    OP_B_XOR = 0x28,
    OP_B_NOT = 0x29,
    OP_B_LSHIFT = 0x2A,
    OP_B_RSSHIFT = 0x2B,
    OP_B_RSZSHIFT = 0x2C,
    OP_EQ = 0x2D,
    OP_LE = 0x2E,
    OP_LT = 0x2F,
    OP_GE = 0x30,
    OP_GT = 0x31,
    OP_NE = 0x32,
    OP_NOT = 0x33,
    OP_SCAND = 0x34,
    OP_SCOR = 0x35,
    OP_TOBOOL = 0x36,
    OP_POP = 0x37,
    OP_TYPEOF = 0x38,
    OP_ISVALID = 0x39,
    OP_RETURN = 0x3A,
    OP_RETURN_ES = 0x3B,
    OP_DEBUG = 0x3C,
    // Short forms: the operand sits in the opcode's low bits.
    OP_STORE_VAR_S = 0x40,   // to 0x4F
    OP_LOAD_CONST_S = 0x50,  // to 0x5F
    OP_CALL_S = 0x60,        // to 0x67
    OP_CALL_LIB_S = 0x68,    // to 0x6F, one operand byte
    OP_INCR_VAR_S = 0x70,    // to 0x77
    OP_JUMP_FW_S = 0x80,     // to 0x9F
    OP_JUMP_BW_S = 0xA0,     // to 0xBF
    OP_TJUMP_FW_S = 0xC0,    // to 0xDF
    OP_LOAD_VAR_S = 0xE0,    // to 0xFF
};

// Operand bytes that follow each opcode.
extern const std::array<uint8_t, 256> OPERAND_BYTES;
// The mnemonic of an opcode, "?" when undefined (for traces and tests).
const char *opcodeName(uint8_t opcode);
