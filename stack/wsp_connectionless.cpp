// Connectionless WSP: requests go straight into datagrams to port 9200 with
// a transaction id byte in front; Replies and Pushes come back the same way,
// and Pushes also to the push listener.
#include "common/log.h"
#include "stack/udp_transport.h"
#include "stack/wsp.h"

namespace {

uint32_t gPushCount = 0;  // pushes received; the last one's push id

}  // namespace

uint32_t WSP_pushCount() { return gPushCount; }

void S_Unit_MethodInvoke(const AddressRecord *gateway, uint32_t gatewayPort, const AddressRecord *local,
                         uint32_t localPort, uint8_t tid, uint8_t method, const uint8_t *uri, uint32_t uriLength,
                         const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength)
{
    bool isGet = method >= WSP_GET && method <= 0x5F;
    WspPdu pdu{};
    pdu.tid = tid;
    pdu.type = isGet ? method : WSP_POST;
    pdu.uri = {uri, uriLength};
    pdu.headers = {headers, headersLength};
    if (!isGet)
        pdu.body = {body, bodyLength};
    uint32_t size = WSP_packedSize(pdu, true);
    uint8_t *block = size == 0 ? nullptr : takeReceiveBuffer(size);
    if (block == nullptr) {
        Log_printf("WSP: cannot build connectionless %s\n", WSP_pduName(pdu.type));
        return;
    }
    uint32_t length = WSP_pack(pdu, true, block, size);
    int sent = T_DUnitdata_Req(local, localPort, gateway, gatewayPort, block, length);
    if (sent != TRANSPORT_SENT)
        Log_printf("WSP: connectionless %s not sent (%d)\n", WSP_pduName(pdu.type), sent);
    releaseReceiveBuffer(block);
}

// The push socket carries pushes only: a Reply there would answer no
// request of ours.
void WSP_pushDatagramInd(uint8_t *data, uint32_t length)
{
    WspPdu pdu;
    if (WSP_unpack(&pdu, data, length, true) != 1 || pdu.type != WSP_PUSH) {
        Log_printf("WSP: push datagram of %u bytes dropped (not a Push)\n", length);
    } else {
        gPushCount++;
        S_PushInd(static_cast<int32_t>(gPushCount), pdu.headers.data, pdu.headers.length, pdu.body.data,
                  pdu.body.length);
    }
    releaseReceiveBuffer(data);
}

void WSP_unitdataInd(const AddressRecord *source, uint16_t sourcePort, uint8_t *data, uint32_t length)
{
    (void)source;
    (void)sourcePort;
    WspPdu pdu;
    if (WSP_unpack(&pdu, data, length, true) != 1) {
        Log_printf("WSP: connectionless datagram of %u bytes dropped\n", length);
    } else if (pdu.type == WSP_REPLY) {
        S_Unit_MethodResultInd(pdu.tid, pdu.status, pdu.headers.data, pdu.headers.length, pdu.body.data,
                               pdu.body.length);
    } else if (pdu.type == WSP_PUSH) {
        gPushCount++;
        S_PushInd(static_cast<int32_t>(gPushCount), pdu.headers.data, pdu.headers.length, pdu.body.data,
                  pdu.body.length);
    } else {
        Log_printf("WSP: connectionless %s dropped\n", WSP_pduName(pdu.type));
    }
    releaseReceiveBuffer(data);
}
