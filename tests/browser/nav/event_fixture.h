#pragma once
// A temporary home with a real cache store holding the compiled test
// decks, the real Layout with fixed metrics, the headless dialogs and the
// recording navigation.
#include <gtest/gtest.h>

#include <string>

#include "tests/browser/nav/nav_recorder.h"
#include "tests/support/temp_home.h"

class EventTest : public testing::Test {
protected:
    TempHome home{"events"};

    void SetUp() override;
    void TearDown() override;

    // Stores the compiled deck NAME under url (content type 0x14, always fresh).
    void storeDeck(const std::string &url, const char *name);
    void storeBytes(const std::string &url, const uint8_t *bytes, size_t length);
    // Makes url the current deck and lays out its card (first when empty).
    void show(const std::string &url, const char *card = "");
    // The resolved event and layout tables, one record a line.
    std::string events() const;
    std::string layout() const;
    // The first event record whose dump line holds text, or null.
    const uint8_t *recordWith(const std::string &text) const;
    // The middle of that record.
    bool centreOf(const std::string &text, int *x, int *y) const;
    // The deck offset of that record's task.
    uint32_t codeOf(const std::string &text) const;
    // The n-th (0-based) record of the event table as raw bytes.
    const uint8_t *record(int n) const;
};

constexpr const char DECK_URL[] = "http://h/ev.wml";
