#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/log.h"
#include "shell/display.h"
#include "tests/wml/fakes.h"
#include "tests/wml/layout_helpers.h"
#include "wml/layout.h"

static const char *kDeckUrl = "http://test/deck.wml";

int layoutBytes(const std::vector<uint8_t> &deck, const char *card)
{
    Log_setMode(LOG_OFF);
    fakeCachePut(kDeckUrl, 0x14, deck);
    return Layout(kDeckUrl, card);
}

int layoutCard(const std::vector<uint8_t> &content, uint8_t charset)
{
    return layoutBytes(header(charset) + Bytes{0x7F, 0x67, 0x60} + content + Bytes{0x01, 0x01, 0x01});
}

int layoutDeck(const char *name, const char *card)
{
    std::vector<uint8_t> deck = loadDeck(name);
    EXPECT_FALSE(deck.empty()) << name;
    return layoutBytes(deck, card);
}

std::string layoutDump() { return W_layoutTableText(W_getLayoutTable()); }

void expectLayoutTableInBounds()
{
    const uint8_t *t = W_getLayoutTable();
    uint32_t off = 0;
    while (int32_t len = static_cast<int32_t>(t[off] | t[off + 1] << 8 | t[off + 2] << 16 | t[off + 3] << 24)) {
        ASSERT_EQ(len % 4, 0);
        off += static_cast<uint32_t>(len);
        ASSERT_LE(off, 4092u);
    }
}
std::string eventDump() { return W_eventTableText(W_getEventTable()); }

static void compareGolden(const std::string &path, const std::string &actual)
{
    if (std::getenv("TOVRIN_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing golden file " << path << " (TOVRIN_UPDATE_GOLDEN=1 writes it)";
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(expected.str(), actual) << "differs from " << path;
}

void expectGolden(const std::string &name)
{
    compareGolden(std::string(WML_GOLDEN_DIR) + "/" + name + ".layout.txt", layoutDump());
    compareGolden(std::string(WML_GOLDEN_DIR) + "/" + name + ".events.txt", eventDump());
}

std::vector<uint8_t> wbmp(int w, int h)
{
    std::vector<uint8_t> v = {0x00, 0x00, static_cast<uint8_t>(w), static_cast<uint8_t>(h)};
    v.resize(v.size() + static_cast<size_t>((w + 7) / 8 * h), 0xAA);
    return v;
}

int countLines(const std::string &dump, const std::string &needle)
{
    std::istringstream in(dump);
    int n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.find(needle) != std::string::npos;
    return n;
}

namespace {

class LayoutTest : public testing::Test {
protected:
    void SetUp() override
    {
        fakeReset();
        fakeCacheClear();
        ASSERT_EQ(layoutTablesInit(), 0);
    }
};

TEST_F(LayoutTest, GoldenTextCards)
{
    // A card with ID "a" and NAME "b" is found by "a" only; a missing card falls back to the first.
    const char *const cases[][3] = {{"", "layout_text", "main"},
                                    {"a", "layout_text_a", "a"},
                                    {"byname", "layout_text_byname", "byname"},
                                    {"nosuch", "layout_text", "main"},
                                    {"b", "layout_text", "main"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(layoutDeck("layout_text", c[0]), 0);
        EXPECT_EQ(gFakeCardName, c[2]);
        expectGolden(c[1]);
    }
    EXPECT_EQ(gFakeNewContexts, 3);  // only the first card says TRUE
}

TEST_F(LayoutTest, LineBreaking)
{
    struct Case {
        std::string text, expected;
        // clang-format off
    } cases[] = {
        // Fits exactly: one record, and the next line follows directly.
        {"Exactly twenty chars",
         "@(0,0) x(120,12), T1 A0 STR:Exactly twenty chars\n@(0,12) x(6,12), T1 A2 STR:x\n"},
        // A word wider than the line overruns it; the rest starts below.
        {"Supercalifragilisticexpialidocious word",
         "@(0,0) x(204,12), T1 A0 STR:Supercalifragilisticexpialidocious\n"
         "@(0,12) x(24,12), T1 A0 STR:word\n@(24,12) x(6,12), T1 A2 STR:x\n"},
        // A soft hyphen shows as "-" only where it breaks.
        {"abcdefghijklmnop\xADqrstuvwxyz\xAD" "ab",
         "@(0,0) x(102,12), T1 A0 STR:abcdefghijklmnop-\n@(0,12) x(78,12), T1 A0 STR:qrstuvwxyz\xAD" "ab\n"
         "@(78,12) x(6,12), T1 A2 STR:x\n"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(layoutCard(str(c.text) + Bytes{0x64} + str("x") + Bytes{0x01}), 0);
        EXPECT_EQ(layoutDump(), c.expected);
    }
}

TEST_F(LayoutTest, Utf8NeverBreaksInsideCharacter)
{
    // 0xAD inside "\xC3\xAD" is not a soft hyphen; C2 AD is. 19 characters
    // fit before the break candidates.
    std::string text = "aaaaaaaaaaaaaaaaaa\xC3\xAD"
                       "bb\xC2\xAD"
                       "cc dd";
    EXPECT_EQ(layoutCard(str(text), 106), 0);
    EXPECT_EQ(D_getDeckCharset(), 106u);
    EXPECT_EQ(layoutDump(), "@(0,0) x(132,12), T1 A0 STR:aaaaaaaaaaaaaaaaaa\xC3\xAD"
                            "bb-\n"
                            "@(0,12) x(30,12), T1 A0 STR:cc dd\n");
    // A field is never cut inside a character: 14 fit the 90-pixel field.
    gFakeVars["v"] = std::string(13, 'a') + "\xC3\xA9\xC3\xA9";
    std::vector<uint8_t> input = {0xAF, 0x21, 0x03, 'v', 0, 0x01};
    EXPECT_EQ(layoutCard(input, 106), 0);
    EXPECT_EQ(layoutDump(), "@(0,0) x(90,12), T1 A64 STR:" + std::string(13, 'a') + "\xC3\xA9\n");
}

TEST_F(LayoutTest, LineLimitStopsPlacingText)
{
    // The 256th line is placed and resolves; nothing is placed after it.
    std::vector<uint8_t> lines =
        Bytes(255, 0x26) + str("x") + Bytes(45, 0x26) + str("y") + Bytes{0xAE, 0x32, 0x03, 'p', 0, 0x01};
    fakeCachePut("p", 0x21, wbmp(8, 8));
    EXPECT_EQ(layoutCard(lines), 64);
    EXPECT_EQ(layoutDump(), "@(0,3060) x(6,12), T1 A0 STR:x\n");
    // A full table keeps its terminator.
    std::vector<uint8_t> words;
    for (int i = 0; i < 150; i++)
        words = words + str("word ") + Bytes{0x26};
    EXPECT_EQ(layoutCard(words), 64);
    expectLayoutTableInBounds();
}

TEST_F(LayoutTest, DeepParagraphsAndElements)
{
    // 200 nested right-aligned paragraphs, then text in the outer level.
    std::vector<uint8_t> nested;
    for (int i = 0; i < 200; i++)
        nested = nested + Bytes{0xE0, 0x0A, 0x01};
    nested = nested + str("in") + Bytes(200, 0x01) + str("out");
    EXPECT_EQ(layoutCard(nested), 0);
    EXPECT_EQ(layoutDump(), "@(108,0) x(12,12), T1 A0 STR:in\n@(0,2400) x(18,12), T1 A0 STR:out\n");

    // 100,000 nested b elements: bounded, and the counters stay balanced.
    std::vector<uint8_t> deep(100000, 0x64);
    deep = deep + str("deep") + Bytes(100000, 0x01);
    EXPECT_EQ(layoutCard(deep), 64);
    EXPECT_EQ(layoutCard(str("plain")), 0);
    EXPECT_EQ(layoutDump(), "@(0,0) x(30,12), T1 A0 STR:plain\n");
}

TEST_F(LayoutTest, MissingOrTruncatedDeckIsSafe)
{
    EXPECT_EQ(Layout("http://test/none.wml", ""), -2);
    std::vector<uint8_t> deck = loadDeck("events_deck");
    for (size_t n = 0; n < deck.size(); n += 7) {
        std::vector<uint8_t> cut(deck.begin(), deck.begin() + static_cast<long>(n));
        int r = layoutBytes(cut);
        EXPECT_TRUE(r == 0 || r == 64 || r == -2) << n;
    }
    EXPECT_EQ(layoutCard(str("plain")), 0);
    EXPECT_EQ(layoutDump(), "@(0,0) x(30,12), T1 A0 STR:plain\n");
}

}  // namespace
