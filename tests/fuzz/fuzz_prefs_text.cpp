// Reads the input as a stored preference text and as a stored list text
// and walks the results; every list operation must keep a well-formed
// list text. Broken invariants abort.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "prefs/list_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Ends in its final zero, no empty string before it.
void checkWellFormed(const std::string &list)
{
    check(!list.empty() && list.back() == '\0');
    check(list.size() == 1 || list[list.size() - 2] == '\0');
    size_t count = P_listTextCount(list);
    size_t total = 1;
    for (size_t i = 0; i < count; i++) {
        const char *item = P_listTextAt(list, i);
        check(item && *item);
        total += std::strlen(item) + 1;
    }
    check(P_listTextAt(list, count) == nullptr);
    check(total == list.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size copy, so that a read past the end shows.
    std::vector<char> bytes(data, data + size);
    const char *p = bytes.empty() ? nullptr : bytes.data();

    std::string text = textFromBytes(p, size);
    check(text.size() <= size && text.find('\0') == std::string::npos);

    std::string list = listTextFromBytes(p, size);
    checkWellFormed(list);
    size_t count = P_listTextCount(list);
    if (count) {
        check(P_listTextFind(list, P_listTextAt(list, count - 1)) >= 0);
        std::string last = P_listTextAt(list, count - 1);
        check(P_listTextRemove(list, count - 1, 1));
        checkWellFormed(list);
        check(P_listTextAppend(list, last.c_str()));
        checkWellFormed(list);
        check(P_listTextCount(list) == count);
    }
    if (!text.empty()) {
        P_listTextAppend(list, text.c_str());
        checkWellFormed(list);
    }
    // The raw bytes as a list that was never read back: walks stay inside.
    std::string rawList(bytes.begin(), bytes.end());
    P_listTextCount(rawList);
    P_listTextAt(rawList, size);
    P_listTextFind(rawList, "x");
    return 0;
}
