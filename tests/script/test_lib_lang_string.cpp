// Lang and String called through callLibrary with pushed arguments.
#include <gtest/gtest.h>

#include <climits>

#include "script/library.h"
#include "tests/script/lib_stand_ins.h"

namespace {

TEST(LibraryTable, UnknownFunctionsAndMissingArguments)
{
    EXPECT_EQ(findLibraryFunctionByName("String.nothing"), nullptr);
    // An index past a table, a library above 5: the run ends as if
    // finished, and the argument is left for runScript.
    for (auto [library, function] :
         {std::pair{LIB_FLOAT, 8}, std::pair{LIB_LANG, 15}, std::pair{6, 0}, std::pair{-1, 0}}) {
        ScriptFrame frame{};
        ScriptValue one;
        makeInteger(&one, 1);
        pushValue(&one, &frame);
        int32_t error = -1;
        EXPECT_FALSE(callLibrary(library, function, &frame, &error));
        EXPECT_EQ(error, 0);
        EXPECT_EQ(frame.stackDepth, 1);
        truncateStack(0);
    }
    // An empty operand stack gives invalid arguments, never stale values.
    ScriptFrame frame{};
    int32_t error = -1;
    const LibraryEntry *min = findLibraryFunctionByName("Lang.min");
    ASSERT_TRUE(callLibrary(min->library, min->index, &frame, &error));
    ScriptValue result;
    ASSERT_TRUE(popValue(&result, &frame));
    EXPECT_EQ(result.type, SV_INVALID);
}

TEST(Lang, Functions)
{
    // clang-format off
    runCases({
        {"Lang.abs", {I(-5)}, I(5)}, {"Lang.abs", {I(INT_MIN)}, I(INT_MIN)}, {"Lang.abs", {S("-5")}, INV},
        {"Lang.min", {I(-2), I(3)}, I(-2)}, {"Lang.min", {I(3), S("a")}, INV},
        {"Lang.max", {I(INT_MIN), I(INT_MAX)}, I(INT_MAX)}, {"Lang.max", {INV, I(1)}, INV},
        {"Lang.parseInt", {S("  -12xy")}, I(-12)}, {"Lang.parseInt", {S("+7")}, I(7)},
        {"Lang.parseInt", {S("abc")}, I(0)}, {"Lang.parseInt", {S("4294967297")}, I(1)},  // wraps
        {"Lang.parseInt", {S("")}, INV}, {"Lang.parseInt", {I(12)}, INV}, {"Lang.parseFloat", {S("1.5")}, INV},
        {"Lang.isInt", {I(0)}, I(1)}, {"Lang.isInt", {S("1")}, I(0)}, {"Lang.isInt", {INV}, I(0)},
        {"Lang.characterSet", {}, I(3)}, {"Lang.random", {I(0)}, I(0)}, {"Lang.random", {I(-1)}, INV},
        {"Lang.random", {S("5")}, INV}, {"Lang.seed", {I(42)}, S("")}, {"Lang.seed", {S("x")}, INV},
    });
    // clang-format on
    std::vector<int32_t> first, second;
    for (auto *run : {&first, &second}) {
        callByName("Lang.seed", {I(1234)});
        for (int i = 0; i < 50; i++) {
            TV v = callByName("Lang.random", {I(9)});
            ASSERT_TRUE(v.type == SV_INTEGER && v.integer >= 0 && v.integer <= 9) << v.integer;
            run->push_back(v.integer);
        }
    }
    EXPECT_EQ(first, second);
    EXPECT_GE(callByName("Lang.random", {I(INT_MAX)}).integer, 0);
}

TEST(String, LengthSearchAndCharacters)
{
    // clang-format off
    runCases({
        {"String.length", {I(1234)}, I(4)}, {"String.length", {S("")}, I(0)}, {"String.length", {INV}, INV},
        {"String.isEmpty", {S("")}, I(1)}, {"String.isEmpty", {S(" ")}, I(0)}, {"String.isEmpty", {I(0)}, I(0)},
        {"String.isEmpty", {INV}, INV},
        {"String.charAt", {S("abc"), I(1)}, S("b")}, {"String.charAt", {S("abc"), I(3)}, S("")},
        {"String.charAt", {S("abc"), I(-1)}, S("")}, {"String.charAt", {S(""), I(0)}, S("")},
        {"String.charAt", {I(507), I(1)}, S("0")}, {"String.charAt", {S("abc"), S("1")}, INV},
        {"String.charAt", {INV, I(0)}, INV},
        {"String.subString", {S("abcdef"), I(2), I(10)}, S("cdef")}, {"String.subString", {S("abcdef"), I(1), I(2)}, S("bc")},
        {"String.subString", {S("abcdef"), I(6), I(1)}, S("")}, {"String.subString", {S("abcdef"), I(-1), I(2)}, S("")},
        {"String.subString", {S("abcdef"), I(0), I(0)}, S("")}, {"String.subString", {S("abcdef"), I(0), I(-3)}, S("")},
        {"String.subString", {S("abcdef"), I(0), I(INT_MAX)}, S("abcdef")},
        {"String.subString", {INV, I(0), I(1)}, S("")}, {"String.subString", {S("abc"), I(0), S("1")}, INV},
        {"String.subString", {I(12345), I(1), I(3)}, S("234")},
        {"String.find", {S("abcbc"), S("bc")}, I(1)}, {"String.find", {S("abc"), S("d")}, I(-1)},
        {"String.find", {I(5), S("a")}, I(-1)}, {"String.find", {S("abc"), S("")}, I(-1)},
        {"String.find", {S("ab"), S("abc")}, I(-1)}, {"String.find", {S("abc"), INV}, I(-1)},
        {"String.find", {S("aaab"), S("aab")}, I(1)},
        {"String.replace", {S("a-b-c"), S("-"), S("--")}, S("a--b--c")}, {"String.replace", {S("aaa"), S("a"), S("")}, S("")},
        {"String.replace", {S("abab"), S("ab"), S("xaby")}, S("xabyxaby")},
        {"String.replace", {S("abcab"), S("ab"), S("x")}, S("xcx")}, {"String.replace", {S("abc"), S(""), S("x")}, INV},
        {"String.replace", {S("abc"), S("b"), I(1)}, INV}, {"String.replace", {I(121), S("1"), S("x")}, INV},
    });
    // clang-format on
}

TEST(String, ElementFunctions)
{
    // clang-format off
    runCases({
        {"String.elements", {S("a,b,,c"), S(",")}, I(4)}, {"String.elements", {S(""), S(",")}, I(1)},
        {"String.elements", {S("a;b"), S(";,")}, I(2)},  // only the first separator character counts
        {"String.elements", {S("a,b"), S("")}, INV}, {"String.elements", {I(1), S(",")}, INV},
        {"String.elementAt", {S("a,b,c"), I(1), S(",")}, S("b")}, {"String.elementAt", {S("a,b,c"), I(-1), S(",")}, S("a")},
        {"String.elementAt", {S("a,b,c"), I(3), S(",")}, S("")}, {"String.elementAt", {S("a,,c"), I(1), S(",")}, S("")},
        {"String.elementAt", {S(""), I(0), S(",")}, S("")}, {"String.elementAt", {S("a,b"), S("1"), S(",")}, INV},
        {"String.elementAt", {S("a,b"), I(1), INV}, INV},
        {"String.removeAt", {S("a b c"), I(1), S(" ")}, S("a c")}, {"String.removeAt", {S("a b c"), I(0), S(" ")}, S("b c")},
        {"String.removeAt", {S("a b c"), I(2), S(" ")}, S("a b")}, {"String.removeAt", {S("a b c"), I(-4), S(" ")}, S("b c")},
        {"String.removeAt", {S("a b c"), I(99), S(" ")}, S("a b")}, {"String.removeAt", {S("a,,c"), I(1), S(",")}, S("a,c")},
        {"String.removeAt", {S("a"), I(0), S(",")}, S("")}, {"String.removeAt", {S(""), I(0), S(",")}, S("")},
        {"String.removeAt", {I(12), I(0), S(",")}, INV},
        {"String.replaceAt", {S("a b c"), S("X"), I(1), S(" ")}, S("a X c")},
        {"String.replaceAt", {S("a b c"), S("X"), I(-1), S(" ")}, S("X b c")},
        {"String.replaceAt", {S("a b c"), S("X"), I(7), S(" ")}, S("a b X")},
        {"String.replaceAt", {S(""), S("X"), I(0), S(" ")}, S("X")}, {"String.replaceAt", {S("a b"), I(5), I(0), S(" ")}, S("5 b")},
        {"String.replaceAt", {S("a b"), INV, I(0), S(" ")}, INV},
        {"String.insertAt", {S("a b c"), S("X"), I(1), S(" ")}, S("a X b c")},
        {"String.insertAt", {S("a b c"), S("X"), I(-2), S(" ")}, S("X a b c")},
        {"String.insertAt", {S("a b c"), S("X"), I(3), S(" ")}, S("a b c X")},
        {"String.insertAt", {S("a b c"), S("X"), I(INT_MAX), S(" ")}, S("a b c X")},
        {"String.insertAt", {S(""), S("X"), I(0), S(" ")}, S("X")}, {"String.insertAt", {S("a"), S("X"), I(0), S("")}, INV},
    });
    // clang-format on
}

TEST(String, BlanksComparisonConversionAndFormat)
{
    // clang-format off
    runCases({
        {"String.squeeze", {S("  a   b  ")}, S("a b")}, {"String.squeeze", {S("a\t\tb")}, S("a\t\tb")},  // only blanks
        {"String.squeeze", {S("   ")}, S("")}, {"String.squeeze", {I(1)}, INV},
        {"String.trim", {S("  a b  ")}, S("a b")}, {"String.trim", {S("   ")}, S("")}, {"String.trim", {I(5)}, INV},
        {"String.compare", {S("abc"), S("abd")}, I(-1)}, {"String.compare", {S("abc"), S("abc")}, I(0)},
        {"String.compare", {S("b"), S("abc")}, I(1)}, {"String.compare", {S("a"), S("")}, I(1)},
        {"String.compare", {S("\xe9"), S("z")}, I(1)},  // bytes compare unsigned
        {"String.compare", {S("1"), I(1)}, INV},
        {"String.toString", {I(-45)}, S("-45")}, {"String.toString", {INV}, S("invalid")},
        {"String.toString", {S("x")}, S("x")},
        {"String.format", {S("%5d|"), I(42)}, S("   42|")}, {"String.format", {S("%d%%"), I(-7)}, S("-7%")},
        {"String.format", {S("[%s] [%3s]"), S("ab")}, S("[ab] [ ab]")}, {"String.format", {S("%1d"), I(123)}, S("123")},
        {"String.format", {S("%4.2d"), I(5)}, S("   5")}, {"String.format", {S("x%sy"), S("")}, S("xy")},
        {"String.format", {S("no formats"), INV}, S("no formats")}, {"String.format", {S("%f"), I(1)}, INV},
        {"String.format", {S("%d"), S("1")}, INV}, {"String.format", {S("%s"), I(1)}, INV},
        {"String.format", {S("50%"), I(1)}, INV}, {"String.format", {S("%99999999999d"), I(1)}, INV},
        {"String.format", {S(""), I(1)}, INV}, {"String.format", {I(1), I(1)}, INV},
    });
    // clang-format on
    // Results past the text limit are invalid.
    std::string half(SCRIPT_MAX_STRING / 2 + 1, 'a');
    EXPECT_EQ(callByName("String.replace", {S(half), S("a"), S("aa")}), INV);
    EXPECT_EQ(callByName("String.format", {S("%1048577d"), I(1)}), INV);
    EXPECT_EQ(callByName("String.insertAt", {S(half), S(half), I(1), S(",")}), INV);
}

}  // namespace
