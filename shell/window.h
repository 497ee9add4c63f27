#pragma once
// The main window's logic, once for both backends: the skin in use, hover,
// press and drag over the handset, the held button's repeat, the commands
// of the buttons, controls and keys, and the popup menu. The backends turn
// their events into these calls, in handset pixels (zoom already taken off).
#include <string>

#include "shell/skin/skin.h"

// The skin in use (loaded at start-up, replaced by changeSkin).
const SkinDefinition &currentSkin();

// Folders searched for a skin named without a folder (the installed skins
// beside the program), in order.
void addSkinFolder(const std::string &folder);
// A skin name as stored ("tovrin.skin") to a path that exists, or the name
// unchanged when none does.
std::string resolveSkinPath(const std::string &name);
// Parses and loads the skin at path into skin; false with why (naming the
// file and the reason) when it cannot be used.
bool readSkin(const std::string &path, SkinDefinition *skin, std::string *why);
// The skin named in the store ("Software\Corvale\Tovrin\Skin", "SkinFile";
// written as "tovrin.skin" on a first start). A skin that cannot be used
// is reported and the file chooser offered; cancelled, the default skin is
// tried. false when no skin can be loaded at all.
bool loadSkinFromRegistry();
// Another skin on the existing windows; the previous one stays when the
// chosen file cannot be used. path empty: the file chooser asks.
bool changeSkin(const std::string &path, std::string *why);

// Wires the display's hooks (soft keys, status, canvas, title, indicators)
// to the platform. Called once the windows exist.
void connectDisplayToWindow();

void windowMouseMove(int x, int y, int screenX, int screenY);
void windowMouseLeave();
void windowLeftDown(int x, int y, int screenX, int screenY);
void windowLeftUp();
void windowCaptureLost();
void windowRightDown(int x, int y);
void windowTimer(int id);
// A command word of a virtual button, a native control or the menu.
void windowCommand(int command);
// A choice confirmed in the options drop-down (1009).
void windowOptionChosen(int position);
void canvasLeftDown(int x, int y);
void canvasRightDown(int x, int y);

// The handset's keys: "up", "down", "left", "right", "enter", "f1", "f2",
// "backspace", "escape", "f5", "alt+home"; false for any other name.
bool windowKey(const char *name);
// The names windowKey knows, for messages.
const char *windowKeyNames();

// The hovered button (-1 none) and the repeat command, for tests.
int hoveredButton();
int repeatCommand();
