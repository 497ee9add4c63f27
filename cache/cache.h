#pragma once
// The cache and connection manager as the rest of the browser sees it.
// Every operation answers in a CacheResult.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/result_codes.h"

struct CacheResult {
    int32_t code;  // a result code (common/result_codes.h)
    int32_t arg;   // 0 unless the code says otherwise
};

// WSP well-known content types, the second half of an entry's key.
constexpr uint32_t CT_ANY = 0;
constexpr uint32_t CT_WMLC = 0x14;   // application/vnd.wap.wmlc
constexpr uint32_t CT_WMLSC = 0x15;  // application/vnd.wap.wmlscriptc
constexpr uint32_t CT_WBMP = 0x21;   // image/vnd.wap.wbmp

// The connection states.
constexpr uint32_t CSTATE_NONE = 0;
constexpr uint32_t CSTATE_CONNECTING = 1;
constexpr uint32_t CSTATE_RECONNECTING = 2;
constexpr uint32_t CSTATE_READY = 4;

// The gateway port decides the mode.
constexpr uint32_t PORT_CONNECTION_MODE = 9201;
constexpr uint32_t PORT_CONNECTIONLESS = 9200;

// Retrieval methods: bit 1 set means POST.
constexpr int METHOD_GET_WITH_DATA = 0;
constexpr int METHOD_GET = 1;
constexpr int METHOD_POST = 2;

// Cache only, never a request. On a hit (2006) *content is a heap block
// (malloc) of *length bytes that the caller frees, and *contentType the
// stored type; contentType 0 on entry means any type.
void C_retrieve(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, CacheResult *result);
// Whether url is held (as contentType, 0 any) and its length (0 unless
// held; length may be null): C_retrieve's code, the body left behind.
inline CacheResult C_cachedLength(const char *url, uint32_t contentType, uint32_t *length = nullptr)
{
    uint8_t *content = nullptr;
    uint32_t held = 0;
    CacheResult result{0, 0};
    C_retrieve(url, &contentType, &content, &held, &result);
    std::free(content);
    if (length)
        *length = held;
    return result;
}

// The main request: answers from the cache (2006) or sends a GET or POST
// and answers 2007. With content and length given the body of a hit is
// returned as a malloc block the caller frees; with either null only the
// code tells hit or miss. postData (zero-terminated) is the body of a POST.
void C_getEx(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, int forceRefresh, int method,
             const char *postData, CacheResult *result);
void C_get(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, int forceRefresh,
           CacheResult *result);
// The Browser's tick: fromStack 0 lets the stack do one round of work,
// fromStack 1 turns the event just posted by the stack into a result.
void C_poll(int fromStack, CacheResult *result);
// The user's stop: every outstanding request is aborted.
void C_abort();
// The gateway settings changed: a new session (connection mode).
void C_reconnect();
void C_disconnect();
void goOnline(const struct UserPrefs *prefs);
void goOffline();
bool isOnline();
bool isIdle();
bool canRequest();
uint32_t getCacheState();

// The negotiated capabilities (Max SDU, push, Method-MOR, Push-MOR): set
// from the preferences by C_init, asked for at connect, replaced by what
// the gateway grants.
struct SessionCaps;
SessionCaps *getSessionCaps();
void setSessionCaps(const SessionCaps *caps);

// The cache limits in bytes (kept in the settings store).
void C_setCacheSize(uint32_t minSize, uint32_t maxSize);
void C_getCacheSize(uint32_t *minSize, uint32_t *maxSize);

struct UserPrefs;

// Start-up: loads the settings, removes requests left by an earlier run,
// recounts the bytes held and counts the push messages waiting.
void C_init(const struct UserPrefs *prefs);
// Removes outstanding requests, shrinks the cache to its minimum size and
// saves the settings.
void C_shutdown();
// A navigation begins: entries stored from now on belong to it.
void C_newSession();
// Removes every entry but the push messages; the session count restarts.
void C_clearCache();

// Push messages. getPushList writes the push URIs as consecutive
// zero-terminated texts plus one more zero byte into buffer (those that
// fit, each whole) and returns how many it listed.
int getPushList(char *buffer, uint32_t size);
// Deletes one push message by its URI ("push://<n>_<type>").
void deletePush(const char *uri);
bool pushWaiting();
// What the push dialog's Go loads for a listed URI: the page a pushed
// Service Indication or Service Loading names, the URI itself for a pushed
// deck; empty when the push is gone or leads nowhere.
std::string C_pushOpenUrl(const char *uri);
// At most this many push messages are kept (the push dialog lists 256
// bytes of URIs, room for eleven); a new one drops the oldest.
constexpr uint32_t PUSH_KEEP_MAX = 10;

// The push listener (the gateway's connectionless pushes, UDP port 2948):
// it listens while online; when another program holds the port, push is
// off for the rest of the run.
enum PushListenerState { PUSH_LISTENER_CLOSED, PUSH_LISTENER_ON, PUSH_LISTENER_OFF };
PushListenerState C_pushListenerState();
