// One card as the program does it: the deck read from the cache, laid out
// with the real fonts, and painted. The deck (tests/wml/decks/layout_bench)
// is about 1,400 bytes and fills a 120x160 screen several times over.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "browser/context.h"
#include "cache/cache.h"
#include "cache/cache_store.h"
#include "common/directories.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "wml/layout.h"

namespace {

const char kUrl[] = "http://bench/news.wml#news";

bool gReady = false;

void setUp()
{
    if (gReady)
        return;
    char home[] = "/tmp/tovrin-bench-XXXXXX";
    if (!mkdtemp(home) || !Dir_initDirectories(home))
        std::abort();
    Log_setMode(LOG_OFF);
    C_init(nullptr);
    layoutTablesInit();
    setCanvasSize(120, 160);
    setImageSource(C_retrieve);
    std::ifstream in(std::string(BENCH_DECK_DIR) + "/layout_bench.wmlc", std::ios::binary);
    std::vector<uint8_t> deck((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string key = C_makeCacheKey(kUrl);
    CacheEntry entry{};
    entry.contentType = CT_WMLC;
    entry.url = key.data();
    entry.body = deck.data();
    entry.bodyLength = static_cast<uint32_t>(deck.size());
    entry.entryType = ENTRY_TYPE_NETWORK;
    entry.freshness = FRESH_ALWAYS;
    if (deck.empty() || putEntry(&entry) != PUTENTRY_STORED)
        std::abort();
    pushContext(kUrl, CONTEXT_NEW);
    gReady = true;
}

void BM_LayoutCardWithFonts(benchmark::State &state)
{
    setUp();
    for (auto _ : state)
        benchmark::DoNotOptimize(Layout(kUrl, "news"));
}
BENCHMARK(BM_LayoutCardWithFonts);

void BM_PaintCard(benchmark::State &state)
{
    setUp();
    Layout(kUrl, "news");
    submitCanvas(W_getLayoutTable(), W_getEventTable());
    for (auto _ : state)
        paintNow();
}
BENCHMARK(BM_PaintCard);

}  // namespace
