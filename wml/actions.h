#pragma once
// The two passes that act on a card's events: Actions runs the task found
// at a deck offset, GetURL decodes one URL attribute with the variables of
// this moment.
#include <cstdint>

// Runs the go (with its setvar and postfield children), prev or refresh
// task at offset. -2 when the deck is not cached, 64 when something
// overflowed, else 0.
int Actions(const char *deckUrl, uint32_t offset);
// The value of the attribute named by encoded ("@" and a decimal deck
// offset), or null when the deck is not cached. The text lives in the
// decoder's attribute list until the next pass: a caller that runs
// another pass first must copy it. Text that is not "@" and digits is a
// URL already and comes back as it is (encoded itself).
const char *GetURL(const char *deckUrl, const char *encoded);
