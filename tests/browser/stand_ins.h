#pragma once
// Recording stand-ins for what the Browser's state asks of the display and
// the cache.
#include <string>
#include <vector>

struct ShownDialog {
    int kind;
    std::string title;
    std::string prompt;
};

extern std::vector<ShownDialog> gShownDialogs;   // every showDialog, in call order
extern std::vector<std::string> gStatusList;     // the status drop-down, newest first
void resetStandIns();
