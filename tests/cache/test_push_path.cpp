// The push listener's gateway check over the real stack and cache, with a
// datagram the test gateway's push proxy sent.
#include <string>
#include <vector>

#include "cache/cache.h"
#include "cache_fixture.h"
#include "stack/session.h"
#include "stack/udp_transport.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes captured()
{
    std::string bytes = readBytes(PUSH_DATAGRAM);
    return Bytes(bytes.begin(), bytes.end());
}

const AddressRecord kGateway = makeAddress(BEARER_UDP, "127.0.0.1");
const AddressRecord kStranger = makeAddress(BEARER_UDP, "127.0.0.2");

class PushPath : public CacheTest {
protected:
    void SetUp() override
    {
        CacheTest::SetUp();
        resetSessionService();
        S_setSessionEventHandler(pollCache);
        C_init(nullptr);
        ASSERT_EQ(S_listenForPush("127.0.0.1", BEARER_UDP, 0), 1);
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
    // Another address over the socket is the gateway push case's; here the
    // gateway's address from another port.
    EXPECT_EQ(injectPushDatagram(&kGateway, 40000, datagram.data(), length), 0);
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
    EXPECT_EQ(C_pushOpenUrl(pushUris()[0].c_str()), "http://127.0.0.1:8079/index.wml");
}

}  // namespace
