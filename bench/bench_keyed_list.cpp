// The keyed list is a linear chain: these figures show what a put or get
// costs at the sizes the script engine and the stack tables reach.
#include <benchmark/benchmark.h>

#include "common/keyed_list.h"

static KeyedList *filled(int n)
{
    KeyedList *list = nullptr;
    for (int i = 0; i < n; i++)
        list = KL_put(list, static_cast<KLWord>(i) * 2, i, 0, nullptr, nullptr, KL_cmpKey);
    return list;
}

// Filling an empty list with n entries in ascending order (each put walks
// to the end).
static void BM_KL_putAscending(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        KeyedList *list = filled(n);
        benchmark::DoNotOptimize(list);
        KL_free(list, nullptr, nullptr);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_KL_putAscending)->Arg(1000);

// One put and one remove of a key in the middle of a list of n.
static void BM_KL_putMiddle(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    KeyedList *list = filled(n);
    const KLWord middle = static_cast<KLWord>(n) + 1;  // odd: not present
    for (auto _ : state) {
        list = KL_put(list, middle, 1, 0, nullptr, nullptr, KL_cmpKey);
        list = KL_remove(list, middle, nullptr, nullptr, KL_cmpKey);
    }
    KL_free(list, nullptr, nullptr);
}
BENCHMARK(BM_KL_putMiddle)->Arg(1000);

// A get of every key of a list of n, cycling.
static void BM_KL_get(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    KeyedList *list = filled(n);
    KLWord key = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KL_get(list, key, nullptr, KL_cmpKey));
        key = (key + 2) % (static_cast<KLWord>(n) * 2);
    }
    KL_free(list, nullptr, nullptr);
}
BENCHMARK(BM_KL_get)->Arg(1000);
