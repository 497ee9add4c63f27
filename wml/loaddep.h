#pragma once
// The dependency pass: requests a deck's images through the cache within
// the outstanding-request limit and applies its access element.

// Negative: -5 access refused, -2 not cached, other negatives errors;
// otherwise result bits: 1 older WML, 2 newer WML, 128 images still
// outstanding (call again after the next round).
int LoadDep(const char *deckUrl, uint32_t requestLimit);
