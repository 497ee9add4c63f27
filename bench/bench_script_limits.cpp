// The longest single script runs: each script of limits.wmls tries to
// outspend a run (the longest strings copied for ever, recursion with
// them, a string built a character at a time, searches, calls that create
// hundreds of variables, a bare loop) under the default budget, with the
// real libraries and recording stand-ins for the Browser. The CPU column
// of the slowest is the longest a script can keep the browser busy.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "common/log.h"
#include "script/interpreter.h"
#include "tests/script/lib_stand_ins.h"

static void runLimited(benchmark::State &state, const char *call)
{
    Log_setMode(LOG_OFF);
    resetLibStandIns();
    std::ifstream in(std::string(WMLS_DIR) + "/limits.wmlsc", std::ios::binary);
    if (!in) {
        state.SkipWithError("limits.wmlsc not built");
        return;
    }
    gCacheEntries[{"http://h/limits.wmlsc", 0x15}] = std::string(std::istreambuf_iterator<char>(in), {});
    setScriptBudget({});
    std::string text = std::string("http://h/limits.wmlsc#") + call;
    int32_t error = 0;
    for (auto _ : state) {
        runScript(text.c_str(), 0, &error);
        stopScript();
        gVars.clear();
    }
    ScriptUsage used = lastScriptUsage();
    state.counters["error"] = error;
    state.counters["instructions"] = static_cast<double>(used.instructions);
    state.counters["MiB"] = static_cast<double>(used.bytes) / (1 << 20);
    state.counters["run_cpu_ms"] = static_cast<double>(used.cpuNanoseconds) / 1e6;
}

#define LIMITED(name, call)                                                           \
    static void BM_Limit_##name(benchmark::State &state) { runLimited(state, call); } \
    BENCHMARK(BM_Limit_##name)->Unit(benchmark::kMillisecond)->Iterations(3)

LIMITED(Grow, "grow()");
LIMITED(CopyLoop, "copyLoop()");
LIMITED(OneByOne, "oneByOne()");
LIMITED(Recurse, "recurse()");
LIMITED(Search, "search()");
LIMITED(Wide, "wide()");
LIMITED(Spin, "spin()");
