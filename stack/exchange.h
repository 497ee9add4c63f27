#pragma once
// The exchange listing: what a recorded datagram carried, one line per PDU,
// read with the stack's own WTP and WSP decoders.
#include <cstdint>
#include <string>
#include <vector>

#include "stack/capture.h"

// "TIME DIR WTP TID WSP DETAIL LENGTH" for each PDU of d: TIME in seconds
// since startUs, DIR "out" or "in", WTP the PDU type ("-" for
// connectionless WSP), TID its transaction id (connectionless WSP's own),
// WSP the PDU type or method ("-" when none is carried), DETAIL the URI of
// a request, the status of a Reply, the session of a ConnectReply or
// Disconnect, the reason of an Abort, else "-"; LENGTH the PDU's bytes.
// What cannot be decoded shows as "malformed".
std::vector<std::string> S_describeDatagram(const CapturedDatagram &d, uint64_t startUs);
