// Percent-escaping and unescaping, and the character classes that the
// escaping masks select from.
#include <array>

#include "common/url.h"

namespace {

constexpr const char *MARK_CHARS = "!'()*-._~";
constexpr const char *RESERVED_CHARS = "$&+,/:;=?@";
constexpr const char *HEX_DIGITS = "0123456789abcdef";

constexpr std::array<unsigned char, 128> makeClassTable()
{
    std::array<unsigned char, 128> table{};
    for (int c = 0; c < 128; c++) {
        table[c] = URL_CLASS_OTHER;
    }
    for (int c = 'a'; c <= 'z'; c++) {
        table[c] = URL_CLASS_LOWER;
    }
    for (int c = 'A'; c <= 'Z'; c++) {
        table[c] = URL_CLASS_UPPER;
    }
    for (int c = '0'; c <= '9'; c++) {
        table[c] = URL_CLASS_DIGIT;
    }
    table[' '] = URL_CLASS_SPACE;
    for (const char *p = MARK_CHARS; *p; p++) {
        table[static_cast<unsigned char>(*p)] = URL_CLASS_MARK;
    }
    for (const char *p = RESERVED_CHARS; *p; p++) {
        table[static_cast<unsigned char>(*p)] = URL_CLASS_RESERVED;
    }
    return table;
}

// Class of each 7-bit byte; everything above is "other".
constexpr std::array<unsigned char, 128> CLASS_OF = makeClassTable();

// Characters that escapeUrl writes for c under mask (1 or 3).
size_t escapedLength(unsigned char c, int mask)
{
    int cls = charClass(c);
    if (!(cls & mask)) {
        return 1;
    }
    return (cls == URL_CLASS_SPACE && (mask & URL_SPACE_AS_PLUS)) ? 1 : 3;
}

}  // namespace

int charClass(int character)
{
    // Callers may pass a plain (signed) char: anything outside 0..127 is
    // a byte of 128 or more, or not a byte at all.
    if (character < 0 || character >= 128) {
        return URL_CLASS_OTHER;
    }
    return CLASS_OF[character];
}

int hexValue(int character)
{
    if (character >= '0' && character <= '9') {
        return character - '0';
    }
    if (character >= 'a' && character <= 'f') {
        return character - 'a' + 10;
    }
    if (character >= 'A' && character <= 'F') {
        return character - 'A' + 10;
    }
    return 0;
}

bool escapeUrl(const char *source, char *destination, size_t destinationSize, int mask)
{
    if (!destination || destinationSize == 0) {
        return false;
    }
    destination[0] = 0;
    if (!source) {
        return true;
    }
    // Measure first so that a result that does not fit leaves empty text
    // rather than a cut-off escape.
    size_t need = 0;
    for (const char *p = source; *p; p++) {
        need += escapedLength(static_cast<unsigned char>(*p), mask);
    }
    if (need >= destinationSize) {
        return false;
    }
    char *out = destination;
    for (const char *p = source; *p; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        int cls = charClass(c);
        if (!(cls & mask)) {
            *out++ = static_cast<char>(c);
        } else if (cls == URL_CLASS_SPACE && (mask & URL_SPACE_AS_PLUS)) {
            *out++ = '+';
        } else {
            *out++ = '%';
            *out++ = HEX_DIGITS[c >> 4];
            *out++ = HEX_DIGITS[c & 15];
        }
    }
    *out = 0;
    return true;
}

bool unescapeUrl(const char *source, char *destination, size_t destinationSize)
{
    if (!destination || destinationSize == 0) {
        return false;
    }
    destination[0] = 0;
    if (!source) {
        return true;
    }
    size_t n = 0;
    for (const char *p = source; *p; p++) {
        if (n + 1 >= destinationSize) {
            destination[0] = 0;
            return false;
        }
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '+') {
            c = ' ';
        } else if (c == '%' && p[1] && p[2]) {
            // Non-hex digits count as 0, so "%zz" gives a zero byte, which
            // ends the text here.
            c = static_cast<unsigned char>(hexValue(static_cast<unsigned char>(p[1])) * 16 +
                                           hexValue(static_cast<unsigned char>(p[2])));
            p += 2;
            if (c == 0) {
                break;
            }
        }
        // A "%" with fewer than two characters after it is copied as it
        // stands, like the characters that follow it.
        destination[n++] = static_cast<char>(c);
    }
    destination[n] = 0;
    return true;
}
