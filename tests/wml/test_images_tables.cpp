#include <gtest/gtest.h>

#include "tests/wml/fakes.h"
#include "tests/wml/layout_helpers.h"
#include "wml/layout.h"

namespace {

class ImagesTablesTest : public testing::Test {
protected:
    void SetUp() override
    {
        fakeReset();
        fakeCacheClear();
        ASSERT_EQ(layoutTablesInit(), 0);
        fakeCachePut("pic.wbmp", 0x21, wbmp(16, 8));
        fakeCachePut("http://img.example.com/a.wbmp", 0x21, wbmp(10, 10));
        fakeCachePut("https://img.example.org/b.wbmp", 0x21, wbmp(4, 4));
        fakeCachePut("broken.wbmp", 0x21, {0x00, 0x00, 0x90});  // header cut short
    }
};

TEST_F(ImagesTablesTest, GoldenImagesAndTables)
{
    for (const char *deck : {"images_deck", "tables_deck"}) {
        EXPECT_EQ(layoutDeck(deck), 0);
        expectGolden(deck);
    }
}

TEST_F(ImagesTablesTest, ImageWithoutAltAndTopAlignment)
{
    // No ALT: "[Image]". A top-aligned image does not make its line taller.
    EXPECT_EQ(layoutCard(Bytes{0xAE, 0x32} + str("none") + Bytes{0x01} + str("ab") + Bytes{0xAE, 0x32} +
                         str("pic.wbmp") + Bytes{0x0B, 0x01, 0x26, 0xAE, 0x32} + str("pic.wbmp") + Bytes{0x01}),
              0);
    EXPECT_EQ(layoutDump(), "@(0,0) x(54,12), T1 A0 STR:[Image]ab\n"
                            "@(54,0) x(16,8), T4 A0 IMG: 16x8/16x8 pic.wbmp\n"
                            "@(0,12) x(16,8), T4 A0 IMG: 16x8/16x8 pic.wbmp\n");
}

TEST_F(ImagesTablesTest, HugeColumnCountIsBounded)
{
    int r = layoutCard(Bytes{0xDF, 0x53} + str("99999999999") + Bytes{0x01, 0x5E, 0x5D} + str("x") +
                       Bytes{0x01, 0x01, 0x01});
    EXPECT_TRUE(r == 0 || r == 64);
    EXPECT_NE(layoutDump().find("STR:x"), std::string::npos);
}

TEST_F(ImagesTablesTest, ReplaceLayoutNeverPassesTheFieldOrTheBuffer)
{
    gFakeVars["v"] = "ab";
    Bytes body = Bytes{0xAF, 0x21} + str("v") + Bytes{0x01} + str("tail");
    ASSERT_EQ(layoutCard(body), 0);
    EXPECT_EQ(replaceLayout(5, 5, "x"), -4);
    EXPECT_EQ(replaceLayout(0, 0, "a much longer value than fits"), 0);
    EXPECT_EQ(layoutDump(), "@(0,0) x(90,12), T1 A64 STR:a much longer \n@(90,0) x(24,12), T1 A0 STR:tail\n");
    EXPECT_EQ(replaceLayout(0, 0, "c"), 0);
    EXPECT_EQ(layoutDump(), "@(0,0) x(90,12), T1 A64 STR:c\n@(90,0) x(24,12), T1 A0 STR:tail\n");
    // A full table: the field record may only grow into what is left.
    fakeReset();
    gFakeCanvasWidth = 4000;
    body = {0xAF, 0x21, 0x03, 'v', 0, 0x01};
    for (int i = 0; i < 95; i++)
        body = body + str("w") + Bytes{0x26};
    ASSERT_EQ(layoutCard(body), 64);
    EXPECT_EQ(replaceLayout(0, 0, std::string(1000, 'z').c_str()), 0);
    expectLayoutTableInBounds();
    EXPECT_NE(layoutDump().find("STR:zzzz"), std::string::npos);
}

}  // namespace
