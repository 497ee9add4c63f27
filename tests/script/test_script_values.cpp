// Values, conversions and the three stores.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/script/engine_test_util.h"

static ScriptValue str(const char *text)
{
    ScriptValue v;
    makeStringZ(&v, text);
    return v;
}

TEST(ScriptValues, ConditionAndLogicalReadingDiffer)
{
    struct Row {
        const char *text;
        bool condition, logical;
    } rows[] = {{"true", true, true}, {"false", false, false}, {"0", true, false},  {"12abc", true, true},
                {"", false, false},   {"  -3", true, true},    {"abc", true, false}};
    for (const Row &row : rows) {
        ScriptValue v = str(row.text);
        EXPECT_EQ(toCondition(&v), row.condition) << row.text;
        EXPECT_EQ(logicalTruth(&v), row.logical) << row.text;
        releaseValue(&v);
    }
    ScriptValue inv;
    makeInvalid(&inv);
    EXPECT_FALSE(toCondition(&inv));
}

TEST(ScriptValues, SerialisedForms)
{
    ScriptValue values[3];
    makeInteger(&values[0], -5);
    makeString(&values[1], nullptr, 0);
    makeInvalid(&values[2]);
    const uint32_t sizes[] = {8, 8, 4};
    for (int i = 0; i < 3; i++) {
        uint8_t *block;
        uint32_t size;
        serializeValue(&values[i], &block, &size);
        EXPECT_EQ(size, sizes[i]);
        ScriptValue back;
        ASSERT_TRUE(deserializeValue(&back, block, size));
        EXPECT_EQ(toEV(back), toEV(values[i]));
        std::free(block);
    }
    // A string block whose length runs past the block is refused.
    const uint8_t bad[] = {3, 0, 0, 0, 9, 0, 0, 0, 'a'};
    ScriptValue untouched;
    makeInteger(&untouched, 7);
    EXPECT_FALSE(deserializeValue(&untouched, bad, sizeof bad));
    EXPECT_EQ(untouched.integer, 7);
}

TEST(ScriptValues, StringsPastTheLimitAreInvalidAndTextIsCounted)
{
    std::string longest(SCRIPT_MAX_STRING, 'a');
    gScriptBytes = 0;
    ScriptValue v;
    makeString(&v, longest.data(), SCRIPT_MAX_STRING);
    EXPECT_EQ(toEV(v), Str(longest));
    uint8_t *block;
    uint32_t size;
    serializeValue(&v, &block, &size);
    std::free(block);
    releaseValue(&v);
    EXPECT_EQ(gScriptBytes, 2u * SCRIPT_MAX_STRING);  // made, then copied into a store
    makeString(&v, (longest + "b").data(), SCRIPT_MAX_STRING + 1);
    EXPECT_EQ(toEV(v), Invalid);
    EXPECT_EQ(gScriptBytes, 2u * SCRIPT_MAX_STRING);
}

TEST(ScriptStores, StackAndVariables)
{
    ScriptFrame frame{};
    ScriptValue out, one;
    makeInteger(&out, 11);
    EXPECT_FALSE(popValue(&out, &frame));  // empty: untouched
    EXPECT_EQ(out.integer, 11);
    EXPECT_FALSE(popOrInvalid(&out, &frame));
    EXPECT_EQ(out.type, SV_INVALID);
    // Numbers stored in any order, one twice: each found, missing ones
    // refused, a truncation takes exactly the numbers from its bound up.
    for (int32_t n : {3, 0, 7, 1, 5, 2, 3}) {
        makeInteger(&one, 100 + n);
        storeVariable(&one, n);
    }
    storeVariable(&one, -1);  // appends at the count, 6
    EXPECT_EQ(variableCount(), 7u);
    for (int32_t n : {0, 1, 2, 3, 5, 6, 7}) {
        ASSERT_TRUE(loadVariable(n, &out)) << n;
        EXPECT_EQ(toEV(out), Int(n == 6 ? 103 : 100 + n)) << n;
    }
    for (int32_t n : {4, 8}) {
        EXPECT_FALSE(loadVariable(n, &out)) << n;
        EXPECT_EQ(out.type, SV_INVALID);
    }
    truncateVariables(3);
    EXPECT_EQ(variableCount(), 3u);
    EXPECT_TRUE(loadVariable(2, &out));
    EXPECT_FALSE(loadVariable(3, &out));
    truncateVariables(0);
    EXPECT_EQ(variableCount(), 0u);
    // The stack gives back the last pushed first at any depth.
    for (int32_t n = 0; n < 3000; n++) {
        makeInteger(&one, n);
        ASSERT_TRUE(pushValue(&one, &frame));
    }
    truncateStack(2000);
    frame.stackDepth = 2000;
    ASSERT_TRUE(popValue(&out, &frame));
    EXPECT_EQ(toEV(out), Int(1999));
    truncateStack(0);
    EXPECT_EQ(stackCount(), 0u);
}
