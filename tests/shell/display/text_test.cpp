// Measuring and fitting deck text with the real fonts. Heights and cells of
// each style show in the headless screenshots; the fixed measure is what the
// layout tests' expectations are made with.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display/text.h"

namespace {

int measure(uint8_t style, const std::string &text)
{
    int width = -1, height = -1;
    EXPECT_TRUE(measureText(style, text.c_str(), &width, &height));
    return width;
}

class TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setFixedMetrics(false);
        D_setDeckCharset(4);
    }
};

const uint8_t STYLES[] = {0,
                          STYLE_BOLD,
                          STYLE_ITALIC,
                          STYLE_BIG,
                          STYLE_SMALL,
                          STYLE_BIG | STYLE_SMALL,
                          STYLE_UNDERLINE | STYLE_LINK,
                          STYLE_FIELD | STYLE_ITALIC};

TEST_F(TextTest, InvalidUtf8IsOneReplacementCharacterPerByte)
{
    const struct {
        const char *deck;
        const char *utf8;
        size_t characters;
        // clang-format off
    } cases[] = {
        {"a\xC3\xA9", "a\xC3\xA9", 2},
        {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD", 2},                     // cut short at the end
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD", 2},                     // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", 3},     // surrogate
        {"\xF4\x90\x80\x80x", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx", 5},  // past U+10FFFF
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 1},
    };
    // clang-format on
    for (const auto &c : cases) {
        DeckText converted;
        convertDeckText(c.deck, CHARSET_UTF8, &converted);
        EXPECT_EQ(converted.utf8, c.utf8) << c.deck;
        EXPECT_EQ(converted.deckStart.size(), c.characters + 1) << c.deck;
        EXPECT_EQ(converted.deckStart.back(), std::strlen(c.deck));
    }
}

// The longest prefix that fits does fit, one more character does not, and
// a UTF-8 deck is never cut inside a well-formed character.
void checkFit(uint8_t style, const std::string &text, bool utf8)
{
    for (int width = -3; width <= 130; width += 1) {
        int n = fitText(style, text.c_str(), width);
        ASSERT_GE(n, 0);
        ASSERT_LE(static_cast<size_t>(n), text.size());
        if (utf8 && static_cast<size_t>(n) < text.size()) {
            ASSERT_NE(static_cast<unsigned char>(text[n]) & 0xC0, 0x80) << text << " cut at " << n;
        }
        if (n > 0) {
            ASSERT_LE(measure(style, text.substr(0, n)), width) << text << " " << n;
        }
        if (static_cast<size_t>(n) < text.size() && width >= 0) {
            size_t next = n + 1;
            while (utf8 && next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
                next++;
            ASSERT_GT(measure(style, text.substr(0, next)), width) << text << " " << n;
        }
    }
}

// Fitting never exceeds the width; summed per-character advances equal the
// run shaped whole (plus the field's 2 pixels), or painted text would not
// fit its record.
TEST_F(TextTest, FitAndSummedWidthsAgreeWithTheShapedRun)
{
    const char *latin1[] = {"The quick brown fox jumps over the lazy dog", "WAVE AVA Yo Te To LT fi fl ffi office",
                            "na\xEFve r\xE9sum\xE9 \xA3\xB5 caf\xE9 cr\xE8me \xE0 la fa\xE7on",
                            "1,234.56 (x) [y] {z} iiiiiiii MMMMMMMM", ""};
    for (uint8_t style : STYLES) {
        for (const char *text : latin1) {
            checkFit(style, text, false);
            int field = (style & STYLE_FIELD) ? 2 : 0;
            EXPECT_EQ(measure(style, text) - field, shapedTextWidth(style, text)) << int(style) << " " << text;
        }
    }
    D_setDeckCharset(CHARSET_UTF8);
    for (uint8_t style : STYLES) {
        checkFit(style, "na\xC3\xAFve r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC\xF0\x9F\x98\x80 \xE4\xB8\xAD\xE6\x96\x87",
                 true);
        checkFit(style, "bad \xE2\x82 \xFF\xC3", false);  // each stray byte is a character
    }
}

}  // namespace
