#pragma once
// WSP: the PDUs, capabilities, the one connection-oriented session over
// WTP, and connectionless WSP over datagrams. Used by the session service
// (session.h); indications go up through the S_*Ind functions below, which
// the session service implements.
#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_reader.h"

struct AddressRecord;

// PDU types.
constexpr uint8_t WSP_CONNECT = 0x01;
constexpr uint8_t WSP_CONNECT_REPLY = 0x02;
constexpr uint8_t WSP_REDIRECT = 0x03;
constexpr uint8_t WSP_REPLY = 0x04;
constexpr uint8_t WSP_DISCONNECT = 0x05;
constexpr uint8_t WSP_PUSH = 0x06;
constexpr uint8_t WSP_GET = 0x40;   // 0x40..0x5F are sent as Get
constexpr uint8_t WSP_POST = 0x60;  // everything else as Post

// Abort reasons.
constexpr uint8_t WSP_PROTOERR = 0xE0;
constexpr uint8_t WSP_ABORT_DISCONNECT = 0xE1;
constexpr uint8_t WSP_SUSPEND = 0xE2;
constexpr uint8_t WSP_CONNECTERR = 0xE5;
constexpr uint8_t WSP_MRUEXCEEDED = 0xE6;
constexpr uint8_t WSP_PEERREQ = 0xE8;
constexpr uint8_t WSP_USERREQ = 0xEA;

// Well-known header codes (short-integer form).
constexpr uint8_t WSP_HDR_ACCEPT = 0x80;
constexpr uint8_t WSP_HDR_USER_AGENT = 0xA9;
constexpr uint8_t WSP_HDR_ACCEPT_CHARSET = 0x81;
constexpr uint8_t WSP_CHARSET_UTF8 = 0x80 | 106;  // MIBenum 106 as a short integer
constexpr uint8_t WSP_MEDIA_WMLC = 0x94;
constexpr uint8_t WSP_MEDIA_WMLSC = 0x95;
constexpr uint8_t WSP_MEDIA_WBMP = 0xA1;
constexpr uint8_t WSP_MEDIA_FORM_URLENCODED = 0x92;  // application/x-www-form-urlencoded

// Room left in front of an outgoing PDU for the WTP header.
constexpr uint32_t WSP_HEADROOM = 64;
// Largest Reply or ConnectReply accepted before the ConnectReply is seen.
constexpr uint32_t WSP_DEFAULT_SDU = 1400;

// Bytes needed for value as a uintvar (1..5); writes them when out is not
// null.
uint32_t WSP_writeUintvar(uint32_t value, uint8_t *out);

// One PDU, decoded or to encode. Byte fields point into the PDU's buffer
// (decoded) or into the caller's data (to encode); a field the PDU type
// lacks stays empty.
struct WspBytes {
    const uint8_t *data;
    uint32_t length;
};
struct WspPdu {
    uint8_t tid;         // connectionless transaction id (first byte)
    uint8_t type;        // PDU type or method
    uint8_t version;     // Connect
    uint8_t status;      // Reply
    uint8_t flags;       // Redirect
    uint32_t sessionId;  // ConnectReply, Disconnect
    WspBytes uri;
    WspBytes capabilities;
    WspBytes headers;  // Reply, Push, Post: content type first
    WspBytes body;
    WspBytes addresses;  // Redirect
};
// Decodes a whole PDU; 1, or 0 when it is truncated, over-long in a field,
// or of an unknown type. connectionless: a transaction id byte comes first.
int WSP_unpack(WspPdu *pdu, const uint8_t *data, uint32_t length, bool connectionless);
// Encoded size of pdu, or 0 for an unknown type.
uint32_t WSP_packedSize(const WspPdu &pdu, bool connectionless);
// Encodes into out (size bytes); returns the length written, 0 when it
// does not fit or the type is unknown.
uint32_t WSP_pack(const WspPdu &pdu, bool connectionless, uint8_t *out, uint32_t size);
const char *WSP_pduName(uint8_t type);
// The content type at the start of a header block, as the well-known code
// (0..127), or -1 when it is not a well-known one or absent.
int WSP_contentType(const uint8_t *headers, uint32_t length);

// Capabilities.
struct Capabilities {
    uint32_t clientSduSize;
    uint32_t serverSduSize;
    uint8_t push;
    uint8_t confirmedPush;
    uint8_t sessionResume;
    uint8_t ackHeaders;
    uint8_t methodMor;
    uint8_t pushMor;
    uint8_t extendedMethodCount;
    std::string extendedMethods;
    uint8_t codePageCount;
    std::string codePages;
    uint8_t aliasBearerPresent;
    uint8_t aliasPortPresent;
    uint8_t aliasAddressLength;
    uint8_t aliasBearer;
    uint16_t aliasPort;
    uint8_t aliasAddress[16];
};
Capabilities defaultCapabilities();
// Only values that differ from the defaults are emitted.
std::vector<uint8_t> encodeCapabilities(const Capabilities &caps);
// Starts from the defaults. 1, or 0 when the bytes end inside a capability
// (the ones read before it are kept).
int decodeCapabilities(Capabilities *caps, const uint8_t *bytes, uint32_t length);

// The first redirect address of a Redirect PDU.
struct WspRedirectAddress {
    uint8_t bearer;    // 0 when not given
    uint32_t port;     // the current gateway port when not given
    char address[16];  // dotted IPv4 text, "" when not IPv4
};

// The connection-oriented session.
int32_t S_Connect(const AddressRecord *gateway, uint32_t gatewayPort, const AddressRecord *local, uint32_t localPort,
                  const uint8_t *headers, uint32_t headersLength, const uint8_t *caps, uint32_t capsLength);
void S_Disconnect(uint8_t reason);
int32_t S_MethodInvoke(int32_t requestId, uint8_t method, const uint8_t *uri, uint32_t uriLength,
                       const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength);
void S_MethodResult(int32_t requestId, const uint8_t *exitData, uint32_t exitLength);
void S_MethodAbort(int32_t requestId);
int32_t newRequestId();
// The session id: -1 none, -2 connecting, else the server's.
int32_t WSP_sessionId();
// Largest Reply accepted now.
uint32_t WSP_maxReceivedPdu();
// Forgets the session and its requests without sending anything (tests,
// closing the stack).
void WSP_reset();

// Connectionless WSP.
void S_Unit_MethodInvoke(const AddressRecord *gateway, uint32_t gatewayPort, const AddressRecord *local,
                         uint32_t localPort, uint8_t tid, uint8_t method, const uint8_t *uri, uint32_t uriLength,
                         const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength);
uint32_t WSP_pushCount();

// Indications, implemented by the session service. Byte pointers are valid
// only during the call.
void S_ConnectCnf(int32_t sessionId, const uint8_t *headers, uint32_t headersLength, const Capabilities &granted);
// redirect null: ended or refused (headers and body of a refusing Reply, or
// empty).
void S_DisconnectInd(const WspRedirectAddress *redirect, const uint8_t *headers, uint32_t headersLength,
                     const uint8_t *body, uint32_t bodyLength);
void S_MethodInvokeCnf(int32_t requestId);
void S_MethodResultInd(int32_t requestId, uint8_t status, const uint8_t *headers, uint32_t headersLength,
                       const uint8_t *body, uint32_t bodyLength);
void S_MethodAbortInd(int32_t requestId, uint8_t reason);
void S_PushInd(int32_t pushId, const uint8_t *headers, uint32_t headersLength, const uint8_t *body,
               uint32_t bodyLength);
void S_Unit_MethodResultInd(int32_t tid, uint8_t status, const uint8_t *headers, uint32_t headersLength,
                            const uint8_t *body, uint32_t bodyLength);
