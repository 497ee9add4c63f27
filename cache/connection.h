#pragma once
// The connection manager's state and helpers shared by its files (not for
// the rest of the browser: cache.h is the door).
#include <cstdint>
#include <string>

#include "stack/session.h"

struct UserPrefs;
struct CacheResult;

extern uint8_t gOnline;              // the user went online (network in use)
extern uint32_t gCacheState;         // CSTATE_*
extern uint32_t gPending;            // requests sent and not yet answered or aborted
extern uint32_t gLastShownPending;   // pending when C_poll last wrote the status line
extern const UserPrefs *gConnPrefs;  // gateway, port and bearer; lent by the display
extern SessionCaps gSessionCaps;     // asked for at connect, then as granted

// C_init and C_shutdown's share of the connection.
void connectionInit(const UserPrefs *prefs);
void connectionShutdown();

// The gateway port of the preferences (0 without them).
uint32_t gatewayPort();
// The URL resolved against the current deck; empty when not valid.
std::string resolveAgainstCurrent(const char *url);

// Request side (connection_requests.cpp).
void handleGetCompleted(CacheResult *result, const SessionEvent &event);
void handleMethodAbort(CacheResult *result, const SessionEvent &event);
void handlePushCompleted(CacheResult *result, const SessionEvent &event);
// Whether an abort indication was taken as the answer to the request being
// sent (the stack may refuse it before it returns its id).
bool takeAbortOfRequestInFlight(const SessionEvent &event);
// abortRequestingEntries' callback: in connection mode the session layer
// aborts the request; connectionless requests cannot be recalled.
void C_abortTid(uint32_t tid);
