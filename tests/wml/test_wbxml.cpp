#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/log.h"
#include "tests/wml/fakes.h"
#include "wml/wbxml.h"
#include "wml/wml_tokens.h"

namespace {

constexpr const char *URL = "http://test/deck.wml";

// Decodes the deck and starts a pass at its body.
int open(const Bytes &deck, bool substituteVars = true, bool keepUrlText = true)
{
    W_releaseDeck();
    fakeCacheClear();
    fakeCachePut(URL, 20, deck);
    int rc = decodeHeader(URL);
    W_beginPass(gWbxml.bodyOffset, substituteVars, keepUrlText);
    return rc;
}

void flushText(void *out, bool)
{
    *static_cast<std::string *>(out) += gWbxml.textBuffer;
    gWbxml.textBuffer[0] = 0;
}

// The passes' walk: elements become <name attrs>...</name>.
int element(void *data, uint8_t b, bool open)
{
    std::string &out = *static_cast<std::string *>(data);
    const char *name = W_tagName(b);
    out += std::string(open ? "<" : "</") + (name ? name : "?");
    if (open) {
        forEachAttribute([&out](const char *attr, const char *value) {
            out += std::string(" ") + attr + "=\"" + value + "\"";
            return false;
        });
    }
    out += ">";
    return 0;
}

std::string walk()
{
    std::string out;
    walkElements(WbxmlWalk{nullptr, nullptr, flushText, element, nullptr, &out});
    return out;
}

class Wbxml : public testing::Test {
protected:
    void SetUp() override
    {
        fakeReset();
        Log_setMode(LOG_OFF);
    }
    void TearDown() override { W_releaseDeck(); }
};

}  // namespace

TEST_F(Wbxml, HeaderVariantsAndHeadersThatAreNoDeck)
{
    const struct {
        Bytes bytes;
        int rc;
        uint32_t publicId = 0, publicIdString = 0, charset = 0, body = 0;
        // clang-format off
    } cases[] = {
        {{0x00, 0x04, 0x00}, 0, 4, 0, 0, 3},  // version 0x00 has no charset
        {{0x01, 0x00, 0x02, 0x6A, 0x04, 'a', 0, 'b', 0}, 0, 0, 2, 106, 9},  // id 0: a string-table index follows
        {{0x13, 0x81, 0x01, 0x81, 0x80, 0x00, 0x00}, 0, 129, 0, 16384, 7},
        // Cut short, or a string table longer than the deck.
        {{}, -1}, {{0x01, 0x04}, -1}, {{0x01, 0x04, 0x04, 0x05, 'a'}, -1}, {{0x01, 0x84, 0x84, 0x84, 0x84, 0x84, 0x04}, -1},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        ASSERT_EQ(open(c.bytes), c.rc);
        if (c.rc == 0) {
            EXPECT_EQ(gWbxml.publicId, c.publicId);
            EXPECT_EQ(gWbxml.publicIdString, c.publicIdString);
            EXPECT_EQ(gWbxml.charset, c.charset);
            EXPECT_EQ(gWbxml.bodyOffset, c.body);
        } else {
            EXPECT_EQ(gWbxml.deck, nullptr);
        }
    }
    fakeCacheClear();
    EXPECT_EQ(decodeHeader("http://nowhere/"), -1);
}

TEST_F(Wbxml, CompiledDeckWalksToItsElementsAndAttributes)
{
    const char *expected[] = {
        "<wml><head><meta http-equiv=\"Cache-Control\" content=\"max-age=0\"></meta></head>",
        "<do type=\"prev\" label=\"Back\"><prev></prev></do>",
        "<card id=\"first\" title=\"First Card\" newcontext=\"true\">",
        "<p align=\"center\">Hello & welcome</p>",
        "<a href=\"http://www.example.com/next.wml#two\" title=\"Next\">next</a>",
        "<go href=\"#second\" method=\"post\"><postfield name=\"q\" value=\"",
        "<input name=\"user\" title=\"Name\" maxlength=\"12\"></input>",
        "<select name=\"pick\" multiple=\"true\"><option value=\"1\">One</option>"
        "<option value=\"2\" onpick=\"#second\">Two</option></select>",
        "<card id=\"second\" title=\"Second\" ontimer=\"#first\"><timer value=\"50\" name=\"t\"></timer>",
        "<img src=\"logo.wbmp\" alt=\"Logo\" width=\"20\" height=\"10\"></img>",
    };
    // The gateway's compiler turns references into variable tokens; the
    // second encoder leaves them as text.
    struct Encoding {
        const char *file;
        uint32_t charset;
        const char *variables;
    } encodings[] = {
        {"wbxml_basic.wmlc", 4, "Value a b and a%20b and a b and a b."},
        {"wbxml_basic.xml2wbxml", 106, "Value $(user) and $(user:escape) and $(user:unesc) and $(user:noesc)."},
    };
    gFakeVars["user"] = "a b";
    for (const Encoding &e : encodings) {
        std::ifstream in(std::string(WML_DECK_DIR) + "/" + e.file, std::ios::binary);
        ASSERT_TRUE(in) << e.file;
        ASSERT_EQ(open(Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())), 0);
        EXPECT_EQ(gWbxml.charset, e.charset);
        std::string out = walk();
        EXPECT_EQ(gWbxml.errorFlag, 0);
        for (const char *x : expected) {
            EXPECT_NE(out.find(x), std::string::npos) << e.file << ": " << x << "\nin " << out;
        }
        EXPECT_NE(out.find(e.variables), std::string::npos) << e.file << ": " << out;
    }
}

TEST_F(Wbxml, VariableReferencesByConversion)
{
    const Bytes deck = loadDeck("wbxml_vars");
    struct Case {
        bool substitute;
        const char *value;  // nullptr: no such variable
        const char *text;
    };
    const Case cases[] = {
        {true, "a b&c", "[a b&c][a%20b%26c][a b&c][a b&c][a b&c]"},
        {true, "x%41+y", "[x%41+y][x%2541%2by][xA y][x%41+y][x%41+y]"},
        {true, nullptr, "[][][][][]"},
        {false, "a b", "[$(x:noesc)][$(x:esc)][$(x:unesc)][$(x:noesc)][$(x:noesc)]"},
    };
    for (const Case &c : cases) {
        gFakeVars.clear();
        if (c.value) {
            gFakeVars["x"] = c.value;
        }
        ASSERT_EQ(open(deck, c.substitute), 0);
        std::string out = walk();
        EXPECT_NE(out.find(std::string("<p>") + c.text + "</p>"), std::string::npos) << out;
        EXPECT_EQ(gWbxml.errorFlag, 0);
    }
}

TEST_F(Wbxml, TokensNoCompilerEmits)
{
    // SWITCH_PAGE in content and attributes, LITERAL, EXT_0, OPAQUE,
    // an entity above 255, LITERAL_C and LITERAL_AC skipped whole.
    // clang-format off
    const Bytes body = {
        0x00, 0x01,                               // SWITCH_PAGE 1
        0x60,                                     // p, content
        0x04, 0x00,                               // LITERAL 0
        0xC0,                                     // EXT_0
        0xC3, 0x03, 'x', 'y', 'z',                // OPAQUE of 3
        0x44, 0x00, 0x03, 'n', 'o', 0, 0x01,      // LITERAL_C with content
        0xC4, 0x00, 0x21, 0x01, 0x03, 'n', 0, 0x01,  // LITERAL_AC
        0x02, 0x83, 0x69,                         // ENTITY 0x1E9 -> 0xE9
        0xA6,                                     // br with attributes
        0x00, 0x02,                               // SWITCH_PAGE 2 in the list
        0x0C, 0x03, 'k', 0, 0x01,                 // alt="k"
        0x03, 'o', 'k', 0,
        0x01};
    ASSERT_EQ(open(header() + body), 0);
    std::string out = walk();
    EXPECT_EQ(out, "<p>\xE9<br alt=\"k\"></br>ok</p>");
    EXPECT_EQ(gWbxml.tagPage, 1);
    EXPECT_EQ(gWbxml.attrPage, 2);
    EXPECT_EQ(gWbxml.errorFlag, 0);
    EXPECT_FALSE(W_moreBytes());
    // UTF-8 deck bytes pass unchanged.
    ASSERT_EQ(open(header(106) + Bytes{0x60} + str("gr\xC3\xBC\xC3\x9F") + Bytes{0x01}), 0);
    EXPECT_EQ(walk(), "<p>gr\xC3\xBC\xC3\x9F</p>");
}

TEST_F(Wbxml, UnknownAttributeTokenAddsItsValueToThePreviousAttribute)
{
    // alt="a", unknown 0x17, "b", value token ".com/", then title="t".
    const Bytes body = {0xA6, 0x0C, 0x03, 'a', 0, 0x17, 0x03, 'b', 0, 0x85, 0x36, 0x03, 't', 0, 0x01};
    ASSERT_EQ(open(header() + body), 0);
    EXPECT_EQ(walk(), "<br alt=\"ab.com/\" title=\"t\"></br>");
    EXPECT_STREQ(getAttr("ALT"), "ab.com/");
    EXPECT_STREQ(getAttr("HREF"), "");
    EXPECT_STREQ(gWbxml.lastValue, "t");
}

TEST_F(Wbxml, OverlongStringsAndValuesAreCutAndDecodingResumesAfterThem)
{
    const std::string longText(3000, 'x'), kept(TEXT_BUFFER_SIZE - 1, 'x');
    // A long inline text, a long string-table text (table length 3001), a long variable name.
    const Bytes longStrings = Bytes{0x01, 0x04, 0x04, 0x97, 0x39} + Bytes(longText.begin(), longText.end()) +
                              Bytes{0, 0x60} + str(longText) + Bytes{0xA6, 0x01, 0x83, 0x00, 0x01, 0x60, 0x40} +
                              Bytes(40, 'n') + Bytes{0, 0x01};
    gFakeVars["x"] = std::string(1500, ' ');
    std::string escapes;  // escaped, the value would take 4500 bytes: whole escapes only
    for (uint32_t i = 0; i < (CONV_BUFFER_SIZE - 1) / 3; i++)
        escapes += "%20";
    const struct {
        Bytes deck;
        bool substitute;
        std::string text;
    } cases[] = {
        {longStrings, false, "<p>" + kept + "<br></br>" + kept + "</p><p>$(" + std::string(VAR_NAME_SIZE - 1, 'n') + ":esc)</p>"},
        {header() + Bytes{0x60, 0x40, 'x', 0, 0x01}, true, "<p>" + escapes + "</p>"},
        // Twice unescaped: the text buffer takes what fits.
        {header() + Bytes{0x60, 0x41, 'x', 0, 0x42, 'x', 0, 0x01}, true, "<p>" + std::string(TEXT_BUFFER_SIZE - 1, ' ') + "</p>"},
    };
    // clang-format on
    for (const auto &c : cases) {
        ASSERT_EQ(open(c.deck, c.substitute), 0);
        EXPECT_EQ(walk(), c.text);
        EXPECT_EQ(gWbxml.errorFlag, 1);
    }
}

TEST_F(Wbxml, AttributeListOverflowDropsOnlyWhatDoesNotFit)
{
    // alt=600 x, title=600 y, label="z".
    const Bytes body = Bytes{0xA6, 0x0C} + str(std::string(600, 'x')) + Bytes{0x36} + str(std::string(600, 'y')) +
                       Bytes{0x18} + str("z") + Bytes{0x01};
    ASSERT_EQ(open(header() + body), 0);
    walk();
    EXPECT_EQ(std::strlen(getAttr("alt")), 600u);
    EXPECT_STREQ(getAttr("title"), "");
    EXPECT_STREQ(getAttr("label"), "z");
    EXPECT_EQ(gWbxml.errorFlag, 1);
    // An empty href whose "@offset" would not fit after a long alt.
    ASSERT_EQ(open(header() + Bytes{0xA6, 0x0C} + str(std::string(1016, 'x')) + Bytes{0x4A, 0x01}, true, false), 0);
    walk();
    EXPECT_STREQ(getAttr("href"), "");
    EXPECT_EQ(gWbxml.errorFlag, 1);
    EXPECT_LE(gWbxml.attrListLength, static_cast<int32_t>(ATTR_LIST_SIZE));
}

TEST_F(Wbxml, MalformedOperandsEndTheWalk)
{
    const struct {
        const char *what;
        Bytes body;
    } cases[] = {
        {"truncated multi-byte entity", {0x60, 0x02, 0x81}},
        {"six-byte integer", {0x60, 0x02, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01, 0x03, 'x', 0}},
        {"integer over 32 bits", {0x60, 0x02, 0x90, 0x80, 0x80, 0x80, 0x00, 0x03, 'x', 0}},
        {"unterminated inline string", {0x60, 0x03, 'c', 'd'}},
        {"opaque past the end", {0x60, 0xC3, 0x8F, 0x7F, 'a', 0x03, 'x', 0}},
        {"opaque of 4 GB", {0x60, 0xC3, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x03, 'x', 0}},
        {"switch page at the end", {0x60, 0x00}},
        {"string table index past the table", {0x60, 0x83, 0x05, 0x80, 0x81, 0x00}},
        {"variable index just past the table", {0x60, 0x80, 0x02}},
        {"truncated string table index", {0x60, 0x83, 0x80}},
        {"truncated variable index", {0x60, 0x80, 0x80}},
        {"unterminated variable name", {0x60, 0x40, 'x'}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(open(header(4, "ab") + c.body, false), 0);
        const std::string out = walk();
        EXPECT_EQ(out.find_first_of("abx$"), std::string::npos) << out;  // nothing after the bad operand was read
        EXPECT_EQ(gWbxml.errorFlag, 1);
        EXPECT_EQ(gWbxml.depth, 0);
    }
}

TEST_F(Wbxml, DeepNestingIsBoundedWithoutRecursion)
{
    constexpr int levels = 100000;
    Bytes body(levels, 0x60);  // p with content, ever deeper
    body.insert(body.end(), {0x03, 'x', 0});
    ASSERT_EQ(open(header() + body), 0);
    std::string out = walk();
    EXPECT_EQ(gWbxml.errorFlag, 1);
    EXPECT_EQ(gWbxml.depth, 0);
    EXPECT_EQ(out.size(), MAX_ELEMENT_DEPTH * std::strlen("<p></p>"));

    // skipElement alone, over elements with attribute lists and literals.
    Bytes nested;
    for (int i = 0; i < levels; i++) {
        nested.insert(nested.end(), {0xE0, 0x0C, 0x03, 'a', 0, 0x01, 0x44, 0x00});
    }
    nested.insert(nested.end(), 2 * levels, 0x01);
    nested.insert(nested.end(), {0x03, 'o', 'k', 0});
    ASSERT_EQ(open(header() + Bytes{0x60} + nested + Bytes{0x01, 0x03, 'n', 'o', 0}), 0);
    ASSERT_EQ(W_nextByte(), 0x60);
    skipElement();
    EXPECT_EQ(gWbxml.depth, 0);
    EXPECT_EQ(gWbxml.inAttributes, 0);
    EXPECT_EQ(walk(), "no");
    EXPECT_EQ(gWbxml.errorFlag, 0);
}

TEST_F(Wbxml, EveryPrefixOfEveryTestDeckDecodesSafely)
{
    int decks = 0;
    for (const auto &entry : std::filesystem::directory_iterator(WML_DECK_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const Bytes deck((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        decks++;
        for (size_t n = 0; n <= deck.size(); n++) {
            for (bool layout : {false, true}) {
                if (open(Bytes(deck.begin(), deck.begin() + static_cast<long>(n)), true, !layout) == 0) {
                    walk();
                    EXPECT_EQ(gWbxml.depth, 0);
                    EXPECT_LT(std::strlen(gWbxml.textBuffer), TEXT_BUFFER_SIZE);
                }
                W_releaseDeck();
            }
        }
    }
    EXPECT_GE(decks, 2);
}

TEST(WmlTokens, TablesLookUpBothWaysAndRefuseUnknownCodes)
{
    for (const TagToken &t : tagTokens()) {
        EXPECT_STREQ(W_tagName(t.code | TAG_HAS_CONTENT | TAG_HAS_ATTRIBUTES), t.name);
        EXPECT_EQ(tagCode(t.name), t.code);
    }
    for (const AttrStartToken &t : attrStartTokens())
        EXPECT_EQ(findAttrStartFor(t.name, t.prefix), findAttrStart(t.code)) << t.name << "=" << t.prefix;
    for (const AttrValueToken &t : attrValueTokens()) {
        EXPECT_EQ(attrValueCode(attrValueText(t.code)), t.code);
        EXPECT_EQ(findAttrStart(t.code), nullptr);
    }
    for (uint8_t unknown : {0x04, 0x0E, 0x17, 0x2B, 0x51, 0x5E, 0x7F, 0x92, 0x9C, 0xA2, 0xFF})
        EXPECT_EQ(findAttrStart(unknown) || attrValueText(unknown), false) << int(unknown);
    EXPECT_EQ(W_tagName(0x3A), nullptr);
    EXPECT_EQ(findAttrStartFor("HREF", "https://x/")->code, 0x4C);  // the longest prefix, any case
}
