#pragma once
// Clicks, soft keys, intrinsic events and the card timer's expiry, all
// dispatched from the event table of the current card.
#include <cstdint>

constexpr int BEVENT_NONE = 3500;
constexpr int BEVENT_ONTIMER = 3501;
constexpr int BEVENT_ONENTERFORWARD = 3502;
constexpr int BEVENT_ONENTERBACKWARD = 3503;
constexpr int BEVENT_ONPICK = 3504;
constexpr int BEVENT_SELECT = 3505;

// A left click at canvas position (x, y), scroll already included.
void B_userClick(int x, int y);
// argument: the 0-based index of the do element for BEVENT_SELECT.
void B_event(int code, int argument);
// Performs one event record of the event table. The record is copied
// before anything runs, so the table may be rewritten meanwhile.
void doEvent(const uint8_t *entry);
// The first intrinsic entry of that name.
void fireIntrinsicEvent(const char *name);
// The index-th do entry, 0-based in table order.
void activateDo(int index);

// Outlines the rectangle of a clicked item for a moment.
void flashItem(int x, int y, int width, int height);
// How flashItem waits between drawing the outline and removing it: by
// default a 200 ms sleep; a backend with its own loop gives a wait that
// keeps the window painting, and a test or a headless run gives null (no
// wait at all).
void setFlashWait(void (*wait)(int milliseconds));
