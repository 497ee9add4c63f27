#include "common/directories.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/log.h"

struct DirectorySet {
    std::string config;
    std::string cache;
    std::string state;
};

static DirectorySet gDirs;       // the three directories in use
static bool gDirsKnown = false;  // false until chosen, by Dir_initDirectories or lazily

// An environment value, or empty when unset.
static std::string envText(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// Removes trailing slashes so joined paths carry no "//" (the root stays "/").
static std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// A relative home is anchored to the starting directory: the program may
// change its working directory later, and the paths must keep pointing at
// the same place.
static std::string absolutePath(const std::string &path)
{
    if (path.empty() || path[0] == '/')
        return withoutTrailingSlash(path);
    char *cwd = getcwd(nullptr, 0);
    if (!cwd)
        return withoutTrailingSlash(path);
    std::string joined = std::string(cwd) + "/" + path;
    std::free(cwd);
    return withoutTrailingSlash(joined);
}

static std::string userHome()
{
    std::string home = envText("HOME");
    if (!home.empty())
        return home;
    const passwd *entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/tmp";
}

// One XDG base directory plus "/tovrin". Unset, empty or relative values
// are ignored, as the XDG rules require.
static std::string xdgDir(const char *variable, const char *fallback)
{
    std::string base = envText(variable);
    if (base.empty() || base[0] != '/')
        base = userHome() + "/" + fallback;
    return withoutTrailingSlash(base) + "/tovrin";
}

static DirectorySet chooseDirectories(const char *home)
{
    std::string root = home && *home ? home : envText("TOVRIN_HOME");
    if (!root.empty()) {
        root = absolutePath(root);
        if (root == "/")
            root.clear();  // avoids "//config"
        return {root + "/config", root + "/cache", root + "/state"};
    }
    return {xdgDir("XDG_CONFIG_HOME", ".config"), xdgDir("XDG_CACHE_HOME", ".cache"),
            xdgDir("XDG_STATE_HOME", ".local/state")};
}

// Getters used before Dir_initDirectories see the defaults, never an empty path.
static const DirectorySet &directories()
{
    if (!gDirsKnown) {
        gDirs = chooseDirectories(nullptr);
        gDirsKnown = true;
    }
    return gDirs;
}

// mkdir -p with mode 0700 for what it creates; existing directories keep
// their mode. errno tells why on failure.
static bool makeDirectories(const std::string &path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

bool Dir_initDirectories(const char *home)
{
    gDirs = chooseDirectories(home);
    gDirsKnown = true;
    bool ok = true;
    for (const std::string *dir : {&gDirs.config, &gDirs.cache, &gDirs.state}) {
        if (!makeDirectories(*dir)) {
            Log_printf("Directories: cannot create %s: %s\n", dir->c_str(), std::strerror(errno));
            ok = false;
        }
    }
    return ok;
}

const std::string &configDir() { return directories().config; }
const std::string &Dir_cacheDir() { return directories().cache; }
const std::string &stateDir() { return directories().state; }

std::string Dir_configPath(const char *name) { return configDir() + "/" + name; }
std::string Dir_cachePath(const char *name) { return Dir_cacheDir() + "/" + name; }
std::string Dir_statePath(const char *name) { return stateDir() + "/" + name; }
