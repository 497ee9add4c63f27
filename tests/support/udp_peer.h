#pragma once
// A UDP socket on a loopback address playing the gateway or a stranger.
#include <cstdint>
#include <vector>

struct UdpPeer {
    int fd;
    uint16_t port;  // its own, bound to any free one
    explicit UdpPeer(const char *address = "127.0.0.1");
    ~UdpPeer();
    UdpPeer(const UdpPeer &) = delete;
    UdpPeer &operator=(const UdpPeer &) = delete;
    // Sends bytes to the port another socket on this machine is bound to.
    void sendToSocketOf(int socket, const std::vector<uint8_t> &bytes) const;
    // What arrives within 2 s; empty when nothing does.
    std::vector<uint8_t> receive() const;
};

// Waits up to 2 s for the socket to be readable, as the program's loop does.
bool waitReadable(int socket);
