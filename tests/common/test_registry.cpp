#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/log.h"
#include "common/registry.h"
#include "tests/support/temp_home.h"

namespace {

const char kOptions[] = "Software\\Corvale\\Tovrin\\Options";
const char kCache[] = "Software\\Corvale\\Tovrin\\CacheSettings";

// Reads a value the way its users do: size first, then the bytes.
std::string get(const RegKey &key, const char *name)
{
    uint32_t size = 0;
    uint32_t type = 99;
    if (Reg_queryValue(&key, name, nullptr, nullptr, &size) != REG_OK)
        return "<missing>";
    std::string bytes(size, '\0');
    EXPECT_EQ(Reg_queryValue(&key, name, &type, bytes.data(), &size), REG_OK);
    EXPECT_EQ(type, REG_TYPE_NONE);
    return bytes.substr(0, size);
}

int set(const RegKey &key, const char *name, const std::string &bytes)
{
    return Reg_setValue(&key, name, REG_TYPE_NONE, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::string le32(uint32_t v)
{
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

// A literal's bytes, embedded zeros included, without the one the compiler adds.
template <size_t N> std::string raw(const char (&text)[N]) { return std::string(text, N - 1); }

int exec(sqlite3 *db, const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

class Registry : public testing::Test {
protected:
    TempDir dir{"reg"};
    std::string db = dir / "registry.sqlite";

    void SetUp() override
    {
        Reg_setDatabase(db.c_str());
        Log_setMode(LOG_CONSOLE);
    }
    void TearDown() override { Reg_close(); }
    RegKey open(const char *path, bool *created = nullptr)
    {
        RegKey key;
        EXPECT_EQ(Reg_openKey(path, &key, created), REG_OK);
        return key;
    }
    // What an operation logs.
    template <typename F> static std::string logOf(F operation)
    {
        testing::internal::CaptureStdout();
        operation();
        return testing::internal::GetCapturedStdout();
    }
};

}  // namespace

TEST_F(Registry, KeysAndEveryKindOfValueSurviveReopening)
{
    bool created = false;
    RegKey key = open(kOptions, &created);
    EXPECT_TRUE(created);
    open(kCache, &created);
    EXPECT_TRUE(created) << "a sibling is a key of its own";
    // clang-format off
    const std::pair<const char *, std::string> values[] = {
        {"PrefFlag", "\x01"}, {"BearerService", "\xff"}, {"ProxyPort", le32(9201)}, {"MORPush", le32(0)},
        {"MaxSize", le32(0xFFFFFFFFu)}, {"HomeURL", raw("http://h\xe9te/\x80\xff\0")},
        {"Bookmarks", raw("Home\0http://a/\0\0")}, {"History", raw("\0")}, {"MyNumber", ""},
    };
    // clang-format on
    for (const auto &[name, bytes] : values)
        ASSERT_EQ(set(key, name, bytes), REG_OK) << name;
    Reg_close();
    key = open(kOptions, &created);
    EXPECT_FALSE(created);
    for (const auto &[name, bytes] : values)
        EXPECT_EQ(get(key, name), bytes) << name;
    EXPECT_EQ(get(open(kCache), "ProxyPort"), "<missing>") << "values belong to their key";
    // Rewritten at another width, a value holds exactly the new bytes.
    ASSERT_EQ(set(key, "ProxyPort", "\x07"), REG_OK);
    EXPECT_EQ(get(key, "ProxyPort"), "\x07");
    ASSERT_EQ(Reg_setValue(&key, "HomeURL", REG_TYPE_NONE, nullptr, 0), REG_OK);
    EXPECT_EQ(get(key, "HomeURL"), "");
    // Names ignore ASCII case, as they always have.
    EXPECT_EQ(get(open("SOFTWARE\\corvale\\TOVRIN\\options", &created), "proxyPORT"), "\x07");
    EXPECT_FALSE(created);
}

TEST_F(Registry, QueriesGiveSizeThenBytesAndRefuseShortBuffers)
{
    RegKey key = open(kCache);
    ASSERT_EQ(set(key, "MinSize", le32(102400)), REG_OK);
    char buffer[8] = "xxxxxxx";
    uint32_t size = 3;
    EXPECT_EQ(Reg_queryValue(&key, "MinSize", nullptr, buffer, &size), REG_ERR_MORE_DATA);
    EXPECT_EQ(size, 4u) << "the needed size comes back";
    EXPECT_EQ(std::string(buffer), "xxxxxxx") << "nothing is copied into a short buffer";
    size = sizeof buffer;
    EXPECT_EQ(Reg_queryValue(&key, "MinSize", nullptr, buffer, &size), REG_OK);
    EXPECT_EQ(std::string(buffer, size), le32(102400));
    EXPECT_EQ(Reg_queryValue(&key, "Size", nullptr, buffer, &size), REG_ERR_NOT_FOUND);
    Reg_closeKey(&key);
    EXPECT_NE(Reg_queryValue(&key, "MinSize", nullptr, nullptr, &size), REG_OK);
    EXPECT_NE(set(key, "MinSize", le32(1)), REG_OK);
}

TEST_F(Registry, ASaveLandsWholeOrNotAtAll)
{
    RegKey key = open(kCache);
    ASSERT_EQ(set(key, "MinSize", le32(1)), REG_OK);
    ASSERT_EQ(Reg_beginSave(&key), REG_OK);
    EXPECT_NE(Reg_beginSave(&key), REG_OK) << "saves do not nest";
    ASSERT_EQ(set(key, "MinSize", le32(10)), REG_OK);
    ASSERT_EQ(set(key, "Size", le32(30)), REG_OK);
    EXPECT_EQ(Reg_endSave(&key, false), REG_OK);
    EXPECT_EQ(get(key, "MinSize"), le32(1));
    EXPECT_EQ(get(key, "Size"), "<missing>");

    ASSERT_EQ(Reg_beginSave(&key), REG_OK);
    ASSERT_EQ(set(key, "Size", le32(30)), REG_OK);
    EXPECT_EQ(Reg_endSave(&key, true), REG_OK);
    EXPECT_NE(Reg_endSave(&key, true), REG_OK) << "no save is open any more";
    ASSERT_EQ(Reg_beginSave(&key), REG_OK);
    ASSERT_EQ(set(key, "MinSize", le32(99)), REG_OK);
    Reg_close();  // discards the open save
    key = open(kCache);
    EXPECT_EQ(get(key, "MinSize"), le32(1));
    EXPECT_EQ(get(key, "Size"), le32(30));

    // A reader's lock keeps the commit from finishing: the save is rolled back.
    sqlite3 *other = nullptr;
    sqlite3_stmt *read = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(exec(other, "BEGIN"), SQLITE_OK);
    ASSERT_EQ(sqlite3_prepare_v2(other, "SELECT count(*) FROM sqlite_master", -1, &read, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(read), SQLITE_ROW);
    ASSERT_EQ(Reg_beginSave(&key), REG_OK);
    ASSERT_EQ(set(key, "MinSize", le32(16)), REG_OK);
    EXPECT_EQ(logOf([&] { EXPECT_EQ(Reg_endSave(&key, true), REG_ERR_BUSY); }),
              "Registry: cannot write to " + db + ": database is locked\n");
    sqlite3_finalize(read);
    sqlite3_close(other);
    EXPECT_EQ(get(key, "MinSize"), le32(1));
    ASSERT_EQ(Reg_beginSave(&key), REG_OK) << "the failed save left no transaction behind";
    EXPECT_EQ(Reg_endSave(&key, true), REG_OK);
}

// A file that is not ours is reported once, fails every operation and is
// never touched; an empty file is a new registry.
TEST_F(Registry, FilesThatAreNotARegistryFailCleanlyAndStayUntouched)
{
    std::string garbage;
    for (int i = 0; i < 4096; i++)
        garbage += static_cast<char>(i * 131 + 7);
    std::ofstream(db, std::ios::binary) << garbage;
    const std::string foreign = dir / "foreign.sqlite", folder = dir / "folder", empty = dir / "empty.sqlite";
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(exec(other, "CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('keep')"), SQLITE_OK);
    sqlite3_close(other);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const struct {
        std::string path;
        int rc;
        const char *why;
    } rows[] = {{db, REG_ERR_BADDB, "file is not a database"},
                {foreign, REG_ERR_BADDB, "not a registry database"},
                {folder, REG_ERR_ACCESS, "unable to open database file (Is a directory)"}};
    RegKey key, forced{kOptions, true};
    for (const auto &row : rows) {
        const std::string before = readBytes(row.path);
        Reg_setDatabase(row.path.c_str());
        uint32_t size = 0;
        EXPECT_EQ(logOf([&] {
                      EXPECT_EQ(Reg_openKey(kOptions, &key, nullptr), row.rc);
                      EXPECT_EQ(Reg_openKey(kOptions, &key, nullptr), row.rc);
                      EXPECT_EQ(Reg_queryValue(&forced, "Proxy", nullptr, nullptr, &size), row.rc);
                      EXPECT_EQ(set(forced, "Proxy", "x"), row.rc);
                      EXPECT_EQ(Reg_beginSave(&forced), row.rc);
                  }),
                  "Registry: cannot use " + row.path + ": " + row.why + "\n");
        EXPECT_FALSE(key.open);
        EXPECT_EQ(readBytes(row.path), before);
        EXPECT_FALSE(std::filesystem::exists(row.path + "-journal"));
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::ofstream{empty};
    Reg_setDatabase(empty.c_str());
    bool created = false;
    key = open(kOptions, &created);
    EXPECT_TRUE(created);
}

TEST_F(Registry, ALockedDatabaseFailsWithOneLineAndWorksOnceReleased)
{
    RegKey key = open(kOptions);
    ASSERT_EQ(set(key, "ProxyPort", le32(9201)), REG_OK);
    Reg_close();
    std::string before = readBytes(db);
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(exec(other, "BEGIN EXCLUSIVE"), SQLITE_OK);
    EXPECT_EQ(logOf([&] {
                  for (int i = 0; i < 2; i++)
                      EXPECT_EQ(Reg_openKey(kOptions, &key, nullptr), REG_ERR_BUSY);
              }),
              "Registry: cannot use " + db + ": database is locked\n");
    EXPECT_EQ(readBytes(db), before);
    ASSERT_EQ(exec(other, "COMMIT"), SQLITE_OK);
    key = open(kOptions);
    EXPECT_EQ(get(key, "ProxyPort"), le32(9201));

    // Locked while open: each kind of operation fails, the log says so once.
    ASSERT_EQ(exec(other, "BEGIN EXCLUSIVE"), SQLITE_OK);
    uint32_t size = 0;
    EXPECT_EQ(logOf([&] {
                  EXPECT_EQ(Reg_queryValue(&key, "ProxyPort", nullptr, nullptr, &size), REG_ERR_BUSY);
                  EXPECT_EQ(set(key, "ProxyPort", le32(9200)), REG_ERR_BUSY);
                  EXPECT_EQ(Reg_beginSave(&key), REG_ERR_BUSY);
              }),
              "Registry: cannot read from " + db + ": database is locked\n");
    sqlite3_close(other);  // ends its transaction
    EXPECT_EQ(set(key, "ProxyPort", le32(9200)), REG_OK);
    EXPECT_EQ(get(key, "ProxyPort"), le32(9200));
}
