#include "tests/support/temp_home.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/directories.h"
#include "common/log.h"
#include "common/registry.h"

std::string readBytes(const std::string &path)
{
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

size_t countOf(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

TempDir::TempDir(const char *tag)
{
    std::string templ = std::string("/tmp/tovrin-") + tag + "-XXXXXX";
    EXPECT_NE(mkdtemp(templ.data()), nullptr) << templ;
    path = templ;
}

TempDir::~TempDir() { std::filesystem::remove_all(path); }

TempHome::TempHome(const char *tag)
    : TempDir(tag)
{
    EXPECT_TRUE(Dir_initDirectories(path.c_str()));
    Reg_setDatabase((path + "/config/registry.sqlite").c_str());
    Log_open();
    Log_setMode(LOG_FILE);
}

TempHome::~TempHome()
{
    Log_setMode(LOG_OFF);
    Reg_close();
}

std::string TempHome::log() const { return readBytes(Dir_statePath("wapout.log")); }
