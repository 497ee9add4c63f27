#pragma once
// The Browser's navigation state, shared by its two files: navigation.cpp
// (the requests: B_go, B_prev, B_refresh, B_abort) and
// navigation_states.cpp (the poll and the states it advances through).
#include <cstdint>
#include <string>
#include <vector>

#include "browser/browser.h"

extern int32_t gBrowserState;              // BSTATE_*: what the Browser is waiting for
extern int32_t gNavDirection;              // the enter event still to fire (BEVENT_*), or BEVENT_NONE
extern int32_t gForceReload;               // 1: the cache must not answer from a stored copy
extern std::string gCurScript;             // escaped URL of the script goScript last started
extern int32_t gVmWakeup;                  // wake-up value handed to the interpreter
extern uint8_t gDepsPending;               // the dependency check wants another round
extern int32_t gDepRounds;                 // dependency rounds of the current layout
extern bool gStopping;                     // aborting our own requests: their aborts pop nothing
extern bool gBrowserUp;                    // between B_init and B_shutdown
extern std::vector<TaskVar> gTaskVars;     // handed over for the next B_go or B_prev
extern std::vector<TaskVar> gArrivalVars;  // the setvars of the navigation in progress
extern uint32_t gArrivalDepth;             // the context depth at which they are set
extern bool gArrivalOrigin;                // a go's: also set in the context below, where it left from

// Enters state and records it in the trail.
void setBrowserState(int32_t state);
void noteTrail(const char *step);
// The request limit for LoadDep: the negotiated outstanding method
// requests, at least 1.
uint32_t dependencyLimit();
// The script that BSTATE_WAITING_VM waited for, now in the cache.
void runWaitingScript();
// The navigation in progress arrived: its setvars go into the top context
// when that is still the one it reached. Either way they are spent.
void applyArrivalVars();
// It failed or was given up: its setvars are dropped.
void dropArrivalVars();
