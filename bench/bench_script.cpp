// Instructions per second of the WMLScript engine on compiled units: a
// loop of a million iterations (arithmetic, comparison, concatenation) and
// a recursive function.
#include <benchmark/benchmark.h>

#include <string>

#include "script/interpreter.h"
#include "tests/script/script_fakes.h"

static void runCall(benchmark::State &state, const char *call)
{
    fakeCacheClear();
    if (!fakeCachePutUnit("bench.wmlsc", "engine_bench")) {
        state.SkipWithError("engine_bench.wmlsc not built");
        return;
    }
    setScriptBudget({UINT64_MAX, UINT64_MAX, UINT64_MAX});
    uint64_t instructions = 0;
    for (auto _ : state) {
        int32_t error = 0;
        if (!runScript(call, 0, &error)) {
            state.SkipWithError(("script error " + std::to_string(error)).c_str());
            break;
        }
        instructions += lastScriptUsage().instructions;
    }
    stopScript();
    setScriptBudget({});
    state.counters["instructions"] = static_cast<double>(instructions) / static_cast<double>(state.iterations());
    state.counters["instr_per_s"] = benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
}

static void BM_ScriptLoop(benchmark::State &state) { runCall(state, "bench.wmlsc#loop(1000000)"); }
BENCHMARK(BM_ScriptLoop)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_ScriptRecursion(benchmark::State &state) { runCall(state, "bench.wmlsc#fib(22)"); }
BENCHMARK(BM_ScriptRecursion)->Unit(benchmark::kMillisecond)->Iterations(3);
