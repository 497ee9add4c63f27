#pragma once
// The preferences window's logic, once for every backend: what
// its four pages show, filled from the record; OK, Restore and "Clear
// Cache". A backend copies its controls into a PrefsForm and back; it never
// touches the record itself.
//
// Texts are UTF-8, as the controls hold them. A stored text that is not
// valid UTF-8 is shown as ISO-8859-1 (and, after OK, stored as the UTF-8
// shown).
#include <cstdint>
#include <string>

#include "prefs/prefs.h"

// Text fields take at most this many bytes (255 characters of ASCII); a
// longer text is cut there, never inside a UTF-8 character.
constexpr size_t PREFS_FORM_MAX_TEXT = 255;
// The cache limits are kept in bytes and compared signed by the cache
// store, so a limit in Kb is clamped to the largest whose bytes
// stay below 2^31.
constexpr uint32_t PREFS_FORM_MAX_CACHE_KB = 0x7FFFFFFFu / 1024u;

// Drop-down entries, in order.
constexpr int PREFS_BEARER_SMS = 0;           // "SMS": bearer 3
constexpr int PREFS_BEARER_CSD = 1;           // "CSD": bearer 5
constexpr int PREFS_PORT_CONNECTION = 0;      // "Connection (9201)"
constexpr int PREFS_PORT_CONNECTIONLESS = 1;  // "Connectionless (9200)"
extern const char *const PREFS_BEARER_ENTRIES[2];
extern const char *const PREFS_PORT_ENTRIES[2];

struct PrefsForm {
    // General
    std::string homeUrl;
    bool loadOnStartup = false;  // flags bit 0
    // Cache, in Kb as typed
    std::string cacheMinKb;
    std::string cacheMaxKb;
    // Gateway
    int bearerIndex = PREFS_BEARER_CSD;  // the list is disabled
    std::string gatewayAddress;
    int portIndex = PREFS_PORT_CONNECTION;
    bool acceptPush = false;  // shown from the record, disabled, never read
    // Advanced
    std::string sduSize;
    std::string morMethod;
    std::string morPush;
    bool newContextClearsHistory = false;  // flags bit 1
    bool sharedVariables = false;          // flags bit 2
};

// Fills every page from the record and the cache limits (C_getCacheSize).
void fillPrefsForm(const UserPrefs &prefs, PrefsForm *form);

// OK: the form into the record, in the fixed order; saves the record,
// applies the cache limits (C_setCacheSize) and, when the bearer, the
// gateway address or the port changed, C_reconnect. Returns savePrefs's
// registry code (the limits and the reconnect happen either way, as the
// record in memory holds the new values).
//
// Numbers: surrounding blanks are allowed; anything else that is not all
// decimal digits, and a number that does not fit 32 bits, reads as 0 (the
// Part's rule for a field that does not hold a number). The cache limits
// are then clamped to PREFS_FORM_MAX_CACHE_KB; a minimum above the maximum
// is lowered to the maximum (it could never take effect: the cache never
// holds more than the maximum, and the minimum is what it is shrunk to).
int applyPrefsForm(const PrefsForm &form, UserPrefs *prefs);

// Restore: every field its default except the bookmarks, the cache limits
// their defaults, the record saved, C_reconnect (the gateway settings count
// as changed), then the form refilled. Returns savePrefs's code.
int restorePrefsForm(UserPrefs *prefs, PrefsForm *form);

// "Clear Cache": C_clearCache, then an empty canvas.
void clearCacheFromPrefs();

// A number field as OK reads it (rules above, before any clamping).
uint32_t prefsFormNumber(const std::string &text);
