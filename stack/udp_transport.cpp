// The UDP datagram transport: the browsing socket and the push listener,
// zero-timeout polling, the receive buffer pool, the gateway check and the
// datagram trace.
#include "stack/udp_transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "common/log.h"
#include "stack/capture.h"
#include "stack/wtp.h"

namespace {

struct ReceiveBlock {
    std::unique_ptr<uint8_t[]> data;
    uint32_t size;
    uint32_t serial;
};

int gSocket = -1;                                   // the one UDP socket, -1 when closed
uint16_t gLocalPort = 0;                            // the port it is bound to
uint32_t gReceiveBufferSize = RECEIVE_BUFFER_SIZE;  // size of a receive block
std::vector<ReceiveBlock> gPool;                    // blocks taken and not yet released
uint32_t gNextSerial = 1;                           // serial number of the next block
bool gPeerSet = false;                              // a gateway is expected
AddressRecord gPeer{};                              // the gateway's address
uint32_t gPeerPort = 0;                             // its port besides CONNECTIONLESS_PORT
TransportSendHook gSendHook = nullptr;              // tests: capture instead of sending
int gPushSocket = -1;                               // the push listener, -1 when closed
uint32_t gPushPort = 0;                             // the port it is bound to
AddressRecord gPushGateway{};                       // whose pushes it takes

// Problems a window-less process would not show; they go to the standard
// error stream and the log alike.
void reportError(const char *text, int error)
{
    if (error)
        std::fprintf(stderr, "%s: %s\n", text, std::strerror(error));
    else
        std::fprintf(stderr, "%s\n", text);
    Log_printf("\t%s\n", text);
}

// -1 when the socket refuses the data, -2 when it took less than all.
int sendUdp(const AddressRecord *destination, uint32_t port, const uint8_t *data, uint32_t length)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    char text[ADDRESS_TEXT_MAX + 1] = {};
    std::memcpy(text, destination->address, strnlen(destination->address, ADDRESS_TEXT_MAX));
    if (gSocket < 0 || port > 0xFFFF || inet_pton(AF_INET, text, &to.sin_addr) != 1) {
        reportError("Error in SendUDP", gSocket < 0 ? EBADF : EINVAL);
        return -1;
    }
    ssize_t sent = sendto(gSocket, data, length, 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
    if (sent < 0) {
        reportError("Error in SendUDP", errno);
        return -1;
    }
    if (static_cast<uint32_t>(sent) != length) {
        reportError("Message not completely sent", 0);
        return -2;
    }
    return static_cast<int>(sent);
}

bool fromGateway(const AddressRecord *source, uint32_t port)
{
    return gPeerSet && sameAddress(*source, gPeer) && (port == gPeerPort || port == CONNECTIONLESS_PORT);
}

// Hands a received datagram (a receive block, now ours) upwards, or drops
// it when it is not the gateway's.
int deliver(const AddressRecord *source, uint32_t sourcePort, uint8_t *data, uint32_t length)
{
    // Only the address text is known of the receiving end; it stays empty.
    AddressRecord local = makeAddress(BEARER_UDP, "");
    Log_printf("\tReceived From:%s:%u. -> :%s%u\n", source->address, sourcePort, local.address, 0u);
    Log_printf("\tData Received Len:%u\n", length);
    recordDatagram(false, source->address, sourcePort, gLocalPort, data, length);
    if (!fromGateway(source, sourcePort)) {
        // Anyone who can reach this port could otherwise inject replies.
        Log_printf("\tDropped UDP From:%s:%u (not the gateway)\n", source->address, sourcePort);
        releaseReceiveBuffer(data);
        return 0;
    }
    if (sourcePort == CONNECTIONLESS_PORT) {
        WSP_unitdataInd(source, static_cast<uint16_t>(sourcePort), data, length);
        return 1;
    }
    receivePdus(&local, 0, source, sourcePort, data, length);
    releaseReceiveBuffer(data);
    return 1;
}

// The push socket takes connectionless WSP from the gateway only: a
// stranger must not be able to fill the push list.
int deliverPush(const AddressRecord *source, uint32_t sourcePort, uint8_t *data, uint32_t length)
{
    Log_printf("\tPush Received From:%s:%u. -> :%u\n", source->address, sourcePort, gPushPort);
    Log_printf("\tData Received Len:%u\n", length);
    recordDatagram(false, source->address, sourcePort, gPushPort, data, length);
    if (!sameAddress(*source, gPushGateway) || sourcePort != CONNECTIONLESS_PORT) {
        Log_printf("\tPush: dropped UDP From:%s:%u (not the gateway)\n", source->address, sourcePort);
        releaseReceiveBuffer(data);
        return 0;
    }
    WSP_pushDatagramInd(data, length);
    return 1;
}

// One datagram from fd into a fresh receive block: 0 nothing waiting, -1
// receive error (the block released), 1 received.
int receiveOne(int fd, AddressRecord *source, uint32_t *sourcePort, uint8_t **data, uint32_t *length)
{
    pollfd watch{fd, POLLIN, 0};
    int ready = poll(&watch, 1, 0);
    if (ready < 0) {
        reportError(errno == EINTR ? "Interrrupted system call" : "Select Failed!!!", 0);
        return 0;
    }
    if (ready == 0 || !(watch.revents & (POLLIN | POLLERR)))
        return 0;
    uint8_t *buffer = takeReceiveBuffer(gReceiveBufferSize);
    sockaddr_in from{};
    iovec part{buffer, gReceiveBufferSize};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    ssize_t got = recvmsg(fd, &message, MSG_DONTWAIT);
    // A datagram longer than the block is refused whole, never cut.
    if (got < 0 || (message.msg_flags & MSG_TRUNC) || from.sin_family != AF_INET) {
        reportError("recvfrom error", got < 0 ? errno : EMSGSIZE);
        releaseReceiveBuffer(buffer);
        return -1;
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    *source = makeAddress(BEARER_UDP, text);
    *sourcePort = ntohs(from.sin_port);
    *data = buffer;
    *length = static_cast<uint32_t>(got);
    return 1;
}

// A copy of data in a receive block, or null (with the trace of a refused
// datagram) when it is larger than any datagram the socket would take.
uint8_t *copyDatagram(const uint8_t *data, uint32_t length)
{
    if (length > gReceiveBufferSize) {
        reportError("recvfrom error", EMSGSIZE);
        return nullptr;
    }
    uint8_t *buffer = takeReceiveBuffer(length);
    if (length)
        std::memcpy(buffer, data, length);
    return buffer;
}

}  // namespace

namespace {

// A non-blocking UDP socket bound to port on every address (0: any port);
// the port it got in *bound. -1 with errno set when it cannot be had.
int boundSocket(uint16_t port, uint16_t *bound)
{
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_UDP);
    if (s < 0)
        return -1;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    any.sin_port = htons(port);
    socklen_t n = sizeof any;
    if (bind(s, reinterpret_cast<sockaddr *>(&any), sizeof any) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr *>(&any), &n) != 0) {
        int saved = errno;
        close(s);
        errno = saved;
        return -1;
    }
    if (bound)
        *bound = ntohs(any.sin_port);
    return s;
}

}  // namespace

int openTransport(uint32_t bearer, uint32_t *localPort)
{
    // POSIX sockets need no start-up, so the library check always passes.
    if (bearer != BEARER_UDP)
        return TRANSPORT_BAD_BEARER;
    gReceiveBufferSize = RECEIVE_BUFFER_SIZE;
    if (localPort)
        *localPort = 0;
    if (gSocket >= 0)
        return TRANSPORT_WAS_OPEN;
    int s = boundSocket(0, &gLocalPort);
    if (s < 0)
        return TRANSPORT_SOCKET_FAILED;
    gSocket = s;
    Log_printf("\tConnecting UDP To Port :%u\n", 0u);
    return TRANSPORT_OPENED;
}

void closeTransport()
{
    if (gSocket >= 0)
        close(gSocket);
    gSocket = -1;
    gPeerSet = false;
}

int S_transportFd() { return gSocket; }

int resolveAddress(const char *name, char *out)
{
    std::memset(out, 0, ADDRESS_FIELD_SIZE);
    if (!name)
        return 1;
    unsigned a, b, c, d;
    char rest;
    bool dotted = std::sscanf(name, "%u.%u.%u.%u%c", &a, &b, &c, &d, &rest) == 4;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (!dotted && getaddrinfo(name, nullptr, &hints, &found) == 0 && found) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(found->ai_addr);
        uint32_t ip = ntohl(in->sin_addr.s_addr);
        std::snprintf(out, ADDRESS_TEXT_MAX + 1, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF,
                      ip & 0xFF);
        freeaddrinfo(found);
        return 1;
    }
    if (found)
        freeaddrinfo(found);
    // Copied as given, so that the later send fails where it is traced.
    std::memcpy(out, name, strnlen(name, ADDRESS_TEXT_MAX));
    return 1;
}

int T_DUnitdata_Req(const AddressRecord *source, uint32_t sourcePort, const AddressRecord *destination,
                    uint32_t destinationPort, const uint8_t *data, uint32_t length)
{
    (void)source;
    (void)sourcePort;
    // Standard output is the headless command channel, so this notice goes
    // to the log.
    Log_str("Calling the T_DUnitdata_Req\n");
    if (destination->bearer != BEARER_UDP)
        return TRANSPORT_SEND_BEARER;
    int result = gSendHook ? gSendHook(destination, destinationPort, data, length)
                           : sendUdp(destination, destinationPort, data, length);
    if (result < 0)
        return TRANSPORT_SEND_FAILED;
    AddressRecord to = makeAddress(BEARER_UDP, destination->address);
    recordDatagram(true, to.address, destinationPort, gLocalPort, data, length);
    Log_printf("\tSending UDP To:%.*s:%u\n", static_cast<int>(ADDRESS_TEXT_MAX), destination->address, destinationPort);
    Log_printf("\tData:%u\n", length);
    return TRANSPORT_SENT;
}

namespace {

// One datagram from socket, if one waits, handed to its path.
int receiveInto(int socket, int (*path)(const AddressRecord *, uint32_t, uint8_t *, uint32_t))
{
    if (socket < 0)
        return 0;
    AddressRecord source{};
    uint32_t port = 0;
    uint8_t *data = nullptr;
    uint32_t length = 0;
    int got = receiveOne(socket, &source, &port, &data, &length);
    if (got == 1)
        path(&source, port, data, length);
    return got;
}

}  // namespace

int pollReceive() { return receiveInto(gSocket, deliver); }

int openPushListener(uint32_t bearer, uint32_t port, const AddressRecord *gateway)
{
    if (bearer != BEARER_UDP)
        return TRANSPORT_BAD_BEARER;
    gPushGateway = gateway ? makeAddress(gateway->bearer, gateway->address) : AddressRecord{};
    if (gPushSocket >= 0)
        return PUSH_WAS_LISTENING;
    uint16_t bound = 0;
    // No SO_REUSEADDR: a port another program holds must show as taken.
    int s = port > 0xFFFF ? -1 : boundSocket(static_cast<uint16_t>(port), &bound);
    if (s < 0) {
        Log_printf("\tPush: cannot listen on UDP port %u: %s\n", port, std::strerror(errno));
        return TRANSPORT_SOCKET_FAILED;
    }
    gPushSocket = s;
    gPushPort = bound;
    Log_printf("\tPush: listening on UDP port %u for %s\n", gPushPort, gPushGateway.address);
    return PUSH_LISTENING;
}

void closePushListener()
{
    if (gPushSocket >= 0)
        close(gPushSocket);
    gPushSocket = -1;
    gPushPort = 0;
    gPushGateway = AddressRecord{};
}

int S_pushListenerFd() { return gPushSocket; }

uint32_t pushListenerPort() { return gPushPort; }

int pollPushReceive() { return receiveInto(gPushSocket, deliverPush); }

int injectPushDatagram(const AddressRecord *source, uint32_t sourcePort, const uint8_t *data, uint32_t length)
{
    uint8_t *buffer = copyDatagram(data, length);
    if (!buffer)
        return 0;
    AddressRecord from = makeAddress(BEARER_UDP, source->address);
    return deliverPush(&from, sourcePort, buffer, length);
}

void setTransportPeer(const AddressRecord *peer, uint32_t port)
{
    gPeerSet = peer != nullptr;
    gPeer = peer ? makeAddress(peer->bearer, peer->address) : AddressRecord{};
    gPeerPort = port;
    // The gateway may have changed (new preferences): its pushes follow.
    if (peer && gPushSocket >= 0)
        gPushGateway = gPeer;
}

uint8_t *takeReceiveBuffer(uint32_t size)
{
    uint32_t blockSize = size > gReceiveBufferSize ? size : gReceiveBufferSize;
    ReceiveBlock block{std::make_unique<uint8_t[]>(blockSize), blockSize, gNextSerial++};
    uint8_t *data = block.data.get();
    gPool.push_back(std::move(block));
    return data;
}

void releaseReceiveBuffer(const void *pointer)
{
    if (!pointer)
        return;
    auto p = reinterpret_cast<uintptr_t>(pointer);
    for (auto it = gPool.begin(); it != gPool.end(); ++it) {
        auto start = reinterpret_cast<uintptr_t>(it->data.get());
        if (p >= start && p <= start + it->size) {
            gPool.erase(it);
            return;
        }
    }
}

uint32_t receiveBuffersInUse() { return static_cast<uint32_t>(gPool.size()); }

void setTransportSendHook(TransportSendHook hook) { gSendHook = hook; }

int injectDatagram(const AddressRecord *source, uint32_t sourcePort, const uint8_t *data, uint32_t length)
{
    uint8_t *buffer = copyDatagram(data, length);
    if (!buffer)
        return 0;
    AddressRecord from = makeAddress(BEARER_UDP, source->address);
    return deliver(&from, sourcePort, buffer, length);
}
