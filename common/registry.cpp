#include "common/registry.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include "common/directories.h"
#include "common/log.h"

// Schema: the key paths, so that opening a key can tell "created" from
// "opened", and the values keyed by (key path, value name). Names compare
// without regard to ASCII case, as key and value names always have.
// user_version marks the file as ours; a file holding anything else is
// left alone.
static const char kSchema[] = "BEGIN IMMEDIATE;"
                              "CREATE TABLE IF NOT EXISTS reg_key ("
                              "  path TEXT NOT NULL COLLATE NOCASE PRIMARY KEY);"
                              "CREATE TABLE IF NOT EXISTS reg_value ("
                              "  key TEXT NOT NULL COLLATE NOCASE,"
                              "  name TEXT NOT NULL COLLATE NOCASE,"
                              "  type INTEGER NOT NULL,"
                              "  data BLOB NOT NULL,"
                              "  PRIMARY KEY (key, name));"
                              "PRAGMA user_version = 1;"
                              "COMMIT;";
constexpr int kSchemaVersion = 1;
// Long enough to ride out another process's short write, short enough
// that a database held locked does not stall start-up or shutdown.
constexpr int kBusyTimeoutMs = 250;

enum StatementId { ST_FIND_KEY, ST_ADD_KEY, ST_GET_VALUE, ST_PUT_VALUE, ST_BEGIN, ST_COMMIT, ST_ROLLBACK, ST_COUNT };

static const char *const kStatementText[ST_COUNT] = {
    "SELECT 1 FROM reg_key WHERE path = ?1",
    "INSERT OR IGNORE INTO reg_key (path) VALUES (?1)",
    "SELECT type, data FROM reg_value WHERE key = ?1 AND name = ?2",
    "INSERT OR REPLACE INTO reg_value (key, name, type, data) VALUES (?1, ?2, ?3, ?4)",
    // Immediate: a locked database fails at the start of a save, not halfway.
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
};

static std::string gDbPath;     // empty: Dir_configPath("registry.sqlite")
static sqlite3 *gDb = nullptr;  // open lazily, at first use
static sqlite3_stmt *gStatements[ST_COUNT] = {};
static int gReportedError = REG_OK;  // failure already logged; quiet until a success
static bool gInSave = false;         // between Reg_beginSave and Reg_endSave
static int gSaveError = REG_OK;      // first failure within the save

// Resets a statement when the operation using it ends, so that it holds
// no lock on the file between operations.
struct StatementUse {
    sqlite3_stmt *stmt;
    ~StatementUse()
    {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

static std::string databasePath() { return gDbPath.empty() ? Dir_configPath("registry.sqlite") : gDbPath; }

static int registryError(int sqliteCode)
{
    switch (sqliteCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return REG_ERR_BUSY;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return REG_ERR_BADDB;
    default: return REG_ERR_ACCESS;
    }
}

// The reason for the log: the library's text, plus the system's for
// failures that come from the file system (a directory, no permission).
static std::string failureReason(sqlite3 *db, int sqliteCode)
{
    std::string reason = sqlite3_errstr(sqliteCode);
    int base = sqliteCode & 0xff;
    int systemError = db ? sqlite3_system_errno(db) : 0;
    if (systemError && (base == SQLITE_CANTOPEN || base == SQLITE_IOERR || base == SQLITE_PERM))
        reason += std::string(" (") + std::strerror(systemError) + ")";
    return reason;
}

// Logs a failure once: the same error again stays quiet until an
// operation succeeds, so a broken or locked database gives one line, not
// one per value.
static int report(int code, const char *action, const std::string &reason)
{
    if (code != gReportedError)
        Log_printf("Registry: cannot %s %s: %s\n", action, databasePath().c_str(), reason.c_str());
    gReportedError = code;
    return code;
}

static void succeeded() { gReportedError = REG_OK; }

static void closeConnection(sqlite3 *db, sqlite3_stmt **statements)
{
    for (int i = 0; i < ST_COUNT; i++) {
        sqlite3_finalize(statements[i]);
        statements[i] = nullptr;
    }
    sqlite3_close_v2(db);  // rolls back any transaction still open
}

// Reads how many schema objects the file holds and its user_version.
// This is the first read of the file, so it is where a file that is not a
// database, or is locked, shows itself.
static int inspectFile(sqlite3 *db, int *objects, int *version)
{
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db,
                                "SELECT (SELECT count(*) FROM sqlite_master),"
                                " (SELECT user_version FROM pragma_user_version)",
                                -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            *objects = sqlite3_column_int(stmt, 0);
            *version = sqlite3_column_int(stmt, 1);
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(stmt);
    return rc;
}

// Makes db usable as the registry: creates the schema only in a file that
// holds nothing yet, accepts a file that carries ours, and reports any
// other without writing to it. Returns a registry code; *reason on failure.
static int prepareFile(sqlite3 *db, sqlite3_stmt **statements, std::string *reason)
{
    int objects = 0;
    int version = 0;
    int rc = inspectFile(db, &objects, &version);
    if (rc == SQLITE_OK && objects == 0) {
        rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        version = kSchemaVersion;
    }
    if (rc != SQLITE_OK) {
        *reason = failureReason(db, rc);
        return registryError(rc);
    }
    if (version != kSchemaVersion) {
        *reason = "not a registry database";
        return REG_ERR_BADDB;
    }
    for (int i = 0; i < ST_COUNT; i++) {
        if (sqlite3_prepare_v2(db, kStatementText[i], -1, &statements[i], nullptr) != SQLITE_OK) {
            *reason = std::string("not a registry database (") + sqlite3_errmsg(db) + ")";
            return REG_ERR_BADDB;
        }
    }
    return REG_OK;
}

// Opens the database unless it is open. A failure leaves nothing open, so
// the next operation tries again (a lock may have cleared by then).
static int openDatabase()
{
    if (gDb)
        return REG_OK;
    std::string path = databasePath();
    sqlite3 *db = nullptr;
    sqlite3_stmt *statements[ST_COUNT] = {};
    std::string reason;
    int code = REG_OK;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        reason = failureReason(db, rc);
        code = registryError(rc);
    } else {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        code = prepareFile(db, statements, &reason);
    }
    if (code != REG_OK) {
        closeConnection(db, statements);
        return report(code, "use", reason);
    }
    gDb = db;
    std::memcpy(gStatements, statements, sizeof statements);
    return REG_OK;
}

// A failed statement: logs it and gives the registry code. A file found
// corrupt is closed, so the next use checks it afresh.
static int statementFailed(int rc, const char *action)
{
    int code = report(registryError(rc), action, failureReason(gDb, rc));
    if (code == REG_ERR_BADDB) {
        closeConnection(gDb, gStatements);
        gDb = nullptr;
    }
    return code;
}

static int runStatement(StatementId id, const char *action)
{
    StatementUse use{gStatements[id]};
    int rc = sqlite3_step(use.stmt);
    return rc == SQLITE_DONE ? REG_OK : statementFailed(rc, action);
}

void Reg_setDatabase(const char *path)
{
    Reg_close();
    gDbPath = path ? path : "";
}

void Reg_close()
{
    if (gDb)
        closeConnection(gDb, gStatements);
    gDb = nullptr;
    gInSave = false;
    gSaveError = REG_OK;
    gReportedError = REG_OK;
}

int Reg_openKey(const char *path, RegKey *key, bool *created)
{
    if (created)
        *created = false;
    if (!key)
        return REG_ERR_ACCESS;
    key->open = false;
    key->path = path ? path : "";
    int code = openDatabase();
    if (code != REG_OK)
        return code;
    bool exists = false;
    {
        StatementUse use{gStatements[ST_FIND_KEY]};
        sqlite3_bind_text(use.stmt, 1, key->path.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(use.stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return statementFailed(rc, "read from");
        exists = rc == SQLITE_ROW;
    }
    if (!exists) {
        StatementUse use{gStatements[ST_ADD_KEY]};
        sqlite3_bind_text(use.stmt, 1, key->path.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(use.stmt);
        if (rc != SQLITE_DONE)
            return statementFailed(rc, "write to");
        // Another process may have added it since the look-up.
        if (created)
            *created = sqlite3_changes(gDb) > 0;
    }
    key->open = true;
    succeeded();
    return REG_OK;
}

void Reg_closeKey(RegKey *key)
{
    if (key)
        key->open = false;
}

int Reg_queryValue(const RegKey *key, const char *name, uint32_t *type, void *data, uint32_t *size)
{
    if (!key || !key->open || (data && !size))
        return REG_ERR_ACCESS;
    int code = openDatabase();
    if (code != REG_OK)
        return code;
    StatementUse use{gStatements[ST_GET_VALUE]};
    sqlite3_bind_text(use.stmt, 1, key->path.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(use.stmt, 2, name ? name : "", -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(use.stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return statementFailed(rc, "read from");
    succeeded();
    if (rc == SQLITE_DONE)
        return REG_ERR_NOT_FOUND;
    if (type)
        *type = static_cast<uint32_t>(sqlite3_column_int64(use.stmt, 0));
    const void *bytes = sqlite3_column_blob(use.stmt, 1);
    uint32_t length = static_cast<uint32_t>(sqlite3_column_bytes(use.stmt, 1));
    if (!size)
        return REG_OK;
    if (data && *size < length) {
        *size = length;
        return REG_ERR_MORE_DATA;
    }
    if (data && length)
        std::memcpy(data, bytes, length);
    *size = length;
    return REG_OK;
}

int Reg_setValue(const RegKey *key, const char *name, uint32_t type, const void *data, uint32_t size)
{
    if (!key || !key->open || (size && !data))
        return REG_ERR_ACCESS;
    // A save that has failed lands nothing: later writes in it are moot.
    if (gInSave && (gSaveError != REG_OK || !gDb))
        return gSaveError != REG_OK ? gSaveError : REG_ERR_ACCESS;
    int code = openDatabase();
    if (code != REG_OK)
        return code;
    StatementUse use{gStatements[ST_PUT_VALUE]};
    sqlite3_bind_text(use.stmt, 1, key->path.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(use.stmt, 2, name ? name : "", -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(use.stmt, 3, type);
    // A null pointer would bind SQL NULL; an empty value is a zero-length blob.
    if (size)
        sqlite3_bind_blob(use.stmt, 4, data, static_cast<int>(size), SQLITE_TRANSIENT);
    else
        sqlite3_bind_zeroblob(use.stmt, 4, 0);
    int rc = sqlite3_step(use.stmt);
    if (rc != SQLITE_DONE) {
        code = statementFailed(rc, "write to");
        if (gInSave)
            gSaveError = code;
        return code;
    }
    succeeded();
    return REG_OK;
}

int Reg_beginSave(const RegKey *key)
{
    if (!key || !key->open || gInSave)
        return REG_ERR_ACCESS;
    int code = openDatabase();
    if (code != REG_OK)
        return code;
    code = runStatement(ST_BEGIN, "write to");
    if (code != REG_OK)
        return code;
    gInSave = true;
    gSaveError = REG_OK;
    return REG_OK;
}

// Commits when asked and every write succeeded; otherwise rolls back.
// Returns the failure that kept the save from landing, if any.
int Reg_endSave(const RegKey *key, bool commit)
{
    (void)key;
    if (!gInSave)
        return REG_ERR_ACCESS;
    gInSave = false;
    int code = gSaveError;
    if (commit && code == REG_OK && gDb) {
        code = runStatement(ST_COMMIT, "write to");
        if (code == REG_OK) {
            succeeded();
            return REG_OK;
        }
    }
    // A failed commit leaves the transaction open; a closed connection has
    // already discarded it.
    if (gDb && !sqlite3_get_autocommit(gDb))
        runStatement(ST_ROLLBACK, "write to");
    return commit ? (code != REG_OK ? code : REG_ERR_ACCESS) : REG_OK;
}
