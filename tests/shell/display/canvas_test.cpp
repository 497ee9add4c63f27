// Painting hand-made layout tables and the canvas lines; the soft keys are
// the headless cases'.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "tests/support/fake_cache.h"

namespace {

// Hand-made layout tables in the layout's record formats.
struct TableBuilder {
    std::vector<uint8_t> bytes;

    void putInt(size_t at, int32_t v)
    {
        for (int i = 0; i < 4; i++)
            bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    }
    void putInts(size_t at, std::initializer_list<int32_t> values)
    {
        for (int32_t v : values)
            putInt(at, v), at += 4;
    }
    size_t begin(size_t length)
    {
        length = (length + 3) & ~size_t(3);
        size_t at = bytes.size();
        bytes.resize(at + length, 0);
        putInt(at, static_cast<int32_t>(length));
        return at;
    }
    void putText(size_t at, const std::string &text) { std::memcpy(&bytes[at], text.data(), text.size()); }

    // Layout records (resolved: xLine and yLine 0).
    size_t header(size_t length, uint32_t type, uint8_t style, int x, int y, int w, int h)
    {
        size_t at = begin(length);
        putInt(at + 4, static_cast<int32_t>(type));
        bytes[at + 8] = style;
        putInts(at + 20, {x, y, w, h});
        return at;
    }
    void text(uint8_t style, int x, int y, int w, int h, const std::string &s)
    {
        putText(header(40 + s.size(), 1, style, x, y, w, h) + 36, s);
    }
    void rect(int x, int y, int w, int h) { header(40, 3, 1, x, y, w, h); }
    void image(int x, int y, int w, int h, int naturalW, int naturalH, int dataOffset, const std::string &url,
               uint8_t style = 0)
    {
        size_t at = header(61 + url.size(), 4, style, x, y, w, h);
        putInts(at + 36, {naturalW, naturalH, dataOffset, naturalW, naturalH});
        putText(at + 56, url);
    }

    // The zero terminator, and the rest of the 4096-byte buffer.
    const uint8_t *finish()
    {
        bytes.resize(4096, 0);
        return bytes.data();
    }
};

constexpr uint32_t WHITE = 0xFFFFFF, GREY = 0x555555, BLACK = 0x000000;

uint32_t pixel(int x, int y, cairo_surface_t *s = canvasSurface())
{
    cairo_surface_flush(s);
    const uint8_t *row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const uint32_t *>(row)[x] & 0xFFFFFF;
}

struct Pixel {
    int x, y;
    uint32_t colour;
};
void expectPixels(std::initializer_list<Pixel> pixels)
{
    for (const Pixel &p : pixels)
        EXPECT_EQ(pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
}

// A 16 x 8 WBMP (type 0): a frame with a diagonal, 0 bits black.
const std::vector<uint8_t> FRAME = {0x00, 0x00, 16,   8,    0x00, 0x00, 0x4F, 0xFE, 0x73, 0xFE,
                                    0x7C, 0xFE, 0x7F, 0x3E, 0x7F, 0xCE, 0x7F, 0xF2, 0x00, 0x00};

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setCanvasSize(120, 160);
        setCanvasColours(WHITE, BLACK);
        setFixedMetrics(false);
        D_setDeckCharset(4);
        fakeCacheClear();
        setImageSource(C_retrieve);
        setScroll(0, 0);
    }
    void TearDown() override { clearCanvas(); }
};

TEST_F(CanvasTest, RecordsTouchingTheVisibleAreaAreDrawn)
{
    fakeCachePut("http://x/i.wbmp", CT_WBMP, FRAME);
    TableBuilder t;
    t.image(30, 10, 20, 8, 16, 8, 4, "http://x/i.wbmp");   // right side on the scroll x: drawn
    t.image(171, 10, 20, 8, 16, 8, 4, "http://x/i.wbmp");  // 1 pixel right of the area: skipped
    t.image(170, 10, 20, 8, 16, 8, 4, "http://x/i.wbmp");  // on the right border: drawn
    t.image(60, 171, 20, 8, 16, 8, 4, "http://x/i.wbmp");  // 1 pixel below: skipped
    t.rect(40, 20, 10, 10);                                // right side x = 50, the scroll x
    submitCanvas(t.finish(), nullptr);
    fakeCacheClear();
    setScroll(50, 0);
    EXPECT_EQ(fakeCacheRetrievals(), 2);
    EXPECT_EQ(pixel(0, 25), GREY);
}

TEST_F(CanvasTest, ShortImagesAndMalformedTablesAreSafe)
{
    std::vector<uint8_t> shortImage = {0x00, 0x00, 16, 16, 0x00, 0x00, 0x00};  // claims 32 bytes, has 3
    fakeCachePut("http://x/short.wbmp", CT_WBMP, shortImage);
    fakeCachePut("http://x/empty.wbmp", CT_WBMP, {});
    TableBuilder t;
    t.image(0, 0, 16, 16, 16, 16, 4, "http://x/short.wbmp");
    t.image(20, 0, 16, 16, 16, 16, 4, "http://x/gone.wbmp");         // evicted: blank
    t.image(40, 0, 16, 16, 16, 16, 4000000, "http://x/short.wbmp");  // offset past the end
    t.image(60, 0, 16, 16, 16, 16, 4, "http://x/empty.wbmp");
    t.image(0, 30, 2000000000, 2000000000, 2000000000, 2000000000, 4, "http://x/short.wbmp");
    t.image(80, 0, 16, 16, 16, 16, 4, "http://x/short.wbmp", 1);  // style not 0: nothing
    t.rect(100, 0, 10, 10);
    submitCanvas(t.finish(), nullptr);
    // The bytes that are there; the third begins row 1, the fourth is
    // missing: white. The rest of the card is drawn.
    expectPixels({{0, 0, BLACK},
                  {8, 1, WHITE},
                  {0, 1, BLACK},
                  {0, 5, WHITE},
                  {25, 5, WHITE},
                  {40, 0, WHITE},
                  {80, 0, WHITE},
                  {100, 0, GREY}});

    TableBuilder cut;
    cut.rect(0, 0, 10, 10);
    size_t at = cut.bytes.size();
    cut.rect(20, 0, 10, 10);
    cut.putInt(at, 4094);  // runs past the 4096-byte buffer
    cut.rect(40, 0, 10, 10);
    const uint8_t *table = cut.finish();
    submitCanvas(table, table);
    expectPixels({{0, 0, GREY}, {20, 0, WHITE}, {40, 0, WHITE}});

    TableBuilder odd;
    odd.text(0, 0, 0, 50, 15, "xyz");
    odd.putInt(0, 42);  // not a multiple of 4
    const uint8_t *oddTable = odd.finish();
    submitCanvas(oddTable, oddTable);
    EXPECT_TRUE(softKeyLabels().empty());
    // A skin's size and colours are the handset cases'; a size out of range is refused.
    EXPECT_FALSE(setCanvasSize(0, 10));
    EXPECT_FALSE(setCanvasSize(10, 5000));
}

TEST_F(CanvasTest, ExclusiveLinesRemoveThemselves)
{
    TableBuilder t;
    t.text(0, 0, 0, 120, 15, "Flash me");
    submitCanvas(t.finish(), nullptr);
    auto rows = [] {
        std::vector<uint32_t> p;
        for (int i = 0; i < 20 * 120; i++)
            p.push_back(pixel(i % 120, i / 120));
        return p;
    };
    std::vector<uint32_t> before = rows();
    D_drawLine(0, 0, 50, 0, 66);
    expectPixels({{10, 0, 0xAAAAAA}, {10, 1, 0xAAAAAA}, {50, 0, WHITE}});  // 2 pixels wide, end point left out
    D_drawLine(0, 0, 50, 0, 66);
    EXPECT_EQ(rows(), before);

    setScroll(0, 10);
    D_drawLine(5, 15, 0, 3, 0);  // plain black, shifted by the scroll
    expectPixels({{5, 5, BLACK}, {5, 7, BLACK}, {5, 8, WHITE}, {6, 5, WHITE}});
    D_drawLine(0, 0, 2000000000, 2000000000, 1);  // clipped, not walked
}

int gHookCalls = 0;

TEST(StatusTest, NewestFirstAndBounded)
{
    clearStatusList();
    DisplayHooks hooks = {};
    hooks.statusChanged = [] { gHookCalls++; };
    setDisplayHooks(&hooks);
    D_displayStatusInsert("Offline");
    D_displayStatusInsert("Online");
    EXPECT_EQ(statusList(), (std::vector<std::string>{"Online", "Offline"}));
    for (size_t i = 0; i < STATUS_LIST_MAX + 5; i++)
        D_displayStatusInsert("Idle");
    EXPECT_EQ(statusList().size(), STATUS_LIST_MAX);
    EXPECT_EQ(gHookCalls, static_cast<int>(STATUS_LIST_MAX + 7));
    setDisplayHooks(nullptr);
}

}  // namespace
