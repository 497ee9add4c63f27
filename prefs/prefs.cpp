#include "prefs/prefs.h"

#include <array>
#include <vector>

#include "common/byte_reader.h"
#include "common/log.h"
#include "common/registry.h"
#include "version.h"

namespace {

enum FieldKind { FIELD_BYTE, FIELD_WORD, FIELD_TEXT, FIELD_LIST };

// One stored value: its name, how it is stored and where it lives in the
// record. Exactly one of the member pointers is set, the one of its kind.
struct PrefField {
    const char *name;
    FieldKind kind;
    uint8_t UserPrefs::*byteField;
    uint32_t UserPrefs::*wordField;
    std::string UserPrefs::*textField;
};

constexpr PrefField byteField(const char *name, uint8_t UserPrefs::*f)
{
    return {name, FIELD_BYTE, f, nullptr, nullptr};
}
constexpr PrefField wordField(const char *name, uint32_t UserPrefs::*f)
{
    return {name, FIELD_WORD, nullptr, f, nullptr};
}
constexpr PrefField textField(const char *name, std::string UserPrefs::*f)
{
    return {name, FIELD_TEXT, nullptr, nullptr, f};
}
constexpr PrefField listField(const char *name, std::string UserPrefs::*f)
{
    return {name, FIELD_LIST, nullptr, nullptr, f};
}

// In the order they are read.
enum FieldId {
    F_PROXY,
    F_PROXY_PORT,
    F_HOME_URL,
    F_PREF_FLAG,
    F_BEARER,
    F_MY_NUMBER,
    F_HISTORY,
    F_BOOKMARKS,
    F_LAST_VERSION,
    F_SDU_SIZE,
    F_PUSH_ENABLE,
    F_MOR_METHOD,
    F_MOR_PUSH,
    F_COUNT
};

const std::array<PrefField, F_COUNT> kFields = {{
    textField("Proxy", &UserPrefs::proxy),
    wordField("ProxyPort", &UserPrefs::proxyPort),
    textField("HomeURL", &UserPrefs::homeUrl),
    byteField("PrefFlag", &UserPrefs::flags),
    byteField("BearerService", &UserPrefs::bearer),
    textField("MyNumber", &UserPrefs::myNumber),
    listField("History", &UserPrefs::history),
    listField("Bookmarks", &UserPrefs::bookmarks),
    textField("LastVersion", &UserPrefs::lastVersion),
    wordField("SDUSize", &UserPrefs::sduSize),
    byteField("PushEnable", &UserPrefs::pushEnable),
    wordField("MORMethod", &UserPrefs::morMethod),
    wordField("MORPush", &UserPrefs::morPush),
}};

// The order they are written in.
const std::array<FieldId, F_COUNT> kSaveOrder = {
    F_BEARER,       F_HOME_URL, F_PROXY,       F_PROXY_PORT, F_MY_NUMBER, F_HISTORY,   F_BOOKMARKS,
    F_LAST_VERSION, F_SDU_SIZE, F_PUSH_ENABLE, F_MOR_METHOD, F_MOR_PUSH,  F_PREF_FLAG,
};

uint32_t maxStoredSize(FieldKind kind)
{
    switch (kind) {
    case FIELD_BYTE: return 1;
    case FIELD_WORD: return 4;
    case FIELD_TEXT: return PREF_MAX_TEXT;
    case FIELD_LIST: return PREF_MAX_LIST;
    }
    return 0;
}

// The stored bytes of a value, size first and then the bytes into a fresh
// buffer. False when it is missing, larger than its kind allows, or a
// number not of its exact width.
bool readValue(const RegKey &key, const PrefField &field, std::vector<char> *bytes)
{
    uint32_t size = 0;
    if (Reg_queryValue(&key, field.name, nullptr, nullptr, &size) != REG_OK)
        return false;
    bool exactWidth = field.kind == FIELD_BYTE || field.kind == FIELD_WORD;
    if (size > maxStoredSize(field.kind) || (exactWidth && size != maxStoredSize(field.kind))) {
        Log_printf("Display: ignoring stored preference %s (%u bytes)\n", field.name, size);
        return false;
    }
    bytes->assign(size, 0);
    // The value may change between the two reads; the second size is the one.
    if (Reg_queryValue(&key, field.name, nullptr, bytes->data(), &size) != REG_OK)
        return false;
    bytes->resize(size);
    return !exactWidth || size == maxStoredSize(field.kind);
}

void storeInRecord(UserPrefs *prefs, const PrefField &field, const std::vector<char> &bytes)
{
    ByteReader r{reinterpret_cast<const uint8_t *>(bytes.data()), static_cast<uint32_t>(bytes.size()), 0, false};
    switch (field.kind) {
    case FIELD_BYTE: prefs->*field.byteField = static_cast<uint8_t>(BR_le(&r, 1)); break;
    case FIELD_WORD: prefs->*field.wordField = BR_le(&r, 4); break;
    case FIELD_TEXT: prefs->*field.textField = textFromBytes(bytes.data(), bytes.size()); break;
    case FIELD_LIST: prefs->*field.textField = listTextFromBytes(bytes.data(), bytes.size()); break;
    }
}

// The value's stored bytes; false for a text or list that is not set.
bool storedBytes(const UserPrefs &prefs, const PrefField &field, std::string *bytes)
{
    switch (field.kind) {
    case FIELD_BYTE: *bytes = std::string(1, static_cast<char>(prefs.*field.byteField)); return true;
    case FIELD_WORD: {
        uint32_t v = prefs.*field.wordField;
        *bytes = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                  static_cast<char>(v >> 24)};
        return true;
    }
    case FIELD_TEXT:
        // A text is always set; it is written with its terminating zero.
        *bytes = prefs.*field.textField;
        bytes->push_back('\0');
        return true;
    case FIELD_LIST: *bytes = prefs.*field.textField; return !bytes->empty();
    }
    return false;
}

}  // namespace

std::string P_prefsBuildString() { return std::string("Build ") + TOVRIN_SPECIAL_BUILD; }

void setPrefDefaults(UserPrefs *prefs)
{
    *prefs = UserPrefs{};
    prefs->proxy = PREF_DEFAULT_PROXY;
    prefs->proxyPort = PREF_DEFAULT_PORT;
    prefs->homeUrl = PREF_DEFAULT_HOME;
    prefs->flags = PREF_DEFAULT_FLAGS;
    prefs->bearer = PREF_DEFAULT_BEARER;
    prefs->history = P_listTextEmpty();
    prefs->bookmarks = P_listTextEmpty();
    prefs->sduSize = PREF_DEFAULT_SDU_SIZE;
    prefs->pushEnable = PREF_DEFAULT_PUSH;
    prefs->morMethod = PREF_DEFAULT_MOR_METHOD;
    prefs->morPush = PREF_DEFAULT_MOR_PUSH;
}

int loadPrefs(UserPrefs *prefs)
{
    setPrefDefaults(prefs);
    RegKey key;
    bool created = false;
    int code = Reg_openKey(PREF_KEY, &key, &created);
    if (code != REG_OK)
        return code;
    if (created) {
        Reg_closeKey(&key);
        return savePrefs(prefs);
    }
    bool missing = false;
    std::vector<char> bytes;
    for (const PrefField &field : kFields) {
        if (readValue(key, field, &bytes))
            storeInRecord(prefs, field, bytes);
        else
            missing = true;
    }
    Reg_closeKey(&key);
    return missing ? savePrefs(prefs) : REG_OK;
}

int savePrefs(const UserPrefs *prefs)
{
    RegKey key;
    int code = Reg_openKey(PREF_KEY, &key, nullptr);
    if (code != REG_OK)
        return code;
    code = Reg_beginSave(&key);
    if (code != REG_OK) {
        Reg_closeKey(&key);
        return code;
    }
    std::string bytes;
    for (FieldId id : kSaveOrder) {
        const PrefField &field = kFields[id];
        // The record holds the version that was read; the store gets this run's.
        bool present = true;
        if (id == F_LAST_VERSION)
            bytes = P_prefsBuildString() + '\0';
        else
            present = storedBytes(*prefs, field, &bytes);
        if (present)
            Reg_setValue(&key, field.name, REG_TYPE_NONE, bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    // A failed write fails the whole save, so none of it lands.
    code = Reg_endSave(&key, true);
    Reg_closeKey(&key);
    return code;
}

void P_freePrefs(UserPrefs *prefs) { *prefs = UserPrefs{}; }
