#include "tests/browser/stand_ins.h"

#include "shell/dialog.h"
#include "shell/display.h"

std::vector<ShownDialog> gShownDialogs;
std::vector<std::string> gStatusList;

void resetStandIns()
{
    gShownDialogs.clear();
    gStatusList.clear();
}

int showDialog(DialogRequest *request)
{
    gShownDialogs.push_back({request->kind, request->title ? request->title : "", request->prompt ? request->prompt : ""});
    return 0;
}

void displayStatusInsert(const char *text) { gStatusList.insert(gStatusList.begin(), text); }

void C_setCacheSize(uint32_t, uint32_t) {}
