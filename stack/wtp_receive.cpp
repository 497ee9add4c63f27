// receivePdus: splits a datagram from the gateway's WTP port into PDUs,
// reads their headers and hands each to the initiator machine. Every read
// is checked against the PDU's end; a PDU that does not hold what its
// header promises is dropped.
#include "common/log.h"
#include "stack/wtp.h"
#include "stack/wtp_transaction.h"

namespace {

// What is done with a PDU of each type.
enum PduHandling : uint8_t {
    PDU_DROP,          // type 0 and 8..15
    PDU_INVOKE,        // the gateway starts a transaction
    PDU_TRANSACTION,   // belongs to one of this side's transactions
    PDU_REFUSE_SAR,    // segmentation: not implemented here
};

struct PduKind {
    PduHandling handling;
    uint8_t headerLength;   // fixed header, before any TPIs
};

// Indexed by PDU type (bits 6-3 of the first byte).
const PduKind PDU_KINDS[16] = {
    {PDU_DROP, 3},        {PDU_INVOKE, 4},      {PDU_TRANSACTION, 3}, {PDU_TRANSACTION, 3},
    {PDU_TRANSACTION, 4}, {PDU_REFUSE_SAR, 3},  {PDU_REFUSE_SAR, 3},  {PDU_REFUSE_SAR, 3},
    {PDU_DROP, 3},        {PDU_DROP, 3},        {PDU_DROP, 3},        {PDU_DROP, 3},
    {PDU_DROP, 3},        {PDU_DROP, 3},        {PDU_DROP, 3},        {PDU_DROP, 3},
};

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
    for (;;) {
        if (position >= length)
            return 0;
        uint8_t first = pdu[position];
        uint32_t size;
        if (first & 0x04) {
            if (position + 1 >= length)
                return 0;
            size = 2u + pdu[position + 1];
        } else {
            size = 1u + (first & 0x03);
        }
        if (size > length - position)
            return 0;
        position += size;
        if (!(first & 0x80))
            return position;
    }
}

void logInvoke(const uint8_t *pdu)
{
    Log_str("----- TR_Invoke PDU -----\n");
    Log_printf("GTR           :%d\n", (pdu[0] >> 2) & 1);
    Log_printf("TTR           :%d\n", (pdu[0] >> 1) & 1);
    Log_printf("RID           :%d\n", pdu[0] & 1);
    Log_printf("TIDnew           :%d\n", (pdu[3] >> 5) & 1);
    Log_printf("UP           :%d\n", (pdu[3] >> 4) & 1);
    Log_printf("Class           :%d\n", pdu[3] & 3);
}

// The gateway starting a transaction of its own (this side accepts none:
// confirmed push is never granted). A wrong version is answered; a good
// Invoke is logged and dropped.
void onInvoke(const Ends &ends, const uint8_t *pdu, uint32_t tid)
{
    if (pdu[3] & 0xC0) {
        sendAbortTo(ends.local, ends.localPort, ends.peer, ends.peerPort, tid, WTP_ABORT_PROVIDER,
                    WTP_ABORT_WTPVERSIONONE);
        return;
    }
    logInvoke(pdu);
    if (!(pdu[0] & 0x02)) {
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
    uint8_t type = header.type;
    const PduKind &kind = PDU_KINDS[type];
    // The gateway marks its direction in bit 15.
    uint32_t tid = header.tid ^ 0x8000u;
    if (kind.handling == PDU_DROP)
        return;
    if (kind.handling == PDU_INVOKE) {
        onInvoke(ends, pdu, tid);
        return;
    }
    // Only this side's transactions are kept.
    WtpTransaction *transaction = tid < WTP_TID_LIMIT ? findByTid(tid) : nullptr;
    if (!transaction)
        return;
    // A Result that is not the last packet of its message is segmented too.
    bool segmented = kind.handling == PDU_REFUSE_SAR || (type == WTP_PDU_RESULT && !(pdu[0] & 0x02));
    if (segmented) {
        refuseSegmented(transaction);
        return;
    }
    uint32_t start = header.dataStart;
    if (!start)
        return;
    WtpPdu received{};
    received.type = type;
    received.rid = pdu[0] & 0x01;
    received.tveTok = type == WTP_PDU_ACK && (pdu[0] & 0x04);
    received.reason = type == WTP_PDU_ABORT ? pdu[3] : 0;
    received.userData = pdu + start;
    received.userLength = length - start;
    initiatorOnPdu(transaction, received);
}

}  // namespace

bool readWtpHeader(const uint8_t *pdu, uint32_t length, WtpHeader *header)
{
    if (!pdu || length < 3)
        return false;
    header->type = (pdu[0] >> 3) & 0x0F;
    header->tid = (static_cast<uint32_t>(pdu[1]) << 8) | pdu[2];
    header->headerLength = PDU_KINDS[header->type].headerLength;
    if (length < header->headerLength)
        return false;
    header->dataStart = (pdu[0] & 0x80) ? skipTpis(pdu, length, header->headerLength) : header->headerLength;
    return true;
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
    uint32_t position = 1;
    while (position < length) {
        uint32_t size = data[position] & 0x7F;
        if (data[position] & 0x80) {
            if (position + 1 >= length)
                return;
            size = (size << 8) | data[position + 1];
            position++;
        }
        position++;
        if (size > length - position)
            return;
        each(data + position, size, context);
        position += size;
    }
}

void receivePdus(const AddressRecord *local, uint32_t localPort, const AddressRecord *peer, uint32_t peerPort,
                 const uint8_t *data, uint32_t length)
{
    Ends ends{local, localPort, peer, peerPort};
    forEachWtpPdu(data, length, onPdu, &ends);
}
