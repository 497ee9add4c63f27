#pragma once
// The dependency pass: requests a deck's images through the cache within
// the outstanding-request limit and applies its access element.
#include <cstdint>

// Result bits when not negative.
constexpr int LOADDEP_OLDER = 1;      // WBXML version byte 0x00: older WML than supported
constexpr int LOADDEP_NEWER = 2;      // any version byte but 0x00 and 0x01: newer
constexpr int LOADDEP_OVERFLOW = 64;  // a decoder buffer overflowed during the scan
constexpr int LOADDEP_SKIPPED = 128;  // images skipped at the limit: call again after the round
// Negative results.
constexpr int LOADDEP_NOT_CACHED = -2;
constexpr int LOADDEP_REFUSED = -5;  // the access element refuses the deck we came from

// Scans every card of the deck cached under deckUrl: each img is checked
// in (and, when missing, requested from) the cache while fewer than
// requestLimit requests have been started by this call, and skipped
// beyond; each access element is checked against the previous deck.
int LoadDep(const char *deckUrl, uint32_t requestLimit);
