// The cache settings and their mirror in the settings store: four 4-byte
// little-endian values of the untyped kind.
#include <cstdint>
#include <iterator>

#include "cache/cache_store.h"
#include "common/byte_reader.h"
#include "common/log.h"
#include "common/registry.h"

CacheSettings gCacheSettings = {0, CACHE_DEFAULT_MIN_SIZE, CACHE_DEFAULT_MAX_SIZE, 0};  // in force now

namespace {

struct SettingField {
    const char *name;
    uint32_t CacheSettings::*field;
};

// In the order they are read.
constexpr SettingField kFields[] = {
    {"CurrentSession", &CacheSettings::currentSession},
    {"MaxSize", &CacheSettings::maxSize},
    {"MinSize", &CacheSettings::minSize},
    {"Size", &CacheSettings::size},
};

constexpr CacheSettings kDefaults = {0, CACHE_DEFAULT_MIN_SIZE, CACHE_DEFAULT_MAX_SIZE, 0};

bool readField(const RegKey *key, const SettingField &f)
{
    uint8_t bytes[4];
    uint32_t size = sizeof bytes;
    if (Reg_queryValue(key, f.name, nullptr, bytes, &size) != REG_OK || size != sizeof bytes)
        return false;
    ByteReader r{bytes, size, 0, false};
    gCacheSettings.*f.field = BR_le(&r, 4);
    return true;
}

bool writeField(const RegKey *key, const SettingField &f)
{
    uint32_t value = gCacheSettings.*f.field;
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return Reg_setValue(key, f.name, REG_TYPE_NONE, bytes, sizeof bytes) == REG_OK;
}

}  // namespace

bool loadCacheSettings()
{
    gCacheSettings = kDefaults;
    RegKey key;
    bool created = false;
    if (Reg_openKey(CACHE_SETTINGS_KEY, &key, &created) != REG_OK)
        return false;
    if (created) {
        Reg_closeKey(&key);
        saveCacheSettings();
        return true;
    }
    bool ok = true;
    for (const SettingField &f : kFields)
        ok = readField(&key, f) && ok;
    Reg_closeKey(&key);
    Log_printf("Cache: Current cache size = %d\n", static_cast<int>(gCacheSettings.size));
    return ok;
}

bool saveCacheSettings()
{
    RegKey key;
    if (Reg_openKey(CACHE_SETTINGS_KEY, &key, nullptr) != REG_OK)
        return false;
    bool ok = Reg_beginSave(&key) == REG_OK;
    for (const SettingField &f : kFields)
        ok = ok && writeField(&key, f);
    // All four land together or not at all.
    ok = Reg_endSave(&key, ok) == REG_OK && ok;
    Reg_closeKey(&key);
    return ok;
}

void setCacheSize(uint32_t minSize, uint32_t maxSize)
{
    gCacheSettings.minSize = minSize;
    gCacheSettings.maxSize = maxSize;
}

void getCacheSize(uint32_t *minSize, uint32_t *maxSize)
{
    if (minSize)
        *minSize = gCacheSettings.minSize;
    if (maxSize)
        *maxSize = gCacheSettings.maxSize;
}
