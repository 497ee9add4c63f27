// WTP's receive path over arbitrary datagrams, with transactions waiting
// in every initiator state, and upcalls that call back into WTP. Input:
// one mode byte, then datagrams, each a 2-byte big-endian length and its
// bytes (the last one takes what is left). Each datagram is handed to
// receivePdus in a heap block of exactly its size, then injected as from
// the gateway's WTP port and its connectionless port; then time passes.
// Every receive block must be released at the end. The exchange listing
// reads each datagram too, as WTP and as connectionless WSP.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/clock.h"
#include "common/log.h"
#include "stack/exchange.h"
#include "stack/udp_transport.h"
#include "stack/wtp.h"
#include "stack/wtp_timers.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

uint32_t gNow = 1000000;  // the fake clock
uint8_t gMode = 0;        // bit 0: confirm results at once; bit 1: abort on confirmation

const AddressRecord GATEWAY = makeAddress(BEARER_UDP, "127.0.0.1");

uint32_t fakeClock() { return gNow; }
int discard(const AddressRecord *, uint32_t, const uint8_t *, uint32_t length) { return static_cast<int>(length); }

void feed(const uint8_t *data, uint32_t length)
{
    // Exactly sized, so that a read past the end shows.
    uint8_t *copy = static_cast<uint8_t *>(std::malloc(length ? length : 1));
    if (length)
        std::memcpy(copy, data, length);
    receivePdus(&GATEWAY, 0, &GATEWAY, CONNECTION_PORT, copy, length);
    for (uint16_t port : {CONNECTION_PORT, CONNECTIONLESS_PORT}) {
        CapturedDatagram d{};
        d.sourcePort = port;
        d.bytes = copy;
        d.length = length;
        S_describeDatagram(d, 0);
    }
    std::free(copy);
    injectDatagram(&GATEWAY, CONNECTION_PORT, data, length);
    injectDatagram(&GATEWAY, CONNECTIONLESS_PORT, data, length);
}

// Transactions with TIDs 0..4 (the gateway sends them as 0x8000..0x8004):
// 1 waits for an answer, 2 is confirmed, 3 holds a Result for the user,
// 4 waits out retransmitted Results, 5 is class 1.
void setUp()
{
    resetWtp();
    setNextTid(0);
    for (int i = 0; i < 4; i++)
        TR_Invoke(&GATEWAY, 0, &GATEWAY, CONNECTION_PORT, 1, nullptr, 0, WTP_CLASS2);
    TR_Invoke(&GATEWAY, 0, &GATEWAY, CONNECTION_PORT, 0, nullptr, 0, WTP_CLASS1);
    const uint8_t answers[] = {0x18, 0x80, 0x01, 0x12, 0x80, 0x02, 0x12, 0x80, 0x03};
    uint8_t saved = gMode;
    gMode = 0;
    for (int i = 0; i < 3; i++)
        receivePdus(&GATEWAY, 0, &GATEWAY, CONNECTION_PORT, answers + 3 * i, 3);
    TR_Result(nullptr, 0, 4);
    gMode = saved;
}

}  // namespace

void TR_InvokeCnf(uint32_t handle)
{
    if (gMode & 2)
        TR_Abort(0xEA, handle);
}

void TR_ResultInd(uint32_t handle, uint8_t *data, uint32_t length)
{
    check((data == nullptr) == (length == 0));
    if (length)
        data[length - 1] ^= 1;  // the block is the callee's, and as long as said
    releaseReceiveBuffer(data);
    if (gMode & 1)
        TR_Result(nullptr, 0, handle);
}

void TR_AbortInd(uint32_t, uint8_t) { }

void WSP_unitdataInd(const AddressRecord *, uint16_t, uint8_t *data, uint32_t length)
{
    if (length)
        data[length - 1] ^= 1;
    releaseReceiveBuffer(data);
}

void WSP_pushDatagramInd(uint8_t *data, uint32_t length) { WSP_unitdataInd(nullptr, 0, data, length); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Log_setMode(LOG_OFF);
    Clock_setClockSource(fakeClock);
    setTransportSendHook(discard);
    setTransportPeer(&GATEWAY, CONNECTION_PORT);
    gMode = size ? data[0] : 0;
    setUp();
    size_t position = size ? 1 : 0;
    while (position < size) {
        size_t length = size - position;
        if (length >= 2) {
            size_t wanted = (static_cast<size_t>(data[position]) << 8) | data[position + 1];
            position += 2;
            length = wanted < size - position ? wanted : size - position;
        } else {
            length = 0;
            position = size;
        }
        feed(data + position, static_cast<uint32_t>(length));
        position += length;
        gNow += 7;
        runTimers();
    }
    for (int i = 0; i < 40; i++) {
        gNow += 10;
        runTimers();
    }
    // Every transaction ends through its timers.
    check(wtpTransactionCount() == 0 && timerCount() == 0);
    resetWtp();
    check(receiveBuffersInUse() == 0);
    return 0;
}
