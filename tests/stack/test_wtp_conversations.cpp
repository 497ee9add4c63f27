// Conversation tests: one file per case in conversations/, a scripted
// gateway talking to WTP under the fake clock. Lines: "# comment",
// "tid N" (next Invoke's TID), "invoke CLASS UP [HEX]", "confirm H",
// "abort H REASON" (each records "= RESULT"), "peer HEX" (from the gateway),
// "from ADDR PORT HEX", "wait S" (timers run every second), "resend S N HEX"
// (N times: HEX is sent exactly after S seconds), "alive N" and "< LINE"
// (the oldest unchecked happening, see wtp_stand_ins.h). Nothing may be left
// unchecked before an action or at the end, and every block is released.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "stack/udp_transport.h"
#include "stack/wtp.h"
#include "stack/wtp_timers.h"
#include "tests/stack/wtp_stand_ins.h"

namespace {

std::vector<uint8_t> fromHex(const std::string &text)
{
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string rest(std::istringstream &in)
{
    std::string text;
    std::getline(in, text);
    size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? "" : text.substr(start);
}

const AddressRecord GATEWAY = makeAddress(BEARER_UDP, "127.0.0.1");
const AddressRecord LOCAL = makeAddress(BEARER_UDP, "127.0.0.1");

class Conversation : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        installStandIns();
        setTransportPeer(&GATEWAY, CONNECTION_PORT);
    }
    void TearDown() override
    {
        removeStandIns();
        setTransportPeer(nullptr, 0);
    }
};

// Runs one line; false stops the file.
bool runLine(const std::string &line, const std::string &where)
{
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word.empty() || word[0] == '#')
        return true;
    if (word == "<") {
        std::string expected = rest(in);
        std::string happened = gHappened.empty() ? "nothing" : gHappened.front();
        EXPECT_EQ(happened, expected) << where;
        if (!gHappened.empty())
            gHappened.pop_front();
        return happened == expected;
    }
    if (!gHappened.empty()) {
        ADD_FAILURE() << where << ": unchecked before this line: " << gHappened.front();
        return false;
    }
    if (word == "tid") {
        uint32_t tid;
        in >> tid;
        setNextTid(tid);
    } else if (word == "invoke") {
        unsigned cls, up;
        in >> cls >> up;
        std::vector<uint8_t> data = fromHex(rest(in));
        uint8_t *block = takeReceiveBuffer(static_cast<uint32_t>(data.size()));
        std::copy(data.begin(), data.end(), block);
        uint32_t handle = TR_Invoke(&LOCAL, 0, &GATEWAY, CONNECTION_PORT, static_cast<uint8_t>(up), block,
                                    static_cast<uint32_t>(data.size()), static_cast<uint8_t>(cls));
        gHappened.push_back("= " + std::to_string(handle));
    } else if (word == "confirm") {
        uint32_t handle;
        in >> handle;
        const uint8_t exit[2] = {0, 0};
        gHappened.push_back("= " + std::to_string(TR_Result(exit, sizeof exit, handle)));
    } else if (word == "abort") {
        uint32_t handle, reason;
        in >> handle >> reason;
        gHappened.push_back("= " + std::to_string(TR_Abort(static_cast<uint8_t>(reason), handle)));
    } else if (word == "peer" || word == "from") {
        std::string address = "127.0.0.1";
        uint32_t port = CONNECTION_PORT;
        if (word == "from")
            in >> address >> port;
        std::vector<uint8_t> data = fromHex(rest(in));
        AddressRecord source = makeAddress(BEARER_UDP, address.c_str());
        injectDatagram(&source, port, data.data(), static_cast<uint32_t>(data.size()));
    } else if (word == "wait") {
        uint32_t seconds;
        in >> seconds;
        for (uint32_t i = 0; i < seconds; i++) {
            gFakeNow++;
            runTimers();
        }
    } else if (word == "resend") {
        uint32_t seconds, count;
        in >> seconds >> count;
        std::vector<uint8_t> bytes = fromHex(rest(in));
        std::string expected = "< send " + toHex(bytes.data(), static_cast<uint32_t>(bytes.size()));
        for (uint32_t n = 0; n < count; n++) {
            for (uint32_t i = 0; i < seconds; i++) {
                EXPECT_TRUE(gHappened.empty()) << where << ": early at second " << i;
                if (!gHappened.empty())
                    return false;
                gFakeNow++;
                runTimers();
            }
            if (!runLine(expected, where))
                return false;
        }
    } else if (word == "alive") {
        uint32_t count;
        in >> count;
        EXPECT_EQ(wtpTransactionCount(), count) << where;
    } else {
        ADD_FAILURE() << where << ": unknown word " << word;
        return false;
    }
    return true;
}

TEST_P(Conversation, Runs)
{
    std::filesystem::path file = std::filesystem::path(CONVERSATION_DIR) / (GetParam() + ".txt");
    std::ifstream in(file);
    ASSERT_TRUE(in) << file;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        if (!runLine(line, GetParam() + ":" + std::to_string(number)))
            return;
    }
    EXPECT_TRUE(gHappened.empty()) << GetParam() << ": unchecked at the end: " << gHappened.front();
    resetWtp();
    EXPECT_EQ(receiveBuffersInUse(), 0u) << GetParam();
}

std::vector<std::string> conversationNames()
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(CONVERSATION_DIR))
        if (entry.path().extension() == ".txt")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The file names are the test names: letters, digits and '_' only.
INSTANTIATE_TEST_SUITE_P(Wtp, Conversation, ::testing::ValuesIn(conversationNames()),
                         [](const auto &info) { return info.param; });

}  // namespace
