// The transport over a real UDP socket pair on 127.0.0.1, and its pool.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "stack/udp_transport.h"
#include "stack/wtp.h"
#include "tests/stack/wtp_stand_ins.h"

namespace {

const AddressRecord LOOPBACK = makeAddress(BEARER_UDP, "127.0.0.1");

// A socket on 127.0.0.1 playing the gateway (or a stranger).
struct PeerSocket {
    int fd;
    uint16_t port;
    PeerSocket()
    {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t n = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &n);
        port = ntohs(a.sin_port);
    }
    ~PeerSocket() { close(fd); }
    void sendToTransport(const std::vector<uint8_t> &bytes) const
    {
        sockaddr_in own{};
        socklen_t n = sizeof own;
        getsockname(transportFd(), reinterpret_cast<sockaddr *>(&own), &n);
        own.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr *>(&own), sizeof own),
                  static_cast<ssize_t>(bytes.size()));
    }
    std::string receive() const
    {
        pollfd w{fd, POLLIN, 0};
        if (poll(&w, 1, 2000) != 1)
            return "nothing";
        uint8_t buffer[6000];
        ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        return toHex(buffer, static_cast<uint32_t>(got));
    }
};

// Waits on the socket (as the headless loop does), then one round.
int receiveOne()
{
    pollfd w{transportFd(), POLLIN, 0};
    poll(&w, 1, 2000);
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

TEST_F(Transport, OpensOnceForUdpOnly)
{
    int fd = transportFd();
    EXPECT_GE(fd, 0);
    EXPECT_EQ(openTransport(BEARER_UDP, nullptr), TRANSPORT_WAS_OPEN);
    EXPECT_EQ(transportFd(), fd);
    EXPECT_EQ(openTransport(3u, nullptr), TRANSPORT_BAD_BEARER);
    AddressRecord sms = makeAddress(3u, "127.0.0.1");
    EXPECT_EQ(T_DUnitdata_Req(&LOOPBACK, 0, &sms, 9201, nullptr, 0), TRANSPORT_SEND_BEARER);
    AddressRecord bad = makeAddress(BEARER_UDP, "gateway.invalid");
    const uint8_t byte = 1;
    EXPECT_EQ(T_DUnitdata_Req(&LOOPBACK, 0, &bad, 9201, &byte, 1), TRANSPORT_SEND_FAILED);
    closeTransport();
    EXPECT_EQ(transportFd(), -1);
    EXPECT_EQ(pollReceive(), 0);
}

TEST_F(Transport, TransactionOverRealSockets)
{
    PeerSocket gateway;
    setTransportPeer(&LOOPBACK, gateway.port);
    EXPECT_EQ(pollReceive(), 0);
    setNextTid(5);
    uint8_t pdu[] = {0x40, 0x01};
    ASSERT_EQ(TR_Invoke(&LOOPBACK, 0, &LOOPBACK, gateway.port, 1, pdu, 2, WTP_CLASS2), 1u);
    EXPECT_EQ(gateway.receive(), "0e0005124001");

    PeerSocket stranger;
    stranger.sendToTransport({0x12, 0x80, 0x05, 0x66});
    EXPECT_EQ(receiveOne(), 1);
    EXPECT_TRUE(gHappened.empty());

    gateway.sendToTransport({0x12, 0x80, 0x05, 0x04, 0xA0});
    EXPECT_EQ(receiveOne(), 1);
    ASSERT_EQ(gHappened.size(), 2u);
    EXPECT_EQ(gHappened[0], "cnf 1");
    EXPECT_EQ(gHappened[1], "result 1 04a0");
    EXPECT_EQ(TR_Result(nullptr, 0, 1), WTP_OK);
    EXPECT_EQ(gateway.receive(), "180005");
    EXPECT_EQ(pollReceive(), 0);
}

TEST_F(Transport, DatagramsBeyondTheBlockAreRefused)
{
    PeerSocket gateway;
    setTransportPeer(&LOOPBACK, gateway.port);
    setNextTid(5);
    ASSERT_EQ(TR_Invoke(&LOOPBACK, 0, &LOOPBACK, gateway.port, 1, nullptr, 0, WTP_CLASS2), 1u);
    std::vector<uint8_t> result(RECEIVE_BUFFER_SIZE + 1, 0x5A);
    result[0] = 0x12;
    result[1] = 0x80;
    result[2] = 0x05;
    gateway.sendToTransport(result);
    EXPECT_EQ(receiveOne(), -1);
    EXPECT_TRUE(gHappened.empty());
    EXPECT_EQ(injectDatagram(&LOOPBACK, gateway.port, result.data(), static_cast<uint32_t>(result.size())), 0);

    // Exactly one block's worth arrives whole.
    result.pop_back();
    gateway.sendToTransport(result);
    EXPECT_EQ(receiveOne(), 1);
    ASSERT_EQ(gHappened.size(), 2u);
    EXPECT_EQ(gHappened[1], "result 1 " + toHex(result.data() + 3, RECEIVE_BUFFER_SIZE - 3));
}

TEST(ReceivePool, ReleasesByAnyPointerInside)
{
    uint32_t before = receiveBuffersInUse();
    uint8_t *a = takeReceiveBuffer(10);
    uint8_t *b = takeReceiveBuffer(RECEIVE_BUFFER_SIZE * 2);
    EXPECT_EQ(receiveBuffersInUse(), before + 2);
    b[RECEIVE_BUFFER_SIZE * 2 - 1] = 1;   // as large as asked
    int outside = 0;
    releaseReceiveBuffer(&outside);
    releaseReceiveBuffer(nullptr);
    EXPECT_EQ(receiveBuffersInUse(), before + 2);
    releaseReceiveBuffer(a + 64);
    releaseReceiveBuffer(b + RECEIVE_BUFFER_SIZE * 2);
    EXPECT_EQ(receiveBuffersInUse(), before);
}

}  // namespace
