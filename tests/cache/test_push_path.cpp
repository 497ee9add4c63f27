// The push listener's gateway check over the real stack and cache, with a
// datagram the test gateway's push proxy sent.
#include <string>
#include <vector>

#include "cache/cache.h"
#include "cache_fixture.h"
#include "stack/session.h"
#include "stack/udp_transport.h"
#include "tests/support/udp_peer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes captured()
{
    std::string bytes = readBytes(PUSH_DATAGRAM);
    return Bytes(bytes.begin(), bytes.end());
}

const AddressRecord kGateway = makeAddress(BEARER_UDP, "127.0.0.1");
const AddressRecord kStranger = makeAddress(BEARER_UDP, "127.0.0.2");

// Sends from the peer to the push port, then one round of work.
void pushFrom(const UdpPeer &peer, const Bytes &datagram)
{
    peer.sendToSocketOf(pushListenerFd(), datagram);
    ASSERT_TRUE(waitReadable(pushListenerFd()));
    pumpStack();
}

class PushPath : public CacheTest {
protected:
    void SetUp() override
    {
        CacheTest::SetUp();
        resetSessionService();
        setSessionEventHandler(pollCache);
        C_init(nullptr);
        ASSERT_EQ(listenForPush("127.0.0.1", BEARER_UDP, 0), 1);
    }
    void TearDown() override
    {
        closeStack();
        EXPECT_EQ(receiveBuffersInUse(), 0u);
        EXPECT_EQ(gContextsPopped, 0) << "a push never ends a navigation";
        EXPECT_TRUE(gErrorsShown.empty());
        CacheTest::TearDown();
    }
};

TEST_F(PushPath, OnlyTheGatewaysPushesAreTaken)
{
    Bytes datagram = captured();
    const uint32_t length = static_cast<uint32_t>(datagram.size());
    // Over the socket: the right bytes from another port, and from another
    // address, are dropped with a log line.
    UdpPeer samePlace("127.0.0.1");
    pushFrom(samePlace, datagram);
    UdpPeer elsewhere("127.0.0.2");
    pushFrom(elsewhere, datagram);
    for (const UdpPeer *s : {&samePlace, &elsewhere}) {
        std::string from = std::string(s == &samePlace ? "127.0.0.1" : "127.0.0.2") + ":" + std::to_string(s->port);
        EXPECT_NE(log().find("\tPush: dropped UDP From:" + from + " (not the gateway)\n"), std::string::npos) << from;
    }
    // The gateway's port from another address; a Reply from the gateway.
    EXPECT_EQ(injectPushDatagram(&kStranger, CONNECTIONLESS_PORT, datagram.data(), length), 0);
    const uint8_t reply[] = {0x00, 0x04, 0x20, 0x01, 0x94, 'x'};
    EXPECT_EQ(injectPushDatagram(&kGateway, CONNECTIONLESS_PORT, reply, sizeof reply), 1);
    EXPECT_NE(log().find("push datagram of 6 bytes dropped (not a Push)"), std::string::npos);
    EXPECT_TRUE(gPollResults.empty());
    EXPECT_TRUE(pushUris().empty());

    // A new gateway (new preferences) moves the check with it.
    setTransportPeer(&kStranger, CONNECTION_PORT);
    EXPECT_EQ(injectPushDatagram(&kGateway, CONNECTIONLESS_PORT, datagram.data(), length), 0);
    EXPECT_EQ(injectPushDatagram(&kStranger, CONNECTIONLESS_PORT, datagram.data(), length), 1);
    ASSERT_EQ(pushUris().size(), 1u);
    EXPECT_EQ(pushOpenUrl(pushUris()[0].c_str()), "http://127.0.0.1:8079/index.wml");
}

}  // namespace
