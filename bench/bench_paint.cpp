// paintNow for a full 120 x 160 card of text records: what every repaint of
// a text card costs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"

namespace {

void putInt(std::vector<uint8_t> &table, size_t at, int32_t v)
{
    for (int i = 0; i < 4; i++)
        table[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

// Ten lines of 15 pixels, each of three words in alternating styles.
std::vector<uint8_t> textCard()
{
    const char *words[] = {"Tovrin", "paints", "cards"};
    const uint8_t styles[] = {0, STYLE_BOLD, STYLE_LINK};
    std::vector<uint8_t> table;
    for (int line = 0; line < 10; line++) {
        int x = 0;
        for (int i = 0; i < 3; i++) {
            int width = 0, height = 0;
            measureText(styles[i], words[i], &width, &height);
            size_t length = (40 + std::strlen(words[i]) + 3) & ~size_t(3);
            size_t at = table.size();
            table.resize(at + length, 0);
            putInt(table, at, static_cast<int32_t>(length));
            putInt(table, at + 4, 1);
            table[at + 8] = styles[i];
            putInt(table, at + 20, x);
            putInt(table, at + 24, line * 15 + 5);
            putInt(table, at + 28, width);
            putInt(table, at + 32, height);
            std::memcpy(&table[at + 36], words[i], std::strlen(words[i]));
            x += width + 4;
        }
    }
    table.resize(4096, 0);
    return table;
}

void BM_PaintTextCard(benchmark::State &state)
{
    Log_setMode(LOG_OFF);
    setCanvasSize(120, 160);
    std::vector<uint8_t> table = textCard();
    std::vector<uint8_t> events(4096, 0);
    submitCanvas(table.data(), events.data());
    for (auto _ : state)
        paintNow();
}
BENCHMARK(BM_PaintTextCard);

}  // namespace
