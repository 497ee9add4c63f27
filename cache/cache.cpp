// The connection manager's cache-side operations: start-up and shutdown
// of the store, look-ups that never send a request, sessions, clearing,
// limits and the push count.
#include "cache/cache.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "browser/context.h"
#include "cache/cache_store.h"
#include "cache/connection.h"
#include "common/log.h"
#include "common/url.h"

namespace {

// Bounds how many push messages start-up counts; it only needs to know
// whether any are waiting.
constexpr uint32_t kStartupPushListSize = 50;

}  // namespace

void C_init(const struct UserPrefs *prefs)
{
    Log_str("Cache: in init\n");
    connectionInit(prefs);
    loadCacheSettings();
    // Requests cannot outlive the run that sent them.
    freeRequestingEntries();
    // Size as stored may not match the directory (files removed behind our
    // back, or a run that ended without saving); the files are the truth.
    recountCacheSize();
    char list[kStartupPushListSize];
    getPushList(list, sizeof list);
    Log_str(gPushCount ? "Cache: push messages found on startup\n" : "Cache: no push messages found on startup\n");
}

void C_shutdown()
{
    Log_str("Cache: in shutdown\n");
    freeRequestingEntries();
    if (gCacheSettings.size > gCacheSettings.minSize) {
        // One session ahead: pass 0 spares only the last navigation's
        // entries, pass 1 none.
        gCacheSettings.currentSession++;
        freeSpace(gCacheSettings.size - gCacheSettings.minSize, 0);
        gCacheSettings.currentSession--;
    }
    saveCacheSettings();
    connectionShutdown();
}

void C_retrieve(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, CacheResult *result)
{
    Log_printf("Cache: retrieve [%s]\n", url ? url : "");
    if (!result)
        return;
    result->arg = 0;
    if (!content || !length || !contentType) {
        Log_str("Cache: uh-oh, I gut NULL parameters!\n");
        result->code = CRES_WRITE_FAILED;
        return;
    }
    *content = nullptr;
    *length = 0;
    std::string resolved = resolveAgainstCurrent(url ? url : "");
    if (resolved.empty()) {
        Log_printf("Cache: uh-oh.. bad URL: %s\n", url ? url : "");
        result->code = CRES_BAD_URL;
        return;
    }
    std::string key = C_makeCacheKey(resolved.c_str());
    CacheEntry entry{};
    int found = getEntry(key.c_str(), *contentType, &entry, false);
    if (found == GETENTRY_FOUND) {
        Log_str("Cache: hit!\n");
        *contentType = entry.contentType;
        *content = entry.body;
        *length = entry.bodyLength;
        entry.body = nullptr;
        freeEntryBuffers(&entry);
        result->code = CRES_HIT;
        return;
    }
    Log_str(found == GETENTRY_REQUESTED ? "Cache: miss! (but we have already requested for it)\n" : "Cache: miss!\n");
    result->code = CRES_PENDING;
}

void C_newSession()
{
    gCacheSettings.currentSession++;
    Log_str("Cache: new session\n");
}

void C_clearCache()
{
    Log_str("Cache: clear cache\n");
    clearCache();
    gCacheSettings.currentSession = 0;
}

void C_setCacheSize(uint32_t minSize, uint32_t maxSize)
{
    Log_printf("Cache: setting cache size min = %u max = %u\n", minSize, maxSize);
    setCacheSize(minSize, maxSize);
}

void C_getCacheSize(uint32_t *minSize, uint32_t *maxSize) { getCacheSize(minSize, maxSize); }

bool pushWaiting() { return gPushCount > 0; }
