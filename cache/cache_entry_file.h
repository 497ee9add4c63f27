#pragma once
// Reading and naming entry files: private to the cache store's files.
#include <cstdint>
#include <string>
#include <vector>

#include "cache/cache_store.h"

enum EntryFileState {
    ENTRY_FILE_OK,
    ENTRY_FILE_UNREADABLE,  // missing, not a regular file, or an I/O error: skipped
    ENTRY_FILE_DAMAGED,     // header and length disagree, or the URL is not one text
};

// Reads the header and URL of name in the cache directory, and with
// withContent the headers and body too. On ENTRY_FILE_OK the buffers are
// the caller's; otherwise none are left allocated. *fileLength (when
// given) is the file's length whenever it could be opened.
EntryFileState readEntryFile(const std::string &name, CacheEntry *entry, bool withContent, uint64_t *fileLength);

// Deletes a damaged file and takes its length off Size; returns the bytes
// taken off.
uint64_t discardDamagedEntry(const std::string &name, uint64_t fileLength);
// readEntryFile for the walks: true for a sound entry; a damaged file is
// discarded on the way, and anything else is simply passed over.
bool readSoundEntry(const std::string &name, CacheEntry *entry, bool withContent);

// Deletes a file and takes bytes off Size (never below 0).
void deleteEntryFile(const std::string &name, uint64_t bytes);
// Takes bytes off Size, never below 0.
void reduceCacheSize(uint64_t bytes);

// Entry file names in the cache directory that begin with prefix, in
// name order.
std::vector<std::string> listEntryFiles(const std::string &prefix);

// The file name of a key without "_<type>.wbc".
std::string entryFileStem(const std::string &keyUrl);

bool entryFileExists(const std::string &name);
