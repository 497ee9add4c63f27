#include "stand_in_session.h"

#include <algorithm>

StandInSession gStandIn;
std::vector<CacheResult> gPollResults;
std::vector<std::string> gStatusShown;
std::vector<int32_t> gErrorsShown;
int gContextsPopped = 0;

namespace {

SessionEvent gSlot{};
void (*gHandler)() = nullptr;

void handOn()
{
    CacheResult r{0, 0};
    C_poll(1, &r);
    gPollResults.push_back(r);
}

int32_t record(const char *primitive, const char *url, uint32_t urlLength, const uint8_t *body, uint32_t bodyLength)
{
    int32_t id = gStandIn.nextId++;
    gStandIn.sent.push_back({primitive, url, urlLength,
                             std::string(reinterpret_cast<const char *>(body ? body : reinterpret_cast<const uint8_t *>("")), bodyLength),
                             id});
    if (gStandIn.abortOnSend) {
        SessionEvent e{};
        e.code = SEVENT_ABORTED;
        e.status = gStandIn.abortOnSendReason;
        e.requestId = id;
        postSessionEvent(e);
    } else {
        gStandIn.outstanding.push_back(id);
    }
    return id;
}

}  // namespace

void resetStandInSession()
{
    gStandIn = StandInSession{};
    gPollResults.clear();
    gStatusShown.clear();
    gErrorsShown.clear();
    gContextsPopped = 0;
    gSlot = {};
    setSessionEventHandler(handOn);
}

void postSessionEvent(const SessionEvent &event)
{
    gSlot = event;
    if (gHandler)
        gHandler();
    gSlot.headers = nullptr;
    gSlot.headersLength = 0;
    gSlot.body = nullptr;
    gSlot.bodyLength = 0;
}

// The session layer.
void setSessionEventHandler(void (*handler)()) { gHandler = handler; }

int32_t sessionConnect(const char *, uint32_t, uint8_t, SessionCaps *caps, int32_t *status)
{
    gStandIn.calls.push_back("connect");
    gStandIn.caps = caps;
    if (gStandIn.connectStatus)
        *status = gStandIn.connectStatus;
    if (gStandIn.confirmInsideConnect) {
        SessionEvent e{};
        e.code = SEVENT_CONNECTED;
        postSessionEvent(e);
    }
    return gStandIn.connectResult;
}

int32_t sessionDisconnect()
{
    gStandIn.calls.push_back("disconnect");
    return 1;
}

int32_t getConnectionless(const char *, uint32_t, uint8_t, const char *url, uint32_t urlLength)
{
    return record("getConnectionless", url, urlLength, nullptr, 0);
}

int32_t postConnectionless(const char *, uint32_t, uint8_t, const char *url, uint32_t urlLength, const uint8_t *,
                           uint32_t, const uint8_t *body, uint32_t bodyLength)
{
    return record("postConnectionless", url, urlLength, body, bodyLength);
}

int32_t getConnected(const char *url, uint32_t urlLength) { return record("getConnected", url, urlLength, nullptr, 0); }

int32_t postConnected(const char *url, uint32_t urlLength, const uint8_t *, uint32_t, const uint8_t *body,
                      uint32_t bodyLength) { return record("postConnected", url, urlLength, body, bodyLength); }

int32_t abortRequest(int32_t requestId)
{
    gStandIn.aborted.push_back(requestId);
    auto it = std::find(gStandIn.outstanding.begin(), gStandIn.outstanding.end(), requestId);
    if (it != gStandIn.outstanding.end()) {
        gStandIn.outstanding.erase(it);
        SessionEvent e{};
        e.code = SEVENT_ABORTED;
        e.status = 234;
        e.requestId = requestId;
        postSessionEvent(e);
    }
    return 1;
}

int32_t listenForPush(const char *, uint8_t, uint32_t)
{
    gStandIn.calls.push_back("listen");
    return gStandIn.listenResult;
}

SessionEvent takeEvent() { return gSlot; }
void pumpStack() { gStandIn.calls.push_back("pumpStack"); }
void closeStack() { gStandIn.calls.push_back("closeStack"); }
const char *versionText() { return "Version 0"; }
const char *buildText() { return "Build test"; }

// What the Browser and the display provide in the program.
void popContext() { gContextsPopped++; }
void showStatus(const char *text) { gStatusShown.push_back(text); }
void showError(int32_t code) { gErrorsShown.push_back(code); }
