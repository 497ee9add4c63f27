#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/url.h"

namespace {

std::string escaped(const char *source, int mask)
{
    std::string out(std::strlen(source) * 3 + 1, 'Z');
    EXPECT_TRUE(escapeUrl(source, out.data(), out.size(), mask)) << source;
    return out.c_str();
}

}  // namespace

TEST(UrlEscape, EscapesTheMasksClassesAndUnescapesPlusAndPercent)
{
    const struct {
        const char *source;
        int mask;
        const char *expected;
    } escapes[] = {
        {"a b/c", URL_ESCAPE_FORM, "a+b%2fc"},
        {"a b/c", URL_ESCAPE_ALL_BUT_ALNUM, "a%20b%2fc"},
        {"!'()*-._~$&+,/:;=?@", URL_ESCAPE_FORM, "%21%27%28%29%2a%2d%2e%5f%7e%24%26%2b%2c%2f%3a%3b%3d%3f%40"},
        {"\x01\x7f\x80\xff\"%", URL_ESCAPE_ALL_BUT_ALNUM, "%01%7f%80%ff%22%25"},
        {"\x80 \xff/", URL_ESCAPE_BLANKS, "\x80%20\xff/"},
        {"a b", URL_SPACE_AS_PLUS, "a b"},  // space-as-plus without the space class
        {"", URL_ESCAPE_FORM, ""},
    };
    for (const auto &c : escapes)
        EXPECT_EQ(escaped(c.source, c.mask), c.expected) << c.source << " mask " << c.mask;
    // Non-hex digits count as 0, the zero byte ends the text, and a "%" too
    // near the end is kept as it stands.
    const char *const unescapes[][2] = {
        {"a+b%2Fc", "a b/c"}, {"%41%62%e9", "Ab\xe9"}, {"%2b+", "+ "}, {"ab%zzcd", "ab"}, {"%00rest", ""},
        {"%g1x", "\x01x"},    {"100%", "100%"},        {"a%4", "a%4"}, {"%", "%"},        {"", ""},
    };
    for (const auto &c : unescapes) {
        char out[32];
        EXPECT_TRUE(unescapeUrl(c[0], out, sizeof out)) << c[0];
        EXPECT_STREQ(out, c[1]) << c[0];
    }
}

TEST(UrlEscape, EveryByteRoundTrips)
{
    std::string all;
    for (int c = 1; c < 256; c++)
        all += static_cast<char>(c);
    for (int mask : {URL_ESCAPE_ALL_BUT_ALNUM, URL_ESCAPE_FORM}) {
        std::string e = escaped(all.c_str(), mask);
        EXPECT_EQ(e.find_first_not_of("%+0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                  std::string::npos);
        std::string back(all.size() + 1, 'Z');
        EXPECT_TRUE(unescapeUrl(e.c_str(), back.data(), back.size()));
        EXPECT_EQ(back.c_str(), all);
    }
}

TEST(UrlEscape, TooSmallDestinationGetsEmptyText)
{
    char out[16];
    std::memset(out, 'Z', sizeof out);
    EXPECT_FALSE(escapeUrl("a b", out, 5, URL_ESCAPE_BLANKS));  // needs 6
    EXPECT_EQ(std::string(out, 6), std::string("\0ZZZZZ", 6));
    EXPECT_TRUE(escapeUrl("a b", out, 6, URL_ESCAPE_BLANKS));
    EXPECT_STREQ(out, "a%20b");
    EXPECT_FALSE(unescapeUrl("abc", out, 3));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(unescapeUrl("abc", out, 0));
    EXPECT_TRUE(unescapeUrl("%41%42%43", out, 4));
    EXPECT_STREQ(out, "ABC");
    EXPECT_TRUE(escapeUrl(nullptr, out, sizeof out, URL_ESCAPE_FORM));
    EXPECT_STREQ(out, "");
}

TEST(UrlEscape, ClassesAndHexDigits)
{
    const int classes[][2] = {{'q', URL_CLASS_LOWER}, {'Q', URL_CLASS_UPPER}, {' ', URL_CLASS_SPACE},
                              {'7', URL_CLASS_DIGIT}, {'~', URL_CLASS_MARK},  {'@', URL_CLASS_RESERVED},
                              {'%', URL_CLASS_OTHER}, {255, URL_CLASS_OTHER}, {-1, URL_CLASS_OTHER},
                              {1000, URL_CLASS_OTHER}};
    for (const auto &c : classes)
        EXPECT_EQ(charClass(c[0]), c[1]) << c[0];
    const int hex[][2] = {{'0', 0}, {'9', 9}, {'a', 10}, {'F', 15}, {'g', 0}, {'/', 0}, {':', 0}, {'`', 0}, {255, 0}};
    for (const auto &c : hex)
        EXPECT_EQ(hexValue(c[0]), c[1]) << c[0];
}
