// The one connection-oriented WSP session with the gateway, over WTP
// class 2 transactions: the Connect, the method requests made in the
// session, and what WTP reports about each. State is always brought up to
// date before an indication goes up, because the connection manager runs
// inside the indication and may call straight back in.
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "common/log.h"
#include "stack/udp_transport.h"
#include "stack/wsp.h"
#include "stack/wtp.h"

namespace {

constexpr int STATE_NONE = 0;
constexpr int STATE_CONNECTING = 1;
constexpr int STATE_CONNECTED = 2;

constexpr int REQUEST_SENT = 1;
constexpr int REQUEST_CONFIRMED = 2;
constexpr int REQUEST_RESULT = 3;

constexpr int32_t CONNECT_REQUEST = -1;  // the Connect's entry in the handle table
constexpr int32_t MAX_REQUEST_ID = 32768;

struct Request {
    int state;        // REQUEST_*
    uint32_t handle;  // its WTP transaction
};

struct WspSession {
    AddressRecord gateway;
    uint32_t gatewayPort;
    AddressRecord local;
    uint32_t localPort;
    int state;                 // STATE_*
    int32_t sessionId;         // -1 none, -2 connecting, else the server's (low 31 bits)
    uint32_t serverSessionId;  // as the server sent it, for the Disconnect
    uint32_t connectHandle;    // 0 when no Connect is outstanding
    uint32_t maxReceivedPdu;   // largest Reply or ConnectReply accepted
    Capabilities negotiated;
};

WspSession gSession = {{}, 0, {}, 0, STATE_NONE, -1, 0, 0, WSP_DEFAULT_SDU, {}};  // the session
std::map<int32_t, Request> gRequests;                                             // request id -> request
std::map<uint32_t, int32_t> gHandles;  // WTP handle -> request id (the Connect: -1)
int32_t gLastRequestId = 0;            // the last request id handed out

// Builds a PDU in a pool block with room in front for the WTP header.
// Returns the PDU's first byte (null when it cannot be built).
uint8_t *buildPdu(const WspPdu &pdu, bool connectionless, uint32_t *length)
{
    uint32_t size = WSP_packedSize(pdu, connectionless);
    if (size == 0 || size > UINT32_MAX - WSP_HEADROOM)
        return nullptr;
    uint8_t *block = takeReceiveBuffer(size + WSP_HEADROOM);
    if (block == nullptr)
        return nullptr;
    *length = WSP_pack(pdu, connectionless, block + WSP_HEADROOM, size);
    return block + WSP_HEADROOM;
}

// Sends pdu as a WTP transaction; the handle, or 0 when nothing went out.
uint32_t invoke(const WspPdu &pdu, uint8_t up, uint8_t transactionClass)
{
    uint32_t length = 0;
    uint8_t *data = buildPdu(pdu, false, &length);
    if (data == nullptr) {
        Log_printf("WSP: cannot build %s\n", WSP_pduName(pdu.type));
        return 0;
    }
    // WTP copies the PDU and releases the block.
    return TR_Invoke(&gSession.local, gSession.localPort, &gSession.gateway, gSession.gatewayPort, up, data, length,
                     transactionClass);
}

void forgetRequest(int32_t requestId)
{
    auto it = gRequests.find(requestId);
    if (it == gRequests.end())
        return;
    gHandles.erase(it->second.handle);
    gRequests.erase(it);
}

// Aborts every request without indications: the caller indicates the end
// of the session instead.
void abortAllRequests(uint8_t reason)
{
    std::vector<uint32_t> handles;
    for (const auto &[id, request] : gRequests)
        handles.push_back(request.handle);
    gRequests.clear();
    std::erase_if(gHandles, [](const auto &entry) { return entry.second != CONNECT_REQUEST; });
    for (uint32_t handle : handles)
        TR_Abort(reason, handle);
}

void forgetConnect()
{
    gHandles.erase(gSession.connectHandle);
    gSession.connectHandle = 0;
}

// The session is gone: no indication may find it any more.
void endSession()
{
    forgetConnect();
    gSession.state = STATE_NONE;
    gSession.sessionId = -1;
    gSession.maxReceivedPdu = WSP_DEFAULT_SDU;
}

void disconnectInd() { S_DisconnectInd(nullptr, nullptr, 0, nullptr, 0); }

// The first address of a Redirect. Only IPv4 over UDP can be reached, so an
// IPv4 address (bearer absent or IPv4) becomes a UDP bearer; any other
// bearer is passed on and the transport refuses it.
bool readRedirect(const WspPdu &pdu, WspRedirectAddress *out)
{
    ByteReader reader{pdu.addresses.data, pdu.addresses.length, 0, false};
    uint8_t head = BR_byte(&reader);
    bool hasBearer = (head & 0x80) != 0;
    bool hasPort = (head & 0x40) != 0;
    uint32_t addressLength = head & 0x3F;
    uint8_t bearer = hasBearer ? BR_byte(&reader) : 0;
    uint32_t port = hasPort ? BR_be(&reader, 2) : gSession.gatewayPort;
    const uint8_t *address = BR_bytes(&reader, addressLength);
    if (reader.failed)
        return false;
    *out = WspRedirectAddress{};
    out->port = port;
    out->bearer = bearer;
    if (addressLength == 4) {
        std::snprintf(out->address, sizeof out->address, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
        if (bearer == 0)
            out->bearer = BEARER_UDP;
    }
    return true;
}

void connectReplyReceived(const WspPdu &pdu)
{
    Capabilities granted;
    if (decodeCapabilities(&granted, pdu.capabilities.data, pdu.capabilities.length) == 0)
        Log_str("WSP: ConnectReply capabilities cut short\n");
    TR_Result(nullptr, 0, gSession.connectHandle);
    forgetConnect();
    gSession.state = STATE_CONNECTED;
    gSession.serverSessionId = pdu.sessionId;
    gSession.sessionId = static_cast<int32_t>(pdu.sessionId & 0x7FFFFFFF);
    // A Client-SDU-Size of 0 means no limit.
    gSession.maxReceivedPdu = granted.clientSduSize == 0 ? UINT32_MAX : granted.clientSduSize;
    gSession.negotiated = granted;
    Log_printf("WSP: connected, session %u, max SDU %u\n", pdu.sessionId, granted.clientSduSize);
    S_ConnectCnf(gSession.sessionId, pdu.headers.data, pdu.headers.length, granted);
}

void connectResultReceived(const uint8_t *data, uint32_t length)
{
    if (length > gSession.maxReceivedPdu) {
        Log_printf("WSP: connect answer of %u bytes refused\n", length);
        TR_Abort(WSP_MRUEXCEEDED, gSession.connectHandle);
        abortAllRequests(WSP_ABORT_DISCONNECT);
        endSession();
        disconnectInd();
        return;
    }
    WspPdu pdu;
    bool decoded = WSP_unpack(&pdu, data, length, false) == 1;
    uint8_t type = decoded ? pdu.type : 0;
    Log_printf("WSP: connect answered by %s\n", decoded ? WSP_pduName(type) : "a bad PDU");
    if (type == WSP_CONNECT_REPLY) {
        connectReplyReceived(pdu);
    } else if (type == WSP_REDIRECT) {
        TR_Result(nullptr, 0, gSession.connectHandle);
        abortAllRequests(WSP_CONNECTERR);
        WspRedirectAddress redirect;
        bool usable = readRedirect(pdu, &redirect);
        endSession();
        if (usable)
            S_DisconnectInd(&redirect, nullptr, 0, nullptr, 0);
        else
            disconnectInd();
    } else if (type == WSP_REPLY) {
        TR_Result(nullptr, 0, gSession.connectHandle);
        abortAllRequests(WSP_CONNECTERR);
        endSession();
        S_DisconnectInd(nullptr, pdu.headers.data, pdu.headers.length, pdu.body.data, pdu.body.length);
    } else {
        TR_Abort(WSP_PROTOERR, gSession.connectHandle);
        abortAllRequests(WSP_ABORT_DISCONNECT);
        endSession();
        disconnectInd();
    }
}

void methodResultReceived(int32_t requestId, Request *request, const uint8_t *data, uint32_t length)
{
    if (request->state != REQUEST_CONFIRMED)
        return;
    uint32_t handle = request->handle;
    // The gateway holds only the body to the granted size, so a Reply may
    // be a few dozen bytes over it; one that came whole in one datagram
    // (segmented ones are refused below WSP) and fits a receive block is kept.
    if (length > gSession.maxReceivedPdu && length <= RECEIVE_BUFFER_SIZE) {
        Log_printf("WSP: reply of %u bytes to request %d over the limit %u accepted\n", length, requestId,
                   gSession.maxReceivedPdu);
    } else if (length > gSession.maxReceivedPdu) {
        Log_printf("WSP: reply of %u bytes to request %d refused (limit %u)\n", length, requestId,
                   gSession.maxReceivedPdu);
        forgetRequest(requestId);
        TR_Abort(WSP_PEERREQ, handle);
        S_MethodAbortInd(requestId, WSP_MRUEXCEEDED);
        return;
    }
    WspPdu pdu;
    if (WSP_unpack(&pdu, data, length, false) != 1 || pdu.type != WSP_REPLY) {
        Log_printf("WSP: request %d answered by a bad PDU\n", requestId);
        forgetRequest(requestId);
        TR_Abort(WSP_PROTOERR, handle);
        S_MethodAbortInd(requestId, WSP_PROTOERR);
        return;
    }
    request->state = REQUEST_RESULT;
    S_MethodResultInd(requestId, pdu.status, pdu.headers.data, pdu.headers.length, pdu.body.data, pdu.body.length);
}

}  // namespace

int32_t newRequestId()
{
    for (int32_t tries = 0; tries < MAX_REQUEST_ID; tries++) {
        gLastRequestId = gLastRequestId >= MAX_REQUEST_ID ? 1 : gLastRequestId + 1;
        if (gRequests.count(gLastRequestId) == 0)
            return gLastRequestId;
    }
    return gLastRequestId;
}

int32_t WSP_sessionId() { return gSession.sessionId; }

uint32_t WSP_maxReceivedPdu() { return gSession.maxReceivedPdu; }

void WSP_reset()
{
    gRequests.clear();
    gHandles.clear();
    gSession = WspSession{{}, 0, {}, 0, STATE_NONE, -1, 0, 0, WSP_DEFAULT_SDU, {}};
    gLastRequestId = 0;
}

int32_t S_Connect(const AddressRecord *gateway, uint32_t gatewayPort, const AddressRecord *local, uint32_t localPort,
                  const uint8_t *headers, uint32_t headersLength, const uint8_t *caps, uint32_t capsLength)
{
    if (gSession.sessionId != -1) {
        // The old Connect must not answer for the new session.
        if (gSession.state == STATE_CONNECTING)
            TR_Abort(WSP_ABORT_DISCONNECT, gSession.connectHandle);
        abortAllRequests(WSP_ABORT_DISCONNECT);
        endSession();
        disconnectInd();
    }
    gSession.gateway = *gateway;
    gSession.gatewayPort = gatewayPort;
    gSession.local = *local;
    gSession.localPort = localPort;
    gSession.state = STATE_CONNECTING;
    gSession.maxReceivedPdu = WSP_DEFAULT_SDU;
    gSession.negotiated = defaultCapabilities();
    gSession.sessionId = -2;

    WspPdu pdu{};
    pdu.type = WSP_CONNECT;
    pdu.version = 0x10;
    pdu.capabilities = {caps, capsLength};
    pdu.headers = {headers, headersLength};
    gSession.connectHandle = invoke(pdu, 1, WTP_CLASS2);
    if (gSession.connectHandle != 0)
        gHandles[gSession.connectHandle] = CONNECT_REQUEST;
    Log_printf("WSP: Connect sent to %s:%u\n", gateway->address, gatewayPort);
    return -2;
}

void S_Disconnect(uint8_t reason)
{
    if (gSession.sessionId == -1)
        return;
    if (gSession.state == STATE_CONNECTING) {
        TR_Abort(WSP_ABORT_DISCONNECT, gSession.connectHandle);
    } else if (gSession.state == STATE_CONNECTED) {
        WspPdu pdu{};
        pdu.type = WSP_DISCONNECT;
        pdu.sessionId = gSession.serverSessionId;
        invoke(pdu, 0, WTP_CLASS0);
    }
    Log_printf("WSP: disconnect (reason 0x%02X)\n", reason);
    abortAllRequests(WSP_ABORT_DISCONNECT);
    endSession();
    disconnectInd();
}

int32_t S_MethodInvoke(int32_t requestId, uint8_t method, const uint8_t *uri, uint32_t uriLength,
                       const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength)
{
    if (gSession.sessionId == -1)
        return -1;
    if (gSession.state != STATE_CONNECTING && gSession.state != STATE_CONNECTED)
        return 1;
    bool isGet = method >= WSP_GET && method <= 0x5F;
    WspPdu pdu{};
    pdu.type = isGet ? method : WSP_POST;
    pdu.uri = {uri, uriLength};
    pdu.headers = {headers, headersLength};
    if (!isGet)
        pdu.body = {body, bodyLength};
    uint32_t handle = invoke(pdu, 1, WTP_CLASS2);
    if (handle == 0)
        return -1;
    gRequests[requestId] = Request{REQUEST_SENT, handle};
    gHandles[handle] = requestId;
    return 1;
}

void S_MethodResult(int32_t requestId, const uint8_t *exitData, uint32_t exitLength)
{
    auto it = gRequests.find(requestId);
    if (gSession.state != STATE_CONNECTED || it == gRequests.end() || it->second.state != REQUEST_RESULT)
        return;
    uint32_t handle = it->second.handle;
    forgetRequest(requestId);
    TR_Result(exitData, exitLength, handle);
}

void S_MethodAbort(int32_t requestId)
{
    auto it = gRequests.find(requestId);
    if (gSession.state == STATE_NONE || it == gRequests.end())
        return;
    uint32_t handle = it->second.handle;
    forgetRequest(requestId);
    TR_Abort(WSP_PEERREQ, handle);
    S_MethodAbortInd(requestId, WSP_USERREQ);
}

void TR_InvokeCnf(uint32_t handle)
{
    auto mapped = gHandles.find(handle);
    if (mapped == gHandles.end() || mapped->second == CONNECT_REQUEST)
        return;
    int32_t requestId = mapped->second;
    auto found = gRequests.find(requestId);
    if (found == gRequests.end())
        return;
    Request &request = found->second;
    if (gSession.state == STATE_CONNECTING) {
        // Confirmed outside any session: the gateway will not answer it in
        // the new one. Tell the connection manager, which would otherwise
        // wait for it forever.
        forgetRequest(requestId);
        TR_Abort(WSP_ABORT_DISCONNECT, handle);
        S_MethodAbortInd(requestId, WSP_ABORT_DISCONNECT);
        return;
    }
    if (gSession.state == STATE_CONNECTED && request.state == REQUEST_SENT) {
        request.state = REQUEST_CONFIRMED;
        S_MethodInvokeCnf(requestId);
    }
}

void TR_ResultInd(uint32_t handle, uint8_t *data, uint32_t length)
{
    auto mapped = gHandles.find(handle);
    if (mapped != gHandles.end()) {
        int32_t requestId = mapped->second;
        if (gSession.state == STATE_CONNECTING && handle == gSession.connectHandle) {
            connectResultReceived(data, length);
        } else if (gSession.state == STATE_CONNECTED && gRequests.count(requestId) != 0) {
            methodResultReceived(requestId, &gRequests.find(requestId)->second, data, length);
        }
    }
    releaseReceiveBuffer(data);
}

void TR_AbortInd(uint32_t handle, uint8_t reason)
{
    auto mapped = gHandles.find(handle);
    if (mapped == gHandles.end())
        return;
    int32_t requestId = mapped->second;
    Log_printf("WSP: transaction %u aborted (reason 0x%02X)\n", handle, reason);
    if (requestId == CONNECT_REQUEST) {
        if (gSession.state == STATE_CONNECTING && handle == gSession.connectHandle) {
            abortAllRequests(WSP_CONNECTERR);
            endSession();
            disconnectInd();
        } else {
            gHandles.erase(handle);
        }
        return;
    }
    forgetRequest(requestId);
    if (reason == WSP_ABORT_DISCONNECT && gSession.state == STATE_CONNECTED) {
        abortAllRequests(WSP_ABORT_DISCONNECT);
        endSession();
        disconnectInd();
    } else if (reason != WSP_SUSPEND) {
        // A request that dies while connecting is reported too, so that
        // nothing waits for it.
        S_MethodAbortInd(requestId, reason);
    }
}
