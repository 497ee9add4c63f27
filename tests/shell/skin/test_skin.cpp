#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/skin/skin.h"
#include "tests/support/temp_home.h"

namespace {

constexpr uint32_t DARK = 0x202020, WHITE = 0xFFFFFF;

// A picture w x h of one colour, with the given pixels changed.
SkinImage picture(int w, int h, uint32_t fill)
{
    SkinImage im;
    im.width = w;
    im.height = h;
    im.pixels.assign(static_cast<size_t>(w) * h, fill);
    return im;
}

std::vector<uint8_t> bmp(const SkinImage &im)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(encodeBmp24(im, &bytes));
    return bytes;
}

void put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

BmpResult decode(const std::vector<uint8_t> &b, SkinImage *im) { return decodeBmp24(b.data(), b.size(), im); }

SkinDefinition parseLines(std::initializer_list<const char *> lines, const std::string &dir = "/skins/")
{
    SkinDefinition skin;
    for (const char *line : lines)
        parseSkinLine(line, dir, &skin);
    return skin;
}

}  // namespace

// --- the definition file ---

TEST(SkinFile, Values)
{
    SkinDefinition skin =
        parseLines({"#skin.title.y 5", "", "\n", " skin.title.x 6", "canvas.x     42\n", "canvas.y 7", "canvas.y\n",
                    "canvas.width\t-30\r\n", "canvas.height 12px", "skin.bitmap  handset.bmp\r\n",
                    "canvas.background.color FF0000", "canvas.foreground.color 00ff00\r\n"});
    EXPECT_EQ(skin.titleY, 0);  // a comment only when '#' comes first
    EXPECT_EQ(skin.titleX, 6);
    EXPECT_EQ(skin.canvasX, 42);
    EXPECT_EQ(skin.canvasY, 0);  // given twice: the last, which has no value
    EXPECT_EQ(skin.canvasWidth, -30);
    EXPECT_EQ(skin.canvasHeight, 12);
    EXPECT_EQ(skin.bitmapPath, "/skins/handset.bmp");
    EXPECT_EQ(skin.canvasBackground, 0xFF0000u);
    EXPECT_EQ(skin.canvasForeground, 0x00FF00u);
    EXPECT_EQ(skinInt("99999999999"), 2147483647);
    EXPECT_EQ(skinInt("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(skinColour("0x10"), 16u);
    EXPECT_EQ(skinColour(""), 0u);
}

TEST(SkinFile, EarlierKeyWinsAnywhereInTheLine)
{
    SkinDefinition skin = parseLines({"canvas.y canvas.x 7", "my.skin.title.xyz 3", "vbut.down.up.bitmap d.bmp"});
    EXPECT_EQ(skin.canvasX, 7);
    EXPECT_EQ(skin.canvasY, 0);
    EXPECT_EQ(skin.titleX, 3);
    EXPECT_EQ(skin.buttons[SKIN_DOWN].upPath, "/skins/d.bmp");
    EXPECT_EQ(skin.buttons[SKIN_UP].upPath, "");
}

// Paths are the file's directory and the name, up to 259 bytes.
TEST(SkinFile, ImagePaths)
{
    EXPECT_EQ(parseLines({"skin.bitmap a.bmp"}, "").bitmapPath, "a.bmp");
    EXPECT_EQ(parseLines({"skin.bitmap"}).bitmapPath, "");
    std::string dir = std::string(250, 'd') + '/';
    EXPECT_EQ(parseLines({"skin.bitmap 1234.bmp"}, dir).bitmapPath, dir + "1234.bmp");
    EXPECT_EQ(parseLines({"skin.bitmap 12345.bmp"}, dir).bitmapPath, "");
    SkinDefinition skin;
    EXPECT_FALSE(parseSkinFile("", &skin));
    EXPECT_FALSE(parseSkinFile("/nonexistent/none.skin", &skin));
}

// --- BMP pictures ---

// Bottom-up pictures are every skin's: the handset cases' screenshots.
TEST(Bmp, TopDownReadsAsBottomUp)
{
    SkinImage im = picture(3, 2, 0);
    im.pixels = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x102030};
    SkinImage flipped = im;
    std::swap_ranges(flipped.pixels.begin(), flipped.pixels.begin() + 3, flipped.pixels.begin() + 3);
    std::vector<uint8_t> b = bmp(flipped);
    put32(b, 22, static_cast<uint32_t>(-2));
    SkinImage out;
    ASSERT_EQ(decode(b, &out), BMP_OK);
    EXPECT_EQ(out.pixels, im.pixels);
}

TEST(Bmp, Refused)
{
    const std::vector<uint8_t> good = bmp(picture(3, 2, WHITE));
    SkinImage out;
    auto with = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> b = good;
        put32(b, at, v);
        return decode(b, &out);
    };
    EXPECT_EQ(decode(std::vector<uint8_t>(good.begin(), good.end() - 4), &out), BMP_TRUNCATED);
    EXPECT_EQ(decode(std::vector<uint8_t>(good.begin(), good.begin() + 30), &out), BMP_TRUNCATED);
    EXPECT_EQ(decode({'B'}, &out), BMP_NOT_BMP);
    EXPECT_EQ(with(0, 0x4D58), BMP_NOT_BMP);          // "XM"
    EXPECT_EQ(with(26, 1 | 8 << 16), BMP_NOT_24BIT);  // 8 bits
    EXPECT_EQ(with(26, 1 | 7 << 16), BMP_NOT_BMP);    // 7 bits
    EXPECT_EQ(with(30, 1), BMP_NOT_BMP);              // compressed
    EXPECT_EQ(with(18, 5000), BMP_TOO_LARGE);
    EXPECT_EQ(with(18, 0), BMP_TOO_LARGE);
    EXPECT_EQ(with(22, 0x80000000u), BMP_TOO_LARGE);  // the most negative height
    EXPECT_EQ(with(10, 0xFFFFFFF0u), BMP_TRUNCATED);  // pixels beyond the end
    EXPECT_EQ(with(10, 20), BMP_NOT_BMP);             // pixels inside the header
    EXPECT_EQ(with(14, 0xFFFFFFFFu), BMP_TRUNCATED);  // header beyond the end
    EXPECT_EQ(with(14, 12), BMP_NOT_BMP);             // OS/2 header
    EXPECT_FALSE(out.loaded());

    // A V5 header (124 bytes) before the pixels.
    std::vector<uint8_t> v5(good.begin(), good.begin() + 54);
    v5.resize(14 + 124);
    v5.insert(v5.end(), good.begin() + 54, good.end());
    put32(v5, 10, 14 + 124);
    put32(v5, 14, 124);
    EXPECT_EQ(decode(v5, &out), BMP_OK);

    EXPECT_EQ(loadBmp24("/nonexistent/x.bmp", &out), BMP_UNREADABLE);
    EXPECT_EQ(loadBmp24("/tmp", &out), BMP_UNREADABLE);
}

// --- the outline ---

// A white border; a dark 5 x 5 body holding a light 3 x 2 screen, and a
// white notch at (3, 5) joined to the border through (3, 6). At the border
// red 191 is solid, 192 light.
TEST(Outline, BorderCutAwayEnclosedScreenKept)
{
    SkinImage im = picture(7, 7, WHITE);
    for (int y = 1; y <= 5; y++)
        for (int x = 1; x <= 5; x++)
            im.pixels[y * 7 + x] = (y == 2 || y == 3) && x >= 2 && x <= 4 ? 0xC0C0C0 : DARK;
    im.pixels[5 * 7 + 3] = WHITE;
    im.pixels[0] = 0xBFFFFF;
    im.pixels[6 * 7 + 6] = 0xC0C0C0;
    std::vector<OutlineRun> runs = computeOutline(im);
    auto same = [](const OutlineRun &a, const OutlineRun &b) { return a.x == b.x && a.y == b.y && a.width == b.width; };
    const std::vector<OutlineRun> want = {{0, 0, 1}, {1, 1, 5}, {1, 2, 5}, {1, 3, 5}, {1, 4, 5}, {1, 5, 2}, {4, 5, 2}};
    ASSERT_EQ(runs.size(), want.size());
    EXPECT_TRUE(std::equal(runs.begin(), runs.end(), want.begin(), same));
    EXPECT_TRUE(computeOutline(picture(4, 4, WHITE)).empty());
    EXPECT_TRUE(computeOutline(SkinImage{}).empty());
}

// --- loading and the hit test ---

class SkinLoad : public testing::Test {
protected:
    TempDir tmp{"skin"};
    std::string dir = tmp.path + "/";
    SkinDefinition skin;
    std::string why;  // the last load's

    void SetUp() override
    {
        SkinImage body = picture(20, 10, WHITE);
        for (int y = 1; y < 9; y++)
            std::fill_n(body.pixels.begin() + y * 20 + 1, 18, DARK);
        write("body.bmp", bmp(body));
        write("white.bmp", bmp(picture(20, 10, WHITE)));
        write("b43.bmp", bmp(picture(4, 3, DARK)));
        write("b52.bmp", bmp(picture(5, 2, DARK)));
        std::vector<uint8_t> eight = bmp(picture(2, 2, DARK));
        eight[28] = 8;
        write("eight.bmp", eight);
        skin.bitmapPath = dir + "body.bmp";
        skin.canvasX = 2, skin.canvasY = 2, skin.canvasWidth = 16, skin.canvasHeight = 6;
    }
    void write(const char *name, const std::vector<uint8_t> &b)
    {
        std::ofstream(dir + name, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), b.size());
    }
    SkinLoadResult load() { return loadSkinImages(&skin, &why); }
};

TEST_F(SkinLoad, BadSkins)
{
    skin.bitmapPath.clear();
    EXPECT_EQ(load(), SKIN_NO_BITMAP);
    skin.bitmapPath = dir + "eight.bmp";
    EXPECT_EQ(load(), SKIN_BITMAP_NOT_24BIT);
    EXPECT_EQ(why, dir + "eight.bmp: not a 24-bit BMP picture.");
    skin.bitmapPath = dir + "white.bmp";
    EXPECT_EQ(load(), SKIN_NO_OUTLINE);
    skin.bitmapPath = dir + "body.bmp";
    skin.canvasWidth = 19;
    EXPECT_EQ(load(), SKIN_CANVAS_OUTSIDE);
    skin.canvasWidth = 0;
    EXPECT_EQ(load(), SKIN_CANVAS_OUTSIDE);
    skin.canvasWidth = 16, skin.canvasX = -1;
    EXPECT_EQ(load(), SKIN_CANVAS_OUTSIDE);
    EXPECT_FALSE(skin.loaded);
}

TEST_F(SkinLoad, ButtonsIndicatorAndHitTest)
{
    SkinButton &back = skin.buttons[SKIN_BACK], &bookmark = skin.buttons[SKIN_BOOKMARK];
    back.upPath = dir + "b43.bmp";
    back.highlightPath = dir + "b52.bmp";  // the last to load gives the size
    bookmark.x = 5;
    bookmark.downPath = dir + "b43.bmp";
    skin.buttons[SKIN_MENU].upPath = dir + "none.bmp";  // present, nothing loaded
    skin.indicatorOnPath = dir + "b43.bmp";             // "off" missing
    ASSERT_EQ(load(), SKIN_OK);
    EXPECT_EQ(back.width, 5);
    EXPECT_EQ(back.height, 2);
    EXPECT_TRUE(skin.buttons[SKIN_MENU].present);
    EXPECT_FALSE(skin.buttons[SKIN_HOME].present);
    EXPECT_FALSE(skin.indicatorPresent);

    // Clicks on a real skin's buttons are the window test's; here the edges.
    EXPECT_EQ(hitTestButton(skin, 5, 1), SKIN_BACK);  // shared edge: the earlier
    EXPECT_EQ(hitTestButton(skin, 9, 3), SKIN_BOOKMARK);
    EXPECT_EQ(hitTestButton(skin, 10, 3), -1);
    back.present = false;
    EXPECT_EQ(hitTestButton(skin, 5, 1), SKIN_BOOKMARK);

    skin.indicatorOffPath = dir + "b52.bmp";
    ASSERT_EQ(load(), SKIN_OK);
    EXPECT_TRUE(skin.indicatorPresent);
    EXPECT_EQ(skin.indicatorWidth, 4);
    EXPECT_EQ(skin.indicatorHeight, 3);
}
