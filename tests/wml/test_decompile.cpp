#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "common/log.h"
#include "tests/wml/fakes.h"
#include "wml/decompile.h"
#include "wml/wbxml.h"

namespace {

constexpr const char *URL = "http://test/deck.wml";

struct Output {
    int result;
    std::string text;
};

Output decompile(const Bytes &deck)
{
    fakeCacheClear();
    fakeCachePut(URL, 20, deck);
    char *buffer = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&buffer, &size);
    int result = Decompile(URL, out);
    std::fclose(out);
    Output o{result, std::string(buffer, size)};
    std::free(buffer);
    return o;
}

class DecompileTest : public testing::Test {
protected:
    void SetUp() override
    {
        fakeReset();
        Log_setMode(LOG_OFF);
    }
};

}  // namespace

TEST_F(DecompileTest, OneTagOrTextRunALineIndentedByDepth)
{
    const std::string table("x\0", 2), spaces(TEXT_BUFFER_SIZE - 1, '\xA0');
    std::string entities;  // a full text buffer of non-breaking spaces grows six times, uncut
    for (size_t i = 0; i < spaces.size(); i++)
        entities += "&nbsp;";
    const struct {
        const char *what;
        Bytes deck;
        int result;
        std::string text;
        // clang-format off
    } cases[] = {
        {"card > p > \"Hello\" nbsp; p > \"a\" br \"b\"; go href=$(x:esc) and the same reference in text",
         header(4, table) + Bytes{0x67, 0x60} + str("Hello\xA0") + Bytes{0x01, 0x60} + str("a") + Bytes{0x26} + str("b") +
             Bytes{0x01, 0xAB, 0x4A, 0x80, 0x00, 0x01, 0x80, 0x00, 0x01},
         0,
         "  <card>\n    <p>\n    Hello&nbsp;\n    </p>\n    <p>\n      a\n      <br/>\n    b\n    </p>\n"
         "    <go href=\"$(x:esc)\"/>\n  $(x:esc)\n  </card>\n"},
        {"ISO-8859-1: every byte is its character",
         header(4) + Bytes{0xE0, 0x0C} + str("caf\xE9\xA0") + Bytes{0x01} + str("\xE9\xA0\xAD\xFF") + Bytes{0x01}, 0,
         "  <p alt=\"caf\xC3\xA9\xC2\xA0\">\n  \xC3\xA9&nbsp;&shy;\xC3\xBF\n  </p>\n"},
        {"UTF-8: only U+00A0 and U+00AD become entities, not the A0 and AD inside C3 A0 or C3 AD",
         header(106) + Bytes{0x60} + str("\xC3\xA0\xC3\xAD|\xC2\xA0|\xC2\xAD|\xC2") + Bytes{0x01}, 0,
         "  <p>\n  \xC3\xA0\xC3\xAD|&nbsp;|&shy;|\xC2\n  </p>\n"},
        {"global tokens: entities (a reference in text, the byte in a value), EXT_I_1, EXT_T_2, SWITCH_PAGE, "
         "LITERAL, EXT_0, OPAQUE, LITERAL_C, unknown tags",
         header(4, table) + Bytes{0x60, 0x02, 0x81, 0x69, 0x02, 0x83, 0x69, 0x41, 'u', 0, 0x82, 0x00, 0x00, 0x01, 0x04,
                                  0x00, 0xC0, 0xC3, 0x02, 'z', 'z', 0x44, 0x00, 0x03, 'n', 0, 0x01, 0x85, 0x0C, 0x02,
                                  0x81, 0x69, 0x01, 0x7A, 0x01, 0x01},
         0,
         "  <p>\n    &#xe9;&#x1e9;$(u:unesc)$(x:noesc)\n    <unknown-0x05 alt=\"\xC3\xA9\"/>\n"
         "    <unknown-0x3a>\n    </unknown-0x3a>\n  </p>\n"},
        {"long entities", header() + Bytes{0x60} + str(spaces) + Bytes{0x01}, 0, "  <p>\n  " + entities + "\n  </p>\n"},
        {"a string longer than the text buffer: cut, written, 64", header() + Bytes{0x60} + str(std::string(3000, 'x')) + Bytes{0x01},
         DECOMPILE_OVERFLOW, "  <p>\n  " + std::string(TEXT_BUFFER_SIZE - 1, 'x') + "\n  </p>\n"},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const Output o = decompile(c.deck);
        EXPECT_EQ(o.result, c.result);
        EXPECT_EQ(o.text, c.text);
    }
    // Nesting past the walkers' depth is skipped, not recursed into.
    EXPECT_EQ(decompile(header() + Bytes(100000, 0x60)).result, DECOMPILE_OVERFLOW);
    EXPECT_EQ(gWbxml.deck, nullptr);
}

TEST_F(DecompileTest, EveryPrefixOfACompiledDeckEndsWithItsResult)
{
    // Cut before the body: not cached. Inside it: 64, every element closed.
    fakeCacheClear();
    EXPECT_EQ(Decompile("http://nowhere/", stdout), DECOMPILE_NOT_CACHED);
    const Bytes deck = loadDeck("wbxml_basic");
    ASSERT_GT(deck.size(), 100u);
    ASSERT_LT(deck[3], 0x80);  // a one-byte string table length
    const size_t body = 4 + deck[3];
    for (size_t n = 0; n <= deck.size(); n++) {
        const Output o = decompile(Bytes(deck.begin(), deck.begin() + static_cast<long>(n)));
        const int expected = n < body ? DECOMPILE_NOT_CACHED : n == body || n == deck.size() ? 0 : DECOMPILE_OVERFLOW;
        ASSERT_EQ(o.result, expected) << n;
        int open = 0;
        std::istringstream lines(o.text);
        for (std::string line; std::getline(lines, line);) {
            line.erase(0, line.find_first_not_of(' '));
            open += line.starts_with("</") ? -1 : line.starts_with("<") && !line.ends_with("/>") ? 1 : 0;
            ASSERT_GE(open, 0) << n;
        }
        EXPECT_EQ(open, 0) << n << "\n" << o.text;
        EXPECT_EQ(gWbxml.depth, 0);
        EXPECT_EQ(gWbxml.deck, nullptr);
    }
}
