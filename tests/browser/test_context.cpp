#include <gtest/gtest.h>

#include <string>

#include "browser/context.h"
#include "browser/history.h"
#include "common/log.h"
#include "prefs/prefs.h"

namespace {

class Contexts : public testing::Test {
protected:
    UserPrefs prefs;
    void SetUp() override
    {
        Log_setMode(LOG_CONSOLE);
        clearContext(CLEAR_ALL);
        setPrefDefaults(&prefs);
        B_setContextPrefs(&prefs);
    }
    void TearDown() override
    {
        clearContext(CLEAR_ALL);
        B_setContextPrefs(nullptr);
    }
};

TEST_F(Contexts, NewContextHidesVariablesACopyKeepsThem)
{
    // No context: reads are empty, writes refused, a pop harmless.
    EXPECT_STREQ(getContextVal("x"), "");
    EXPECT_EQ(setContextVal("x", "1"), 0);
    EXPECT_EQ(getURL(0), nullptr);
    popContext();

    pushContext("http://h/a.wml", CONTEXT_NEW);
    ASSERT_EQ(setContextVal("x", "old"), 1);
    setContextVal("x", getContextVal("x"));  // self-assignment is safe
    setContextVal("y", "");
    setCardInfo("first", "T");
    pushContext("http://h/b.wml#c", CONTEXT_NEW);
    EXPECT_EQ(hasContextVal("x"), 0);
    EXPECT_STREQ(getURL(1), "http://h/a.wml");
    EXPECT_EQ(getURL(2), nullptr);
    EXPECT_EQ(getURL(-1), nullptr);
    popContext();
    // The current URL passed back in: the new context must copy it first.
    pushContext(getURL(0), CONTEXT_COPY);
    EXPECT_STREQ(getURL(0), "http://h/a.wml");
    EXPECT_STREQ(getContextVal("x"), "old");
    EXPECT_EQ(hasContextVal("y"), 1);
    EXPECT_STREQ(getCardName(), "");  // card variables start empty at every push
    setContextVal("x", "2");
    popContext();
    EXPECT_STREQ(getContextVal("x"), "old");
    EXPECT_STREQ(getCardName(), "first");
    EXPECT_EQ(B_contextDepth(), 1u);
}

// Every way of dropping variables keeps the reserved ones, in each context
// that is left.
TEST_F(Contexts, ClearingKeepsReservedVariables)
{
    struct Row {
        void (*clear)(UserPrefs *);
        size_t depth;
    };
    // clang-format off
    const Row rows[] = {
        {[](UserPrefs *) { clearContext(CLEAR_USER_VARS); }, 3},
        {[](UserPrefs *) { clearContext(CLEAR_KEEP_CURRENT); }, 1},
        {[](UserPrefs *p) { p->flags = 0; newContext(); }, 3},
        {[](UserPrefs *p) { p->flags = PREF_NEWCONTEXT_HISTORY; newContext(); }, 1},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(&row - rows);
        clearContext(CLEAR_ALL);
        // Each holding the four reserved variables and two user ones.
        for (const char *url : {"one", "two", "three"}) {
            pushContext(url, CONTEXT_NEW);
            setContextVal("__postData", "a=1");
            setContextVal("__retievalMethod", "\x01");
            setCardInfo("card", "Title");
            setContextVal("x", url);
            setContextVal("_single", "u");
        }
        row.clear(&prefs);
        ASSERT_EQ(B_contextDepth(), row.depth);
        EXPECT_STREQ(getURL(0), "three");
        for (size_t i = 0; i < row.depth; i++) {
            EXPECT_STREQ(getContextVal("__postData"), "a=1");
            EXPECT_STREQ(getContextVal("__retievalMethod"), "\x01");
            EXPECT_STREQ(getCardName(), "card");
            EXPECT_STREQ(getCardTitle(), "Title");
            EXPECT_EQ(hasContextVal("x"), 0);
            EXPECT_EQ(hasContextVal("_single"), 0);  // one underscore is the user's
            popContext();
        }
    }
    clearContext(CLEAR_ALL);
    EXPECT_EQ(getURL(0), nullptr);
}

// The menus' headless case shows the list in first-visit order without
// duplicates, going to an entry and clearing; these are the edges.
TEST_F(Contexts, HistoryRefusesWhatIsNotThereAndKeepsNothingWithoutPreferences)
{
    B_setHistoryHooks([](const char *, const char *, int) { ADD_FAILURE(); }, [] {});
    EXPECT_EQ(pushContext("http://a/", CONTEXT_NEW), 1);
    EXPECT_EQ(addHistory(""), 0);
    EXPECT_EQ(addHistory(nullptr), 0);
    EXPECT_EQ(historyGo(-1), 0);
    EXPECT_EQ(historyGo(1), 0);
    clearHistory();
    EXPECT_EQ(prefs.history, std::string(1, '\0'));
    EXPECT_EQ(historyGo(0), 0);

    B_setContextPrefs(nullptr);
    EXPECT_EQ(pushContext("http://a/", CONTEXT_NEW), 0);
    EXPECT_EQ(B_contextDepth(), 2u);  // the context itself is still pushed
    EXPECT_EQ(historyGo(0), 0);
    B_setHistoryHooks(nullptr, nullptr);
}

}  // namespace
