// The libraries reached from compiled scripts through the interpreter.
#include <gtest/gtest.h>

#include "script/interpreter.h"
#include "tests/script/lib_stand_ins.h"
#include "tests/support/temp_home.h"

namespace {

const char *UNIT_URL = "http://h/s/lib_calls.wmls";

class LibScripts : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetLibStandIns();
        gCacheEntries[{UNIT_URL, 0x15}] = readBytes(std::string(WMLS_DIR) + "/lib_calls.wmlsc");
        ASSERT_FALSE((gCacheEntries[{UNIT_URL, 0x15}].empty())) << "compiled unit missing";
    }

    // Runs UNIT_URL#call and returns the error code.
    static int32_t run(const std::string &call)
    {
        int32_t error = -1;
        bool ok = runScript((std::string(UNIT_URL) + "#" + call).c_str(), 0, &error);
        EXPECT_EQ(ok, error == 0);
        if (!ok) {
            stopScript();
        }
        return error;
    }
};

TEST_F(LibScripts, CompiledCallsReachEveryLibrary)
{
    gVars["__cardName"] = "main";
    ASSERT_EQ(run("strings()"), 0);
    // clang-format off
    std::map<std::string, std::string> expected = {
        {"len", "4"},      {"sub", "cdef"},   {"elem", "b"},      {"fmt", "   42|"}, {"ins", "a X b"},
        {"sq", "a b"},     {"inv", "invalid"}, {"max", "3"},      {"parse", "-11"},  {"wrap", "1"},
        {"esc", "a%20b%2fc"}, {"port", "81"}, {"host", "h"}, {"card", "main"},
        {"trim", "[]"},    {"cmp", "-101"},   {"flt", "invalidinvalid0"},
    };
    // clang-format on
    for (const auto &[name, value] : expected) {
        EXPECT_EQ(gVars[name], value) << name;
    }
}

TEST_F(LibScripts, DialogsAnsweredAndDeclined)
{
    gDialogAnswers = {{1, "Ann"}, {1, nullptr}, {0, nullptr}};
    ASSERT_EQ(run("dialogs('Bob')"), 0);
    ASSERT_EQ(gDialogs.size(), 3u);
    EXPECT_EQ(gDialogs[0].buffer, "Bob");
    EXPECT_EQ(gDialogs[1].prompt, "Go on, Ann?");
    EXPECT_EQ(gDialogs[2].prompt, "Hello Ann");
    EXPECT_EQ(gVars["answer"], "Ann");
    EXPECT_EQ(gBrowserCalls, (std::vector<std::string>{"go next.wml 1", "refresh"}));

    resetLibStandIns();
    SetUp();
    gDialogAnswers = {{0, nullptr}, {0, nullptr}};  // prompt cancelled: the default; then No
    ASSERT_EQ(run("dialogs('Bob')"), 0);
    EXPECT_EQ(gDialogs[1].prompt, "Go on, Bob?");
    EXPECT_EQ(gVars.count("answer"), 0u);
    EXPECT_EQ(gBrowserCalls, (std::vector<std::string>{"prev", "refresh"}));
}

TEST_F(LibScripts, ExitAndAbortEndTheRun)
{
    struct {
        int kind;
        int32_t error;
    } cases[] = {{1, 1}, {2, 2}, {0, 0}};
    for (const auto &c : cases) {
        gVars.clear();
        EXPECT_EQ(run("stopping(" + std::to_string(c.kind) + ")"), c.error) << c.kind;
        EXPECT_EQ(gVars["before"], "ran");
        EXPECT_EQ(gVars.count("after"), c.kind == 0 ? 1u : 0u) << c.kind;
        stopScript();
        EXPECT_EQ(variableCount() + stackCount() + frameCount(), 0u) << c.kind;
    }
}

// Scripts that try to outspend a run end with the runaway code once one
// budget is spent, and the engine then runs the next script as usual (the
// headless script_limits case runs them, and the longest strings, in the
// program).
TEST(LibScriptLimits, EveryBudgetEndsTheRun)
{
    resetLibStandIns();
    for (const char *unit : {"limits", "lib_calls"})
        gCacheEntries[{std::string("http://h/") + unit, 0x15}] =
            readBytes(std::string(WMLS_DIR) + "/" + unit + ".wmlsc");
    constexpr uint64_t NONE = UINT64_MAX, MB = 1 << 20, MS = 1000000;
    enum Spent { INSTRUCTIONS, BYTES, TIME, NOTHING };
    struct {
        const char *call;
        ScriptBudget budget;
        int32_t error;
        Spent spent;
        // clang-format off
    } cases[] = {
        {"grow()", SCRIPT_DEFAULT_BUDGET, SE_OPERAND, NOTHING},  // the doubled string turns invalid, and invalid + invalid ends it
        {"copyLoop()", {NONE, 32 * MB, 5000 * MS}, SE_RUNAWAY, BYTES}, {"oneByOne()", {NONE, 32 * MB, 5000 * MS}, SE_RUNAWAY, BYTES},
        {"recurse()", {NONE, 32 * MB, 5000 * MS}, SE_RUNAWAY, BYTES}, {"search()", {NONE, 32 * MB, 5000 * MS}, SE_RUNAWAY, BYTES},
        {"spin()", {NONE, NONE, 100 * MS}, SE_RUNAWAY, TIME}, {"wide()", {NONE, NONE, 100 * MS}, SE_RUNAWAY, TIME},
        {"spin()", {100000, NONE, NONE}, SE_RUNAWAY, INSTRUCTIONS},
    };
    // clang-format on
    for (const auto &c : cases) {
        setScriptBudget(c.budget);
        int32_t error = -1;
        EXPECT_FALSE(runScript((std::string("http://h/limits#") + c.call).c_str(), 0, &error)) << c.call;
        EXPECT_EQ(error, c.error) << c.call;
        ScriptUsage used = lastScriptUsage();
        EXPECT_EQ(used.instructions >= c.budget.instructions, c.spent == INSTRUCTIONS) << c.call;
        EXPECT_EQ(used.bytes >= c.budget.bytes, c.spent == BYTES) << c.call;
        EXPECT_EQ(used.cpuNanoseconds >= c.budget.cpuNanoseconds, c.spent == TIME) << c.call;
        stopScript();
        EXPECT_EQ(variableCount() + stackCount() + frameCount(), 0u) << c.call;
        setScriptBudget({});
        gVars.clear();
        ASSERT_TRUE(runScript("http://h/lib_calls#strings()", 0, &error)) << "after " << c.call;
        EXPECT_EQ(gVars["sub"], "cdef");
    }
}

}  // namespace
