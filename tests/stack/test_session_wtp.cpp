// The session service over the real WTP and transport, with the socket's
// sends caught by the transport's hook and the gateway's datagrams
// injected: the exact bytes on the wire and the events that come up.
#include <gtest/gtest.h>

#include "stack/session.h"
#include "stack/udp_transport.h"
#include "stack/wsp.h"
#include "stack/wtp.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> gWire;               // datagrams sent, in order
std::vector<SessionEvent> gEvents;      // events seen
std::vector<Bytes> gBodies;             // their bodies, copied in the handler

int catchSend(const AddressRecord *, uint32_t, const uint8_t *data, uint32_t length) {
    gWire.emplace_back(data, data + length);
    return TRANSPORT_SENT;
}

void onEvent() {
    SessionEvent e = takeEvent();
    gEvents.push_back(e);
    gBodies.emplace_back(e.body, e.body + e.bodyLength);
}

// A Result from the gateway for our tid: the gateway's direction bit set.
Bytes result(uint16_t tid, const Bytes &pdu) {
    Bytes datagram(3 + pdu.size());
    datagram[0] = 0x16;
    datagram[1] = static_cast<uint8_t>(0x80 | tid >> 8);
    datagram[2] = static_cast<uint8_t>(tid);
    std::copy(pdu.begin(), pdu.end(), datagram.begin() + 3);
    return datagram;
}

void fromGateway(const Bytes &datagram, uint32_t port = CONNECTION_PORT) {
    AddressRecord gateway = makeAddress(BEARER_UDP, "127.0.0.1");
    ASSERT_EQ(injectDatagram(&gateway, port, datagram.data(), static_cast<uint32_t>(datagram.size())), 1);
}

class SessionOverWtp : public ::testing::Test {
protected:
    SessionCaps caps{1500, 0, 8, 0};
    void SetUp() override {
        resetSessionService();
        resetWtp();
        setNextTid(100);
        gWire.clear();
        gEvents.clear();
        gBodies.clear();
        setTransportSendHook(catchSend);
        setSessionEventHandler(onEvent);
    }
    void TearDown() override {
        setSessionEventHandler(nullptr);
        resetSessionService();
        resetWtp();
        closeStack();
        setTransportSendHook(nullptr);
        EXPECT_EQ(receiveBuffersInUse(), 0u);
    }
};

TEST_F(SessionOverWtp, ConnectGetAndAck) {
    int32_t status = 0;
    ASSERT_EQ(connect("127.0.0.1", CONNECTION_PORT, BEARER_UDP, &caps, &status), 1);
    ASSERT_EQ(gWire.size(), 1u);
    EXPECT_EQ(Bytes(gWire[0].begin(), gWire[0].begin() + 6), (Bytes{0x0E, 0x00, 100, 0x12, 0x01, 0x10}));
    fromGateway(result(100, {0x02, 0x05, 0x07, 0x00, 0x03, 0x80, 0x8B, 0x5C, 0x02, 0x83, 0x08}));
    ASSERT_EQ(gEvents.size(), 1u);
    EXPECT_EQ(gEvents[0].code, SEVENT_CONNECTED);
    EXPECT_EQ(caps.maxSdu, 1500u);
    EXPECT_EQ(caps.morMethods, 8u);
    ASSERT_EQ(gWire.size(), 2u);
    EXPECT_EQ(gWire[1], (Bytes{0x18, 0x00, 100}));  // the ConnectReply's Ack

    int32_t id = getConnected("http://h/a", 11);
    ASSERT_EQ(gWire.size(), 3u);
    EXPECT_EQ(gWire[2], (Bytes{0x0E, 0x00, 101, 0x12, 0x40, 10, 'h', 't', 't', 'p', ':', '/', '/', 'h', '/', 'a'}));
    // The Result before any Ack: confirm, then the result, then our Ack.
    fromGateway(result(101, {0x04, 0x20, 0x01, 0x94, 0x03, 0x01}));
    ASSERT_EQ(gEvents.size(), 3u);
    EXPECT_EQ(gEvents[1].code, SEVENT_INVOKE_CNF);
    EXPECT_EQ(gEvents[2].code, SEVENT_RESULT);
    EXPECT_EQ(gEvents[2].requestId, id);
    EXPECT_EQ(gBodies[2], (Bytes{0x03, 0x01}));
    ASSERT_EQ(gWire.size(), 4u);
    EXPECT_EQ(gWire[3], (Bytes{0x18, 0x00, 101}));

    // Gateway abort of a request reaches the connection manager.
    getConnected("http://h/b", 11);
    fromGateway({0x21, 0x80, 102, WSP_ABORT_DISCONNECT});
    EXPECT_EQ(gEvents.back().code, SEVENT_DISCONNECTED);
}

}  // namespace
