// The session machine and the session service driven through the WTP and
// transport stand-ins: what goes down, and the events that come up.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "stack/session.h"
#include "stack/udp_transport.h"
#include "stack/wsp.h"
#include "stack/wtp.h"
#include "tests/stack/wsp_stand_ins.h"

uint32_t receiveBuffersInUse();
void WSP_unitdataInd(const AddressRecord *source, uint16_t sourcePort, uint8_t *data, uint32_t length);

namespace {

using Bytes = std::vector<uint8_t>;

struct Seen {
    SessionEvent event;
    Bytes headers;
    Bytes body;
};
std::vector<Seen> gSeen;
void (*gDuringHandler)(const SessionEvent &) = nullptr;

void recordEvent()
{
    SessionEvent e = takeEvent();
    gSeen.push_back({e, Bytes(e.headers, e.headers + e.headersLength), Bytes(e.body, e.body + e.bodyLength)});
    if (gDuringHandler != nullptr)
        gDuringHandler(e);
}

std::vector<int32_t> codes()
{
    std::vector<int32_t> out;
    for (const Seen &s : gSeen)
        out.push_back(s.event.code);
    return out;
}

std::pair<int32_t, int32_t> statusAndId(size_t i) { return {gSeen.at(i).event.status, gSeen.at(i).event.requestId}; }

bool called(const std::string &call) { return std::find(gCalls.begin(), gCalls.end(), call) != gCalls.end(); }

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes agentHeaders()
{
    std::string h = std::string("\xA9Tovrin ") + S_versionText() + ":" + S_buildText();
    h += std::string("\0\x80\x94\x80\x95\x80\xA1\x81\xEA", 9);  // Accept-Charset: UTF-8
    return Bytes(h.begin(), h.end());
}

class Session : public ::testing::Test {
protected:
    SessionCaps caps{1500, 0, 8, 0};

    void SetUp() override
    {
        resetSessionService();
        resetStandIns();
        gSeen.clear();
        gDuringHandler = nullptr;
        S_setSessionEventHandler(recordEvent);
    }
    void TearDown() override
    {
        resetSessionService();
        S_setSessionEventHandler(nullptr);
        EXPECT_EQ(receiveBuffersInUse(), 0u);
    }
    // Connect and let the gateway grant what was asked. The Connect is
    // handle 1.
    void connectUp()
    {
        int32_t status = 0;
        ASSERT_EQ(S_sessionConnect("127.0.0.1", 9201, 5, &caps, &status), 1);
        TR_ResultInd(1, poolCopy({0x02, 0x07, 0x07, 0x00, 0x03, 0x80, 0x8B, 0x5C, 0x02, 0x83, 0x08}), 11);
        ASSERT_EQ(WSP_sessionId(), 7);
        gSeen.clear();
        gCalls.clear();
        gSent.clear();
    }
};

TEST_F(Session, ConnectSendsHeadersAndCapabilitiesAndEndsAnEarlierSession)
{
    int32_t status = 0;
    ASSERT_EQ(S_sessionConnect("127.0.0.1", 9201, 5, &caps, &status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(gPumpRounds, 2u);
    ASSERT_EQ(gSent.size(), 1u);
    EXPECT_EQ(gSent[0].transactionClass, WTP_CLASS2);
    EXPECT_EQ(gSent[0].up, 1);
    Bytes headers = agentHeaders();
    EXPECT_EQ(gSent[0].bytes, cat({{0x01, 0x10, 14, static_cast<uint8_t>(headers.size()), 0x03, 0x80, 0x8B, 0x5C, 0x03,
                                    0x81, 0x8B, 0x5C, 0x02, 0x83, 0x08, 0x02, 0x84, 0x00},
                                   headers}));
    EXPECT_EQ(gCalls[1], "peer 127.0.0.1:9201");

    // A reply without capabilities keeps the defaults.
    TR_ResultInd(1, poolCopy({0x02, 0x05, 0x00, 0x00}), 4);
    EXPECT_EQ(codes(), std::vector<int32_t>{SEVENT_CONNECTED});
    EXPECT_EQ(gCalls.back(), "result 1");
    EXPECT_EQ((std::vector<uint32_t>{caps.maxSdu, caps.morMethods, caps.morPush, WSP_maxReceivedPdu()}),
              (std::vector<uint32_t>{1400, 1, 1, 1400}));
    // A second connect reports the session that existed and ends it first.
    gSeen.clear();
    ASSERT_EQ(S_sessionConnect("127.0.0.1", 9201, 5, &caps, &status), 1);
    EXPECT_EQ(status, SESSION_ALREADY);
    EXPECT_EQ(codes(), std::vector<int32_t>{SEVENT_DISCONNECTED});
    EXPECT_EQ(WSP_sessionId(), -2);
}

TEST_F(Session, TransportFailuresMap)
{
    struct Case {
        int opened;
        int32_t code;
    } cases[] = {{-1, 1203}, {-2, 1204}, {-3, 1205}, {-7, 1999}};
    for (const Case &c : cases) {
        gOpenResult = c.opened;
        int32_t status = 0;
        EXPECT_EQ(S_sessionConnect("127.0.0.1", 9201, 5, &caps, &status), c.code);
        EXPECT_EQ(getConnectionless("127.0.0.1", 9200, 5, "u", 2), -1);
    }
}

TEST_F(Session, GetResultAndAck)
{
    connectUp();
    const char url[] = "http://h/a.wml";
    int32_t id = getConnected(url, sizeof url);
    EXPECT_EQ(id, 1);
    // The URI goes without its terminating zero.
    ASSERT_EQ(gSent.size(), 1u);
    EXPECT_EQ(gSent[0].bytes, cat({{0x40, static_cast<uint8_t>(sizeof url - 1)}, Bytes(url, url + sizeof url - 1)}));
    TR_InvokeCnf(2);
    gDuringHandler = [](const SessionEvent &e) {
        // The Ack waits until the connection manager is done.
        if (e.code == SEVENT_RESULT) {
            EXPECT_EQ(gCalls.back(), "invoke 2");
        }
    };
    TR_ResultInd(2, poolCopy({0x04, 0x20, 0x01, 0x94, 0xAA, 0xBB}), 6);
    ASSERT_EQ(codes(), (std::vector<int32_t>{SEVENT_INVOKE_CNF, SEVENT_RESULT}));
    EXPECT_EQ(statusAndId(1), (std::pair<int32_t, int32_t>{0x20, 1}));
    EXPECT_EQ(gSeen[1].headers, Bytes{0x94});
    EXPECT_EQ(gSeen[1].body, (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(gCalls.back(), "result 2");
    // The event no longer points at released buffers.
    EXPECT_EQ(takeEvent().headers, nullptr);
    EXPECT_EQ(takeEvent().body, nullptr);
}

TEST_F(Session, RequestsThatEndInAnAbort)
{
    connectUp();  // granted 1500
    for (const char *url : {"a", "b", "c", "d", "e"})
        getConnected(url, 2);  // handles 2 to 6
    TR_InvokeCnf(2);
    TR_ResultInd(2, poolCopy({0x06, 0x01, 0x94}), 3);  // not a Reply
    abortRequest(2);
    TR_AbortInd(4, WTP_ABORT_NORESPONSE);
    TR_InvokeCnf(5);
    TR_InvokeCnf(6);
    Bytes reply = {0x04, 0x20, 0x01, 0x94};
    reply.resize(1500);
    TR_ResultInd(5, poolCopy(reply), 1500);
    reply.resize(RECEIVE_BUFFER_SIZE + 1);  // over the limit is kept up to a receive block
    TR_ResultInd(6, poolCopy(reply), RECEIVE_BUFFER_SIZE + 1);
    ASSERT_EQ(codes(), (std::vector<int32_t>{SEVENT_INVOKE_CNF, SEVENT_ABORTED, SEVENT_ABORTED, SEVENT_ABORTED,
                                             SEVENT_INVOKE_CNF, SEVENT_INVOKE_CNF, SEVENT_RESULT, SEVENT_ABORTED}));
    EXPECT_EQ(gSeen[1].event.status, WSP_PROTOERR);
    EXPECT_EQ(statusAndId(2), (std::pair<int32_t, int32_t>{WSP_USERREQ, 2}));
    EXPECT_EQ(statusAndId(3), (std::pair<int32_t, int32_t>{8, 3}));
    EXPECT_EQ(statusAndId(7), (std::pair<int32_t, int32_t>{WSP_MRUEXCEEDED, 5}));
    for (const char *call : {"abort 2 224", "abort 3 232", "abort 6 232"})
        EXPECT_TRUE(called(call)) << call;
    // Aborting what is gone does nothing.
    gSeen.clear();
    abortRequest(2);
    EXPECT_TRUE(gSeen.empty());
}

TEST_F(Session, RequestConfirmedWhileConnectingIsAbortedAndReported)
{
    int32_t status = 0;
    S_sessionConnect("127.0.0.1", 9201, 5, &caps, &status);
    int32_t id = getConnected("a", 2);
    TR_InvokeCnf(1);  // the Connect's own confirm: ignored
    TR_InvokeCnf(2);
    ASSERT_EQ(codes(), std::vector<int32_t>{SEVENT_ABORTED});
    EXPECT_EQ(gSeen[0].event.requestId, id);
    EXPECT_EQ(gCalls.back(), "abort 2 225");
}

TEST_F(Session, DisconnectInEachState)
{
    EXPECT_EQ(S_sessionDisconnect(), -1);
    EXPECT_EQ(codes(), std::vector<int32_t>{SEVENT_NO_SESSION});
    connectUp();
    EXPECT_EQ(S_sessionDisconnect(), 1);
    ASSERT_EQ(gSent.size(), 1u);
    EXPECT_EQ(gSent[0].transactionClass, WTP_CLASS0);
    EXPECT_EQ(gSent[0].bytes, (Bytes{0x05, 0x07}));
    EXPECT_EQ(codes(), std::vector<int32_t>{SEVENT_DISCONNECTED});
    // Connecting: the Connect is aborted.
    int32_t status = 0;
    S_sessionConnect("127.0.0.1", 9201, 5, &caps, &status);
    gSeen.clear();
    S_sessionDisconnect();
    EXPECT_EQ(gCalls.back(), "abort 2 225");
    EXPECT_EQ(codes(), std::vector<int32_t>{SEVENT_DISCONNECTED});
    // The gateway's Disconnect ends the session and its requests.
    resetSessionService();
    resetStandIns();
    connectUp();
    getConnected("a", 2);
    getConnected("b", 2);
    TR_AbortInd(2, WSP_ABORT_DISCONNECT);
    EXPECT_EQ(codes(), std::vector<int32_t>{SEVENT_DISCONNECTED});
    EXPECT_EQ(gCalls.back(), "abort 3 225");
    EXPECT_EQ(WSP_sessionId(), -1);
    EXPECT_EQ(getConnected("c", 2), -1);
}

TEST_F(Session, ConnectAnswers)
{
    struct Case {
        const char *name;
        Bytes pdu;
        std::vector<int32_t> events;
        std::string lastCall;
    } cases[] = {
        {"refusing reply", {0x04, 0x44, 0x01, 0x83, 'n', 'o'}, {SEVENT_DISCONNECTED}, ""},
        {"wrong type", {0x06, 0x00}, {SEVENT_DISCONNECTED}, "abort 1 224"},
        {"too long", Bytes(1401, 0x02), {SEVENT_DISCONNECTED}, "abort 1 230"},
        {"redirect", {0x03, 0x00, 0x04, 0x7F, 0x00, 0x00, 0x02}, {SEVENT_REDIRECTED}, "invoke 2"},
    };
    for (const Case &c : cases) {
        resetSessionService();
        resetStandIns();
        gSeen.clear();
        int32_t status = 0;
        S_sessionConnect("127.0.0.1", 9201, 5, &caps, &status);
        TR_ResultInd(1, poolCopy(c.pdu), static_cast<uint32_t>(c.pdu.size()));
        EXPECT_EQ(codes(), c.events) << c.name;
        if (!c.lastCall.empty()) {
            EXPECT_EQ(gCalls.back(), c.lastCall) << c.name;
        }
    }
    // The redirect reconnected to 127.0.0.2 on the same port.
    EXPECT_TRUE(called("peer 127.0.0.2:9201"));
    EXPECT_EQ(WSP_sessionId(), -2);
}

TEST_F(Session, ConnectionlessRequestsAndIndications)
{
    EXPECT_EQ(gPumpRounds, 0u);
    pumpStack();
    EXPECT_EQ(gPumpRounds, 0u);
    const char url[] = "http://h/a";
    const Bytes uri(url, url + 10), headers = agentHeaders(), body = {'x', '=', '2'};
    int32_t first = getConnectionless("127.0.0.1", 9200, 5, url, sizeof url);
    ASSERT_EQ(gSent.size(), 1u);
    EXPECT_EQ(gSent[0].bytes, cat({{static_cast<uint8_t>(first), 0x40, 10}, uri, headers}));
    EXPECT_EQ(gSent[0].port, 9200u);
    int32_t second = postConnectionless("127.0.0.1", 9200, 5, url, sizeof url, nullptr, 0, body.data(), 3);
    EXPECT_EQ(second, (first + 1) & 0xFF);
    pumpStack();
    EXPECT_EQ(gPumpRounds, 1u);
    // The transaction id wraps after 255.
    int32_t last = 0;
    for (int i = 0; i < 256; i++)
        last = getConnectionless("127.0.0.1", 9200, 5, "u", 2);
    EXPECT_EQ(last, second);

    // Results and pushes come up; other PDUs are dropped.
    AddressRecord gateway{};
    uint32_t pushesBefore = WSP_pushCount();
    WSP_unitdataInd(&gateway, 9200, poolCopy({0x09, 0x04, 0x20, 0x01, 0x95, 0x01}), 6);
    WSP_unitdataInd(&gateway, 9200, poolCopy({0x00, 0x06, 0x01, 0xA1, 0x00}), 5);
    WSP_unitdataInd(&gateway, 9200, poolCopy({0x00, 0x05}), 2);
    WSP_unitdataInd(&gateway, 9200, poolCopy({0x00, 0x04, 0x20, 0x09}), 4);
    ASSERT_EQ(codes(), (std::vector<int32_t>{SEVENT_RESULT, SEVENT_PUSH}));
    EXPECT_EQ(gSeen[0].event.requestId, 9);
    EXPECT_EQ(gSeen[0].headers, Bytes{0x95});
    EXPECT_EQ(gSeen[0].body, Bytes{0x01});
    EXPECT_EQ(gSeen[1].event.requestId, static_cast<int32_t>(pushesBefore + 1));
    EXPECT_EQ(gSeen[1].body, Bytes{0x00});
}

}  // namespace
