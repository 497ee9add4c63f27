#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
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
#include "tests/wml/fakes.h"

namespace fs = std::filesystem;

// Stand-ins for the contexts and the status line.
static const char *gUrl = nullptr;
const char *getURL(int index) { return index == 0 ? gUrl : nullptr; }
void showStatus(const char *) {}

namespace {

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeScript(const fs::path &path, const std::string &text)
{
    std::ofstream(path) << "#!/bin/sh\n" << text << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

// Waits up to ten seconds for done().
template <typename F>
bool eventually(F done)
{
    for (int i = 0; i < 1000; i++) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Each test gets a scratch folder that is the whole PATH, and no editor.
class SourceView : public testing::Test {
protected:
    fs::path dir;
    std::string savedPath;

    void SetUp() override
    {
        Log_setMode(LOG_OFF);
        char pattern[] = "/tmp/tovrin-source-XXXXXX";
        dir = mkdtemp(pattern);
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", dir.c_str(), 1);
        unsetenv("VISUAL");
        unsetenv("EDITOR");
    }
    void TearDown() override
    {
        setenv("PATH", savedPath.c_str(), 1);
        gUrl = nullptr;
        fs::remove_all(dir);
    }
};

}  // namespace

TEST_F(SourceView, WritesTheCurrentDeckOrSaysWhyNot)
{
    const std::string path = (dir / "src.txt").string();
    int result = 1;
    std::string why;
    EXPECT_FALSE(writeWmlSource(path.c_str(), &result, &why));
    EXPECT_EQ(why, "no current deck");

    gUrl = "http://test/latin1.wml";
    fakeCacheClear();
    ASSERT_TRUE(writeWmlSource(path.c_str(), &result, &why));
    EXPECT_EQ(result, -2);
    EXPECT_EQ(readFile(path), "");

    // The ISO-8859-1 deck is written as UTF-8.
    fakeCachePut(gUrl, 20, loadDeck("wbxml_charset"));
    ASSERT_TRUE(writeWmlSource(path.c_str(), &result, &why));
    EXPECT_EQ(result, 0);
    EXPECT_NE(readFile(path).find("    <card id=\"c\" title=\"Caf\xC3\xA9\">\n"), std::string::npos) << readFile(path);

    // Not opened, and opened but full.
    for (const char *bad : {"/nonexistent/dir/src.txt", "/dev/full"}) {
        why.clear();
        EXPECT_FALSE(writeWmlSource(bad, &result, &why)) << bad;
        EXPECT_EQ(why.rfind(std::string("cannot write ") + bad, 0), 0u) << why;
    }
}

TEST_F(SourceView, ViewerRunsOnWithoutBeingWaitedForAndIsCollected)
{
    // The viewer gives its pid and arguments, then waits to be released.
    writeScript(dir / "xdg-open", "echo \"$$ $*\" > '" + (dir / "opened").string() + "'\n"
                                  "while [ ! -e '" + (dir / "release").string() + "' ]; do /bin/sleep 0.02; done");
    const std::string path = (dir / "a b.txt").string();
    ASSERT_TRUE(startSourceViewer(path.c_str()));
    EXPECT_EQ(runningSourceViewers(), 1);
    ASSERT_TRUE(eventually([&] { return readFile(dir / "opened").find('\n') != std::string::npos; }));
    std::istringstream opened(readFile(dir / "opened"));
    pid_t pid = 0;
    std::string arguments;
    opened >> pid;
    std::getline(opened >> std::ws, arguments);
    EXPECT_EQ(arguments, path);

    // Once it ends it is collected by the handler: a zombie would still
    // answer kill.
    std::ofstream(dir / "release").close();
    EXPECT_TRUE(eventually([&] { return kill(pid, 0) != 0 && errno == ESRCH; }));
    EXPECT_EQ(runningSourceViewers(), 0);
}

TEST_F(SourceView, EditorInATerminalWithoutXdgOpen)
{
    EXPECT_FALSE(startSourceViewer("/x.txt"));  // nothing to start at all

    // The terminal runs what follows -e; the editor command keeps its own
    // arguments and gets the file last.
    writeScript(dir / "x-terminal-emulator", "[ \"$1\" = -e ] && shift\nexec \"$@\"");
    fs::create_symlink("/bin/sh", dir / "sh");
    writeScript(dir / "myeditor", "echo \"$*\" > '" + (dir / "opened").string() + "'");
    setenv("EDITOR", "myeditor --flag", 1);
    ASSERT_TRUE(startSourceViewer("/tmp/some file.txt"));
    ASSERT_TRUE(eventually([&] { return !readFile(dir / "opened").empty(); }));
    EXPECT_EQ(readFile(dir / "opened"), "--flag /tmp/some file.txt\n");
    EXPECT_TRUE(eventually([] { return runningSourceViewers() == 0; }));
}
