// The connection manager's network side: online and offline, the WSP
// session with the gateway, and the tick that turns the stack's
// indications into results for the Browser.
#include "cache/connection.h"

#include <cstring>

#include "browser/context.h"
#include "browser/messages.h"
#include "cache/cache.h"
#include "cache/cache_store.h"
#include "common/log.h"
#include "prefs/prefs.h"
#include "stack/udp_transport.h"

uint8_t gOnline = 0;
uint32_t gCacheState = CSTATE_NONE;
uint32_t gPending = 0;
uint32_t gLastShownPending = 0;
const UserPrefs *gConnPrefs = nullptr;
SessionCaps gSessionCaps = {};

namespace {

const char kStatusGoingOnline[] = "Going online...";
const char kStatusOnline[] = "Online";
const char kStatusOffline[] = "Offline";
const char kStatusConnecting[] = "Connecting to WAP gateway...";
const char kStatusReconnecting[] = "Reconnecting to WAP gateway...";
const char kStatusConnected[] = "Connected to WAP gateway";
const char kStatusDisconnected[] = "Disconnected!";
const char kStatusWaiting[] = "Waiting for data...";
const char kStatusIdle[] = "Idle";
const char kStatusPushOff[] = "Push messages off: UDP port 2948 is in use by another program";

bool gPushOff = false;   // the push port was taken: no push for the rest of the run
bool gPushOpen = false;  // the push listener was opened and not closed since

bool connectionMode() { return gatewayPort() == PORT_CONNECTION_MODE; }

// What a lost session means in each state.
struct DisconnectRow {
    uint32_t state;
    const char *log;  // after "Cache: in handleDisconnected - "
    int32_t result;   // 0: result untouched
    uint32_t next;
};

const DisconnectRow kDisconnectRows[] = {
    {CSTATE_CONNECTING, "state is CSTATE_CONNECTING, changed to CSTATE_NONE\n", CRES_CONNECT_FAILED, CSTATE_NONE},
    {CSTATE_RECONNECTING, "cache state is CSTATE_RECONNECTING\n", CRES_RECONNECTING, CSTATE_RECONNECTING},
    {CSTATE_READY, "state is CSTATE_READY\n", CRES_DISCONNECTED, CSTATE_NONE},
};

void setResult(CacheResult *result, int32_t code, int32_t arg = 0)
{
    result->code = code;
    result->arg = arg;
}

// Every outstanding request dies with the session; the Browser gives up
// the deck it was waiting for.
void abortOutstanding()
{
    if (gPending == 0)
        return;
    Log_str("Cache: stopall\n");
    abortRequestingEntries("", C_abortTid);
    // Requests the session layer no longer knows get no abort indication;
    // their entries would otherwise answer 2007 for the rest of the session.
    freeRequestingEntries();
    popContext();
    gPending = 0;
}

bool handleConnected(CacheResult *result)
{
    Log_str("Cache: in handleConnected - ");
    if (gCacheState != CSTATE_CONNECTING && gCacheState != CSTATE_RECONNECTING) {
        Log_printf("cache state is %u\n", gCacheState);
        return false;
    }
    Log_str("state is CSTATE_CONNECTING/RECONNECTING, changed to CSTATE_READY\n");
    Log_str("Cache: Negotiated capabilities are:\n");
    Log_printf("Cache: Max SDU: %u\n", gSessionCaps.maxSdu);
    Log_printf("Cache: MOR methods: %u\n", gSessionCaps.morMethods);
    gCacheState = CSTATE_READY;
    setResult(result, CRES_CONNECTED);
    return true;
}

void handleDisconnected(CacheResult *result)
{
    Log_str("Cache: in handleDisconnected - ");
    abortOutstanding();
    for (const DisconnectRow &row : kDisconnectRows) {
        if (row.state != gCacheState)
            continue;
        Log_str(row.log);
        int32_t code = row.result;
        if (row.state == CSTATE_CONNECTING && gatewayPort() == PORT_CONNECTIONLESS)
            code = CRES_DISCONNECTED;
        if (row.state == CSTATE_RECONNECTING)
            showStatus(kStatusConnecting);
        setResult(result, code);
        gCacheState = row.next;
        if (row.state == CSTATE_READY)
            Log_str("Cache: state is CSTATE_READY, changed to CSTATE_NONE\n");
        return;
    }
    Log_printf("cache state is %u\n", gCacheState);
    Log_str("Cache: unhandled cache state in disconnect, changing state to CSTATE_NONE\n");
    gCacheState = CSTATE_NONE;
}

// Connects (or reconnects) in connection mode.
void doConnect(const UserPrefs *prefs)
{
    Log_str("Cache: in doConnect\n");
    if (prefs)
        gConnPrefs = prefs;
    if (!gOnline) {
        goOnline(gConnPrefs);
        return;
    }
    if (gatewayPort() == PORT_CONNECTIONLESS) {
        Log_str("Cache: connectionless mode, so ignoring!\n");
        return;
    }
    if (!gConnPrefs)
        return;
    // The state is set before the call: the confirm (or the end of the old
    // session) can arrive from inside it, and must meet the right state.
    bool hadSession = gCacheState == CSTATE_READY;
    gCacheState = hadSession ? CSTATE_RECONNECTING : CSTATE_CONNECTING;
    Log_str("Cache: changing state to CSTATE_CONNECTING\n");
    if (hadSession)
        Log_str("Cache: already connected, changing state to CSTATE_RECONNECTING\n");
    int32_t status = 0;
    uint32_t port = gConnPrefs->bearer == BEARER_SMS ? 0 : gConnPrefs->proxyPort;
    int32_t r = S_sessionConnect(gConnPrefs->proxy.c_str(), port, gConnPrefs->bearer, &gSessionCaps, &status);
    if (r > 1000)
        showError(r);
    if (status == SESSION_ALREADY && gCacheState == CSTATE_CONNECTING) {
        gCacheState = CSTATE_RECONNECTING;
        Log_str("Cache: already connected, changing state to CSTATE_RECONNECTING\n");
    }
}

// Pushes come while the network is in use, whatever the session: the
// proxy sends them connectionless, outside any session's capabilities.
void startPushListener()
{
    if (gPushOff || !gConnPrefs)
        return;
    int32_t r = S_listenForPush(gConnPrefs->proxy.c_str(), gConnPrefs->bearer, PUSH_PORT);
    if (r == 1) {
        gPushOpen = true;
        return;
    }
    if (r == SESSION_NO_SOCKET) {
        // Said once: later goOnline calls do not try again.
        gPushOff = true;
        Log_str("Cache: push port taken, no push messages for this run\n");
        showStatus(kStatusPushOff);
    }
}

}  // namespace

uint32_t gatewayPort() { return gConnPrefs ? gConnPrefs->proxyPort : 0; }

void connectionInit(const UserPrefs *prefs)
{
    gConnPrefs = prefs;
    gOnline = 0;
    gPending = 0;
    gLastShownPending = 0;
    gCacheState = CSTATE_NONE;
    gPushOff = false;
    gPushOpen = false;
    if (prefs)
        gSessionCaps = {prefs->sduSize, prefs->pushEnable, prefs->morMethod, prefs->morPush};
}

void connectionShutdown()
{
    if (gOnline)
        goOffline();
}

void goOnline(const UserPrefs *prefs)
{
    Log_str("Cache: going online!\n");
    if (prefs)
        gConnPrefs = prefs;
    showStatus(kStatusGoingOnline);
    gOnline = 1;
    showStatus(kStatusOnline);
    startPushListener();
    if (gatewayPort() == PORT_CONNECTIONLESS) {
        // Nothing connects: the next tick shows Idle or Waiting for data...,
        // whichever is true, even when the first answer came in between.
        gLastShownPending = UINT32_MAX;
    } else {
        showStatus(kStatusConnecting);
    }
    doConnect(gConnPrefs);
}

void goOffline()
{
    gOnline = 0;
    S_sessionDisconnect();
    // Two rounds so that the Disconnect leaves before the socket closes.
    pumpStack();
    pumpStack();
    closeStack();
    gPushOpen = false;
    showStatus(kStatusOffline);
    gCacheState = CSTATE_NONE;
    Log_str("Cache: Offline!\n");
}

void C_poll(int fromStack, CacheResult *result)
{
    if (!result)
        return;
    SessionEvent event{};
    if (fromStack)
        event = takeEvent();
    // A push received in the last rounds before going offline is kept.
    if (event.code == SEVENT_PUSH) {
        handlePushCompleted(result, event);
        return;
    }
    if (!gOnline) {
        setResult(result, CRES_IDLE);
        return;
    }
    if (!fromStack)
        pumpStack();
    switch (event.code) {
    case SEVENT_CONNECTED:
        showStatus(kStatusConnected);
        if (handleConnected(result) && gPending == 0)
            showStatus(kStatusIdle);
        return;
    case SEVENT_DISCONNECTED:
        showStatus(kStatusDisconnected);
        handleDisconnected(result);
        return;
    case SEVENT_RESULT: handleGetCompleted(result, event); return;
    case SEVENT_ABORTED:
        // An abort of the request being sent is that request's answer.
        if (takeAbortOfRequestInFlight(event))
            break;
        handleMethodAbort(result, event);
        return;
    default: break;
    }
    if (gPending) {
        Log_printf("Cache: num of pending req %u\n", gPending);
        setResult(result, event.code);
        if (gPending != gLastShownPending)
            showStatus(kStatusWaiting);
    } else {
        setResult(result, CRES_IDLE);
        if (gPending != gLastShownPending)
            showStatus(kStatusIdle);
    }
    gLastShownPending = gPending;
}

void C_abort()
{
    Log_str("Cache: in abort\n");
    if (gOnline && (gCacheState == CSTATE_CONNECTING || gCacheState == CSTATE_RECONNECTING)) {
        S_sessionDisconnect();
        gPending = 0;
        return;
    }
    Log_str("Cache: stopall\n");
    const char *current = getURL(0);
    if (abortRequestingEntries(current ? current : "", C_abortTid) == ABORT_DONE_OWN_URL)
        popContext();
    gPending = 0;
}

void C_reconnect()
{
    if (gatewayPort() != PORT_CONNECTIONLESS) {
        showStatus(kStatusReconnecting);
        doConnect(gConnPrefs);
        return;
    }
    Log_str("Cache: connectionlessmode! So disconnection!\n");
    if (gOnline)
        S_sessionDisconnect();
}

void C_disconnect()
{
    if (gOnline)
        S_sessionDisconnect();
}

PushListenerState C_pushListenerState()
{
    if (gPushOff)
        return PUSH_LISTENER_OFF;
    return gPushOpen ? PUSH_LISTENER_ON : PUSH_LISTENER_CLOSED;
}

bool isOnline() { return gOnline != 0; }
bool isIdle() { return gPending == 0; }
uint32_t getCacheState() { return gCacheState; }

bool canRequest()
{
    if (!connectionMode())
        return true;
    return gCacheState == CSTATE_CONNECTING || gCacheState == CSTATE_RECONNECTING || gCacheState == CSTATE_READY;
}

SessionCaps *getSessionCaps() { return &gSessionCaps; }

void setSessionCaps(const SessionCaps *caps)
{
    if (caps)
        gSessionCaps = *caps;
}

void C_abortTid(uint32_t tid)
{
    if (connectionMode())
        abortRequest(static_cast<int32_t>(tid));
}
