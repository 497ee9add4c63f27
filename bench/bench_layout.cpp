// One Layout pass over a news deck of about 1,400 bytes that fills a
// 120x160 screen several times over: text, links, fields, an image and a
// table.
#include <benchmark/benchmark.h>

#include "common/log.h"
#include "tests/wml/fakes.h"
#include "wml/layout.h"

static void BM_LayoutNewsCard(benchmark::State &state)
{
    Log_setMode(LOG_OFF);
    fakeReset();
    layoutTablesInit();
    fakeCachePut("http://bench/news.wml", 0x14, loadDeck("layout_bench"));
    fakeCachePut("logo.wbmp", 0x21, {0x00, 0x00, 0x20, 0x10});
    for (auto _ : state)
        benchmark::DoNotOptimize(Layout("http://bench/news.wml", "news"));
}
BENCHMARK(BM_LayoutNewsCard);
