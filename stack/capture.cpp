// The datagram record and the capture file. The file is classic pcap with
// raw IPv4 packets (link type 101): each datagram gets the IPv4 and UDP
// headers it had on the wire, so that packet analysers decode the WTP and
// WSP inside by their ports.
#include "stack/capture.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "common/log.h"

namespace {

constexpr uint32_t PCAP_MAGIC = 0xA1B2C3D4;  // microsecond time stamps
constexpr uint32_t PCAP_SNAPLEN = 65535;
constexpr uint32_t LINKTYPE_RAW = 101;
constexpr uint32_t IP_HEADER = 20;
constexpr uint32_t UDP_HEADER = 8;
// The largest payload an IPv4 packet can carry.
constexpr uint32_t MAX_PAYLOAD = 65535 - IP_HEADER - UDP_HEADER;

// In the machine's own byte order, which the magic number tells readers.
struct PcapHeader {
    uint32_t magic;
    uint16_t major;
    uint16_t minor;
    int32_t zone;
    uint32_t sigfigs;
    uint32_t snaplen;
    uint32_t linkType;
};

struct Slot {
    CapturedDatagram datagram;
    std::vector<uint8_t> bytes;  // reused, so that the ring settles at its largest datagrams
};

Slot gRing[CAPTURE_RING_SLOTS];
uint64_t gNextSerial = 1;  // serial of the next datagram recorded
bool gRecording = false;   // the exchange listing wants datagrams
FILE *gFile = nullptr;     // the capture file, null when none
std::string gPath;         // its name, for the message
uint64_t gWritten = 0;     // serial of the last datagram in the file
long gWholeBytes = 0;      // the file's length up to its last whole packet
uint32_t gRoutePeer = 0;   // the last peer asked about, and the local
uint32_t gRouteLocal = 0;  // address the system sends to it from

Slot &slotOf(uint64_t serial) { return gRing[serial % CAPTURE_RING_SLOTS]; }

// The local address the system would send to peer from (without sending:
// a connected UDP socket only picks a route). 0 when there is none.
uint32_t localAddressFor(uint32_t peer)
{
    if (peer == gRoutePeer && gRouteLocal)
        return gRouteLocal;
    uint32_t local = 0;
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    to.sin_addr.s_addr = htonl(peer);
    socklen_t n = sizeof to;
    if (s >= 0 && ::connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr *>(&to), &n) == 0)
        local = ntohl(to.sin_addr.s_addr);
    if (s >= 0)
        close(s);
    gRoutePeer = peer;
    gRouteLocal = local;
    return local;
}

void put16(uint8_t *out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value >> 8);
    out[1] = static_cast<uint8_t>(value);
}

void put32(uint8_t *out, uint32_t value)
{
    put16(out, value >> 16);
    put16(out + 2, value);
}

// The Internet checksum's running sum over bytes (big-endian words).
uint32_t sumWords(uint32_t sum, const uint8_t *bytes, uint32_t length)
{
    for (uint32_t i = 0; i + 1 < length; i += 2)
        sum += (static_cast<uint32_t>(bytes[i]) << 8) | bytes[i + 1];
    if (length & 1)
        sum += static_cast<uint32_t>(bytes[length - 1]) << 8;
    return sum;
}

uint16_t foldSum(uint32_t sum)
{
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

// The IPv4 and UDP headers the datagram had on the wire.
void packetHeaders(const CapturedDatagram &d, uint8_t out[IP_HEADER + UDP_HEADER])
{
    uint8_t *ip = out;
    std::memset(ip, 0, IP_HEADER);
    ip[0] = 0x45;
    put16(ip + 2, IP_HEADER + UDP_HEADER + d.length);
    put16(ip + 4, static_cast<uint32_t>(d.serial));
    ip[8] = 64;
    ip[9] = IPPROTO_UDP;
    put32(ip + 12, d.sourceIp);
    put32(ip + 16, d.destinationIp);
    put16(ip + 10, foldSum(sumWords(0, ip, IP_HEADER)));

    uint8_t *udp = out + IP_HEADER;
    put16(udp, d.sourcePort);
    put16(udp + 2, d.destinationPort);
    put16(udp + 4, UDP_HEADER + d.length);
    put16(udp + 6, 0);
    // Over the pseudo-header (addresses, protocol, length), the header and
    // the data; a sum of 0 is sent as all ones.
    uint32_t sum = sumWords(0, ip + 12, 8) + IPPROTO_UDP + UDP_HEADER + d.length;
    sum = sumWords(sumWords(sum, udp, UDP_HEADER), d.bytes, d.length);
    uint16_t check = foldSum(sum);
    put16(udp + 6, check ? check : 0xFFFF);
}

// Ends the capture with its one message; browsing goes on. The file is
// cut back to its last whole packet, so that it stays readable.
void stopCapture(const char *what, int error)
{
    std::fprintf(stderr, "tovrin: %s: cannot write %s: %s\n", what, gPath.c_str(), std::strerror(error));
    Log_printf("Capture: %s: cannot write %s: %s\n", what, gPath.c_str(), std::strerror(error));
    if (!gFile)
        return;
    int fd = dup(fileno(gFile));
    std::fclose(gFile);
    gFile = nullptr;
    if (fd >= 0) {
        if (gWholeBytes > 0 && ftruncate(fd, gWholeBytes) != 0)
            Log_printf("Capture: %s is left with a partial packet\n", gPath.c_str());
        close(fd);
    }
}

bool writeAll(const void *bytes, size_t length) { return std::fwrite(bytes, 1, length, gFile) == length; }

bool writeRecord(const CapturedDatagram &d)
{
    uint32_t record[4] = {static_cast<uint32_t>(d.timeUs / 1000000), static_cast<uint32_t>(d.timeUs % 1000000),
                          IP_HEADER + UDP_HEADER + d.length, IP_HEADER + UDP_HEADER + d.length};
    uint8_t headers[IP_HEADER + UDP_HEADER];
    packetHeaders(d, headers);
    return writeAll(record, sizeof record) && writeAll(headers, sizeof headers) && writeAll(d.bytes, d.length);
}

uint64_t nowUs()
{
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

uint32_t parseIp(const char *text)
{
    in_addr a{};
    return text && inet_pton(AF_INET, text, &a) == 1 ? ntohl(a.s_addr) : 0;
}

}  // namespace

void S_startDatagramRecord() { gRecording = true; }

bool S_openCapture(const char *path)
{
    S_closeCapture();
    gPath = path;
    errno = 0;
    gFile = std::fopen(path, "wb");
    if (!gFile) {
        stopCapture("no capture", errno ? errno : EIO);
        return false;
    }
    // Only what comes from now on: older datagrams may be gone from the ring.
    gWritten = gNextSerial - 1;
    gWholeBytes = 0;
    PcapHeader header{PCAP_MAGIC, 2, 4, 0, 0, PCAP_SNAPLEN, LINKTYPE_RAW};
    if (!writeAll(&header, sizeof header) || std::fflush(gFile) != 0) {
        stopCapture("no capture", errno ? errno : EIO);
        return false;
    }
    gWholeBytes = static_cast<long>(sizeof header);
    Log_printf("Capture: writing the datagrams to %s\n", path);
    return true;
}

void S_closeCapture()
{
    if (!gFile)
        return;
    flushCapture();
    // Everything was flushed: closing can fail only where nothing is lost.
    if (gFile)
        std::fclose(gFile);
    gFile = nullptr;
}

void flushCapture()
{
    if (!gFile || gWritten + 1 == gNextSerial)
        return;
    errno = 0;
    while (gWritten + 1 < gNextSerial) {
        if (!writeRecord(slotOf(gWritten + 1).datagram)) {
            stopCapture("capture stopped", errno ? errno : EIO);
            return;
        }
        gWritten++;
    }
    if (std::fflush(gFile) != 0) {
        stopCapture("capture stopped", errno ? errno : EIO);
        return;
    }
    gWholeBytes = std::ftell(gFile);
}

void recordDatagram(bool outgoing, const char *peer, uint32_t peerPort, uint32_t localPort, const uint8_t *data,
                    uint32_t length)
{
    if (!gRecording && !gFile)
        return;
    // The file must have the oldest before its slot is taken.
    if (gFile && gNextSerial - gWritten > CAPTURE_RING_SLOTS)
        flushCapture();
    if (length > MAX_PAYLOAD || (length && !data))
        length = 0;
    Slot &slot = slotOf(gNextSerial);
    slot.bytes.assign(data, data + length);
    uint32_t peerIp = parseIp(peer);
    uint32_t localIp = localAddressFor(peerIp);
    CapturedDatagram &d = slot.datagram;
    d.serial = gNextSerial++;
    d.timeUs = nowUs();
    d.outgoing = outgoing;
    d.sourceIp = outgoing ? localIp : peerIp;
    d.destinationIp = outgoing ? peerIp : localIp;
    d.sourcePort = static_cast<uint16_t>(outgoing ? localPort : peerPort);
    d.destinationPort = static_cast<uint16_t>(outgoing ? peerPort : localPort);
    d.bytes = slot.bytes.data();
    d.length = length;
}

const CapturedDatagram *S_nextRecordedDatagram(uint64_t *serial, uint64_t *lost)
{
    uint64_t oldest = gNextSerial > CAPTURE_RING_SLOTS ? gNextSerial - CAPTURE_RING_SLOTS : 1;
    uint64_t next = *serial + 1;
    *lost = next < oldest ? oldest - next : 0;
    if (next < oldest)
        next = oldest;
    if (next >= gNextSerial)
        return nullptr;
    *serial = next;
    return &slotOf(next).datagram;
}
