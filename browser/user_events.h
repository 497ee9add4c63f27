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
// Performs one event record of the event table.
void doEvent(const uint8_t *entry);
// The first intrinsic entry of that name.
void fireIntrinsicEvent(const char *name);
// The index-th do entry, 0-based in table order.
void activateDo(int index);
