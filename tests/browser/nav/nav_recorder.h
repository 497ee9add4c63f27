#pragma once
// A recording stand-in for the Browser's navigation: each call is noted,
// and a test may hang its own work on B_go to re-enter the passes.
#include <functional>
#include <string>
#include <vector>

#include "browser/browser.h"

struct NavCall {
    std::string op;  // "go", "prev", "refresh", "refreshLayout"
    std::string url;
    std::string postData;  // "(null)" for none
    int method;
    std::vector<TaskVar> vars;  // the setvars handed over with a go or prev
};

extern std::vector<NavCall> gNavCalls;
// Runs inside B_go, after the call is noted; empty: nothing.
extern std::function<void(const NavCall &)> gOnGo;
void resetNavRecorder();
