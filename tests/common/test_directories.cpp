#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/directories.h"
#include "common/log.h"
#include "tests/support/temp_home.h"

namespace {

bool isPrivateDirectory(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & 0777) == 0700;
}

// A scratch directory and an environment without the variables that
// choose the directories (restored afterwards).
class Directories : public testing::Test {
protected:
    TempDir scratch{"dirs"};
    std::string tmp = scratch.path;
    std::vector<std::pair<std::string, std::string>> saved;

    static constexpr const char *kNames[] = {"TOVRIN_HOME", "HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                             "XDG_STATE_HOME"};

    void SetUp() override
    {
        for (const char *name : kNames) {
            if (const char *value = std::getenv(name))
                saved.emplace_back(name, value);
            unsetenv(name);
        }
        Log_setMode(LOG_CONSOLE);
    }
    void TearDown() override
    {
        for (const char *name : kNames)
            unsetenv(name);
        for (auto &[name, value] : saved)
            setenv(name.c_str(), value.c_str(), 1);
    }
};

}  // namespace

TEST_F(Directories, AHomeHoldsAllThreePrivateDirectoriesAndWinsOverTheEnvironment)
{
    setenv("TOVRIN_HOME", (tmp + "/env").c_str(), 1);
    std::string home = tmp + "/a/b";
    ASSERT_TRUE(Dir_initDirectories((home + "//").c_str()));
    EXPECT_EQ(Dir_configPath("registry.sqlite"), home + "/config/registry.sqlite");
    EXPECT_EQ(Dir_cachePath("x_20.wbc"), home + "/cache/x_20.wbc");
    EXPECT_EQ(Dir_statePath("wapout.log"), home + "/state/wapout.log");
    for (const std::string &dir : {configDir(), Dir_cacheDir(), stateDir()})
        EXPECT_TRUE(isPrivateDirectory(dir)) << dir;
    EXPECT_FALSE(std::filesystem::exists(tmp + "/env"));
    EXPECT_TRUE(Dir_initDirectories(home.c_str())) << "existing directories are fine";

    ASSERT_TRUE(Dir_initDirectories(""));  // as good as none: TOVRIN_HOME applies
    EXPECT_EQ(stateDir(), tmp + "/env/state");
    // A relative home is anchored where it was given.
    std::filesystem::path start = std::filesystem::current_path();
    std::filesystem::current_path(tmp);
    bool ok = Dir_initDirectories("rel");
    std::filesystem::current_path(start);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(isPrivateDirectory(tmp + "/rel/cache"));
    EXPECT_EQ(Dir_cacheDir(), tmp + "/rel/cache");
}

TEST_F(Directories, WithoutAHomeTheXdgDirectoriesAreUsed)
{
    setenv("HOME", tmp.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (tmp + "/cfg").c_str(), 1);
    setenv("XDG_CACHE_HOME", (tmp + "/cch/").c_str(), 1);
    setenv("XDG_STATE_HOME", (tmp + "/st").c_str(), 1);
    ASSERT_TRUE(Dir_initDirectories(nullptr));
    EXPECT_EQ(configDir() + Dir_cacheDir() + stateDir(),
              tmp + "/cfg/tovrin" + tmp + "/cch/tovrin" + tmp + "/st/tovrin");
    EXPECT_TRUE(isPrivateDirectory(stateDir()));
    // Unset, empty and relative values fall back to the defaults under HOME.
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_CACHE_HOME", "", 1);
    setenv("XDG_STATE_HOME", "relative", 1);
    ASSERT_TRUE(Dir_initDirectories(nullptr));
    EXPECT_EQ(configDir() + Dir_cacheDir() + stateDir(),
              tmp + "/.config/tovrin" + tmp + "/.cache/tovrin" + tmp + "/.local/state/tovrin");
}

TEST_F(Directories, DirectoriesThatCannotBeCreatedFailWithOneLineEach)
{
    std::ofstream(tmp + "/plain") << "a file";
    std::filesystem::create_directory(tmp + "/h");
    std::ofstream(tmp + "/h/cache") << "a file";
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Dir_initDirectories((tmp + "/plain/home").c_str()));
    EXPECT_FALSE(Dir_initDirectories((tmp + "/h").c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Directories: cannot create " + tmp +
                                                          "/plain/home/config: Not a directory\n"
                                                          "Directories: cannot create " +
                                                          tmp +
                                                          "/plain/home/cache: Not a directory\n"
                                                          "Directories: cannot create " +
                                                          tmp +
                                                          "/plain/home/state: Not a directory\n"
                                                          "Directories: cannot create " +
                                                          tmp + "/h/cache: Not a directory\n");
    EXPECT_TRUE(isPrivateDirectory(tmp + "/h/state")) << "the others are still made";
    EXPECT_EQ(Dir_cacheDir(), tmp + "/h/cache") << "the paths still say where files belong";
}
