#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "common/log.h"
#include "shell/source_view.h"
#include "tests/support/temp_home.h"
#include "tests/wml/fakes.h"

// Stand-ins for the contexts and the status line.
static const char *gUrl = nullptr;
const char *getURL(int index) { return index == 0 ? gUrl : nullptr; }
void showStatus(const char *) { }

namespace {

void writeScript(const std::string &path, const std::string &text)
{
    std::ofstream(path) << "#!/bin/sh\n" << text << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// Waits up to ten seconds for done().
template <typename F> bool eventually(F done)
{
    for (int i = 0; i < 1000 && !done(); i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// The scratch folder is the whole PATH, and there is no editor.
class SourceView : public testing::Test {
protected:
    TempDir dir{"source"};
    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    void SetUp() override
    {
        Log_setMode(LOG_OFF);
        setenv("PATH", dir.path.c_str(), 1);
        unsetenv("VISUAL");
        unsetenv("EDITOR");
    }
    void TearDown() override
    {
        setenv("PATH", savedPath.c_str(), 1);
        gUrl = nullptr;
    }
};

}  // namespace

TEST_F(SourceView, WritesTheCurrentDeckOrSaysWhyNot)
{
    const std::string path = dir / "src.txt";
    int result = 1;
    std::string why;
    EXPECT_FALSE(writeWmlSource(path.c_str(), &result, &why));
    EXPECT_EQ(why, "no current deck");

    gUrl = "http://test/latin1.wml";
    fakeCacheClear();
    ASSERT_TRUE(writeWmlSource(path.c_str(), &result, &why));
    EXPECT_EQ(result, -2);
    EXPECT_EQ(readBytes(path), "");

    // The ISO-8859-1 deck is written as UTF-8.
    fakeCachePut(gUrl, 20, loadDeck("wbxml_charset"));
    ASSERT_TRUE(writeWmlSource(path.c_str(), &result, &why));
    EXPECT_EQ(result, 0);
    EXPECT_NE(readBytes(path).find("    <card id=\"c\" title=\"Caf\xC3\xA9\">\n"), std::string::npos)
        << readBytes(path);

    // Not opened, and opened but full.
    for (const char *bad : {"/nonexistent/dir/src.txt", "/dev/full"}) {
        why.clear();
        EXPECT_FALSE(writeWmlSource(bad, &result, &why)) << bad;
        EXPECT_EQ(why.rfind(std::string("cannot write ") + bad, 0), 0u) << why;
    }
}

// Without xdg-open the editor runs in a terminal, which runs what follows
// -e; the editor command keeps its own arguments and gets the file last.
// xdg-open, once there, is started and not waited for, and collected
// when it ends: a zombie would still answer kill.
TEST_F(SourceView, ViewerRunsOnWithoutBeingWaitedForAndIsCollected)
{
    EXPECT_FALSE(startSourceViewer("/x.txt"));  // nothing to start at all
    writeScript(dir / "x-terminal-emulator", "[ \"$1\" = -e ] && shift\nexec \"$@\"");
    std::filesystem::create_symlink("/bin/sh", dir / "sh");
    writeScript(dir / "myeditor", "echo \"$*\" > '" + dir / "edited" + "'");
    setenv("EDITOR", "myeditor --flag", 1);
    ASSERT_TRUE(startSourceViewer("/tmp/some file.txt"));
    ASSERT_TRUE(eventually([&] { return !readBytes(dir / "edited").empty(); }));
    EXPECT_EQ(readBytes(dir / "edited"), "--flag /tmp/some file.txt\n");
    EXPECT_TRUE(eventually([] { return runningSourceViewers() == 0; }));

    // The viewer gives its pid and arguments, then waits to be released.
    writeScript(dir / "xdg-open", "echo \"$$ $*\" > '" + dir / "opened" +
                                      "'\n"
                                      "while [ ! -e '" +
                                      dir / "release" + "' ]; do /bin/sleep 0.02; done");
    const std::string path = dir / "a b.txt";
    ASSERT_TRUE(startSourceViewer(path.c_str()));
    EXPECT_EQ(runningSourceViewers(), 1);
    ASSERT_TRUE(eventually([&] { return readBytes(dir / "opened").find('\n') != std::string::npos; }));
    std::istringstream opened(readBytes(dir / "opened"));
    pid_t pid = 0;
    std::string arguments;
    opened >> pid;
    std::getline(opened >> std::ws, arguments);
    EXPECT_EQ(arguments, path);
    std::ofstream(dir / "release").close();
    EXPECT_TRUE(eventually([&] { return kill(pid, 0) != 0 && errno == ESRCH; }));
    EXPECT_EQ(runningSourceViewers(), 0);
}
