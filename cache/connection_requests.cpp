// Requests: a miss in the cache store becomes a WSP GET or POST through
// the session service and a requesting entry; the answer (or the abort)
// that comes back for its identifier replaces that entry.
#include <cstring>
#include <string>
#include <vector>

#include "browser/context.h"
#include "browser/messages.h"
#include "cache/cache.h"
#include "cache/cache_store.h"
#include "cache/connection.h"
#include "cache/push_message.h"
#include "common/clock.h"
#include "common/log.h"
#include "common/url.h"
#include "prefs/prefs.h"

namespace {

bool gSending = false;         // a request primitive of the session layer is running
bool gSendingAborted = false;  // ...and the stack aborted that request before returning
int32_t gSendingReason = 0;    // the abort reason it gave

constexpr int32_t WSP_REASON_USERREQ = 234;

const char kStatusPushReceived[] = "Push message received";
const char kStatusPushIgnored[] = "Push message ignored: it names no page to open";
const char kStatusPushOldestDropped[] = "Push messages: the oldest was dropped to make room";
const char kStatusPushCacheFull[] = "Push message lost: the cache is full";
const char kStatusPushNotWritten[] = "Push message lost: the cache cannot be written";
constexpr size_t kMarkerLength = sizeof REQUESTING_MARKER - 1;

void setResult(CacheResult *result, int32_t code, int32_t arg = 0)
{
    result->code = code;
    result->arg = arg;
}

void pendingDone()
{
    if (gPending)
        gPending--;
    Log_printf("Cache: number of pending requests are now %u\n", gPending);
}

int32_t abortResult(int32_t reason) { return reason == WSP_REASON_USERREQ ? CRES_USER_ABORT : CRES_ABORTED; }

// Sends the request; the transaction (or request) id, or -1 when the
// transport could not be opened.
int32_t sendRequest(const char *url, bool post, const char *postData)
{
    const UserPrefs &prefs = *gConnPrefs;
    // The fragment names a card: it is the browser's, not the origin's.
    std::vector<char> sent(url, url + std::strlen(url) + 1);
    stripUrlFragment(sent.data());
    // A GET that carries form fields sends them as the query; without this
    // the origin would never see them.
    if (!post && postData && *postData) {
        std::vector<char> withFields(sent.size() + std::strlen(postData) + 2);
        if (appendUrlQuery(sent.data(), postData, withFields.data(), withFields.size()))
            sent.swap(withFields);
    }
    uint32_t urlLength = static_cast<uint32_t>(std::strlen(sent.data()) + 1);
    const uint8_t *body = reinterpret_cast<const uint8_t *>(postData ? postData : "");
    uint32_t bodyLength = static_cast<uint32_t>(postData ? std::strlen(postData) : 0);
    bool connected = prefs.proxyPort == PORT_CONNECTION_MODE;
    Log_str(post ? "Cache: method is POST\n" : "Cache: method is GET\n");
    gSending = true;
    gSendingAborted = false;
    int32_t tid;
    if (post && connected)
        tid = postConnected(sent.data(), urlLength, nullptr, 0, body, bodyLength);
    else if (post)
        tid = postConnectionless(prefs.proxy.c_str(), prefs.proxyPort, prefs.bearer, sent.data(), urlLength, nullptr, 0,
                                 body, bodyLength);
    else if (connected)
        tid = getConnected(sent.data(), urlLength);
    else
        tid = getConnectionless(prefs.proxy.c_str(), prefs.proxyPort, prefs.bearer, sent.data(), urlLength);
    gSending = false;
    return tid;
}

void requestContent(CacheResult *result, const char *url, uint32_t contentType, bool post, const char *postData)
{
    if (!gOnline)
        goOnline(gConnPrefs);
    Log_str("Cache: Requesting the loader to retrieve content!\n");
    if (!gConnPrefs) {
        setResult(result, CRES_NO_SESSION);
        return;
    }
    int32_t tid = sendRequest(url, post, postData);
    if (tid < 0) {
        Log_str("Cache: uh-oh, the request could not be sent\n");
        setResult(result, SESSION_NO_SOCKET);
        return;
    }
    if (gSendingAborted) {
        // Nothing is outstanding: the answer is the abort itself.
        Log_printf("Cache: request aborted at once (reason %d)\n", gSendingReason);
        int32_t code = abortResult(gSendingReason);
        setResult(result, code, code == CRES_ABORTED ? gSendingReason : 0);
        return;
    }
    gPending++;
    std::string key = C_makeCacheKey(url) + REQUESTING_MARKER;
    CacheEntry entry{};
    entry.url = key.data();
    entry.contentType = contentType;
    entry.session = gCacheSettings.currentSession;
    entry.entryFlag = ENTRY_REQUESTING;
    entry.entryType = ENTRY_TYPE_NETWORK;
    entry.requestTime = Clock_nowSeconds();
    entry.tid = static_cast<uint32_t>(tid);
    // Answers to form data are never served again for the bare URL.
    entry.freshness = post || (postData && *postData) ? FRESH_NEVER : FRESH_ALWAYS;
    switch (putEntry(&entry)) {
    case PUTENTRY_STORED:
        Log_str("Cache: added requesting entry to cache!\n");
        Log_printf("Cache: TID %d\n", tid);
        setResult(result, CRES_PENDING);
        break;
    case PUTENTRY_FULL:
        Log_str("Cache: full - requesting entry!\n");
        setResult(result, CRES_FULL);
        break;
    default:
        Log_str("Cache: something went wrong!\n");
        setResult(result, CRES_WRITE_FAILED);
        break;
    }
}

}  // namespace

std::string resolveAgainstCurrent(const char *url)
{
    const char *base = getURL(0);
    std::string resolved;
    if (base && *base) {
        std::vector<char> out(std::strlen(base) + std::strlen(url) + 5 + 1);
        if (!resolveUrl(base, url, out.data(), out.size()))
            return {};
        resolved = out.data();
    } else {
        resolved = url;
    }
    ParsedUrl parsed{};
    bool valid = parseUrl(resolved.c_str(), &parsed);
    Url_clearParsedUrl(&parsed);
    return valid ? resolved : std::string();
}

void C_getEx(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, int forceRefresh, int method,
             const char *postData, CacheResult *result)
{
    Log_printf("Cache: get [%s]\n", url ? url : "");
    if (!result)
        return;
    setResult(result, 0);
    if (gOnline && !canRequest()) {
        setResult(result, CRES_NO_SESSION);
        return;
    }
    bool retrieve = content && length;
    if (retrieve) {
        *content = nullptr;
        *length = 0;
        Log_str("Cache: getEntryFlag = CGETENTRY_RETRIEVE\n");
    } else {
        Log_str("Cache: getEntryFlag = CGETENTRY_CHECK\n");
    }
    std::string resolved = resolveAgainstCurrent(url ? url : "");
    if (resolved.empty()) {
        Log_printf("Cache: uh-oh.. bad URL: %s\n", url ? url : "");
        setResult(result, CRES_BAD_URL);
        return;
    }
    uint32_t type = contentType ? *contentType : CT_ANY;
    // Method 0 is a GET whose form fields go out as the query; a plain GET
    // carries its own query already (its post data is only that, kept for
    // reloading).
    const char *fields = method == METHOD_GET_WITH_DATA ? postData : nullptr;
    if (method & METHOD_POST) {
        requestContent(result, resolved.c_str(), type, true, postData);
        return;
    }
    if (forceRefresh) {
        Log_str("Cache: miss! (force refresh)\n");
        requestContent(result, resolved.c_str(), type, false, fields);
        return;
    }
    std::string key = C_makeCacheKey(resolved.c_str());
    CacheEntry entry{};
    int found = getEntry(key.c_str(), type, &entry, !retrieve);
    if (found == GETENTRY_FOUND) {
        if (entry.entryType != ENTRY_TYPE_PUSH && !isFresh(&entry)) {
            freeEntryBuffers(&entry);
            Log_str("Cache: hit, but it's not fresh, so consider as miss!\n");
            requestContent(result, resolved.c_str(), type, false, fields);
            return;
        }
        Log_str("Cache: hit! (and it's fresh)\n");
        if (contentType)
            *contentType = entry.contentType;
        if (retrieve) {
            *content = entry.body;
            *length = entry.bodyLength;
            entry.body = nullptr;
        }
        freeEntryBuffers(&entry);
        setResult(result, CRES_HIT);
        return;
    }
    if (found == GETENTRY_REQUESTED) {
        Log_str("Cache: miss! (but we have already requested for it)\n");
        setResult(result, CRES_PENDING);
        return;
    }
    Log_str("Cache: miss!\n");
    requestContent(result, resolved.c_str(), type, false, fields);
}

void C_get(const char *url, uint32_t *contentType, uint8_t **content, uint32_t *length, int forceRefresh,
           CacheResult *result)
{
    C_getEx(url, contentType, content, length, forceRefresh, METHOD_GET, nullptr, result);
}

// WSP status codes of the success class (200 to 206).
constexpr int32_t WSP_STATUS_SUCCESS_FIRST = 0x20;
constexpr int32_t WSP_STATUS_SUCCESS_LAST = 0x2F;

// The gateway passes a deck its compiler refused (a byte-order mark, bad
// XML) through as text/vnd.wap.wml; that deserves its own message.
constexpr uint32_t CT_WML_TEXT = 0x08;

static int32_t wrongTypeResult(uint32_t asked, uint32_t received)
{
    if (asked == CT_WBMP)
        return CRES_NOT_AN_IMAGE;
    return asked == CT_WMLC && received == CT_WML_TEXT ? CRES_UNCOMPILED_DECK : CRES_WRONG_TYPE;
}

void handleGetCompleted(CacheResult *result, const SessionEvent &event)
{
    Log_str("Cache: in handleGetCompleted\n");
    CacheEntry entry{};
    if (!getEntryByTid(&entry, static_cast<uint32_t>(event.requestId))) {
        Log_printf("Cache: uh-oh got some data with unknown TID %d \n", event.requestId);
        setResult(result, CRES_UNKNOWN_TID);
        pendingDone();
        return;
    }
    Log_printf("Cache: TID %u\n", entry.tid);
    removeEntry(entry.url, entry.contentType);
    std::string key = entry.url;
    if (key.size() >= kMarkerLength && key.compare(key.size() - kMarkerLength, kMarkerLength, REQUESTING_MARKER) == 0)
        key.resize(key.size() - kMarkerLength);
    uint32_t received = headerContentType(event.headers, event.headersLength);
    if (received != entry.contentType) {
        Log_printf("Cache: got unexpexted contentType (%u,%u)\n", received, entry.contentType);
        setResult(result, wrongTypeResult(entry.contentType, received),
                  static_cast<int32_t>(received | static_cast<uint32_t>(event.status) << 8));
        freeEntryBuffers(&entry);
        pendingDone();
        return;
    }
    // An error answer of the expected type (the gateway's 502 for a body
    // over the data unit size comes as the type asked for, with no body) is
    // not the content: storing it would serve an empty deck from now on.
    if (event.status < WSP_STATUS_SUCCESS_FIRST || event.status > WSP_STATUS_SUCCESS_LAST) {
        Log_printf("Cache: got error status 0x%02x, nothing stored\n", static_cast<unsigned>(event.status));
        setResult(result, CRES_GATEWAY_ERROR, static_cast<int32_t>(event.status));
        freeEntryBuffers(&entry);
        pendingDone();
        return;
    }
    CacheEntry stored{};
    stored.url = key.data();
    stored.contentType = entry.contentType;
    stored.headers = const_cast<uint8_t *>(event.headers);
    stored.headersLength = event.headers ? event.headersLength : 0;
    stored.body = const_cast<uint8_t *>(event.body);
    stored.bodyLength = event.body ? event.bodyLength : 0;
    stored.entryFlag = ENTRY_COMPLETE;
    stored.entryType = ENTRY_TYPE_NETWORK;
    stored.session = entry.session;
    stored.tid = entry.tid;
    stored.requestTime = entry.requestTime;
    stored.freshness = entry.freshness;
    freeEntryBuffers(&entry);
    switch (putEntry(&stored)) {
    case PUTENTRY_STORED:
        Log_str("Cache: added to cache!\n");
        setResult(result, CRES_STORED, static_cast<int32_t>(stored.tid));
        break;
    case PUTENTRY_FULL:
        Log_str("Cache: full!\n");
        setResult(result, CRES_FULL);
        break;
    default:
        Log_str("Cache: something went wrong!\n");
        setResult(result, CRES_WRITE_FAILED);
        break;
    }
    pendingDone();
}

void handleMethodAbort(CacheResult *result, const SessionEvent &event)
{
    Log_str("Cache: in handleMethodAbort\n");
    CacheEntry entry{};
    if (getEntryByTid(&entry, static_cast<uint32_t>(event.requestId))) {
        Log_printf("Cache: TID %u\n", entry.tid);
        removeEntry(entry.url, entry.contentType);
        freeEntryBuffers(&entry);
        if (event.status == WSP_REASON_USERREQ) {
            Log_str("Cache: User abort\n");
            setResult(result, CRES_USER_ABORT);
        } else {
            Log_str("Cache: Non-user abort\n");
            setResult(result, CRES_ABORTED, event.status);
        }
    } else {
        Log_printf("Cache: uh-oh got some data with unknown TID %d \n", event.requestId);
        setResult(result, CRES_UNKNOWN_TID);
    }
    pendingDone();
}

// A push is kept only when the push list can open it, and the list stays
// bounded: the oldest goes when a new one is stored. Failures are told on the
// status line and answered CRES_PUSH_DROPPED, never as a cache error that
// would end the Browser's navigation in progress.
void handlePushCompleted(CacheResult *result, const SessionEvent &event)
{
    Log_str("Cache: in handlePushCompleted\n");
    uint32_t headersLength = event.headers ? event.headersLength : 0;
    uint32_t bodyLength = event.body ? event.bodyLength : 0;
    uint32_t type = headerContentType(event.headers, headersLength);
    std::string href;
    if (pushKind(type, event.body, bodyLength, &href) == PUSH_KIND_NONE) {
        Log_printf("Cache: push of content type %u names no page, not kept\n", type);
        showStatus(kStatusPushIgnored);
        setResult(result, CRES_PUSH_DROPPED);
        return;
    }
    // Stored first, then the list trimmed: a push the cache refuses costs
    // no older one.
    int code = putPush(event.headers, headersLength, event.body, bodyLength);
    if (code == PUTENTRY_STORED) {
        if (dropOldestPushes(PUSH_KEEP_MAX) > 0)
            showStatus(kStatusPushOldestDropped);
        showStatus(kStatusPushReceived);
        setResult(result, CRES_PUSH_STORED);
        return;
    }
    showStatus(code == PUTENTRY_FULL ? kStatusPushCacheFull : kStatusPushNotWritten);
    setResult(result, CRES_PUSH_DROPPED);
}

bool takeAbortOfRequestInFlight(const SessionEvent &event)
{
    if (!gSending)
        return false;
    gSendingAborted = true;
    gSendingReason = event.status;
    return true;
}
