#pragma once
// The datagram record: every datagram the transport sends or receives, with
// its time and both ends, kept in a bounded ring in memory. The ring feeds
// the capture file (pcap, raw IPv4/UDP packets) and the headless exchange
// listing. Nothing is kept until one of the two asks for it.
#include <cstdint>

// The ring's size. A page costs a handful of datagrams (Invoke, Result and
// Ack per request, one request per image), the file is written every round
// of the stack, and the exchange listing is read between two script
// commands: 128 is many pages deep. Received datagrams are at most 5000
// bytes and requests smaller, so it holds about 640 KB at most.
constexpr uint32_t CAPTURE_RING_SLOTS = 128;

struct CapturedDatagram {
    uint64_t serial;  // from 1, one per datagram recorded
    uint64_t timeUs;  // wall clock, microseconds since 1970
    bool outgoing;
    uint32_t sourceIp;  // IPv4, host order
    uint32_t destinationIp;
    uint16_t sourcePort;
    uint16_t destinationPort;
    const uint8_t *bytes;  // the datagram, valid until the next record
    uint32_t length;
};

// Keeps datagrams for the exchange listing from now on.
void S_startDatagramRecord();
// Opens path as a new pcap file and writes every datagram from now on into
// it. false when it cannot be written; the reason is then given once on
// the standard error stream and in the log, and browsing goes on without
// it. A write error later stops the capture the same way.
bool S_openCapture(const char *path);
// Writes what the ring still holds and closes the file.
void S_closeCapture();
// Writes the datagrams not yet in the file and flushes it, so that a crash
// loses at most one round's datagrams. Called every round of the stack.
void flushCapture();

// The transport's record of one datagram: peer is the other end's dotted
// address, localPort the port of the socket that sent or took it.
void recordDatagram(bool outgoing, const char *peer, uint32_t peerPort, uint32_t localPort, const uint8_t *data,
                    uint32_t length);

// The next datagram recorded after *serial (0: from the start), oldest
// first, or null when there is none; *serial moves to it. *lost receives
// how many the ring dropped before they were read.
const CapturedDatagram *S_nextRecordedDatagram(uint64_t *serial, uint64_t *lost);
