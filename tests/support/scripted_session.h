#pragma once
// A scripted session layer: requests are noted, and answers and aborts are
// posted when a test says so or, as the stack may, from inside the
// primitives. Whoever the fixture names in tell (C_poll (1) or B_poll (1),
// as the program's loop would) is told of every posted event.
#include <cstdint>
#include <string>
#include <vector>

#include "stack/session.h"

struct ScriptedRequest {
    std::string primitive;  // "getConnectionless", "postConnected", ...
    std::string url;        // as sent (no fragment)
    uint32_t urlLength;
    std::string body;
    bool post;
    int32_t id;
    bool answered;  // a result or an abort was posted
};

struct ScriptedSession {
    void (*tell)() = nullptr;
    std::vector<ScriptedRequest> sent;
    std::vector<int32_t> aborted;    // abortRequest calls
    std::vector<std::string> calls;  // listen, connect, disconnect, closeStack, pumpStack
    int32_t nextId = 1;
    int32_t connectResult = 1;
    int32_t connectStatus = 0;  // written to *status when non-zero
    int32_t listenResult = 1;
    bool confirmInsideConnect = false;  // post 1010 from inside connect
    bool abortOnSend = false;           // post 1014 from inside the request primitive
    SessionCaps *caps = nullptr;        // as connect was given
};

extern ScriptedSession gScripted;

void resetScriptedSession(void (*tell)());
// Posts an event as the stack does: fill the slot, tell, release.
void postSessionEvent(const SessionEvent &event);
// Answers request index with content of that WSP type.
void answerRequest(size_t index, uint32_t contentType, const std::vector<uint8_t> &body);
// Answers every request not yet answered whose URL ends with suffix.
void answerAll(const std::string &suffix, uint32_t contentType, const std::vector<uint8_t> &body);
size_t unansweredRequests();
