// The fixed header of every PDU type, declared once and both packed and
// read from that declaration; and receivePdus: splits a datagram from the
// gateway's WTP port into PDUs, reads their headers and hands each to the
// initiator machine. Every read is checked against the PDU's end; a PDU
// that does not hold what its header promises is dropped.
#include <cstring>

#include "common/byte_reader.h"
#include "common/log.h"
#include "stack/wtp.h"
#include "stack/wtp_transaction.h"

namespace {

// What is done with a PDU of each type.
enum PduHandling : uint8_t {
    PDU_DROP,         // type 0 and 8..15
    PDU_INVOKE,       // the gateway starts a transaction
    PDU_TRANSACTION,  // belongs to one of this side's transactions
    PDU_REFUSE_SAR,   // segmentation: not implemented here
};

struct PduKind {
    PduHandling handling;
    uint8_t headerLength;  // fixed header, before any TPIs
};

// Indexed by PDU type (bits 6-3 of the first byte).
// clang-format off
const PduKind PDU_KINDS[16] = {
    {PDU_DROP, 3},        {PDU_INVOKE, 4},      {PDU_TRANSACTION, 3}, {PDU_TRANSACTION, 3},
    {PDU_TRANSACTION, 4}, {PDU_REFUSE_SAR, 3},  {PDU_REFUSE_SAR, 3},  {PDU_REFUSE_SAR, 3},
    {PDU_DROP, 3},        {PDU_DROP, 3},        {PDU_DROP, 3},        {PDU_DROP, 3},
    {PDU_DROP, 3},        {PDU_DROP, 3},        {PDU_DROP, 3},        {PDU_DROP, 3},
};
// clang-format on

// Which PDU types have a header field.
constexpr uint16_t ALL_TYPES = 0xFFFF;
constexpr uint16_t INVOKE = 1u << WTP_PDU_INVOKE;
constexpr uint16_t ACK = 1u << WTP_PDU_ACK;
constexpr uint16_t ABORT = 1u << WTP_PDU_ABORT;
constexpr uint16_t GROUPED =
    INVOKE | 1u << WTP_PDU_RESULT | 1u << WTP_PDU_SEGMENTED_INVOKE | 1u << WTP_PDU_SEGMENTED_RESULT;

// One fixed-header field: the types that have it and where it sits (its
// first byte, lowest bit and width in bits; a field wider than its byte
// runs on into the next, most significant byte first).
struct HeaderField {
    uint32_t WtpHeader::*slot;
    uint16_t types;
    uint8_t byte;
    uint8_t shift;
    uint8_t bits;
};

const HeaderField HEADER_FIELDS[] = {
    {&WtpHeader::con, ALL_TYPES, 0, 7, 1},
    {&WtpHeader::type, ALL_TYPES, 0, 3, 4},
    {&WtpHeader::gtr, GROUPED, 0, 2, 1},
    {&WtpHeader::tveTok, ACK, 0, 2, 1},
    {&WtpHeader::ttr, GROUPED, 0, 1, 1},
    {&WtpHeader::abortType, ABORT, 0, 0, 3},
    {&WtpHeader::rid, ALL_TYPES & ~ABORT, 0, 0, 1},
    {&WtpHeader::tid, ALL_TYPES, 1, 0, 16},
    {&WtpHeader::version, INVOKE, 3, 6, 2},
    {&WtpHeader::tidNew, INVOKE, 3, 5, 1},
    {&WtpHeader::up, INVOKE, 3, 4, 1},
    {&WtpHeader::transactionClass, INVOKE, 3, 0, 2},
    {&WtpHeader::reason, ABORT, 3, 0, 8},
};

uint32_t fieldBytes(const HeaderField &f) { return (f.shift + f.bits + 7u) / 8u; }
uint32_t fieldMask(const HeaderField &f) { return (1u << f.bits) - 1; }

bool hasField(const HeaderField &f, uint32_t type)
{
    return (f.types >> type & 1u) && f.byte + fieldBytes(f) <= PDU_KINDS[type].headerLength;
}

// The datagram's two ends, for answers to what it carried.
struct Ends {
    const AddressRecord *local;
    uint32_t localPort;
    const AddressRecord *peer;
    uint32_t peerPort;
};

// Where the user data starts after the TPIs, or 0 when a TPI runs past
// the end. Each TPI's first byte says whether another follows (bit 7) and
// whether its length is in the next byte (bit 2) or in bits 1-0.
uint32_t skipTpis(const uint8_t *pdu, uint32_t length, uint32_t position)
{
    ByteReader r{pdu, length, position, false};
    for (;;) {
        uint8_t first = BR_byte(&r);
        BR_bytes(&r, (first & 0x04) ? BR_byte(&r) : first & 0x03u);
        if (r.failed)
            return 0;
        if (!(first & 0x80))
            return r.position;
    }
}

void logInvoke(const WtpHeader &header)
{
    Log_str("----- TR_Invoke PDU -----\n");
    Log_printf("GTR           :%u\n", header.gtr);
    Log_printf("TTR           :%u\n", header.ttr);
    Log_printf("RID           :%u\n", header.rid);
    Log_printf("TIDnew           :%u\n", header.tidNew);
    Log_printf("UP           :%u\n", header.up);
    Log_printf("Class           :%u\n", header.transactionClass);
}

// The gateway starting a transaction of its own (this side accepts none:
// confirmed push is never granted). A wrong version is answered; a good
// Invoke is logged and dropped.
void onInvoke(const Ends &ends, const WtpHeader &header, uint32_t tid)
{
    if (header.version != 0) {
        sendAbortTo(ends.local, ends.localPort, ends.peer, ends.peerPort, tid, WTP_ABORT_PROVIDER,
                    WTP_ABORT_WTPVERSIONONE);
        return;
    }
    logInvoke(header);
    if (!header.ttr) {
        // More segments would follow.
        sendAbortTo(ends.local, ends.localPort, ends.peer, ends.peerPort, tid, WTP_ABORT_PROVIDER,
                    WTP_ABORT_NOTIMPLEMENTEDSAR);
        return;
    }
    Log_printf("WTP: transaction %u started by the gateway is not served\n", tid);
}

void onPdu(const uint8_t *pdu, uint32_t length, void *context)
{
    const Ends &ends = *static_cast<const Ends *>(context);
    WtpHeader header{};
    if (!readWtpHeader(pdu, length, &header))
        return;
    uint32_t type = header.type;
    const PduKind &kind = PDU_KINDS[type];
    // The gateway marks its direction in bit 15.
    uint32_t tid = header.tid ^ 0x8000u;
    if (kind.handling == PDU_DROP)
        return;
    if (kind.handling == PDU_INVOKE) {
        onInvoke(ends, header, tid);
        return;
    }
    // Only this side's transactions are kept.
    WtpTransaction *transaction = tid < WTP_TID_LIMIT ? findByTid(tid) : nullptr;
    if (!transaction)
        return;
    // A Result that is not the last packet of its message is segmented too.
    bool segmented = kind.handling == PDU_REFUSE_SAR || (type == WTP_PDU_RESULT && !header.ttr);
    if (segmented) {
        refuseSegmented(transaction);
        return;
    }
    uint32_t start = header.dataStart;
    if (!start)
        return;
    WtpPdu received{};
    received.type = static_cast<uint8_t>(type);
    received.rid = header.rid != 0;
    received.tveTok = header.tveTok != 0;
    received.reason = static_cast<uint8_t>(header.reason);
    received.userData = pdu + start;
    received.userLength = length - start;
    initiatorOnPdu(transaction, received);
}

}  // namespace

bool readWtpHeader(const uint8_t *pdu, uint32_t length, WtpHeader *header)
{
    *header = WtpHeader{};
    if (!pdu || length < 3)
        return false;
    // The type says which fields there are.
    uint32_t type = (pdu[0] >> 3) & 0x0F;
    header->headerLength = PDU_KINDS[type].headerLength;
    if (length < header->headerLength)
        return false;
    for (const HeaderField &f : HEADER_FIELDS) {
        if (!hasField(f, type))
            continue;
        uint32_t word = 0;
        for (uint32_t i = 0; i < fieldBytes(f); i++)
            word = word << 8 | pdu[f.byte + i];
        header->*f.slot = word >> f.shift & fieldMask(f);
    }
    header->dataStart = header->con ? skipTpis(pdu, length, header->headerLength) : header->headerLength;
    return true;
}

uint32_t packWtpHeader(const WtpHeader &header, uint8_t *out)
{
    uint32_t type = header.type & 0x0F;
    uint32_t length = PDU_KINDS[type].headerLength;
    std::memset(out, 0, length);
    for (const HeaderField &f : HEADER_FIELDS) {
        if (!hasField(f, type))
            continue;
        uint32_t word = (header.*f.slot & fieldMask(f)) << f.shift;
        for (uint32_t i = fieldBytes(f); i-- > 0; word >>= 8)
            out[f.byte + i] |= static_cast<uint8_t>(word);
    }
    return length;
}

void forEachWtpPdu(const uint8_t *data, uint32_t length, WtpPduVisit each, void *context)
{
    if (!data || length == 0)
        return;
    if (data[0] != 0) {
        each(data, length, context);
        return;
    }
    // Concatenated: each PDU preceded by its length, one byte (bit 7 clear)
    // or fifteen bits in two.
    ByteReader r{data, length, 1, false};
    while (r.position < r.length) {
        uint32_t size = BR_byte(&r);
        if (size & 0x80)
            size = (size & 0x7F) << 8 | BR_byte(&r);
        const uint8_t *pdu = BR_bytes(&r, size);
        if (!pdu)
            return;
        each(pdu, size, context);
    }
}

void receivePdus(const AddressRecord *local, uint32_t localPort, const AddressRecord *peer, uint32_t peerPort,
                 const uint8_t *data, uint32_t length)
{
    Ends ends{local, localPort, peer, peerPort};
    forEachWtpPdu(data, length, onPdu, &ends);
}
