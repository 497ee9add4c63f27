#pragma once
// The interpreter: runs one WMLScript function call to completion,
// synchronously, inside the caller's call.
#include <cstdint>

#include "script/script_value.h"
#include "script/unit.h"

// The current execution position (one process-wide record).
extern ScriptFrame gScriptFrame;

// Instructions one run may execute before it is ended with 4100: enough
// for any real script, small enough that a runaway loop does not freeze
// the browser for long.
constexpr uint64_t SCRIPT_DEFAULT_BUDGET = 50000000;
// The run-time error of a script that ran out of budget.
constexpr int32_t SE_RUNAWAY = SE_VERIFY;

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

// The instruction budget of later runs (0 restores the default).
void setScriptBudget(uint64_t instructions);
// Instructions executed by the last run (for the benchmark).
uint64_t lastScriptInstructions();
