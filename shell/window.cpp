#include "shell/window.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "browser/browser.h"
#include "browser/user_events.h"
#include "common/log.h"
#include "common/registry.h"
#include "shell/device_choice.h"
#include "shell/devices/devices.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display_commands.h"
#include "shell/menu.h"
#include "shell/platform.h"
#include "shell/skin_paint.h"

namespace {

constexpr const char SKIN_KEY[] = "Software\\Corvale\\Tovrin\\Skin";
constexpr const char SKIN_VALUE[] = "SkinFile";
constexpr const char DEFAULT_SKIN[] = "tovrin.skin";
constexpr uint32_t SKIN_VALUE_MAX = 260;
constexpr const char CAPTION[] = "Corvale Tovrin";
constexpr const char INVALID_SKIN[] =
    "Invalid Tovrin skin definition file!  Please select a valid skin definition file";
constexpr const char NOT_24BIT[] =
    "Tovrin skin bitmaps are required to be 24bit BMP files.  The bitmap defined in the skin definition file is "
    "not a 24bit bitmap file!";

SkinDefinition gSkin;                   // the skin in use
std::vector<std::string> gSkinFolders;  // where skins named without a folder are looked for
int gHovered = -1;                      // the virtual button under the pointer
bool gDragging = false;                 // the window follows the pointer on release
int gGrabX = 0, gGrabY = 0;             // the grab point in the window
int gPointerX = 0, gPointerY = 0;       // the last pointer position on the screen
int gRepeat = 0;                        // the held button's command, 0 none
bool gRepeatTimer = false;              // timer 2 is running

bool fileExists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void storeSkinName(const std::string &path)
{
    RegKey key;
    bool created = false;
    if (Reg_openKey(SKIN_KEY, &key, &created) != REG_OK)
        return;
    Reg_setValue(&key, SKIN_VALUE, REG_TYPE_NONE, path.c_str(), static_cast<uint32_t>(path.size() + 1));
    Reg_closeKey(&key);
}

// The stored skin name; a first start writes the default.
bool storedSkinName(std::string *name)
{
    RegKey key;
    bool created = false;
    if (Reg_openKey(SKIN_KEY, &key, &created) != REG_OK)
        return false;
    if (created) {
        Reg_setValue(&key, SKIN_VALUE, REG_TYPE_NONE, DEFAULT_SKIN, sizeof DEFAULT_SKIN);
        Reg_closeKey(&key);
        *name = DEFAULT_SKIN;
        return true;
    }
    char buffer[SKIN_VALUE_MAX + 1] = {};
    uint32_t size = SKIN_VALUE_MAX;
    int r = Reg_queryValue(&key, SKIN_VALUE, nullptr, buffer, &size);
    Reg_closeKey(&key);
    if (r != REG_OK)
        return false;
    buffer[std::min(size, SKIN_VALUE_MAX)] = 0;
    *name = buffer;
    return !name->empty();
}

void reportBadSkin(const std::string &why, bool not24Bit)
{
    Log_printf("Display: skin refused: %s\n", why.c_str());
    if (not24Bit)
        platform().messageBox(CAPTION, NOT_24BIT, true);
    std::string text = std::string(INVALID_SKIN) + "\n\n" + why;
    platform().messageBox(CAPTION, text.c_str(), true);
}

// Puts a loaded skin in place: the canvas, the picture and the windows.
void applySkin(bool windowsExist)
{
    // A handset profile's screen, as far as the skin's screen holds it.
    int width = gSkin.canvasWidth, height = gSkin.canvasHeight;
    if (const DeviceProfile *device = DV_current()) {
        width = std::min(width, device->width);
        height = std::min(height, device->height);
    }
    setCanvasSize(width, height);
    uint32_t bg = gSkin.canvasBackground, fg = gSkin.canvasForeground;
    // The file's colours are 0x00BBGGRR, the canvas takes 0xRRGGBB.
    auto rgb = [](uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF); };
    setCanvasColours(rgb(bg), rgb(fg));
    setHandsetSkin(&gSkin);
    // The push button shows only while a push waits.
    gSkin.buttons[SKIN_PUSH].present = pushIndicatorShown();
    gHovered = -1;
    if (windowsExist)
        platform().applySkin(&gSkin);
    paintSkin();
    paintNow();
}

void stopRepeat() { gRepeat = 0; }

void pressButton(int index)
{
    const SkinButton &button = gSkin.buttons[index];
    paintButton(index, BUTTON_DOWN);
    gRepeat = button.command;
    if (!gRepeatTimer) {
        platform().startTimer(2, TIMER_REPEAT_MS);
        gRepeatTimer = true;
    }
    platform().postCommand(button.command);
}

void selectSoftKey(int index) { B_event(BEVENT_SELECT, index); }

void runMenu(int x, int y)
{
    Log_printf("Display: menu at %d,%d\n", x, y);
    int chosen = platform().popupMenu(buildMenus(), x, y);
    if (chosen)
        runMenuCommand(chosen);
    else
        Log_str("Display: menu closed\n");
}

struct CommandRow {
    int command;
    void (*run)();
};

// The one-shot commands: each clears the repeat before it runs, so that a
// held key fires once.
// clang-format off
const CommandRow kOneShots[] = {
    {CMD_ACTION1, [] { selectSoftKey(0); }},
    {CMD_ACTION2, [] { selectSoftKey(1); }},
    {CMD_PUSH, showPushDialog},
    {CMD_BOOKMARK, showBookmarksDialog},
    {CMD_BACK, displayGoPrev},
    {CMD_HOME, displayGoHome},
    {CMD_REFRESH, displayRefresh},
    {CMD_STOP, displayStop},
    {CMD_GO, showGotoUrlDialog},
    {CMD_MENU, [] {
         const SkinButton &menu = gSkin.buttons[SKIN_MENU];
         runMenu(menu.x, menu.y);
     }},
};
// clang-format on

struct KeyRow {
    const char *name;
    int command;
};

// clang-format off
const KeyRow kKeys[] = {
    {"up", CMD_SCROLL_UP},     {"down", CMD_SCROLL_DOWN}, {"left", CMD_SCROLL_LEFT}, {"right", CMD_SCROLL_RIGHT},
    {"enter", CMD_ACTION1},    {"f1", CMD_ACTION1},       {"f2", CMD_ACTION2},       {"backspace", CMD_BACK},
    {"escape", CMD_STOP},      {"f5", CMD_REFRESH},       {"alt+home", CMD_HOME},
};
// clang-format on

void onSoftKeys()
{
    const std::vector<std::string> &labels = softKeyLabels();
    platform().setButtonText(CMD_ACTION1, labels.size() > 0 ? labels[0] : "");
    platform().setButtonText(CMD_ACTION2, labels.size() > 1 ? labels[1] : "");
    std::vector<std::string> options;
    if (labels.size() > 2)
        options.assign(labels.begin() + 2, labels.end());
    platform().setListEntries(CMD_ACTION3, options, -1);
}

void onStatus()
{
    const std::vector<std::string> &status = statusList();
    platform().setListEntries(CMD_STATUS, status, status.empty() ? -1 : 0);
}

}  // namespace

const SkinDefinition &currentSkin() { return gSkin; }

void addSkinFolder(const std::string &folder)
{
    if (!folder.empty())
        gSkinFolders.push_back(folder.back() == '/' ? folder : folder + "/");
}

std::string resolveSkinPath(const std::string &name)
{
    if (name.find('/') != std::string::npos || fileExists(name))
        return name;
    for (const std::string &folder : gSkinFolders)
        if (fileExists(folder + name))
            return folder + name;
    return name;
}

bool readSkin(const std::string &path, SkinDefinition *skin, std::string *why)
{
    if (!parseSkinFile(path.c_str(), skin)) {
        *why = (path.empty() ? std::string("(no file)") : path) + ": cannot be read";
        return false;
    }
    SkinLoadResult r = loadSkinImages(skin, why);
    if (r != SKIN_OK) {
        *why = path + ": " + *why;
        return false;
    }
    return true;
}

bool loadSkinFromRegistry()
{
    std::string name;
    std::string why;
    bool stored = storedSkinName(&name);
    SkinDefinition skin;
    // A profile's own skin comes before the stored one, and is not stored.
    const DeviceProfile *device = DV_current();
    if (device && device->skin != "-" && readSkin(resolveSkinPath(device->skin), &skin, &why)) {
        gSkin = std::move(skin);
        applySkin(false);
        return true;
    }
    if (stored && readSkin(resolveSkinPath(name), &skin, &why)) {
        gSkin = std::move(skin);
        applySkin(false);
        return true;
    }
    if (!stored)
        why = "no skin is named in the settings";
    reportBadSkin(why, false);
    std::string chosen;
    while (platform().chooseFile("Select a Tovrin skin", "Tovrin skins", "*.skin", &chosen)) {
        if (readSkin(chosen, &skin, &why)) {
            storeSkinName(chosen);
            gSkin = std::move(skin);
            applySkin(false);
            return true;
        }
        reportBadSkin(why, false);
    }
    // Nobody chose one: the skin that comes with the program.
    if (readSkin(resolveSkinPath(DEFAULT_SKIN), &skin, &why)) {
        gSkin = std::move(skin);
        applySkin(false);
        return true;
    }
    Log_printf("Display: no skin can be loaded: %s\n", why.c_str());
    return false;
}

bool changeSkin(const std::string &path, std::string *why)
{
    std::string chosen = path;
    SkinDefinition skin;
    for (;;) {
        if (chosen.empty() && !platform().chooseFile("Select a Tovrin skin", "Tovrin skins", "*.skin", &chosen)) {
            *why = "no skin chosen";
            return false;
        }
        if (readSkin(chosen, &skin, why))
            break;
        reportBadSkin(*why, false);
        if (!path.empty())
            return false;  // a named file that fails: the old skin stays
        chosen.clear();
    }
    gSkin = std::move(skin);
    applySkin(true);
    storeSkinName(chosen);
    Log_printf("Display: skin %s\n", chosen.c_str());
    return true;
}

void connectDisplayToWindow()
{
    DisplayHooks hooks = displayHooks();
    hooks.canvasPainted = [] { platform().invalidateCanvas(); };
    hooks.softKeysChanged = onSoftKeys;
    hooks.statusChanged = onStatus;
    hooks.pushIndicatorChanged = [] {
        gSkin.buttons[SKIN_PUSH].present = pushIndicatorShown();
        paintSkin();
    };
    hooks.paintTitle = paintSkinTitle;
    hooks.cardSubmitted = warnOversizeDeck;
    hooks.connectionChanged = [] { paintConnectionIndicator(connectionIndicatorOn()); };
    setDisplayHooks(&hooks);
    gSkin.buttons[SKIN_PUSH].present = pushIndicatorShown();
    onSoftKeys();
    onStatus();
}

void windowMouseMove(int x, int y, int screenX, int screenY)
{
    if (gDragging) {
        gPointerX = screenX;
        gPointerY = screenY;
        return;
    }
    int hit = hitTestButton(gSkin, x, y);
    if (hit == gHovered)
        return;
    if (gHovered >= 0)
        paintButton(gHovered, BUTTON_UP);
    gHovered = hit;
    if (hit >= 0)
        paintButton(hit, BUTTON_HIGHLIGHT);
}

void windowMouseLeave()
{
    if (gDragging || gHovered < 0)
        return;
    paintButton(gHovered, BUTTON_UP);
    gHovered = -1;
}

void windowLeftDown(int x, int y, int screenX, int screenY)
{
    stopRepeat();
    int hit = hitTestButton(gSkin, x, y);
    if (hit != gHovered) {
        if (gHovered >= 0)
            paintButton(gHovered, BUTTON_UP);
        gHovered = hit;
    }
    if (hit < 0) {
        gDragging = true;
        gGrabX = x;
        gGrabY = y;
        gPointerX = screenX;
        gPointerY = screenY;
        platform().capturePointer(true);
        return;
    }
    pressButton(hit);
}

void windowLeftUp()
{
    if (gDragging) {
        gDragging = false;
        platform().capturePointer(false);
        platform().moveWindow(gPointerX - gGrabX, gPointerY - gGrabY);
    } else if (gHovered >= 0) {
        paintButton(gHovered, BUTTON_HIGHLIGHT);
    }
    stopRepeat();
}

void windowCaptureLost() { windowLeftUp(); }

void windowRightDown(int x, int y) { runMenu(x, y); }

void windowTimer(int id)
{
    if (id == TIMER_POLL) {
        B_poll(0);
        return;
    }
    if (gRepeat) {
        platform().postCommand(gRepeat);
        return;
    }
    platform().stopTimer(TIMER_REPEAT);
    gRepeatTimer = false;
}

void windowCommand(int command)
{
    if (displayScrollCommand(command)) {
        gRepeat = command;
        return;
    }
    for (const CommandRow &row : kOneShots) {
        if (row.command == command) {
            stopRepeat();
            row.run();
            return;
        }
    }
}

void windowOptionChosen(int position)
{
    if (position >= 0)
        selectSoftKey(position + 2);
}

void canvasLeftDown(int x, int y)
{
    int sx = 0, sy = 0;
    getScroll(&sx, &sy);
    B_userClick(x + sx, y + sy);
}

void canvasRightDown(int x, int y) { runMenu(gSkin.canvasX + x, gSkin.canvasY + y); }

bool windowKey(const char *name)
{
    for (const KeyRow &key : kKeys) {
        if (std::strcmp(name, key.name) == 0) {
            windowCommand(key.command);
            // A key's own repeat comes from the keyboard, not timer 2.
            stopRepeat();
            return true;
        }
    }
    return false;
}

const char *windowKeyNames() { return "up, down, left, right, enter, f1, f2, backspace, escape, f5, alt+home"; }

int hoveredButton() { return gHovered; }

int repeatCommand() { return gRepeat; }
