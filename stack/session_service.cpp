// The session service: builds what goes into a Connect and into every
// request, turns WSP indications into the one SessionEvent and hands it on
// at once.
#include <cstring>
#include <string>
#include <vector>

#include "common/log.h"
#include "stack/capture.h"
#include "stack/session.h"
#include "stack/udp_transport.h"
#include "stack/wsp.h"
#include "stack/wtp.h"
#include "stack/wtp_timers.h"
#include "version.h"

namespace {

SessionEvent gSessionEvent = {};         // the posted indication
void (*gEventHandler)() = nullptr;       // the browser's tick, called after every post
int32_t gSessionHandle = SESSION_NEVER;  // -1000000, -2 connecting, session id, -1 ended
bool gConnectionless = false;            // connectionless traffic was sent since the last connect
SessionCaps *gCaps = nullptr;            // the record the granted capabilities go into
uint8_t gLastTid = 255;                  // the last connectionless transaction id (first is 0)
std::string gVersionText;                // "Version " + file version
std::string gBuildText;                  // "Build " + build text

// The handler runs with the buffers alive; afterwards they are released
// by the caller, so the event must not keep pointing at them.
void post(const SessionEvent &event)
{
    gSessionEvent = event;
    if (gEventHandler != nullptr)
        gEventHandler();
    gSessionEvent.headers = nullptr;
    gSessionEvent.headersLength = 0;
    gSessionEvent.body = nullptr;
    gSessionEvent.bodyLength = 0;
}

void postCode(int32_t code)
{
    SessionEvent event = gSessionEvent;
    event.code = code;
    post(event);
}

void postContent(int32_t code, int32_t status, int32_t requestId, const uint8_t *headers, uint32_t headersLength,
                 const uint8_t *body, uint32_t bodyLength)
{
    post(SessionEvent{code, status, requestId, headers, headersLength, body, bodyLength});
}

// User-Agent, the three Accept headers and Accept-Charset: the same in the
// Connect and in every connectionless request. Without the Accept headers
// the gateway refuses content; without UTF-8 asked for, its compiler turns
// a character reference into one ISO-8859-1 byte or UTF-8 at whim within
// one deck.
std::vector<uint8_t> requestHeaders()
{
    std::string block;
    block += static_cast<char>(WSP_HDR_USER_AGENT);
    block += std::string("Tovrin ") + S_versionText() + ":" + S_buildText();
    block += '\0';
    for (uint8_t media : {WSP_MEDIA_WMLC, WSP_MEDIA_WMLSC, WSP_MEDIA_WBMP}) {
        block += static_cast<char>(WSP_HDR_ACCEPT);
        block += static_cast<char>(media);
    }
    block += static_cast<char>(WSP_HDR_ACCEPT_CHARSET);
    block += static_cast<char>(WSP_CHARSET_UTF8);
    return std::vector<uint8_t>(block.begin(), block.end());
}

// A POST's header block begins with its content type: the caller's, or
// form fields, which is what a go with postfields sends.
std::vector<uint8_t> postHeaders(const uint8_t *headers, uint32_t headersLength, bool withCommon)
{
    std::vector<uint8_t> common = withCommon ? requestHeaders() : std::vector<uint8_t>{};
    std::vector<uint8_t> all;
    all.reserve(1 + headersLength + common.size());
    if (headers != nullptr && headersLength != 0)
        all.assign(headers, headers + headersLength);
    else
        all.push_back(WSP_MEDIA_FORM_URLENCODED);
    for (uint8_t byte : common)
        all.push_back(byte);
    return all;
}

// The URI is sent as its characters only: a zero byte on the wire ends up
// in the gateway's HTTP request line.
uint32_t uriLength(const char *url, uint32_t urlLength)
{
    return url == nullptr ? 0 : static_cast<uint32_t>(strnlen(url, urlLength));
}

int32_t transportCode(int opened)
{
    switch (opened) {
    case TRANSPORT_NO_SOCKETS: return SESSION_NO_SOCKETS;
    case TRANSPORT_BAD_BEARER: return SESSION_BAD_BEARER;
    case TRANSPORT_SOCKET_FAILED: return SESSION_NO_SOCKET;
    default: return SESSION_TRANSPORT_FAILED;
    }
}

void oneRound()
{
    pollReceive();
    pollPushReceive();
    runTimers();
    flushCapture();
}

int32_t unitRequest(const char *gateway, uint32_t port, uint8_t bearer, uint8_t method, const char *url,
                    uint32_t urlLength, const uint8_t *headers, uint32_t headersLength, const uint8_t *body,
                    uint32_t bodyLength)
{
    gConnectionless = true;
    uint32_t localPort = 0;
    if (openTransport(bearer, &localPort) < 0)
        return -1;
    char resolved[ADDRESS_FIELD_SIZE] = {};
    resolveAddress(gateway != nullptr ? gateway : "", resolved);
    AddressRecord gatewayRecord = makeAddress(bearer, resolved);
    // Nothing reads the local address of a datagram.
    AddressRecord local = makeAddress(bearer, "127.0.0.1");
    setTransportPeer(&gatewayRecord, port);
    gLastTid = static_cast<uint8_t>(gLastTid + 1);
    S_Unit_MethodInvoke(&gatewayRecord, port, &local, localPort, gLastTid, method,
                        reinterpret_cast<const uint8_t *>(url), uriLength(url, urlLength), headers, headersLength, body,
                        bodyLength);
    return gLastTid;
}

}  // namespace

const char *S_versionText()
{
    if (gVersionText.empty()) {
        // An empty stand-in for a resource field reads as "unknown".
        const char *version = TOVRIN_FILE_VERSION;
        gVersionText = std::string("Version ") + (*version != 0 ? version : "unknown");
    }
    return gVersionText.c_str();
}

const char *S_buildText()
{
    if (gBuildText.empty()) {
        const char *build = TOVRIN_SPECIAL_BUILD;
        gBuildText = std::string("Build ") + (*build != 0 ? build : "unknown");
    }
    return gBuildText.c_str();
}

void resetSessionService()
{
    WSP_reset();
    gSessionEvent = SessionEvent{};
    gSessionHandle = SESSION_NEVER;
    gConnectionless = false;
    gCaps = nullptr;
    gLastTid = 255;
}

void S_setSessionEventHandler(void (*handler)()) { gEventHandler = handler; }

int32_t S_sessionConnect(const char *gateway, uint32_t port, uint8_t bearer, SessionCaps *caps, int32_t *status)
{
    gConnectionless = false;
    uint32_t localPort = 0;
    int opened = openTransport(bearer, &localPort);
    if (opened < 0)
        return transportCode(opened);
    if (gSessionHandle > 0 && status != nullptr)
        *status = SESSION_ALREADY;

    char resolved[ADDRESS_FIELD_SIZE] = {};
    resolveAddress(gateway != nullptr ? gateway : "", resolved);
    AddressRecord gatewayRecord = makeAddress(bearer, resolved);
    AddressRecord local = makeAddress(bearer, "127.0.0.1");
    setTransportPeer(&gatewayRecord, port);

    std::vector<uint8_t> headers = requestHeaders();
    gCaps = caps;
    Capabilities asked = defaultCapabilities();
    if (caps != nullptr) {
        asked.clientSduSize = caps->maxSdu;
        asked.serverSduSize = caps->maxSdu;
        asked.push = caps->pushEnabled != 0;
        asked.methodMor = static_cast<uint8_t>(caps->morMethods > 255 ? 255 : caps->morMethods);
        asked.pushMor = static_cast<uint8_t>(caps->morPush > 255 ? 255 : caps->morPush);
    }
    std::vector<uint8_t> capabilities = encodeCapabilities(asked);
    gSessionHandle =
        S_Connect(&gatewayRecord, port, &local, localPort, headers.data(), static_cast<uint32_t>(headers.size()),
                  capabilities.data(), static_cast<uint32_t>(capabilities.size()));
    oneRound();
    oneRound();
    return 1;
}

int32_t S_sessionDisconnect()
{
    if (gSessionHandle == SESSION_NEVER) {
        postCode(SEVENT_NO_SESSION);
        return -1;
    }
    S_Disconnect(WSP_USERREQ);
    return 1;
}

int32_t getConnectionless(const char *gateway, uint32_t port, uint8_t bearer, const char *url, uint32_t urlLength)
{
    std::vector<uint8_t> headers = requestHeaders();
    return unitRequest(gateway, port, bearer, WSP_GET, url, urlLength, headers.data(),
                       static_cast<uint32_t>(headers.size()), nullptr, 0);
}

int32_t postConnectionless(const char *gateway, uint32_t port, uint8_t bearer, const char *url, uint32_t urlLength,
                           const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength)
{
    std::vector<uint8_t> all = postHeaders(headers, headersLength, true);
    return unitRequest(gateway, port, bearer, WSP_POST, url, urlLength, all.data(), static_cast<uint32_t>(all.size()),
                       body, bodyLength);
}

int32_t getConnected(const char *url, uint32_t urlLength)
{
    int32_t requestId = newRequestId();
    int32_t sent = S_MethodInvoke(requestId, WSP_GET, reinterpret_cast<const uint8_t *>(url), uriLength(url, urlLength),
                                  nullptr, 0, nullptr, 0);
    return sent == -1 ? -1 : requestId;
}

int32_t postConnected(const char *url, uint32_t urlLength, const uint8_t *headers, uint32_t headersLength,
                      const uint8_t *body, uint32_t bodyLength)
{
    std::vector<uint8_t> all = postHeaders(headers, headersLength, false);
    int32_t requestId = newRequestId();
    int32_t sent =
        S_MethodInvoke(requestId, WSP_POST, reinterpret_cast<const uint8_t *>(url), uriLength(url, urlLength),
                       all.data(), static_cast<uint32_t>(all.size()), body, bodyLength);
    return sent == -1 ? -1 : requestId;
}

int32_t abortRequest(int32_t requestId)
{
    S_MethodAbort(requestId);
    return 1;
}

SessionEvent takeEvent() { return gSessionEvent; }

int32_t S_listenForPush(const char *gateway, uint8_t bearer, uint32_t port)
{
    char resolved[ADDRESS_FIELD_SIZE] = {};
    resolveAddress(gateway != nullptr ? gateway : "", resolved);
    AddressRecord gatewayRecord = makeAddress(bearer, resolved);
    int opened = openPushListener(bearer, port, &gatewayRecord);
    if (opened == PUSH_LISTENING || opened == PUSH_WAS_LISTENING)
        return 1;
    return opened == TRANSPORT_BAD_BEARER ? SESSION_BAD_BEARER : SESSION_NO_SOCKET;
}

void pumpStack()
{
    if (gSessionHandle != SESSION_NEVER || gConnectionless || S_pushListenerFd() >= 0)
        oneRound();
}

void closeStack()
{
    closeTransport();
    closePushListener();
}

// Indications from WSP.

void S_ConnectCnf(int32_t sessionId, const uint8_t *headers, uint32_t headersLength, const Capabilities &granted)
{
    (void)headers;
    (void)headersLength;
    gSessionHandle = sessionId;
    if (gCaps != nullptr) {
        gCaps->maxSdu = granted.clientSduSize;
        gCaps->pushEnabled = granted.push;
        gCaps->morMethods = granted.methodMor;
        gCaps->morPush = granted.pushMor;
    }
    postCode(SEVENT_CONNECTED);
}

void S_DisconnectInd(const WspRedirectAddress *redirect, const uint8_t *headers, uint32_t headersLength,
                     const uint8_t *body, uint32_t bodyLength)
{
    gSessionHandle = SESSION_ENDED;
    if (redirect != nullptr) {
        Log_printf("WSP: redirected to %s:%u\n", redirect->address, redirect->port);
        int32_t status = 0;
        S_sessionConnect(redirect->address, redirect->port, redirect->bearer, gCaps, &status);
        postCode(SEVENT_REDIRECTED);
        return;
    }
    SessionEvent event = gSessionEvent;
    event.code = SEVENT_DISCONNECTED;
    event.headers = headers;
    event.headersLength = headersLength;
    event.body = body;
    event.bodyLength = bodyLength;
    post(event);
}

void S_MethodInvokeCnf(int32_t requestId)
{
    SessionEvent event = gSessionEvent;
    event.code = SEVENT_INVOKE_CNF;
    event.requestId = requestId;
    post(event);
}

void S_MethodResultInd(int32_t requestId, uint8_t status, const uint8_t *headers, uint32_t headersLength,
                       const uint8_t *body, uint32_t bodyLength)
{
    postContent(SEVENT_RESULT, status, requestId, headers, headersLength, body, bodyLength);
    // The connection manager is done with it: now the gateway gets its Ack.
    S_MethodResult(requestId, nullptr, 0);
}

void S_MethodAbortInd(int32_t requestId, uint8_t reason)
{
    SessionEvent event = gSessionEvent;
    event.code = SEVENT_ABORTED;
    event.status = reason;
    event.requestId = requestId;
    post(event);
}

void S_PushInd(int32_t pushId, const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength)
{
    SessionEvent event = gSessionEvent;
    event.code = SEVENT_PUSH;
    event.requestId = pushId;
    event.headers = headers;
    event.headersLength = headersLength;
    event.body = body;
    event.bodyLength = bodyLength;
    post(event);
}

void S_Unit_MethodResultInd(int32_t tid, uint8_t status, const uint8_t *headers, uint32_t headersLength,
                            const uint8_t *body, uint32_t bodyLength)
{
    postContent(SEVENT_RESULT, status, tid, headers, headersLength, body, bodyLength);
}
