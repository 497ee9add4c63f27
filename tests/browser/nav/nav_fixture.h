#pragma once
// The Browser over a real cache store in a temporary home, real decks
// compiled from tests/wml/decks, the real layout and the headless display;
// only the session layer is scripted: every posted event goes to B_poll (1),
// and connecting is confirmed at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "prefs/prefs.h"
#include "tests/support/scripted_session.h"
#include "tests/support/temp_home.h"

inline std::vector<ScriptedRequest> &gNavRequests = gScripted.sent;

class NavTest : public testing::Test {
protected:
    TempHome home{"nav"};
    UserPrefs prefs;

    void SetUp() override;
    void TearDown() override;

    // Starts the Browser with the gateway in that mode and that limit of
    // outstanding requests.
    void start(uint32_t port, uint32_t morMethod = 8);
    // The compiled test deck NAME.wmlc.
    static std::vector<uint8_t> deck(const char *name);
    // Stores content in the cache as if it had been fetched.
    static void put(const std::string &url, uint32_t type, const std::vector<uint8_t> &body);
    std::string log() const { return home.log(); }
    // The current card's text records and title, one line each.
    static std::string screen();
    // Error and warning texts shown since the last call.
    static std::vector<std::string> messages();
};

// A WBMP of 8 x 1 pixels.
inline std::vector<uint8_t> tinyImage() { return {0x00, 0x00, 0x08, 0x01, 0xA5}; }
