#pragma once
// Texts as the preferences store them. A stored text is its bytes and a
// terminating zero. A list text is a run of zero-terminated strings ended
// by one extra zero byte; the empty list is a single zero byte. In memory
// a list text is a std::string holding exactly those bytes (final zero
// included), so data() walks like the stored form and size() is the
// stored length; an empty std::string is a list that is not set.
#include <cstddef>
#include <string>

// A stored text read back: the bytes up to the first zero, or all of them
// when the terminator is missing.
std::string textFromBytes(const char *bytes, size_t length);

// A stored list read back as a well-formed list text: the strings up to
// the first empty one (the end marker), a last string without its zero
// kept and terminated, the final zero added when missing.
std::string listTextFromBytes(const char *bytes, size_t length);

// The empty list: a single zero byte.
std::string P_listTextEmpty();

size_t P_listTextCount(const std::string &list);
// The index-th string (0-based), or null beyond the last one. The text
// belongs to list and lives until list changes.
const char *P_listTextAt(const std::string &list, size_t index);
// Index of the first string equal to text byte for byte, or -1.
long P_listTextFind(const std::string &list, const char *text);
// Puts text (not empty) after the last string; a list not set becomes a
// list first. An empty text would end the list early and is refused.
bool P_listTextAppend(std::string &list, const char *text);
// Removes count strings starting at index; false when they are not all
// there (the list is then unchanged).
bool P_listTextRemove(std::string &list, size_t index, size_t count);
