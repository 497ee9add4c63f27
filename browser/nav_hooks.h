#pragma once
// The navigations the deck passes and the script library ask for. They
// sit below the Browser and cannot link it, so B_init fills this record
// (no-ops before then); a test defines it with its own stand-ins.
#include <string>
#include <vector>

// One setvar of a go or prev task, its value already substituted.
struct TaskVar {
    std::string name;
    std::string value;
};

struct NavHooks {
    void (*setTaskVars)(std::vector<TaskVar> vars);  // B_setTaskVars
    void (*go)(const char *url, const char *postData, int method);
    void (*prev)();
    void (*refresh)();   // fetch the deck again
    void (*relayout)();  // lay the deck out again from the cache
};
extern NavHooks gNavHooks;
