#pragma once
// A scripted session layer and recording stand-ins for what the connection
// manager asks of the Browser and the display.
#include <cstdint>
#include <string>
#include <vector>

#include "cache/cache.h"
#include "stack/session.h"

struct SentRequest {
    std::string primitive;  // "getConnectionless", "postConnected", ...
    std::string url;
    uint32_t urlLength;
    std::string body;
    int32_t id;
};

struct StandInSession {
    std::vector<SentRequest> sent;
    std::vector<int32_t> aborted;          // abortRequest calls
    std::vector<int32_t> outstanding;      // connection-mode ids abortRequest answers with 234
    std::vector<std::string> calls;        // listen, connect, disconnect, closeStack, pumpStack
    int32_t nextId = 1;
    int32_t connectResult = 1;
    int32_t connectStatus = 0;             // written to *status when non-zero
    int32_t listenResult = 1;              // what listenForPush answers
    bool confirmInsideConnect = false;     // post 1010 from inside connect
    bool abortOnSend = false;              // post 1014 from inside the request primitive
    int32_t abortOnSendReason = 0xE1;
    SessionCaps *caps = nullptr;           // as connect was given
};

extern StandInSession gStandIn;
extern std::vector<CacheResult> gPollResults;  // what C_poll (1) answered, in order
extern std::vector<std::string> gStatusShown;
extern std::vector<int32_t> gErrorsShown;
extern int gContextsPopped;

void resetStandInSession();
// Posts an event as the stack does: fill the slot, call the handler.
void postSessionEvent(const SessionEvent &event);
