#include "tests/support/udp_peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

UdpPeer::UdpPeer(const char *address)
{
    fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, address, &a.sin_addr);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0) << address;
    socklen_t n = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &n);
    port = ntohs(a.sin_port);
}

UdpPeer::~UdpPeer() { close(fd); }

void UdpPeer::sendToSocketOf(int socket, const std::vector<uint8_t> &bytes) const
{
    sockaddr_in to{};
    socklen_t n = sizeof to;
    getsockname(socket, reinterpret_cast<sockaddr *>(&to), &n);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to),
              static_cast<ssize_t>(bytes.size()));
}

std::vector<uint8_t> UdpPeer::receive() const
{
    if (!waitReadable(fd))
        return {};
    std::vector<uint8_t> buffer(65536);
    ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
    buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return buffer;
}

bool waitReadable(int socket)
{
    pollfd w{socket, POLLIN, 0};
    return poll(&w, 1, 2000) == 1;
}
