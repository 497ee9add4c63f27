#pragma once
// The datagram service at the bottom of the stack: one UDP socket for the
// whole process, bound to any local address and an ephemeral port. It never
// blocks: pollReceive looks at the socket with a zero time-out and hands at
// most one datagram upwards. Every datagram is traced in the log.
#include <cstddef>
#include <cstdint>

#include "stack/address.h"

// Datagrams from this source port are connectionless WSP (replies and
// pushes); every other source port carries WTP.
constexpr uint32_t CONNECTIONLESS_PORT = 9200;
constexpr uint32_t CONNECTION_PORT = 9201;
// Size of every receive block, and so the largest datagram accepted.
constexpr uint32_t RECEIVE_BUFFER_SIZE = 5000;

// openTransport results.
constexpr int TRANSPORT_OPENED = 1;
constexpr int TRANSPORT_WAS_OPEN = 2;
constexpr int TRANSPORT_NO_SOCKETS = -1;     // the socket library failed its check
constexpr int TRANSPORT_BAD_BEARER = -2;     // any bearer but BEARER_UDP
constexpr int TRANSPORT_SOCKET_FAILED = -3;  // socket() or bind() failed

// T_DUnitdata_Req results.
constexpr int TRANSPORT_SENT = 1;
constexpr int TRANSPORT_SEND_BEARER = -1;  // destination bearer is not UDP; nothing sent
constexpr int TRANSPORT_SEND_FAILED = -2;

// Opens the socket for the bearer. localPort receives 0 (the ephemeral port
// is not reported, as the upper layers expect). Returns one of the
// TRANSPORT_ codes above; a second open returns TRANSPORT_WAS_OPEN and keeps
// the socket.
int openTransport(uint32_t bearer, uint32_t *localPort);
// Closes the socket if open and forgets the expected peer.
void closeTransport();
// The socket's descriptor for a loop that waits on it, or -1 when closed.
int S_transportFd();

// Dotted IPv4 text for a gateway name into out (ADDRESS_FIELD_SIZE bytes,
// zero-filled): four dotted numbers are copied unchanged, a host name is
// looked up, and a name that cannot be resolved is copied unchanged so that
// the later send fails. Always returns 1.
int resolveAddress(const char *name, char *out);

// Sends data in one datagram to the destination. Returns TRANSPORT_SENT,
// TRANSPORT_SEND_BEARER or TRANSPORT_SEND_FAILED. The data stays the
// caller's.
int T_DUnitdata_Req(const AddressRecord *source, uint32_t sourcePort, const AddressRecord *destination,
                    uint32_t destinationPort, const uint8_t *data, uint32_t length);

// Receives at most one datagram and delivers it: 0 socket closed or nothing
// waiting, -1 receive error (a datagram over RECEIVE_BUFFER_SIZE bytes is
// one, and is dropped), 1 one datagram handled (delivered or dropped as not
// from the gateway).
int pollReceive();

// Only the gateway's datagrams are accepted: those from the peer's address
// whose source port is the given port or CONNECTIONLESS_PORT (pushes come
// from there). Anything else is dropped with a log line. The session layer
// sets this at every connect and connectionless request; until then, and
// after closeTransport, every datagram is dropped. A peer given here is
// also the gateway the push listener expects from then on.
void setTransportPeer(const AddressRecord *peer, uint32_t port);

// The receive buffer pool. Every block is at least RECEIVE_BUFFER_SIZE
// bytes (size when larger); a block stays alive until released. Releasing
// takes any pointer into the block (or just past its end); null and
// pointers that are not from the pool are ignored.
uint8_t *takeReceiveBuffer(uint32_t size);
void releaseReceiveBuffer(const void *pointer);
// Blocks taken and not yet released (for leak checks).
uint32_t receiveBuffersInUse();

// For tests: when set, T_DUnitdata_Req hands the bytes to the hook instead
// of the socket (after the bearer check) and returns what the hook returns;
// null restores the socket.
typedef int (*TransportSendHook)(const AddressRecord *destination, uint32_t destinationPort, const uint8_t *data,
                                 uint32_t length);
void setTransportSendHook(TransportSendHook hook);
// Delivers a datagram as if it had just been received from source (a copy
// of data is made in a receive block): the peer check, the trace and the
// hand-over are those of pollReceive. Returns 1 delivered, 0 dropped.
int injectDatagram(const AddressRecord *source, uint32_t sourcePort, const uint8_t *data, uint32_t length);

// The push listener: a second socket on the port the gateway's push proxy
// sends connectionless pushes to (PUSH_PORT), watched by the same loop.
// Only datagrams from the gateway's address and its port 9200 are taken,
// and only as pushes; anything else is dropped with a log line.
constexpr uint32_t PUSH_PORT = 2948;
constexpr int PUSH_LISTENING = 1;
constexpr int PUSH_WAS_LISTENING = 2;
// openPushListener's failures are TRANSPORT_BAD_BEARER and
// TRANSPORT_SOCKET_FAILED (the port is taken by another program).

// Binds any local address at port (0: an ephemeral port, for tests) and
// expects pushes from gateway. A second open keeps the socket and takes
// the new gateway.
int openPushListener(uint32_t bearer, uint32_t port, const AddressRecord *gateway);
void closePushListener();
// The push socket's descriptor for a loop that waits on it (as it waits on
// S_transportFd), or -1 when it is not listening.
int S_pushListenerFd();
// The port it listens on (for tests that asked for an ephemeral one); 0
// when closed.
uint32_t pushListenerPort();
// Receives at most one datagram from the push socket and hands it on:
// 0 closed or nothing waiting, -1 receive error, 1 handled (delivered or
// dropped).
int pollPushReceive();
// Delivers a datagram as if the push socket had received it (a copy is
// made): the checks and the trace are those of pollPushReceive. 1
// delivered, 0 dropped.
int injectPushDatagram(const AddressRecord *source, uint32_t sourcePort, const uint8_t *data, uint32_t length);

// Upcall, implemented by connectionless WSP: a datagram from the gateway's
// port 9200 to the push socket. Same ownership as WSP_unitdataInd.
void WSP_pushDatagramInd(uint8_t *data, uint32_t length);

// Upcall, implemented by connectionless WSP: a datagram from port 9200.
// data is a receive block (never null) that the callee now owns: it must
// release it with releaseReceiveBuffer when done, unless it keeps it.
void WSP_unitdataInd(const AddressRecord *source, uint16_t sourcePort, uint8_t *data, uint32_t length);
