#pragma once
// A cache in a temporary home, with the settings store beside it and the
// log going to the state directory where tests can read it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "cache/cache_store.h"
#include "tests/support/temp_home.h"

// What the Browser and the display were asked for.
extern const char *gFakeCurrentUrl;  // getURL (0); null: no deck
extern int gPushIndicatorRefreshes;
extern std::vector<CacheResult> gPollResults;  // what C_poll (1) answered, in order
extern std::vector<std::string> gStatusShown;
extern std::vector<int32_t> gErrorsShown;
extern int gContextsPopped;

// Hands a posted event to the connection manager as the program's loop does.
void pollCache();

class CacheTest : public testing::Test {
protected:
    TempHome home{"cache"};

    void SetUp() override;
    void TearDown() override { }

    // Stores an entry with a body of bodySize bytes ('a', 'b', ...).
    int store(const std::string &url, uint32_t type, uint32_t session, uint32_t bodySize,
              uint16_t entryType = ENTRY_TYPE_NETWORK, uint16_t flag = ENTRY_COMPLETE, uint32_t tid = 0);
    std::vector<std::string> files() const;
    void writeFile(const std::string &name, const std::string &bytes) const;
    bool exists(const std::string &name) const;
    std::string log() const { return home.log(); }
};

// The URIs getPushList gives, in order.
std::vector<std::string> pushUris();
