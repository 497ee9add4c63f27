// The libraries reached from compiled scripts through the interpreter.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "script/interpreter.h"
#include "tests/script/lib_stand_ins.h"

namespace {

const char *UNIT_URL = "http://h/s/lib_calls.wmls";

class LibScripts : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetLibStandIns();
        std::ifstream in(std::string(WMLS_DIR) + "/lib_calls.wmlsc", std::ios::binary);
        ASSERT_TRUE(in) << "compiled unit missing";
        gCacheEntries[{UNIT_URL, 0x15}] = std::string(std::istreambuf_iterator<char>(in), {});
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
    std::map<std::string, std::string> expected = {
        {"len", "4"},      {"sub", "cdef"},   {"elem", "b"},      {"fmt", "   42|"}, {"ins", "a X b"},
        {"sq", "a b"},     {"inv", "invalid"}, {"max", "3"},      {"parse", "-11"},  {"wrap", "1"},
        {"esc", "a%20b%2fc"}, {"port", "81"}, {"card", "main"},
    };
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

TEST_F(LibScripts, ExitAbortAndFloatEndTheRun)
{
    struct {
        int kind;
        int32_t error;
    } cases[] = {{1, 1}, {2, 2}, {0, 0}};
    for (const auto &c : cases) {
        gVars.clear();
        EXPECT_EQ(run("stopping(" + std::to_string(c.kind) + ")"), c.error) << c.kind;
        EXPECT_EQ(gVars["before"], "ran");
        EXPECT_EQ(gVars.count("after"), 0u) << c.kind;
        stopScript();
        EXPECT_EQ(variableCount() + stackCount() + frameCount(), 0u) << c.kind;
    }
}

}  // namespace
