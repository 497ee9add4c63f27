#pragma once
// The session service: the one door between the connection manager and the
// WAP stack. Downward: connect, disconnect, GET and POST in connectionless
// and connection-oriented form, abort, one round of work. Upward: every WSP
// indication becomes the one SessionEvent, and the registered handler is
// called at once, before the stack goes on.
//
// How an indication reaches the connection manager:
//   1. the stack fills the words of gSessionEvent the event code sets;
//   2. it calls the handler given to S_setSessionEventHandler (no arguments),
//      synchronously, from inside pumpStack, S_sessionConnect, S_sessionDisconnect,
//      abortRequest or closeStack;
//   3. the handler calls takeEvent for a copy and does all its work with it;
//   4. when the handler returns, the stack releases the buffers that
//      headers and body point into and clears those four words (null, 0).
// So headers and body are valid only while the handler runs; the handler
// copies whatever it keeps and frees nothing. A method result is
// acknowledged to the gateway (S_MethodResult) after the handler returns.
// The handler may call back into this interface (abortRequest, S_sessionDisconnect,
// another request); nothing is queued.
#include <cstdint>

// Event codes (word 0).
constexpr int32_t SEVENT_NO_SESSION = 1002;    // disconnect with no session ever opened
constexpr int32_t SEVENT_CONNECTED = 1010;     // S-Connect.cnf
constexpr int32_t SEVENT_DISCONNECTED = 1011;  // S-Disconnect.ind (headers/body of a refusing Reply, or none)
constexpr int32_t SEVENT_INVOKE_CNF = 1012;    // S-MethodInvoke.cnf
constexpr int32_t SEVENT_RESULT = 1013;        // S-MethodResult.ind or S-Unit-MethodResult.ind
constexpr int32_t SEVENT_ABORTED = 1014;       // S-MethodAbort.ind
constexpr int32_t SEVENT_PUSH = 1015;          // S-Push.ind
constexpr int32_t SEVENT_REDIRECTED = 1202;    // S-Disconnect.ind with a redirect: reconnecting

// Results of S_sessionConnect.
constexpr int32_t SESSION_ALREADY = 1001;  // out status: a session already existed
constexpr int32_t SESSION_NO_SOCKETS = 1203;
constexpr int32_t SESSION_BAD_BEARER = 1204;
constexpr int32_t SESSION_NO_SOCKET = 1205;
constexpr int32_t SESSION_TRANSPORT_FAILED = 1999;

// Session handle values.
constexpr int32_t SESSION_NEVER = -1000000;  // before the first connect
constexpr int32_t SESSION_CONNECTING = -2;
constexpr int32_t SESSION_ENDED = -1;

struct SessionEvent {
    int32_t code;            // word 0: SEVENT_*
    int32_t status;          // word 1: WSP status of a result, or abort reason
    int32_t requestId;       // word 2: request id, connectionless transaction id or push id
    const uint8_t *headers;  // word 3: begins with the content type
    uint32_t headersLength;  // word 4
    const uint8_t *body;     // word 5
    uint32_t bodyLength;     // word 6
};

// The negotiated capabilities (the Browser's gSessionCaps). S_sessionConnect reads
// the requested values from it and keeps the pointer: the granted values
// are written into the same record when the session comes up.
struct SessionCaps {
    uint32_t maxSdu;      // Client- and Server-SDU-Size asked; Client-SDU-Size granted
    uint8_t pushEnabled;  // 0 or 1
    uint32_t morMethods;  // Method-MOR
    uint32_t morPush;     // Push-MOR
};

// Called right after every post; null: events are posted but not handed on.
void S_setSessionEventHandler(void (*handler)());

// Opens the transport and sends a WSP Connect to gateway:port. Returns 1,
// or SESSION_NO_SOCKETS / SESSION_BAD_BEARER / SESSION_NO_SOCKET /
// SESSION_TRANSPORT_FAILED. *status is set to SESSION_ALREADY when a
// session existed (it is ended first); otherwise left as it was.
int32_t S_sessionConnect(const char *gateway, uint32_t port, uint8_t bearer, SessionCaps *caps, int32_t *status);
// 1 when a disconnect was requested; -1 (and event 1002) when no session
// was ever opened.
int32_t S_sessionDisconnect();

// Connectionless requests to gateway:port. urlLength counts the URL's
// terminating zero (which is not sent). Return the transaction id (0..255),
// or -1 when the transport cannot be opened. Without headers a POST is sent
// as application/x-www-form-urlencoded; given headers must begin with the
// content type.
int32_t getConnectionless(const char *gateway, uint32_t port, uint8_t bearer, const char *url, uint32_t urlLength);
int32_t postConnectionless(const char *gateway, uint32_t port, uint8_t bearer, const char *url, uint32_t urlLength,
                           const uint8_t *headers, uint32_t headersLength, const uint8_t *body, uint32_t bodyLength);

// Connection-oriented requests in the current session (requests may go
// out while connecting). Return the new request id (1..32768), or -1 when
// there is no session (nothing is sent, no event follows). The session's
// User-Agent and Accept apply; a POST without headers is sent as
// application/x-www-form-urlencoded.
int32_t getConnected(const char *url, uint32_t urlLength);
int32_t postConnected(const char *url, uint32_t urlLength, const uint8_t *headers, uint32_t headersLength,
                      const uint8_t *body, uint32_t bodyLength);

// Aborts a connection-mode request; event 1014 with reason 234 follows at
// once when it was outstanding. Returns 1.
int32_t abortRequest(int32_t requestId);

// Opens the push listener: the gateway's push proxy sends connectionless
// pushes to port (PUSH_PORT in the program), which arrive as event 1015
// from pumpStack. 1 listening, SESSION_BAD_BEARER (pushes ride on UDP
// only) or SESSION_NO_SOCKET (the port is taken by another program). It
// listens until closeStack.
int32_t S_listenForPush(const char *gateway, uint8_t bearer, uint32_t port);

// A copy of the posted event.
SessionEvent takeEvent();
// One round of work (receive at most one datagram from each socket, run
// due timers) when a session was ever opened, connectionless traffic was
// sent or the push listener is open.
void pumpStack();
// Closes the transport and the push listener (going offline).
void closeStack();

// Forgets the session, its requests and the connectionless state without
// sending anything: the stack starts over (tests).
void resetSessionService();

// The program's version texts: "Version " + file version and
// "Build " + build text.
const char *S_versionText();
const char *S_buildText();
