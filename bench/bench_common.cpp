#include <benchmark/benchmark.h>

#include <iterator>

#include "common/url.h"

// Resolution as the Browser does it for every link: relative names,
// parent directories, fragments and absolute references.
static void BM_resolveUrl(benchmark::State &state)
{
    static const char *const PAIRS[][2] = {
        {"http://wap.example.net:9201/news/today/index.wml?p=1", "story.wml"},
        {"http://wap.example.net/news/today/index.wml", "../../sport/scores.wml"},
        {"http://wap.example.net/news/today/", "../weather.wml#rain"},
        {"http://wap.example.net/news/index.wml?p=2#top", "#bottom"},
        {"http://wap.example.net/news/index.wml", "/home.wml"},
        {"http://wap.example.net/news/index.wml", "http://other.example.org/a/b.wml?x=1"},
    };
    char out[256];
    for (auto _ : state) {
        for (const auto &pair : PAIRS) {
            benchmark::DoNotOptimize(resolveUrl(pair[0], pair[1], out, sizeof out));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(std::size(PAIRS)));
}
BENCHMARK(BM_resolveUrl);
