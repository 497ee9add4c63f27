#pragma once
// The persistent key-value store that holds preferences, the skin name and
// the cache settings: a SQLite database registry.sqlite in the
// configuration directory, one row per (key path, value name) with the
// value's type code and raw bytes. Key paths and value names are those of
// the system ("Software\Corvale\Tovrin\Options", ...).
//
// A database that cannot be opened, is not a database, is corrupt or
// stays locked makes every operation fail with a code and one log line;
// callers keep their defaults. The file is never replaced or rewritten to
// mend it.
#include <cstdint>
#include <string>

constexpr int REG_OK = 0;
constexpr int REG_ERR_NOT_FOUND = 2;    // no such value (or key)
constexpr int REG_ERR_ACCESS = 5;       // cannot open or write the database
constexpr int REG_ERR_MORE_DATA = 234;  // buffer smaller than the value
constexpr int REG_ERR_BADDB = 1009;     // not a database, or corrupt
constexpr int REG_ERR_BUSY = 170;       // locked by another process

constexpr uint32_t REG_TYPE_NONE = 0;  // untyped raw bytes, as the system writes

struct RegKey {
    std::string path;
    bool open = false;
};

// Uses the database at path from now on (closing any open one); by
// default it is Dir_configPath("registry.sqlite"), opened at first use.
void Reg_setDatabase(const char *path);
void Reg_close();

// Opens key path, creating it when missing; created tells which.
int Reg_openKey(const char *path, RegKey *key, bool *created);
void Reg_closeKey(RegKey *key);

// With data null: stores the value's size in *size. Otherwise copies the
// value into data when *size is large enough (REG_ERR_MORE_DATA and the
// needed size when not). type may be null.
int Reg_queryValue(const RegKey *key, const char *name, uint32_t *type, void *data, uint32_t *size);

// Writes exactly size bytes under name with the given type code.
int Reg_setValue(const RegKey *key, const char *name, uint32_t type, const void *data, uint32_t size);

// A save of several values as one transaction: every Reg_setValue between
// these two lands together or not at all.
int Reg_beginSave(const RegKey *key);
int Reg_endSave(const RegKey *key, bool commit);
