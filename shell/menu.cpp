#include "shell/menu.h"

#include <cstring>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/history.h"
#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/device_choice.h"
#include "shell/devices/devices.h"
#include "shell/display_commands.h"
#include "shell/source_view.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "stack/session.h"

namespace {

constexpr size_t MENU_TEXT_MAX = 80;     // longer URLs are shortened in the menu
constexpr size_t PUSH_LIST_BYTES = 256;  // as much list text as the push dialog shows
constexpr size_t URL_MAX = 1023;         // the Goto URL field

UserPrefs *prefs() { return displayPrefs(); }

std::string menuText(const std::string &text)
{
    if (text.size() <= MENU_TEXT_MAX)
        return text;
    // Never cut inside a UTF-8 character.
    size_t end = MENU_TEXT_MAX - 3;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        end--;
    return text.substr(0, end) + "...";
}

MenuEntry entry(int command, const char *text)
{
    MenuEntry e;
    e.command = command;
    e.text = text;
    return e;
}

MenuEntry separator() { return MenuEntry{}; }

// The submenu holds what its commands can reach (52 to 199); the rest of a
// long history is in the Goto URL list.
MenuEntry historyMenu()
{
    MenuEntry history = entry(0, "History");
    history.submenu.push_back(entry(MENU_CLEAR_HISTORY, "Clear History"));
    history.submenu.push_back(separator());
    const std::string &list = prefs()->history;
    size_t count = P_listTextCount(list);
    size_t shown = std::min(count, static_cast<size_t>(MENU_HISTORY_LAST - MENU_HISTORY_FIRST + 1));
    for (size_t i = 0; i < shown; i++)
        history.submenu.push_back(
            entry(MENU_HISTORY_FIRST + static_cast<int>(i), menuText(P_listTextAt(list, i)).c_str()));
    if (count > shown) {
        MenuEntry more = entry(0, ("(" + std::to_string(count - shown) + " more in Goto URL)").c_str());
        more.enabled = false;
        history.submenu.push_back(more);
    }
    return history;
}

// The handset profiles, the stored one checked; a choice is kept as the
// preference and used from the next start, as --device is.
MenuEntry deviceMenu()
{
    MenuEntry menu = entry(0, "Handset profile");
    std::string stored = storedDevicePreference();
    MenuEntry none = entry(MENU_DEVICE_NONE, "None (the skin's screen)");
    none.checked = stored.empty() || stored == "none";
    menu.submenu.push_back(none);
    const std::vector<DeviceProfile> &profiles = DV_profiles(nullptr);
    for (size_t i = 0; i < profiles.size() && MENU_DEVICE_FIRST + static_cast<int>(i) <= MENU_DEVICE_LAST; i++) {
        const DeviceProfile &d = profiles[i];
        std::string text = d.name + " (" + std::to_string(d.width) + "x" + std::to_string(d.height) + ", " +
                           std::to_string(d.deckBudget) + " bytes)";
        MenuEntry e = entry(MENU_DEVICE_FIRST + static_cast<int>(i), menuText(text).c_str());
        e.checked = DV_find(stored) == &d;
        menu.submenu.push_back(e);
    }
    return menu;
}

void chooseDeviceFromMenu(int command)
{
    const std::vector<DeviceProfile> &profiles = DV_profiles(nullptr);
    size_t index = static_cast<size_t>(command - MENU_DEVICE_FIRST);
    std::string name = command == MENU_DEVICE_NONE || index >= profiles.size() ? "" : profiles[index].name;
    if (!storeDevicePreference(name)) {
        platform().messageBox("Tovrin", "The handset profile could not be stored.", true);
        return;
    }
    Log_printf("Display: handset profile %s kept\n", name.empty() ? "none" : name.c_str());
    platform().messageBox("Tovrin", "The handset profile is used from the next start.", false);
}

void toggleOnline()
{
    if (isOnline())
        goOffline();
    else
        goOnline(prefs());
}

void reconnect()
{
    if (isOnline()) {
        B_abort();
        C_reconnect();
    } else {
        goOnline(prefs());
    }
}

void addCurrentBookmark()
{
    const char *url = B_contextDepth() ? getURL(0) : nullptr;
    addBookmark(getCardTitle(), url);
}

struct MenuRow {
    int command;
    void (*run)();
};

// clang-format off
const MenuRow kMenuCommands[] = {
    {MENU_PREFERENCES, [] { platform().showPrefsWindow(); }},
    {MENU_BOOKMARKS, showBookmarksDialog},
    {MENU_ABOUT, showAbout},
    {MENU_SOURCE, [] { showWmlSource(); }},
    {MENU_RECONNECT, reconnect},
    {MENU_DISCONNECT, displayDisconnect},
    {MENU_EXIT, [] { platform().quit(); }},
    {MENU_CHANGE_SKIN, [] {
         std::string why;
         changeSkin("", &why);
     }},
    {MENU_ADD_BOOKMARK, addCurrentBookmark},
    {MENU_ONLINE, toggleOnline},
    {MENU_PUSH, showPushDialog},
    {MENU_CLEAR_HISTORY, clearHistory},
};
// clang-format on

}  // namespace

std::vector<MenuEntry> buildMenus()
{
    std::vector<MenuEntry> menu;
    menu.push_back(entry(MENU_ADD_BOOKMARK, "Add Bookmark"));
    menu.push_back(entry(MENU_BOOKMARKS, "Bookmarks..."));
    menu.push_back(historyMenu());
    menu.push_back(entry(MENU_PUSH, "Read push messages..."));
    menu.push_back(separator());
    menu.push_back(entry(MENU_PREFERENCES, "Preferences..."));
    menu.push_back(entry(MENU_CHANGE_SKIN, "Change Tovrin skin"));
    menu.push_back(deviceMenu());
    menu.push_back(separator());
    menu.push_back(entry(MENU_RECONNECT, "Reconnect to WAP Gateway"));
    menu.push_back(entry(MENU_DISCONNECT, "Disconnect from WAP Gateway"));
    menu.push_back(entry(MENU_ONLINE, isOnline() ? "Switch to offline mode" : "Switch to online mode"));
    menu.push_back(separator());
    menu.push_back(entry(MENU_SOURCE, "Show WML Source"));
    menu.push_back(separator());
    menu.push_back(entry(MENU_ABOUT, "About"));
    menu.push_back(separator());
    menu.push_back(entry(MENU_EXIT, "Exit"));
    return menu;
}

void runMenuCommand(int command)
{
    Log_printf("Display: menu command %d\n", command);
    if (command >= MENU_HISTORY_FIRST && command <= MENU_HISTORY_LAST) {
        historyGo(command - MENU_HISTORY_FIRST);
        return;
    }
    if (command >= MENU_DEVICE_NONE && command <= MENU_DEVICE_LAST) {
        chooseDeviceFromMenu(command);
        return;
    }
    for (const MenuRow &row : kMenuCommands) {
        if (row.command == command) {
            row.run();
            return;
        }
    }
}

bool addBookmark(const char *title, const char *url)
{
    UserPrefs *p = prefs();
    if (!p || !url || !*url)
        return false;
    std::string list = p->bookmarks;
    if (!P_listTextAppend(list, title && *title ? title : url) || !P_listTextAppend(list, url))
        return false;
    p->bookmarks = list;
    Log_printf("Display: bookmark added %s\n", url);
    return true;
}

int bookmarkCount() { return static_cast<int>(P_listTextCount(prefs()->bookmarks) / 2); }

bool getBookmark(int index, std::string *title, std::string *url)
{
    if (index < 0 || index >= bookmarkCount())
        return false;
    *title = P_listTextAt(prefs()->bookmarks, static_cast<size_t>(index) * 2);
    *url = P_listTextAt(prefs()->bookmarks, static_cast<size_t>(index) * 2 + 1);
    return true;
}

// The pair is rebuilt in place: the list before it, the new pair, the rest.
bool updateBookmark(int index, const char *title, const char *url)
{
    if (index < 0 || index >= bookmarkCount() || !url || !*url)
        return false;
    const std::string &old = prefs()->bookmarks;
    std::string list = P_listTextEmpty();
    for (int i = 0; i < bookmarkCount(); i++) {
        bool here = i == index;
        const char *t = here ? (title && *title ? title : " ") : P_listTextAt(old, static_cast<size_t>(i) * 2);
        const char *u = here ? url : P_listTextAt(old, static_cast<size_t>(i) * 2 + 1);
        if (!P_listTextAppend(list, t) || !P_listTextAppend(list, u))
            return false;
    }
    prefs()->bookmarks = list;
    return true;
}

bool deleteBookmark(int index)
{
    if (index < 0 || index >= bookmarkCount())
        return false;
    return P_listTextRemove(prefs()->bookmarks, static_cast<size_t>(index) * 2, 2);
}

bool gotoBookmark(int index)
{
    std::string title, url;
    if (!getBookmark(index, &title, &url))
        return false;
    B_go(url.c_str(), "", METHOD_GET);
    return true;
}

std::vector<std::string> historyNewestFirst()
{
    std::vector<std::string> out;
    const std::string &list = prefs()->history;
    for (size_t i = P_listTextCount(list); i > 0; i--)
        out.push_back(P_listTextAt(list, i - 1));
    return out;
}

std::vector<std::string> pushMessageList()
{
    char buffer[PUSH_LIST_BYTES + 2] = {};
    getPushList(buffer, PUSH_LIST_BYTES);
    std::vector<std::string> out;
    for (const char *p = buffer; *p && p < buffer + PUSH_LIST_BYTES; p += std::strlen(p) + 1)
        out.push_back(p);
    return out;
}

void showGotoUrlDialog()
{
    if (!isIdle()) {
        Log_str("Display: cache is busy (load in progress).  Ignoring!\n");
        return;
    }
    std::string url;
    if (platform().showGotoUrlDialog(historyNewestFirst(), &url) && !url.empty()) {
        if (url.size() > URL_MAX)
            url.resize(URL_MAX);
        B_go(url.c_str(), nullptr, METHOD_GET);
    }
}

void showBookmarksDialog() { platform().showBookmarksDialog(); }

void showPushDialog()
{
    platform().showPushDialog();
    refreshPushIndicator();
}

void showAbout()
{
    std::string text = std::string("Corvale Tovrin\n") + S_versionText() + "\n" + S_buildText();
    platform().messageBox("About Tovrin", text.c_str(), false);
}
