// WSP decoders over arbitrary bytes. The first byte picks the decoder:
// 0 a Reply, 1 a ConnectReply and its capabilities, 2 a connectionless
// Push, 3 a capability block, 4 a connectionless datagram through the
// session service (an indication with its buffers handed on). Decoded
// fields must lie inside the input; broken invariants abort.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "stack/session.h"
#include "stack/udp_transport.h"
#include "stack/wsp.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void checkInside(const WspBytes &field, const uint8_t *data, uint32_t length)
{
    if (field.length == 0)
        return;
    check(field.data >= data && field.length <= length && field.data + field.length <= data + length);
}

// The connection manager's side: read every byte it is given.
void readEvent()
{
    SessionEvent event = takeEvent();
    volatile uint32_t sum = 0;
    for (uint32_t i = 0; i < event.headersLength; i++)
        sum = sum + event.headers[i];
    for (uint32_t i = 0; i < event.bodyLength; i++)
        sum = sum + event.body[i];
    WSP_contentType(event.headers, event.headersLength);
}

void decodePdu(const uint8_t *data, uint32_t length, bool connectionless)
{
    WspPdu pdu;
    if (WSP_unpack(&pdu, data, length, connectionless) != 1)
        return;
    checkInside(pdu.uri, data, length);
    checkInside(pdu.capabilities, data, length);
    checkInside(pdu.headers, data, length);
    checkInside(pdu.body, data, length);
    checkInside(pdu.addresses, data, length);
    WSP_contentType(pdu.headers.data, pdu.headers.length);
    if (pdu.type == WSP_CONNECT_REPLY) {
        Capabilities caps;
        decodeCapabilities(&caps, pdu.capabilities.data, pdu.capabilities.length);
    }
    // What decodes must encode back to the same length or less (a
    // non-minimal uintvar shrinks).
    uint32_t size = WSP_packedSize(pdu, connectionless);
    check(size <= length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > 6000)
        return 0;
    const uint8_t *rest = data + 1;
    uint32_t length = static_cast<uint32_t>(size - 1);
    switch (data[0] % 5) {
    case 0:
    case 1: decodePdu(rest, length, false); break;
    case 2: decodePdu(rest, length, true); break;
    case 3: {
        Capabilities caps;
        decodeCapabilities(&caps, rest, length);
        check(caps.extendedMethods.size() <= length && caps.codePages.size() <= length);
        break;
    }
    default: {
        if (length > RECEIVE_BUFFER_SIZE)
            return 0;
        S_setSessionEventHandler(readEvent);
        uint8_t *block = takeReceiveBuffer(length);
        if (block == nullptr)
            return 0;
        if (length != 0)
            std::memcpy(block, rest, length);
        AddressRecord gateway = makeAddress(BEARER_UDP, "127.0.0.1");
        WSP_unitdataInd(&gateway, CONNECTIONLESS_PORT, block, length);
        check(receiveBuffersInUse() == 0);
        break;
    }
    }
    return 0;
}
