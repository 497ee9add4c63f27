// The push listener's gateway check over the real stack and cache, with a
// datagram the test gateway's push proxy sent.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A UDP socket bound to address (port 0: any).
struct Socket {
    int fd;
    uint16_t port;
    explicit Socket(const char *address)
    {
        fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, address, &a.sin_addr);
        bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t n = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &n);
        port = ntohs(a.sin_port);
    }
    ~Socket() { close(fd); }
    void sendToPushPort(const Bytes &bytes) const
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(pushListenerPort()));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to),
                  static_cast<ssize_t>(bytes.size()));
    }
};

// Waits for the push socket as the loop does, then one round of work.
void pumpWhenReadable()
{
    pollfd w{pushListenerFd(), POLLIN, 0};
    ASSERT_EQ(poll(&w, 1, 2000), 1);
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
    Socket samePlace("127.0.0.1");
    samePlace.sendToPushPort(datagram);
    pumpWhenReadable();
    Socket elsewhere("127.0.0.2");
    elsewhere.sendToPushPort(datagram);
    pumpWhenReadable();
    for (const Socket *s : {&samePlace, &elsewhere}) {
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
