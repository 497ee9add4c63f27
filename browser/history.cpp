#include "browser/history.h"

#include <string>

#include "browser/context.h"
#include "common/log.h"
#include "prefs/prefs.h"

static void (*gHistoryGo)(const char *url, const char *postData, int method) = nullptr;  // B_go
static void (*gRebuildMenus)() = nullptr;                                                // the display's menu rebuild

void B_setHistoryHooks(void (*go)(const char *url, const char *postData, int method), void (*rebuildMenus)())
{
    gHistoryGo = go;
    gRebuildMenus = rebuildMenus;
}

static void historyChanged()
{
    if (gRebuildMenus)
        gRebuildMenus();
}

int addHistory(const char *url)
{
    UserPrefs *prefs = getContextPrefs();
    if (!url || !*url || !prefs)
        return 0;
    // A URL seen before keeps its first place.
    if (P_listTextFind(prefs->history, url) >= 0)
        return 1;
    if (!P_listTextAppend(prefs->history, url))
        return 0;
    historyChanged();
    return 1;
}

void clearHistory()
{
    UserPrefs *prefs = getContextPrefs();
    if (!prefs || prefs->history.empty())
        return;
    prefs->history = P_listTextEmpty();
    historyChanged();
    Log_str("Browser: Clear history\n");
}

int historyGo(int index)
{
    UserPrefs *prefs = getContextPrefs();
    if (index < 0 || !prefs)
        return 0;
    const char *entry = P_listTextAt(prefs->history, static_cast<size_t>(index));
    if (!entry)
        return 0;
    // The navigation may add to the list, which moves its text.
    std::string url = entry;
    Log_printf("Browser: History go %s\n", url.c_str());
    if (gHistoryGo)
        gHistoryGo(url.c_str(), "", 1);
    return 1;
}
