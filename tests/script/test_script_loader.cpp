// The unit loader: call texts, argument lists, pools and malformed units.
#include <gtest/gtest.h>

#include "script/interpreter.h"
#include "tests/script/engine_test_util.h"
#include "tests/script/script_fakes.h"

class ScriptLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakeCacheClear();
        ASSERT_TRUE(fakeCachePutUnit("http://h/ops.wmlsc", "engine_ops"));
        ASSERT_TRUE(fakeCachePutUnit("http://h/calls.wmlsc", "engine_calls"));
    }
    void TearDown() override { stopScript(); }
};

TEST_F(ScriptLoader, CallTextsAndArgumentLists)
{
    struct Row {
        const char *call;  // after http://h/
        int32_t error;
        EV result;
        // clang-format off
    } rows[] = {
        {"ops.wmlsc#op_sub(1,2)", 0, Int(-1)},  // selected by its name entry's index
        {"calls.wmlsc#twoArgs( 5 , 'abc' )", 0, Str("5|abc")}, {"calls.wmlsc#twoArgs(1,2,3)", 0, Str("1|2")},
        {"calls.wmlsc#twoArgs('','x')", 0, Str("|x")}, {"calls.wmlsc#twoArgs(-7 ,\t'a b')", 0, Str("-7|a b")},
        {"calls.wmlsc#twoArgs(1,%20'a%20b')", 0, Str("1|a b")},  // escaped as the Browser hands it
        {"calls.wmlsc#twoArgs(x1, 'q)", 0, Str("0|0")},  // an unclosed quote reads as a number
        {"calls.wmlsc#noArgs", 0, Int(42)}, {"calls.wmlsc# noArgs()", 0, Int(42)},
        {"calls.wmlsc#twoArgs(1)", SE_ARGUMENTS, Invalid}, {"calls.wmlsc#twoArgs()", SE_ARGUMENTS, Invalid},
        {"calls.wmlsc#twoArgs(1,,2)", 0, Str("1|2")}, {"calls.wmlsc#fact", SE_ARGUMENTS, Invalid},
        {"calls.wmlsc#nothere()", SE_NO_FUNCTION, Invalid},
        {"calls.wmlsc#inner(1)", SE_NO_FUNCTION, Invalid},  // not extern: not in the name table
        {"calls.wmlsc", SE_NO_FUNCTION, Invalid}, {"missing.wmlsc#f()", SE_NO_FUNCTION, Invalid},
    };
    // clang-format on
    for (const Row &row : rows) {
        EV result;
        EXPECT_EQ(callForResult(std::string("http://h/") + row.call, &result), row.error) << row.call;
        EXPECT_EQ(result, row.result) << row.call;
        EXPECT_EQ(variableCount() + stackCount() + frameCount(), 0u);
    }
}

TEST_F(ScriptLoader, MissingFunctionNeverRunsThePreviousOne)
{
    EV result;
    ASSERT_EQ(callForResult("http://h/calls.wmlsc#noArgs()", &result), 0);
    int32_t error;
    EXPECT_FALSE(runScript("http://h/calls.wmlsc#noargs()", 0, &error));
    EXPECT_EQ(error, SE_NO_FUNCTION);
    // Pragmas are skipped; a float reads as invalid and what follows it still loads.
    ASSERT_TRUE(fakeCachePutUnit("p.wmlsc", "engine_pragma"));
    ASSERT_TRUE(fakeCachePutUnit("f.wmlsc", "engine_float"));
    EXPECT_EQ(callForResult("p.wmlsc#f(1)", &result), 0);
    EXPECT_EQ(result, Int(2));
    EXPECT_EQ(callForResult("f.wmlsc#f()", &result), 0);
    EXPECT_EQ(result, Str("4after"));
}

TEST_F(ScriptLoader, ConstantKinds)
{
    std::vector<std::vector<uint8_t>> pool = {
        {4, 0}, {6, 0}, {5}, {0, 0xFE}, {1, 0x80, 0x00}, {2, 0xFF, 0xFF, 0xFF, 0xFF}, {6, 0x81, 0x00}};
    int32_t error;
    // The last constant is a string of 128 bytes that the unit doesn't hold.
    fakeCachePut("c", handUnit(pool, {{0, 0, {0x3B}}}));
    EXPECT_FALSE(loadUnit("c#f0()", &gScriptUnit, &error, true));
    EXPECT_EQ(error, SE_VERIFY);
    pool.back() = {3, 0x3F, 0xC0, 0x00, 0x00};
    pool.push_back({6, 0x81, 0x00});
    pool.back().resize(3 + 128, 'z');
    fakeCachePut("c", handUnit(pool, {{0, 0, {0x3B}}}));
    ASSERT_TRUE(loadUnit("c#f0()", &gScriptUnit, &error, true));
    const EV expected[] = {Str(""),     Str(""), Str(""), Int(-2),
                           Int(-32768), Int(-1), Invalid, Str(std::string(128, 'z'))};
    for (int i = 0; i < 8; i++) {
        ScriptValue v;
        ASSERT_TRUE(loadConstant(&gScriptUnit, i, &v));
        EXPECT_EQ(toEV(v), expected[i]) << i;
        releaseValue(&v);
    }
    ScriptValue untouched;
    makeInteger(&untouched, 5);
    EXPECT_FALSE(loadConstant(&gScriptUnit, 8, &untouched));
    EXPECT_EQ(untouched.integer, 5);
    stopScript();
}

TEST_F(ScriptLoader, MalformedUnitsAreRejected)
{
    struct Row {
        std::vector<uint8_t> unit;
        int32_t error;
        // clang-format off
    } rows[] = {
        {handUnit({{7}}, {{0, 0, {0x3B}}}), SE_VERIFY},            // unknown constant type
        {handUnit({{0x83, 1}}, {{0, 0, {0x3B}}}), SE_VERIFY},      // type byte of 128 or more
        {handUnit({{4, 0}}, {{0, 0, {0x3B}}}, {1, 0, 5}), SE_VERIFY},  // pragma names no constant
        {handUnit({{4, 0}}, {{0, 0, {0x3B}}}, {1, 9, 0}), SE_VERIFY},  // unknown pragma
        {{1, 0, 0x8F, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, SE_VERIFY},   // mb beyond 32 bits
        {{}, SE_VERIFY},                                           // empty content
    };
    // clang-format on
    for (const Row &row : rows) {
        if (row.unit.empty())
            fakeCachePut("m", {}, 0x15);
        else
            fakeCachePut("m", row.unit);
        EV result;
        EXPECT_EQ(callForResult("m#f0()", &result), row.error);
    }
}

TEST_F(ScriptLoader, EveryTruncationOfACompiledUnitIsSafe)
{
    std::vector<uint8_t> whole = readCompiledUnit("engine_calls");
    ASSERT_FALSE(whole.empty());
    int failures = 0;
    for (size_t n = 0; n <= whole.size(); n++) {
        fakeCachePut("t", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(n)));
        EV result;
        int32_t error = callForResult("t#fact(5)", &result);
        // Only the functions after fact may be cut off; the whole unit runs.
        if (error == 0 || n == whole.size()) {
            EXPECT_EQ(result, Int(120)) << n;
        }
        failures += error != 0;
    }
    EXPECT_GT(failures, 100);
}
