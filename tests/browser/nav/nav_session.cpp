#include "tests/browser/nav/nav_session.h"

#include "browser/browser.h"
#include "stack/session.h"

std::vector<NavRequest> gNavRequests;

namespace {

SessionEvent gSlot{};           // the one posted event
void (*gHandler)() = nullptr;   // the connection manager's, as set
int32_t gNextId = 1;

void post(const SessionEvent &event)
{
    gSlot = event;
    // The program's loop hands every indication to the Browser.
    B_poll(1);
    gSlot = {};
}

int32_t note(const char *url, const uint8_t *body, uint32_t bodyLength, bool isPost)
{
    int32_t id = gNextId++;
    gNavRequests.push_back({url, std::string(reinterpret_cast<const char *>(body ? body : reinterpret_cast<const uint8_t *>("")), bodyLength),
                            isPost, id, false});
    return id;
}

}  // namespace

void resetNavSession()
{
    gNavRequests.clear();
    gSlot = {};
    gNextId = 1;
}

void answerRequest(size_t index, uint32_t contentType, const std::vector<uint8_t> &body)
{
    NavRequest &request = gNavRequests.at(index);
    request.answered = true;
    const uint8_t headers[1] = {static_cast<uint8_t>(0x80 | contentType)};
    SessionEvent e{};
    e.code = SEVENT_RESULT;
    e.status = 0x20;
    e.requestId = request.id;
    e.headers = headers;
    e.headersLength = 1;
    e.body = body.data();
    e.bodyLength = static_cast<uint32_t>(body.size());
    post(e);
}

void answerAll(const std::string &suffix, uint32_t contentType, const std::vector<uint8_t> &body)
{
    for (size_t i = 0; i < gNavRequests.size(); i++) {
        const std::string &url = gNavRequests[i].url;
        if (!gNavRequests[i].answered && url.size() >= suffix.size() &&
            url.compare(url.size() - suffix.size(), suffix.size(), suffix) == 0)
            answerRequest(i, contentType, body);
    }
}

size_t unansweredRequests()
{
    size_t n = 0;
    for (const NavRequest &r : gNavRequests)
        n += r.answered ? 0 : 1;
    return n;
}

// The session layer.
void setSessionEventHandler(void (*handler)()) { gHandler = handler; }

int32_t sessionConnect(const char *, uint32_t, uint8_t, SessionCaps *, int32_t *)
{
    SessionEvent e{};
    e.code = SEVENT_CONNECTED;
    post(e);
    return 1;
}

int32_t sessionDisconnect() { return 1; }

int32_t getConnectionless(const char *, uint32_t, uint8_t, const char *url, uint32_t)
{
    return note(url, nullptr, 0, false);
}

int32_t postConnectionless(const char *, uint32_t, uint8_t, const char *url, uint32_t, const uint8_t *, uint32_t,
                           const uint8_t *body, uint32_t bodyLength)
{
    return note(url, body, bodyLength, true);
}

int32_t getConnected(const char *url, uint32_t) { return note(url, nullptr, 0, false); }

int32_t postConnected(const char *url, uint32_t, const uint8_t *, uint32_t, const uint8_t *body, uint32_t bodyLength)
{
    return note(url, body, bodyLength, true);
}

int32_t abortRequest(int32_t requestId)
{
    for (NavRequest &r : gNavRequests) {
        if (r.id == requestId && !r.answered) {
            r.answered = true;
            SessionEvent e{};
            e.code = SEVENT_ABORTED;
            e.status = 234;
            e.requestId = requestId;
            post(e);
        }
    }
    return 1;
}

SessionEvent takeEvent() { return gSlot; }
void pumpStack() {}
void closeStack() {}
int32_t listenForPush(const char *, uint8_t, uint32_t) { return 1; }
void resetSessionService() {}
const char *versionText() { return "Version 0"; }
const char *buildText() { return "Build test"; }
