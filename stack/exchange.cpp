// The exchange listing's lines. Every field comes from readWtpHeader,
// forEachWtpPdu and WSP_unpack, which check every length against the
// datagram; what is copied into a line is bounded and made printable.
#include "stack/exchange.h"

#include <cstdio>

#include "stack/udp_transport.h"
#include "stack/wsp.h"
#include "stack/wtp.h"
#include "stack/wtp_transaction.h"

namespace {

// Indexed by WTP PDU type; the others are not WTP 1 PDUs.
const char *const kWtpNames[8] = {"type0", "Invoke", "Result", "Ack", "Abort", "SegInvoke", "SegResult", "Nack"};
// Longest URI shown; a line stays readable and bounded.
constexpr uint32_t URI_SHOWN = 200;

struct Listing {
    const CapturedDatagram *datagram;
    std::string time;
    std::vector<std::string> *lines;
};

std::string hexByte(uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// Printable ASCII as it is, anything else (spaces too) as %XX.
std::string printableUri(const WspBytes &uri)
{
    std::string out;
    uint32_t shown = uri.length < URI_SHOWN ? uri.length : URI_SHOWN;
    for (uint32_t i = 0; i < shown; i++) {
        uint8_t c = uri.data[i];
        if (c > 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    if (shown < uri.length)
        out += "...";
    return out.empty() ? "-" : out;
}

// The WSP columns for one PDU's bytes: type and detail.
void describeWsp(const uint8_t *data, uint32_t length, bool connectionless, std::string *type, std::string *detail,
                 uint8_t *tid)
{
    WspPdu pdu{};
    *detail = "-";
    if (!WSP_unpack(&pdu, data, length, connectionless)) {
        *type = "malformed";
        if (connectionless && length > 0)
            *tid = data[0];
        return;
    }
    *tid = pdu.tid;
    *type = WSP_pduName(pdu.type);
    if (pdu.type >= WSP_GET)
        *detail = printableUri(pdu.uri);
    else if (pdu.type == WSP_REPLY)
        *detail = hexByte(pdu.status);
    else if (pdu.type == WSP_CONNECT_REPLY || pdu.type == WSP_DISCONNECT)
        *detail = "session=" + std::to_string(pdu.sessionId);
}

void addLine(const Listing &listing, const std::string &wtp, const std::string &tid, const std::string &wsp,
             const std::string &detail, uint32_t length)
{
    listing.lines->push_back(listing.time + (listing.datagram->outgoing ? " out " : " in ") + wtp + " " + tid + " " +
                             wsp + " " + detail + " " + std::to_string(length));
}

void describeWtpPdu(const uint8_t *pdu, uint32_t length, void *context)
{
    const Listing &listing = *static_cast<const Listing *>(context);
    WtpHeader header{};
    if (!readWtpHeader(pdu, length, &header)) {
        addLine(listing, "malformed", "-", "-", "-", length);
        return;
    }
    std::string wtp = header.type < 8 ? kWtpNames[header.type] : "type" + std::to_string(header.type);
    std::string tid = std::to_string(header.tid & 0x7FFF);
    std::string wsp = "-", detail = "-";
    uint8_t unused = 0;
    bool carriesWsp = header.type == WTP_PDU_INVOKE || header.type == WTP_PDU_RESULT;
    if (carriesWsp && !header.dataStart)
        wsp = "malformed";
    else if (carriesWsp && header.dataStart < length)
        describeWsp(pdu + header.dataStart, length - header.dataStart, false, &wsp, &detail, &unused);
    else if (header.type == WTP_PDU_ABORT)
        detail = std::string(header.abortType == WTP_ABORT_USER ? "user:" : "provider:") +
                 hexByte(static_cast<uint8_t>(header.reason));
    addLine(listing, wtp, tid, wsp, detail, length);
}

}  // namespace

std::vector<std::string> S_describeDatagram(const CapturedDatagram &d, uint64_t startUs)
{
    std::vector<std::string> lines;
    uint64_t sinceUs = d.timeUs > startUs ? d.timeUs - startUs : 0;
    char time[32];
    std::snprintf(time, sizeof time, "%llu.%03llu", static_cast<unsigned long long>(sinceUs / 1000000),
                  static_cast<unsigned long long>(sinceUs / 1000 % 1000));
    Listing listing{&d, time, &lines};
    uint16_t gatewayPort = d.outgoing ? d.destinationPort : d.sourcePort;
    if (gatewayPort == CONNECTIONLESS_PORT) {
        std::string wsp, detail;
        uint8_t tid = 0;
        describeWsp(d.bytes, d.length, true, &wsp, &detail, &tid);
        addLine(listing, "-", std::to_string(tid), wsp, detail, d.length);
        return lines;
    }
    forEachWtpPdu(d.bytes, d.length, describeWtpPdu, &listing);
    if (lines.empty())
        addLine(listing, "malformed", "-", "-", "-", d.length);
    return lines;
}
