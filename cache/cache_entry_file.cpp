// The entry file format, file names and the directory listing.
#include "cache/cache_entry_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "common/byte_reader.h"
#include "common/directories.h"
#include "common/log.h"

namespace {

// File names may hold NAME_MAX bytes; the longest suffix is
// "_-2147483648.wbc" (16), so a longer stem is shortened.
constexpr size_t kNameMax = 255;
constexpr size_t kMaxSuffix = 16;
constexpr size_t kMaxStem = kNameMax - kMaxSuffix;
constexpr size_t kHashText = 16;

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string sanitise(const std::string &text)
{
    std::string out = text;
    for (char &c : out) {
        bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
        if (!keep)
            c = '_';
    }
    return out;
}

uint64_t fnv1a(const std::string &text)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// A malloc block of length bytes plus a zero byte, filled from the file.
bool readBlock(std::FILE *f, uint32_t length, void **out)
{
    *out = nullptr;
    char *block = static_cast<char *>(std::malloc(static_cast<size_t>(length) + 1));
    if (!block)
        return false;
    if (length && std::fread(block, 1, length, f) != length) {
        std::free(block);
        return false;
    }
    block[length] = 0;
    *out = block;
    return true;
}

void putLe(uint8_t **at, uint32_t value, int width)
{
    for (int i = 0; i < width; i++)
        *(*at)++ = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

// The entry header in file order, each field little-endian in its width:
// packing and unpacking both follow it. Three zero bytes end the header.
// clang-format off
#define ENTRY_HEADER_FIELDS(X)                                                                                \
    X(entrySize, 4) X(session, 4) X(contentType, 4) X(urlLength, 4) X(headersLength, 4) X(bodyLength, 4)    \
    X(entryType, 2) X(entryFlag, 2) X(tid, 4) X(requestTime, 4) X(dateTime, 4) X(expiresTime, 4) X(freshness, 1)
// clang-format on
#define FIELD_WIDTH(field, width) +width
static_assert(0 ENTRY_HEADER_FIELDS(FIELD_WIDTH) + 3 == CACHE_HEADER_SIZE);
#undef FIELD_WIDTH

void packEntryHeader(const CacheEntry *e, uint8_t out[CACHE_HEADER_SIZE])
{
    uint8_t *at = out;
#define PACK_FIELD(field, width) putLe(&at, e->field, width);
    ENTRY_HEADER_FIELDS(PACK_FIELD)
#undef PACK_FIELD
    std::memset(at, 0, static_cast<size_t>(out + CACHE_HEADER_SIZE - at));
}

bool unpackEntryHeader(const uint8_t *data, size_t length, CacheEntry *e)
{
    ByteReader r{data, data ? static_cast<uint32_t>(std::min<size_t>(length, CACHE_HEADER_SIZE)) : 0, 0, false};
#define UNPACK_FIELD(field, width) e->field = static_cast<decltype(e->field)>(BR_le(&r, width));
    ENTRY_HEADER_FIELDS(UNPACK_FIELD)
#undef UNPACK_FIELD
    BR_bytes(&r, CACHE_HEADER_SIZE - r.position);  // reserved
    return !r.failed;
}

void freeEntryBuffers(CacheEntry *entry)
{
    std::free(entry->url);
    std::free(entry->headers);
    std::free(entry->body);
    entry->url = nullptr;
    entry->headers = nullptr;
    entry->body = nullptr;
}

EntryFileState readEntryFile(const std::string &name, CacheEntry *entry, bool withContent, uint64_t *fileLength)
{
    *entry = CacheEntry{};
    File f(std::fopen(Dir_cachePath(name.c_str()).c_str(), "rb"));
    struct stat info;
    if (!f || fstat(fileno(f.get()), &info) != 0 || !S_ISREG(info.st_mode))
        return ENTRY_FILE_UNREADABLE;
    uint64_t length = static_cast<uint64_t>(info.st_size);
    if (fileLength)
        *fileLength = length;

    uint8_t header[CACHE_HEADER_SIZE];
    size_t got = std::fread(header, 1, sizeof header, f.get());
    if (std::ferror(f.get()))
        return ENTRY_FILE_UNREADABLE;
    // The lengths must add up to entrySize and entrySize to the file: a
    // truncated file, or one whose header claims more than it holds, is
    // never read beyond its end.
    if (!unpackEntryHeader(header, got, entry) || entry->urlLength == 0 ||
        uint64_t{CACHE_HEADER_SIZE} + entry->urlLength + entry->headersLength + entry->bodyLength != entry->entrySize ||
        entry->entrySize != length) {
        *entry = CacheEntry{};
        return ENTRY_FILE_DAMAGED;
    }
    void *url = nullptr;
    if (!readBlock(f.get(), entry->urlLength, &url))
        return ENTRY_FILE_UNREADABLE;
    entry->url = static_cast<char *>(url);
    // The stored URL is one text ending exactly at its terminator.
    if (std::strlen(entry->url) != entry->urlLength - 1) {
        freeEntryBuffers(entry);
        *entry = CacheEntry{};
        return ENTRY_FILE_DAMAGED;
    }
    if (withContent) {
        void *headers = nullptr;
        void *body = nullptr;
        bool ok = readBlock(f.get(), entry->headersLength, &headers);
        entry->headers = static_cast<uint8_t *>(headers);
        ok = ok && readBlock(f.get(), entry->bodyLength, &body);
        entry->body = static_cast<uint8_t *>(body);
        if (!ok) {
            freeEntryBuffers(entry);
            return ENTRY_FILE_UNREADABLE;
        }
    }
    return ENTRY_FILE_OK;
}

void reduceCacheSize(uint64_t bytes)
{
    gCacheSettings.size = bytes >= gCacheSettings.size ? 0 : gCacheSettings.size - static_cast<uint32_t>(bytes);
}

void deleteEntryFile(const std::string &name, uint64_t bytes)
{
    std::remove(Dir_cachePath(name.c_str()).c_str());
    reduceCacheSize(bytes);
}

uint64_t discardDamagedEntry(const std::string &name, uint64_t fileLength)
{
    Log_printf("Cache: removing damaged entry %s\n", name.c_str());
    uint64_t taken = std::min<uint64_t>(fileLength, gCacheSettings.size);
    deleteEntryFile(name, fileLength);
    return taken;
}

std::vector<std::string> listEntryFiles(const std::string &prefix)
{
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(Dir_cacheDir(), ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() >= prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
            name.compare(name.size() - 4, 4, ".wbc") == 0)
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string entryFileStem(const std::string &keyUrl)
{
    std::string stem = sanitise(keyUrl);
    if (stem.size() <= kMaxStem)
        return stem;
    // The head keeps the name readable; the hash of the whole key keeps
    // long keys that share a head apart.
    char hash[kHashText + 1];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(keyUrl)));
    return stem.substr(0, kMaxStem - kHashText - 1) + "_" + hash;
}

std::string makeEntryFileName(const char *keyUrl, uint32_t contentType)
{
    char suffix[kMaxSuffix + 1];
    std::snprintf(suffix, sizeof suffix, "_%d.wbc", static_cast<int32_t>(contentType));
    return entryFileStem(keyUrl ? keyUrl : "") + sanitise(suffix);
}

bool entryFileExists(const std::string &name)
{
    struct stat info;
    return stat(Dir_cachePath(name.c_str()).c_str(), &info) == 0;
}

bool readSoundEntry(const std::string &name, CacheEntry *entry, bool withContent)
{
    uint64_t length = 0;
    EntryFileState state = readEntryFile(name, entry, withContent, &length);
    if (state == ENTRY_FILE_DAMAGED)
        discardDamagedEntry(name, length);
    return state == ENTRY_FILE_OK;
}
