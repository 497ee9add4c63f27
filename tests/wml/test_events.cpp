#include <gtest/gtest.h>

#include "tests/wml/fakes.h"
#include "tests/wml/layout_helpers.h"
#include "wml/layout.h"

namespace {

class EventsTest : public testing::Test {
protected:
    void SetUp() override
    {
        fakeReset();
        fakeCacheClear();
        ASSERT_EQ(layoutTablesInit(), 0);
    }
};

TEST_F(EventsTest, GoldenEventsDeckAndTokenCard)
{
    gFakeVars["pw"] = "wxyz";  // an existing variable keeps its value
    EXPECT_EQ(layoutDeck("events_deck"), 0);
    // Beyond the golden dumps: the variables and the timer.
    expectGolden("events_deck");
    EXPECT_EQ(gFakeVars["user"], "bob");
    EXPECT_EQ(gFakeVars["pw"], "wxyz");
    EXPECT_EQ(gFakeTimerValue, 50);
    EXPECT_EQ(gFakeTimerVar, "t");
    EXPECT_EQ(layoutDeck("events_deck", "tokens"), 0);
    expectGolden("events_deck_tokens");
}

// Option values made of the URL value tokens the compiler never emits
// (http://, http://www., https://, https://www.) and an xml:lang attribute.
TEST_F(EventsTest, HandMadeValueTokens)
{
    std::vector<uint8_t> select = {0xF7, 0x21, 0x03, 's', 0, 0x50, 0x03, 'e', 'n', 0, 0x01};
    for (uint8_t token : {0x8E, 0x8F, 0x90, 0x91})
        select = select + Bytes{0xB5, 0x4D, token, 0x03, 'x', 0, 0x01};
    select.push_back(0x01);
    EXPECT_EQ(layoutCard(select), 0);
    EXPECT_EQ(eventDump(), "E7 @(0,0) x(90,12) N=4 Mutiple=0 IName=[]\n  Prompt []"
                           "\n   --> [][http://x][]\n   --> [][http://www.x][]"
                           "\n   --> [][https://x][]\n   --> [][https://www.x][]\n");
}

// Everything the deck sets in an event record is cut to its field.
TEST_F(EventsTest, LongValuesAreCutToTheirFields)
{
    std::string name(40, 'n'), title(300, 't'), format(300, 'f');
    Bytes input = Bytes{0xAF, 0x21} + str(name) + Bytes{0x36} + str(title) + Bytes{0x12} + str(format) + Bytes{0x01};
    Bytes doElem = Bytes{0xE8, 0x21} + str(std::string(40, 'd')) + Bytes{0x18} + str(title) + Bytes{0x37} +
                   str(format) + Bytes{0x01, 0x01};
    EXPECT_EQ(layoutCard(input + doElem), 0);
    std::string events = eventDump();
    std::string prompt = events.substr(events.find("Prompt [") + 8);
    EXPECT_EQ(prompt.find(']'), 111u);  // TITLE gets what FORMAT leaves of 229 bytes
    EXPECT_NE(events.find("E3 [" + std::string(31, 'd') + "] Label [" + std::string(15, 't') + "] Type [" +
                          std::string(35, 'f') + "]"),
              std::string::npos);
    EXPECT_EQ(gFakeVars.count(std::string(31, 'n')), 1u);
}

TEST_F(EventsTest, OptionsStopAtTheTableLimits)
{
    std::vector<uint8_t> select = {0xF7, 0x21, 0x03, 's', 0, 0x01};
    for (int i = 0; i < 300; i++)
        select = select + Bytes{0xF5, 0x4D} + str(std::string(40, 'v')) + Bytes{0x01} + str("label") + Bytes{0x01};
    select.push_back(0x01);
    EXPECT_EQ(layoutCard(select + str("after")), 64);
    std::string events = eventDump();
    int options = countLines(events, "   --> [label]");
    EXPECT_GT(options, 50);
    EXPECT_LT(options, 100);
    EXPECT_NE(events.find("N=" + std::to_string(options) + " "), std::string::npos);
    EXPECT_NE(layoutDump().find("STR:after"), std::string::npos);
    // The option count is one byte: 255 empty options of 3 bytes each.
    select = {0xF7, 0x21, 0x03, 's', 0, 0x01};
    for (int i = 0; i < 300; i++)
        select.push_back(0x35);
    select.push_back(0x01);
    EXPECT_EQ(layoutCard(select), 64);
    EXPECT_EQ(countLines(eventDump(), "   --> [][][]"), 255);
}

TEST_F(EventsTest, EventTableOverflow)
{
    std::vector<uint8_t> links;
    for (int i = 0; i < 80; i++)
        links = links + Bytes{0xDC, 0x4A, 0x03, 'u', 0, 0x01} + str("l") + Bytes{0x01};
    EXPECT_EQ(layoutCard(links), 64);
    // Each link record is 76 bytes: as many as stay below 4092.
    EXPECT_EQ(countLines(eventDump(), "E4 "), 53);
}

}  // namespace
