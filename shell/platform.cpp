#include "shell/platform.h"

namespace {

const Platform *gPlatform = nullptr;  // the backend in use

bool complete(const Platform &p)
{
    return p.createWindows && p.applySkin && p.showMainWindow && p.destroyWindows && p.invalidateHandset &&
           p.invalidateCanvas && p.setButtonText && p.setListEntries && p.getWindowOrigin && p.moveWindow &&
           p.capturePointer && p.startTimer && p.stopTimer && p.popupMenu && p.showDialog && p.messageBox &&
           p.chooseFile && p.showPrefsWindow && p.showGotoUrlDialog && p.showBookmarksDialog && p.showPushDialog &&
           p.spawn && p.postCommand && p.quit;
}

}  // namespace

bool setPlatform(const Platform *platform)
{
    if (!platform || !complete(*platform))
        return false;
    gPlatform = platform;
    return true;
}

const Platform &platform() { return *gPlatform; }
