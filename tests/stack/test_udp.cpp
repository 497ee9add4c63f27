// The transport over a real UDP socket pair on 127.0.0.1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stack/udp_transport.h"
#include "stack/wtp.h"
#include "tests/stack/wtp_stand_ins.h"
#include "tests/support/udp_peer.h"

namespace {

const AddressRecord LOOPBACK = makeAddress(BEARER_UDP, "127.0.0.1");

std::string received(const UdpPeer &peer)
{
    std::vector<uint8_t> bytes = peer.receive();
    return toHex(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// Waits on the socket, then one round.
int receiveOne()
{
    waitReadable(S_transportFd());
    return pollReceive();
}

class Transport : public ::testing::Test {
protected:
    void SetUp() override
    {
        installStandIns();
        setTransportSendHook(nullptr);
        uint32_t port = 99;
        ASSERT_EQ(openTransport(BEARER_UDP, &port), TRANSPORT_OPENED);
        EXPECT_EQ(port, 0u);
    }
    void TearDown() override
    {
        closeTransport();
        removeStandIns();
        EXPECT_EQ(receiveBuffersInUse(), 0u);
    }
};

TEST_F(Transport, TransactionOverRealSocketsAndDatagramsBeyondTheBlock)
{
    // Only UDP, opened once; a name that does not resolve is not sent to.
    EXPECT_EQ(openTransport(BEARER_UDP, nullptr), TRANSPORT_WAS_OPEN);
    EXPECT_EQ(openTransport(3u, nullptr), TRANSPORT_BAD_BEARER);
    AddressRecord sms = makeAddress(3u, "127.0.0.1"), bad = makeAddress(BEARER_UDP, "gateway.invalid");
    EXPECT_EQ(T_DUnitdata_Req(&LOOPBACK, 0, &sms, 9201, nullptr, 0), TRANSPORT_SEND_BEARER);
    EXPECT_EQ(T_DUnitdata_Req(&LOOPBACK, 0, &bad, 9201, nullptr, 0), TRANSPORT_SEND_FAILED);
    UdpPeer gateway;
    setTransportPeer(&LOOPBACK, gateway.port);
    EXPECT_EQ(pollReceive(), 0);
    setNextTid(5);
    uint8_t pdu[] = {0x40, 0x01};
    ASSERT_EQ(TR_Invoke(&LOOPBACK, 0, &LOOPBACK, gateway.port, 1, pdu, 2, WTP_CLASS2), 1u);
    EXPECT_EQ(received(gateway), "0e0005124001");

    UdpPeer stranger;
    stranger.sendToSocketOf(S_transportFd(), {0x12, 0x80, 0x05, 0x66});
    EXPECT_EQ(receiveOne(), 1);
    EXPECT_TRUE(gHappened.empty());

    gateway.sendToSocketOf(S_transportFd(), {0x12, 0x80, 0x05, 0x04, 0xA0});
    EXPECT_EQ(receiveOne(), 1);
    ASSERT_EQ(gHappened.size(), 2u);
    EXPECT_EQ(gHappened[0], "cnf 1");
    EXPECT_EQ(gHappened[1], "result 1 04a0");
    EXPECT_EQ(TR_Result(nullptr, 0, 1), WTP_OK);
    EXPECT_EQ(received(gateway), "180005");
    EXPECT_EQ(pollReceive(), 0);

    // A datagram beyond one receive block is refused; one block's worth
    // arrives whole.
    setNextTid(6);
    ASSERT_EQ(TR_Invoke(&LOOPBACK, 0, &LOOPBACK, gateway.port, 1, nullptr, 0, WTP_CLASS2), 2u);
    gHappened.clear();
    std::vector<uint8_t> result(RECEIVE_BUFFER_SIZE + 1, 0x5A);
    result[0] = 0x12;
    result[1] = 0x80;
    result[2] = 0x06;
    gateway.sendToSocketOf(S_transportFd(), result);
    EXPECT_EQ(receiveOne(), -1);
    EXPECT_TRUE(gHappened.empty());
    EXPECT_EQ(injectDatagram(&LOOPBACK, gateway.port, result.data(), static_cast<uint32_t>(result.size())), 0);

    result.pop_back();
    gateway.sendToSocketOf(S_transportFd(), result);
    EXPECT_EQ(receiveOne(), 1);
    ASSERT_EQ(gHappened.size(), 2u);
    EXPECT_EQ(gHappened[1], "result 2 " + toHex(result.data() + 3, RECEIVE_BUFFER_SIZE - 3));
}

}  // namespace
