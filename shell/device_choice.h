#pragma once
// Which handset profile a run uses: --device NAME, else the stored
// "Device" preference, else none (the skin alone decides, as always).
#include <string>

#include "shell/options.h"

// Selects the profile for this run; false with the reason (unknown name)
// in why. Bad lines of the profile file go to standard error when a
// profile is asked for.
bool chooseDevice(const CommandLine &cmd, std::string *why);
// The stored preference ("" when none).
std::string storedDevicePreference();
// Stores name as the preference ("" removes it); false when the store
// cannot be written.
bool storeDevicePreference(const std::string &name);
// The status-line warning for a deck over the profile's budget.
std::string oversizeText(unsigned long deckBytes, long budget);
// The display's hook after a card is submitted: warns on the status line
// when the deck on show is larger than the profile's deck budget.
void warnOversizeDeck();
