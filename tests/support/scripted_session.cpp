#include "tests/support/scripted_session.h"

ScriptedSession gScripted;

namespace {

SessionEvent gSlot{};

int32_t record(const char *primitive, const char *url, uint32_t urlLength, const uint8_t *body, uint32_t bodyLength,
               bool post)
{
    int32_t id = gScripted.nextId++;
    std::string text = body ? std::string(reinterpret_cast<const char *>(body), bodyLength) : "";
    gScripted.sent.push_back({primitive, url, urlLength, text, post, id, gScripted.abortOnSend});
    if (gScripted.abortOnSend)
        postSessionEvent({SEVENT_ABORTED, 0xE1, id, nullptr, 0, nullptr, 0});
    return id;
}

}  // namespace

void resetScriptedSession(void (*tell)())
{
    gScripted = ScriptedSession{};
    gScripted.tell = tell;
    gSlot = {};
}

void postSessionEvent(const SessionEvent &event)
{
    gSlot = event;
    if (gScripted.tell)
        gScripted.tell();
    gSlot = {};
}

void answerRequest(size_t index, uint32_t contentType, const std::vector<uint8_t> &body)
{
    ScriptedRequest &request = gScripted.sent.at(index);
    request.answered = true;
    const uint8_t headers[1] = {static_cast<uint8_t>(0x80 | contentType)};
    postSessionEvent({SEVENT_RESULT, 0x20, request.id, headers, 1, body.data(), static_cast<uint32_t>(body.size())});
}

void answerAll(const std::string &suffix, uint32_t contentType, const std::vector<uint8_t> &body)
{
    for (size_t i = 0; i < gScripted.sent.size(); i++) {
        const std::string &url = gScripted.sent[i].url;
        if (!gScripted.sent[i].answered && url.size() >= suffix.size() &&
            url.compare(url.size() - suffix.size(), suffix.size(), suffix) == 0)
            answerRequest(i, contentType, body);
    }
}

size_t unansweredRequests()
{
    size_t n = 0;
    for (const ScriptedRequest &r : gScripted.sent)
        n += r.answered ? 0 : 1;
    return n;
}

// The session layer.
void S_setSessionEventHandler(void (*)()) { }

int32_t S_sessionConnect(const char *, uint32_t, uint8_t, SessionCaps *caps, int32_t *status)
{
    gScripted.calls.push_back("connect");
    gScripted.caps = caps;
    if (gScripted.connectStatus)
        *status = gScripted.connectStatus;
    if (gScripted.confirmInsideConnect)
        postSessionEvent({SEVENT_CONNECTED, 0, 0, nullptr, 0, nullptr, 0});
    return gScripted.connectResult;
}

int32_t S_sessionDisconnect()
{
    gScripted.calls.push_back("disconnect");
    return 1;
}

int32_t getConnectionless(const char *, uint32_t, uint8_t, const char *url, uint32_t urlLength)
{
    return record("getConnectionless", url, urlLength, nullptr, 0, false);
}

int32_t postConnectionless(const char *, uint32_t, uint8_t, const char *url, uint32_t urlLength, const uint8_t *,
                           uint32_t, const uint8_t *body, uint32_t bodyLength)
{
    return record("postConnectionless", url, urlLength, body, bodyLength, true);
}

int32_t getConnected(const char *url, uint32_t urlLength)
{
    return record("getConnected", url, urlLength, nullptr, 0, false);
}

int32_t postConnected(const char *url, uint32_t urlLength, const uint8_t *, uint32_t, const uint8_t *body,
                      uint32_t bodyLength)
{
    return record("postConnected", url, urlLength, body, bodyLength, true);
}

// An outstanding request's abort is posted at once, as the stack does.
int32_t abortRequest(int32_t requestId)
{
    gScripted.aborted.push_back(requestId);
    for (ScriptedRequest &r : gScripted.sent) {
        if (r.id == requestId && !r.answered) {
            r.answered = true;
            postSessionEvent({SEVENT_ABORTED, 234, requestId, nullptr, 0, nullptr, 0});
        }
    }
    return 1;
}

int32_t S_listenForPush(const char *, uint8_t, uint32_t)
{
    gScripted.calls.push_back("listen");
    return gScripted.listenResult;
}

SessionEvent takeEvent() { return gSlot; }
void pumpStack() { gScripted.calls.push_back("pumpStack"); }
void closeStack() { gScripted.calls.push_back("closeStack"); }
void resetSessionService() { }
const char *S_versionText() { return "Version 0"; }
const char *S_buildText() { return "Build test"; }
