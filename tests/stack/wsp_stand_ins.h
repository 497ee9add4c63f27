#pragma once
// Recording stand-ins for the transport and WTP, for tests of WSP and the
// session service on their own.
#include <cstdint>
#include <string>
#include <vector>

struct SentPdu {
    uint8_t transactionClass;  // WTP class; 0 for a datagram
    uint8_t up;
    std::vector<uint8_t> bytes;
    uint32_t port;
};

extern std::vector<std::string> gCalls;  // "invoke 1", "result 1", "abort 1 230", "open", ...
extern std::vector<SentPdu> gSent;       // every PDU handed down, in order
extern uint32_t gNextHandle;             // the handle the next class 1/2 TR_Invoke returns
extern int gOpenResult;                  // what openTransport answers
extern uint32_t gPumpRounds;             // pollReceive calls

void resetStandIns();
// A pool block holding bytes (what WTP hands up).
uint8_t *poolCopy(const std::vector<uint8_t> &bytes);
