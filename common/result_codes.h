#pragma once
// The result codes the subsystems answer with, and one table of what each
// means: whether it ends a request and the text the user is shown.
#include <cstdint>

// The connection manager's codes (CacheResult); the others are the
// stack's (8..1999), the Browser's (negative, 3902) and the script
// engine's (4000..4299), named in their own headers.
constexpr int32_t CRES_CONNECT_FAILED = 1005;  // the gateway did not take the session
constexpr int32_t CRES_CONNECTED = 1010;
constexpr int32_t CRES_PUSH_STORED = 2000;
constexpr int32_t CRES_IDLE = 2002;
constexpr int32_t CRES_STORED = 2005;
constexpr int32_t CRES_HIT = 2006;
constexpr int32_t CRES_PENDING = 2007;
constexpr int32_t CRES_RECONNECTING = 2008;  // the old session ended; connecting again
constexpr int32_t CRES_DISCONNECTED = 2009;
constexpr int32_t CRES_ABORTED = 2010;  // by the gateway or the stack; arg: WSP reason
constexpr int32_t CRES_USER_ABORT = 2011;
// A push was not kept (nothing to open, or the cache refused it): the
// status line says why; the Browser's navigation is not touched.
constexpr int32_t CRES_PUSH_DROPPED = 2012;
constexpr int32_t CRES_WRITE_FAILED = 2501;
constexpr int32_t CRES_BAD_URL = 2502;
constexpr int32_t CRES_FULL = 2503;
constexpr int32_t CRES_OUT_OF_MEMORY = 2504;
constexpr int32_t CRES_GATEWAY_ERROR = 2505;  // the gateway answered with an error status; arg: the WSP status
// arg (also of 2601): the content type received, the WSP status << 8.
constexpr int32_t CRES_WRONG_TYPE = 2506;
constexpr int32_t CRES_UNKNOWN_TID = 2507;
constexpr int32_t CRES_NO_SESSION = 2508;
constexpr int32_t CRES_UNCOMPILED_DECK = 2509;  // a deck came as WML text: the gateway's compiler refused it
constexpr int32_t CRES_NOT_AN_IMAGE = 2601;

// A request is over: stored, refused, aborted or its session lost (the
// headless fetch waits for one).
constexpr uint8_t RESULT_FINAL = 0x01;
// A fetch failed: B_poll drops the navigation and shows the text.
constexpr uint8_t RESULT_FETCH_ERROR = 0x02;

struct ResultCode {
    int32_t code;
    uint8_t flags;        // RESULT_FINAL, RESULT_FETCH_ERROR
    const char *message;  // shown by showError; null: nothing
};

// The entry of code, or null when it has no rule and no text.
const ResultCode *RC_resultCode(int32_t code);
inline bool RC_resultIs(int32_t code, uint8_t flag)
{
    const ResultCode *entry = RC_resultCode(code);
    return entry && (entry->flags & flag);
}
