#pragma once
// The interpreter: runs one WMLScript function call to completion,
// synchronously, inside the caller's call.
#include <cstdint>

#include "script/script_value.h"
#include "script/unit.h"

// The current execution position (one process-wide record).
extern ScriptFrame gScriptFrame;

// What one run may spend. Past any of the three the run ends with
// SE_RUNAWAY, the card stays as it was and the Browser shows its message.
struct ScriptBudget {
    uint64_t instructions;    // instructions executed
    uint64_t bytes;           // text copied or allocated (gScriptBytes)
    uint64_t cpuNanoseconds;  // CPU time of the thread, dialogs' waits excluded
};

// The CPU time one run may take: a script that freezes the handset for
// longer is broken, and a real one needs a few milliseconds at most.
constexpr uint64_t SCRIPT_CPU_LIMIT_MS = 1000;

// 50 million instructions: a real script runs a few thousand. 256 MiB of
// text: building a 4096-byte text (all a card can show) one character at
// a time moves 56 MiB through the stores, and a script may do that four
// times over; the costliest way to spend it takes 0.2 s of CPU.
constexpr ScriptBudget SCRIPT_DEFAULT_BUDGET = {50000000, 256u << 20, SCRIPT_CPU_LIMIT_MS * 1000000};
// The run-time error of a script that ran out of budget.
constexpr int32_t SE_RUNAWAY = SE_VERIFY;

// What the last run spent (for the benchmarks).
struct ScriptUsage {
    uint64_t instructions;
    uint64_t bytes;
    uint64_t cpuNanoseconds;
};

// Start (callText given, wakeup 0): loads "unit URL#name(args)" from the
// cache and runs it. Stop (callText null, wakeup 0): releases the unit URL.
// Resume (wakeup not 0): 4003 without a unit URL. Returns whether *error
// is 0. A start while a run is in progress (a script started from a
// library call) is refused with 4101.
bool runScript(const char *callText, int32_t wakeup, int32_t *error);
// Empties the variables, operand stack and call frames and releases the
// unit; ignored while a run is in progress.
void stopScript();
// Executes one instruction; false ends the run (*error 0 for the normal
// end).
bool stepScript(ScriptFrame *frame, ScriptUnit *unit, int32_t *error);

// The budget of later runs; a zero field takes its default, UINT64_MAX
// lifts that limit.
void setScriptBudget(const ScriptBudget &budget);
ScriptUsage lastScriptUsage();
