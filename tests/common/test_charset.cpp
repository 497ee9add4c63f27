#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/charset.h"

namespace {

struct JudgeCase {
    uint32_t labelled;
    std::vector<std::string> strings;
    uint32_t charset;
    bool doubleUtf8;
};

// clang-format off
const JudgeCase kJudgeCases[] = {
    {4, {"plain", "ascii"}, 4, false}, {4, {"Bl\xe5" "b\xe6r"}, 4, false},  // ISO-8859-1 prose
    {4, {"Bl\xc3\xa5" "b\xc3\xa6r", "ok"}, 106, false},        // UTF-8 labelled ISO-8859-1
    {4, {"ok", "\xf6 \xd0\x9f"}, 4, false},                     // one byte here, UTF-8 there
    {4, {"\xed\xa0\x80"}, 4, false}, {4, {"\xc0\xaf"}, 4, false},  // a surrogate, an overlong form
    {0, {"\xd0\x9f"}, 106, false}, {106, {"\xd0\x9f"}, 106, false},
    {106, {"Bl\xc3\x83\xc2\xa5" "b"}, 106, true},               // UTF-8 encoded twice
    {106, {"Zo\xc3\xab"}, 106, false},                          // ISO-8859-1 source made UTF-8
    {106, {"\xc3\x83\xc2\xa9", "\xc3\xa9"}, 106, false},        // only one string looks doubled
};
// clang-format on

TEST(Charset, DeckCharsetFromItsText)
{
    for (const JudgeCase &c : kJudgeCases) {
        DeckTextJudge judge;
        for (const std::string &s : c.strings)
            Cs_judgeString(reinterpret_cast<const uint8_t *>(s.data()), s.size(), &judge);
        bool doubled = !c.doubleUtf8;
        EXPECT_EQ(Cs_deckCharset(c.labelled, judge, &doubled), c.charset) << c.strings[0];
        EXPECT_EQ(doubled, c.doubleUtf8) << c.strings[0];
    }
}

TEST(Charset, LevelsOfRepeatedUtf8)
{
    const std::string once = "\xd0\x9f\xd1\x80 \xf0\x9f\x98\x80";  // "Пр 😀"
    const std::string twice = Cs_convertCharset(once.c_str(), CHARSET_MIB_LATIN1, CHARSET_MIB_UTF8);
    std::string thrice = Cs_convertCharset(twice.c_str(), CHARSET_MIB_LATIN1, CHARSET_MIB_UTF8);
    EXPECT_EQ(Cs_extraUtf8Levels({once, "a"}), 0);
    EXPECT_EQ(Cs_extraUtf8Levels({twice, "a"}), 1);
    EXPECT_EQ(Cs_extraUtf8Levels({thrice}), 2);
    thrice.resize(Cs_undoDoubleUtf8(thrice.data(), thrice.size()));
    EXPECT_EQ(thrice, twice);
}

TEST(Charset, ConversionsAndFormDataCharset)
{
    const struct {
        const char *text;
        uint32_t from, to;
        const char *expected;
    } conversions[] = {
        {"Zo\xeb", 4, 106, "Zo\xc3\xab"},
        {"Zo\xc3\xab \xd0\x9f \xf0\x9f\x98\x80", 106, 4, "Zo\xeb ? ?"},
        {"a\xff"
         "b",
         106, 4, "a?b"},
        {"a\xff"
         "b",
         106, 106,
         "a\xff"
         "b"},
        {"a\xff"
         "b",
         4, 3,
         "a\xff"
         "b"},
    };
    for (const auto &c : conversions)
        EXPECT_EQ(Cs_convertCharset(c.text, c.from, c.to), c.expected) << c.text;
    const struct {
        const char *acceptCharset;
        uint32_t deck, expected;
    } forms[] = {{"utf-8", 4, 106},
                 {"ISO-8859-1, utf-8", 106, 4},
                 {"koi8-r;q=0.9 UTF8", 4, 106},
                 {"koi8-r", 106, 106},
                 {"", 4, 4}};
    for (const auto &c : forms)
        EXPECT_EQ(Cs_formCharset(c.acceptCharset, c.deck), c.expected) << c.acceptCharset;
}

}  // namespace
