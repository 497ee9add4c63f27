#include "tests/browser/nav/nav_recorder.h"

#include "browser/browser.h"

std::vector<NavCall> gNavCalls;
std::function<void(const NavCall &)> gOnGo;
static std::vector<TaskVar> gHandedVars;  // from B_setTaskVars, for the next go or prev

void resetNavRecorder()
{
    gNavCalls.clear();
    gOnGo = nullptr;
    gHandedVars.clear();
}

void B_setTaskVars(std::vector<TaskVar> vars) { gHandedVars = std::move(vars); }

void B_go(const char *url, const char *postData, int method)
{
    gNavCalls.push_back({"go", url ? url : "(null)", postData ? postData : "(null)", method, std::move(gHandedVars)});
    gHandedVars.clear();
    if (gOnGo) {
        NavCall call = gNavCalls.back();
        gOnGo(call);
    }
}

void B_prev()
{
    gNavCalls.push_back({"prev", "", "", 0, std::move(gHandedVars)});
    gHandedVars.clear();
}
void B_refresh() { gNavCalls.push_back({"refresh", "", "", 0, {}}); }
void refreshLayout() { gNavCalls.push_back({"refreshLayout", "", "", 0, {}}); }
NavHooks gNavHooks = {B_setTaskVars, B_go, B_prev, B_refresh, refreshLayout};
// What the cache asks of the Browser.
void B_poll(int) { }
