#pragma once
// Scratch folders for tests: removed again when the test ends.
#include <string>

// The whole of a file, or "" when it cannot be read.
std::string readBytes(const std::string &path);
// How often what occurs in text, overlaps included.
size_t countOf(const std::string &text, const std::string &what);

// /tmp/tovrin-TAG-XXXXXX, removed with everything in it on destruction.
struct TempDir {
    std::string path;
    explicit TempDir(const char *tag);
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

// A home as start-up leaves it: the three private directories, the
// settings store in config/, the log going to the state directory.
struct TempHome : TempDir {
    explicit TempHome(const char *tag);
    ~TempHome();
    std::string log() const;  // what was logged since
};
