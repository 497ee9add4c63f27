#pragma once
// Stand-ins for WSP's upcalls and a capture of what the transport sends,
// so that WTP and the transport are tested alone. Everything is recorded,
// in order, as one line per happening:
//   "send 0e0005..."        a datagram sent (hex)
//   "cnf H"                 TR_InvokeCnf
//   "result H 0102..."      TR_ResultInd (the block is released here)
//   "abort H R"             TR_AbortInd
//   "unitdata PORT 0102..." WSP_unitdataInd (released here)
#include <cstdint>
#include <deque>
#include <string>

extern std::deque<std::string> gHappened;  // what happened, oldest first
extern uint32_t gFakeNow;                  // the clock while installed

// Resets WTP, the record and the clock; installs the capture and the clock.
void installStandIns();
// Removes the capture and the clock.
void removeStandIns();
std::string toHex(const uint8_t *data, uint32_t length);
