// The interpreter through compiled units (every opcode the compiler emits)
// and hand-made bytes (what it never emits), and the run-level contract.
#include <gtest/gtest.h>

#include "script/interpreter.h"
#include "tests/script/engine_test_util.h"
#include "tests/script/script_fakes.h"

class ScriptRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakeCacheClear();
        for (const char *name : {"engine_ops", "engine_calls", "engine_wide", "engine_lib"})
            ASSERT_TRUE(fakeCachePutUnit(std::string("http://h/") + name, name)) << name;
        setScriptBudget({});
    }
    void TearDown() override { stopScript(); }
    static void expectEmpty() { EXPECT_EQ(variableCount() + stackCount() + frameCount(), 0u); }
};

struct Case {
    const char *call;
    int32_t error;
    EV result;
};

static void runTable(const char *unit, const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        EV result;
        std::string call = std::string("http://h/") + unit + "#" + c.call;
        EXPECT_EQ(callForResult(call, &result), c.error) << c.call;
        if (c.error == 0) {
            EXPECT_EQ(result, c.result) << c.call;
        }
    }
}

TEST_F(ScriptRun, ArithmeticAndBitwise)
{
    // clang-format off
    runTable("engine_ops", {
        {"op_add(3,4)", 0, Int(7)}, {"op_add(2147483647,1)", 0, Int(INT32_MIN)},
        {"op_add('a',1)", 0, Str("a1")}, {"op_add(1,'a')", 0, Str("1a")}, {"op_add('','')", 0, Str("")},
        {"op_sub(1,2)", 0, Int(-1)}, {"op_sub('a',1)", SE_OPERAND, Invalid},
        {"op_mul(65536,65536)", 0, Int(0)}, {"op_mul(-3,4)", 0, Int(-12)},
        {"op_div(7,2)", 0, Int(3)}, {"op_div(-7,2)", 0, Int(-3)}, {"op_div(7,0)", 0, Invalid},
        {"op_div(-2147483648,-1)", 0, Int(INT32_MIN)}, {"op_idiv(-7,2)", 0, Int(-3)},
        {"op_idiv(-2147483648,-1)", 0, Int(INT32_MIN)}, {"op_idiv(7,0)", 0, Invalid},
        {"op_rem(-7,2)", 0, Int(-1)}, {"op_rem(7,-2)", 0, Int(1)}, {"op_rem(-2147483648,-1)", 0, Int(0)},
        {"op_rem(1,0)", 0, Invalid}, {"op_rem('7',2)", SE_OPERAND, Invalid},
        {"op_band(12,10)", 0, Int(8)}, {"op_bor(12,10)", 0, Int(14)}, {"op_bxor(12,10)", 0, Int(6)},
        {"op_bnot(0)", 0, Int(-1)}, {"op_bnot('x')", SE_OPERAND, Invalid},
        {"op_shl(1,33)", 0, Int(2)}, {"op_sar(-8,1)", 0, Int(-4)}, {"op_shr(-8,1)", 0, Int(2147483644)},
        {"op_shr(-8,0)", 0, Int(-8)}, {"op_shr(-8,-1)", 0, Int(-8)}, {"op_shr(-1,32)", 0, Int(0)},
        {"op_neg(5)", 0, Int(-5)}, {"op_neg(-2147483648)", 0, Int(INT32_MIN)}, {"op_neg('a')", SE_OPERAND, Invalid},
    });
    // clang-format on
}

TEST_F(ScriptRun, ComparisonsAndLogic)
{
    // clang-format off
    runTable("engine_ops", {
        {"op_eq(1,1)", 0, Int(1)}, {"op_eq('a','a')", 0, Int(1)}, {"op_ne('a','b')", 0, Int(1)},
        {"op_lt(-1,1)", 0, Int(1)}, {"op_lt('a','b')", 0, Int(1)}, {"op_lt('','a')", 0, Int(1)},
        {"op_le(2,2)", 0, Int(1)}, {"op_ge(1,2)", 0, Int(0)}, {"op_gt(2,1)", 0, Int(1)},
        {"op_lt(3,'a')", SE_OPERAND, Invalid}, {"op_eq('1',1)", SE_OPERAND, Invalid},
        {"op_not(0)", 0, Int(1)}, {"op_not('0')", 0, Int(1)}, {"op_not('12abc')", 0, Int(0)},
        {"op_not('false')", 0, Int(1)}, {"op_not('true')", 0, Int(0)},
        {"op_and(1,'x')", 0, Int(0)}, {"op_and(0,5)", 0, Int(0)}, {"op_and(1,5)", 0, Int(1)},
        {"op_and('true','true')", 0, Int(1)}, {"op_and('0',1)", 0, Int(0)},
        {"op_or(0,'true')", 0, Int(1)}, {"op_or(1,0)", 0, Int(1)}, {"op_or(0,0)", 0, Int(0)},
        {"op_or('7',0)", 0, Int(1)},
        {"op_type(5)", 0, Int(0)}, {"op_type(1)", 0, Int(3)}, {"op_type('a')", 0, Int(2)},
        {"op_valid(1)", 0, Int(1)}, {"op_pick(0)", 0, Str("no")}, {"op_pick('false')", 0, Str("no")},
        {"op_pick('0')", 0, Str("yes")}, {"op_falseGuard()", 0, Int(1)}, {"op_typeOfCompare()", 0, Int(3)},
        {"op_divZeroThenReturn()", 0, Int(0)},
    });
    // clang-format on
}

TEST_F(ScriptRun, VariablesConstantsAndInvalid)
{
    // clang-format off
    runTable("engine_ops", {
        {"op_incr(5)", 0, Int(6)}, {"op_incr('true')", 0, Int(2)}, {"op_incr('yes')", 0, Invalid}, {"op_incr('')", 0, Invalid},
        {"op_decr('true')", 0, Int(0)}, {"op_decr(-2147483648)", 0, Int(INT32_MAX)},
        {"op_preIncr(1)", 0, Int(2)},
        {"op_addAsg('a',1)", 0, Str("a1")}, {"op_addAsg(1,2)", 0, Int(3)}, {"op_subAsg(5,2)", 0, Int(3)},
        {"op_subAsg('a',1)", SE_OPERAND, Invalid},
        {"op_lit(0)", 0, Str("true")}, {"op_lit(1)", 0, Str("false")}, {"op_lit(2)", 0, Invalid},
        {"op_lit(3)", 0, Str("")}, {"op_lit(4)", 0, Int(-1)}, {"op_lit(5)", 0, Int(1)}, {"op_lit(6)", 0, Int(0)},
        {"op_lit(7)", 0, Int(100000)}, {"op_lit(8)", 0, Int(300)}, {"op_lit(9)", 0, Int(-100)},
        {"op_lit(10)", 0, Str("")},
        {"op_inv(0)", 0, Invalid}, {"op_inv(1)", SE_OPERAND, Invalid}, {"op_inv(2)", 0, Invalid},
    });
    // clang-format on
    runTable("engine_wide", {
                                {"vars(100)", 0, Int(212)},
                                {"jumps(0)", 0, Int(99)},
                                {"jumps(5)", 0, Int(1005)},
                                {"far(4)", 0, Int(36)},
                                {"longBreak(3)", 0, Int(210)},
                            });
    std::string all;
    for (int i = 0; i < 300; i++)
        all += "k" + std::to_string(i);
    runTable("engine_wide", {{"consts()", 0, Str(all)}});
}

TEST_F(ScriptRun, JoinsPastTheStringLimitAreInvalid)
{
    const std::string almost(SCRIPT_MAX_STRING - 1, 'a');
    for (std::string op : {"op_add('", "op_addAsg('"}) {
        op += almost;
        runTable("engine_ops", {{(op + "','b')").c_str(), 0, Str(almost + "b")},
                                {(op + "','bc')").c_str(), 0, Invalid},
                                {(op + "',10)").c_str(), 0, Invalid}});  // the integer's text too
    }
}

TEST_F(ScriptRun, LocalCallsKeepEachLevelsVariables)
{
    // clang-format off
    runTable("engine_calls", {
        {"outer(2)", 0, Int(324)}, {"sum(10)", 0, Int(45)}, {"fact(5)", 0, Int(120)}, {"fib(15)", 0, Int(610)},
        {"concatLoop(3)", 0, Str("xxx")}, {"emptyReturn()", 0, Str("")}, {"deep(0)", SE_OVERFLOW, Invalid},
        {"whileBreak(5)", 0, Int(3)}, {"whileBreak(2)", 0, Int(2)}, {"forContinue(4)", 0, Str("1234")},
    });
    // clang-format on
    expectEmpty();
}

TEST_F(ScriptRun, RunScriptContractAndLibraryCalls)
{
    runTable("engine_lib", {{"abs(-4)", 0, Int(4)}, {"format(5)", 0, Int(5)}});
    struct Row {
        const char *call;
        bool ok;
        int32_t error;
    } rows[] = {{"http://h/engine_calls#fact(6)", true, 0},
                {"http://h/engine_calls#deep(0)", false, SE_OVERFLOW},
                {"http://h/engine_lib#exitWith(3)", false, 1},
                {"http://h/engine_lib#abortWith('x')", false, 2},
                {"http://h/engine_lib#floor()", true, 0}};
    for (const Row &row : rows) {
        int32_t error = -1;
        EXPECT_EQ(runScript(row.call, 0, &error), row.ok) << row.call;
        EXPECT_EQ(error, row.error) << row.call;
        EXPECT_EQ(stackCount(), row.error == SE_OVERFLOW ? 1u : 0u) << row.call;  // exit's argument is discarded
        if (row.ok) {
            EXPECT_EQ(gScriptUnit.url, nullptr) << row.call;
        }
        stopScript();
        expectEmpty();
    }
    int32_t error = -1;
    EXPECT_FALSE(runScript(nullptr, 1, &error));  // resume with nothing held
    EXPECT_EQ(error, SE_NO_URL);
}

TEST_F(ScriptRun, HandMadeInstructions)
{
    struct Row {
        std::vector<uint8_t> code;
        int32_t error;
        EV result;
        // clang-format off
    } rows[] = {
        {{0x16, 0x1B, 0x1B, 0x1B, 0x3C, 0x3A}, 0, Int(2)}, {{0x15, 0x1C, 0x1C, 0x3A}, 0, Int(-1)},  // INCR, DEBUG, DECR
        {{0x17, 0x1B, 0x3A}, 0, Invalid}, {{0x16, 0x0B, 0x00, 0x00, 0x00, 0x3A}, 0, Int(1)},  // INCR of "", CALL_LIB_W
        {{0x00}, SE_OPCODE, Invalid}, {{0x3D}, SE_OPCODE, Invalid}, {{0x7A}, SE_OPCODE, Invalid},
        // Jumps past the function or before it, wide and conditional ones too.
        {{0x85, 0x3A}, SE_VERIFY, Invalid}, {{0x14, 0xA3}, SE_VERIFY, Invalid}, {{0x04, 0x01, 0x00}, SE_VERIFY, Invalid},
        {{0x14, 0x07, 0x02}, SE_VERIFY, Invalid}, {{0x14, 0x08, 0x00, 0x02}, SE_VERIFY, Invalid},
        {{0x0E}, SE_VERIFY, Invalid},                // operand missing
        {{0x14}, 0, Str("")}, {{0x81, 0x14}, 0, Str("")},  // the end of the code, or a jump to it, returns ""
        {{0x59, 0x3A}, SE_VERIFY, Invalid},          // constant beyond the pool
        {{0x69}, SE_VERIFY, Invalid},                // CALL_LIB_S without its operand
        {{0x63, 0x3A}, SE_VERIFY, Invalid},          // call of a function that isn't there
        {{0x3A}, 0, Invalid}, {{0x37, 0x40, 0xE0, 0x3A}, 0, Invalid},  // return, pop and store on an empty stack
        {{0x17, 0x20, 0x3A}, 0, Invalid}, {{0x20}, SE_OPERAND, Invalid},  // "" + (nothing): invalid, never garbage
        {{0x15, 0x14, 0x23, 0x3D}, SE_OPCODE, Invalid},  // a later error replaces 4200
        {{0x15, 0x14, 0x23, 0x37, 0x3B}, 0, Str("")},    // 4200 is forgotten at the outermost return
    };
    // clang-format on
    for (const Row &row : rows) {
        fakeCachePut("hand", handUnit({{0, 1}}, {{0, 0, row.code}}));
        EV result;
        EXPECT_EQ(callForResult("hand#f0()", &result), row.error) << testing::PrintToString(row.code);
        if (row.error == 0) {
            EXPECT_EQ(result, row.result) << testing::PrintToString(row.code);
        }
        expectEmpty();
    }
}

TEST_F(ScriptRun, ExternalCalls)
{
    ASSERT_TRUE(fakeCachePutUnit("http://h/dir/extern.wmlsc", "engine_extern"));
    ASSERT_TRUE(fakeCachePutUnit("http://h/dir/engine_other.wmlsc", "engine_other"));
    runTable("dir/extern.wmlsc", {{"callOther(1)", 0, Int(6)}, {"callMissing()", SE_NO_FUNCTION, Invalid}});

    // CALL_URL_W, and a URL constant that is not a string (4104, the URL stays).
    fakeCachePut("g", handUnit({}, {{1, 0, {0xE0, 0x15, 0x20, 0x3A}}}));
    fakeCachePut("w", handUnit({{4, 1, 'g'}, {4, 2, 'f', '0'}, {0, 5}}, {{0, 0, {0x52, 0x0D, 0, 0, 0, 1, 1, 0x3A}},
                                                                         {0, 0, {0x0C, 2, 1, 0, 0x3A}},
                                                                         {0, 0, {0x14, 0x0C, 0, 1, 2, 0x3A}}}));
    EV result;
    EXPECT_EQ(callForResult("w#f0()", &result), 0);
    EXPECT_EQ(result, Int(6));
    int32_t error;
    EXPECT_FALSE(runScript("w#f1()", 0, &error));
    EXPECT_EQ(error, SE_NO_UNIT);
    EXPECT_NE(gScriptUnit.url, nullptr);
    stopScript();
    EXPECT_EQ(gScriptUnit.url, nullptr);
    EXPECT_EQ(callForResult("w#f2()", &result), SE_ARGUMENTS);  // g takes one argument, not two
}
