#pragma once
// In-memory stand-ins for what the deck passes use from the cache, the
// contexts, the card timer and the display, so the passes are tested alone.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/support/fake_cache.h"

// Hand-made decks: a WML 1.1 header in charset with a string table, an
// inline string, parts joined.
using Bytes = std::vector<uint8_t>;
Bytes header(uint8_t charset = 4, const std::string &table = "");
Bytes str(const std::string &text);
Bytes operator+(Bytes a, const Bytes &b);

// The compiled test deck NAME.wmlc (built from tests/wml/decks/NAME.wml).
std::vector<uint8_t> loadDeck(const char *name);

// Variables of the one fake context; cleared by fakeReset.
extern std::map<std::string, std::string> gFakeVars;
extern std::string gFakeCardName, gFakeCardTitle;
extern int gFakeNewContexts;  // newContext calls
extern int gFakeTimerValue;   // last setTimer value, -1 when none
extern std::string gFakeTimerVar;
extern int gFakeCanvasWidth, gFakeCanvasHeight;
void fakeReset();
