// The exchange listing's lines for hand-made datagrams, and the ring that
// holds them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stack/capture.h"
#include "stack/exchange.h"
#include "tests/support/temp_home.h"

namespace {

struct Case {
    bool outgoing;
    uint16_t gatewayPort;
    std::vector<uint8_t> bytes;
    std::vector<std::string> lines;
};

// clang-format off
const Case kCases[] = {
    // The gateway's Result with a Reply (the Gets are the capture's end-to-end test).
    {false, 9201, {0x12, 0x80, 0x05, 0x04, 0x20, 0x01, 0x94, 'x'}, {"1.250 in Result 5 Reply 0x20 8"}},
    // Concatenated Ack and user Abort.
    {false, 9201, {0x00, 0x03, 0x18, 0x80, 0x05, 0x04, 0x21, 0x80, 0x06, 0xEA},
     {"1.250 in Ack 5 - - 3", "1.250 in Abort 6 - user:0xEA 4"}},
    // Connectionless: the WSP transaction id; the URI made printable.
    {true, 9200, {0x07, 0x40, 0x04, 'a', ' ', 'b', 0xFF}, {"1.250 out - 7 Get a%20b%FF 7"}},
    {false, 9200, {0x07, 0x04, 0x20, 0x00}, {"1.250 in - 7 Reply 0x20 4"}},
    // Cut short: a WTP header, a WSP header length, a concatenation length.
    {false, 9201, {0x12, 0x80}, {"1.250 in malformed - - - 2"}},
    {false, 9201, {0x12, 0x80, 0x05, 0x04, 0x20, 0x7F}, {"1.250 in Result 5 malformed - 6"}},
    {false, 9201, {0x00, 0x05, 0x18}, {"1.250 in malformed - - - 3"}},
    {false, 9200, {}, {"1.250 in - 0 malformed - 0"}},
};
// clang-format on

TEST(Exchange, OneLinePerPdu)
{
    for (const Case &c : kCases) {
        CapturedDatagram d{};
        d.timeUs = 11250000;
        d.outgoing = c.outgoing;
        (c.outgoing ? d.destinationPort : d.sourcePort) = c.gatewayPort;
        d.bytes = c.bytes.data();
        d.length = static_cast<uint32_t>(c.bytes.size());
        EXPECT_EQ(S_describeDatagram(d, 10000000), c.lines);
    }
}

// The oldest are dropped past the ring's size, and the reader is told.
TEST(Exchange, RingReportsWhatItDropped)
{
    S_startDatagramRecord();
    const uint8_t ack[3] = {0x18, 0x00, 0x01};
    for (uint32_t i = 0; i < CAPTURE_RING_SLOTS + 2; i++)
        recordDatagram(true, "127.0.0.1", 9201, 40000, ack, sizeof ack);
    uint64_t seen = 0, lost = 0;
    const CapturedDatagram *d = S_nextRecordedDatagram(&seen, &lost);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(lost, 2u);
    EXPECT_EQ(d->serial, 3u);
    uint32_t more = 0;
    while (S_nextRecordedDatagram(&seen, &lost))
        more++;
    EXPECT_EQ(more, CAPTURE_RING_SLOTS - 1);
    EXPECT_EQ(lost, 0u);
}

// The file gets every datagram even when more come between two rounds
// than the ring holds: a pcap header, then per datagram a record header,
// IPv4 and UDP headers and the bytes.
TEST(Exchange, FileKeepsWhatTheRingOverflows)
{
    TempDir dir("capture");
    const std::string path = dir / "exchange.pcap";
    ASSERT_TRUE(S_openCapture(path.c_str()));
    // Three rings' worth, each round a byte longer than the one before.
    const uint8_t bytes[3] = {0x18, 0x00, 0x01};
    for (uint32_t i = 0; i < 3 * CAPTURE_RING_SLOTS; i++)
        recordDatagram(false, "127.0.0.1", 9201, 40000, bytes, 1 + i / CAPTURE_RING_SLOTS);
    S_closeCapture();
    EXPECT_EQ(readBytes(path).size(), 24 + CAPTURE_RING_SLOTS * (3 * (16 + 20 + 8) + 1 + 2 + 3));
}

}  // namespace
