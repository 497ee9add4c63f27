// Writes the input as entry files in a temporary cache directory and runs
// every reader of the store over them: look-ups by key and by transaction,
// the push list, eviction, the size recount and clearing. Found entries
// must agree with the bytes they came from; broken invariants abort.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "cache/cache_store.h"
#include "tests/fuzz/fuzz_support.h"

// The display lights the push indicator in the program.
void refreshPushIndicator() { }

namespace {

void writeEntry(const char *name, const uint8_t *data, size_t size)
{
    std::ofstream out(Dir_cachePath(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
}

// The input under a deck's name and a push message's name.
void writeBoth(const uint8_t *data, size_t size)
{
    writeEntry("http___h_a.wml_20.wbc", data, size);
    writeEntry("push___1_20_20.wbc", data, size);
}

void checkFound(const CacheEntry &e, size_t size, bool headerOnly)
{
    check(e.entrySize == size);
    check(e.url && std::strlen(e.url) + 1 == e.urlLength);
    check(headerOnly ? (!e.headers && !e.body) : (e.headers && e.body));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    makeFuzzHome("cache");
    std::filesystem::remove_all(Dir_cacheDir());
    std::filesystem::create_directories(Dir_cacheDir());
    gCacheSettings = {1, 100, 1000, static_cast<uint32_t>(size)};

    for (uint32_t type : {20u, 0u}) {
        for (bool headerOnly : {false, true}) {
            writeBoth(data, size);
            CacheEntry e{};
            int found = getEntry("http://h/a.wml", type, &e, headerOnly);
            if (found == 1)
                checkFound(e, size, headerOnly);
            else
                check(!e.url && !e.headers && !e.body);
            freeEntryBuffers(&e);
        }
    }

    writeBoth(data, size);
    uint32_t tid = 0;
    if (size >= 32)
        std::memcpy(&tid, data + 28, 4);
    CacheEntry e{};
    if (getEntryByTid(&e, tid) == 1) {
        checkFound(e, size, false);
        check(e.headers[e.headersLength] == 0 && e.body[e.bodyLength] == 0);
    }
    freeEntryBuffers(&e);

    for (uint32_t listSize : {1u, 20u, 256u}) {
        writeBoth(data, size);
        char *list = static_cast<char *>(std::malloc(listSize));
        int count = getPushList(list, listSize);
        check(count >= 0 && count <= 2);
        std::free(list);
    }

    writeBoth(data, size);
    removeEntry("push://1_20", 20);
    writeBoth(data, size);
    freeSpace(size, 0);
    writeBoth(data, size);
    recountCacheSize();
    check(gCacheSettings.size <= 2 * size);
    writeBoth(data, size);
    freeRequestingEntries();
    writeBoth(data, size);
    clearCache();
    check(gCacheSettings.size <= 2 * size);
    return 0;
}
