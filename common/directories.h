#pragma once
// Where Tovrin keeps its files. By default the XDG directories, each with a
// "tovrin" folder: configuration (registry.sqlite), cache (the .wbc entry
// files) and state (wapout.log, wmlsource.txt). A home directory given
// with --home or TOVRIN_HOME puts all three under it, as config/, cache/
// and state/.
#include <string>

// home: the --home value or null. Creates the three directories; false
// (with the reason in the log) when one cannot be created.
bool Dir_initDirectories(const char *home);

const std::string &configDir();
const std::string &Dir_cacheDir();
const std::string &stateDir();

// A file name joined to one of the directories.
std::string Dir_configPath(const char *name);
std::string Dir_cachePath(const char *name);
std::string Dir_statePath(const char *name);
