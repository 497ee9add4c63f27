#include "shell/prefs_form.h"

#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"

const char *const PREFS_BEARER_ENTRIES[2] = {"SMS", "CSD"};
const char *const PREFS_PORT_ENTRIES[2] = {"Connection (9201)", "Connectionless (9200)"};

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at text[i], 0 when none.
size_t sequenceLength(const std::string &text, size_t i)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    size_t n;
    uint32_t lowest;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        lowest = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        lowest = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (i + n > text.size())
        return 0;
    uint32_t cp = c & (0x7F >> n);
    for (size_t k = 1; k < n; k++) {
        if (!isContinuation(byte(i + k)))
            return 0;
        cp = cp << 6 | (byte(i + k) & 0x3F);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

bool isUtf8(const std::string &text)
{
    for (size_t i = 0; i < text.size();) {
        size_t n = sequenceLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

// A stored text as the window shows it.
std::string shownText(const std::string &stored)
{
    if (isUtf8(stored))
        return stored;
    std::string utf8;
    for (unsigned char c : stored) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

// A text field as OK reads it: at most PREFS_FORM_MAX_TEXT bytes, cut
// between characters, and up to an embedded zero (the record's texts are
// zero-terminated when stored).
std::string fieldText(const std::string &text)
{
    std::string value = text.substr(0, text.find('\0'));
    if (value.size() <= PREFS_FORM_MAX_TEXT)
        return value;
    size_t end = PREFS_FORM_MAX_TEXT;
    while (end > 0 && isContinuation(static_cast<unsigned char>(value[end])))
        end--;
    value.resize(end);
    return value;
}

uint32_t cacheLimitBytes(const std::string &kb)
{
    uint32_t n = prefsFormNumber(kb);
    if (n > PREFS_FORM_MAX_CACHE_KB)
        n = PREFS_FORM_MAX_CACHE_KB;
    return n * 1024u;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

uint32_t prefsFormNumber(const std::string &text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        begin++;
    while (end > begin && isBlank(text[end - 1]))
        end--;
    if (begin == end)
        return 0;
    uint64_t value = 0;
    for (size_t i = begin; i < end; i++) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
        if (value > UINT32_MAX)
            return 0;
    }
    return static_cast<uint32_t>(value);
}

void fillPrefsForm(const UserPrefs &prefs, PrefsForm *form)
{
    uint32_t minSize = 0, maxSize = 0;
    C_getCacheSize(&minSize, &maxSize);
    form->homeUrl = shownText(prefs.homeUrl);
    form->loadOnStartup = (prefs.flags & PREF_LOAD_ON_STARTUP) != 0;
    form->cacheMinKb = std::to_string(minSize / 1024);
    form->cacheMaxKb = std::to_string(maxSize / 1024);
    form->bearerIndex = prefs.bearer == BEARER_SMS ? PREFS_BEARER_SMS : PREFS_BEARER_CSD;
    form->gatewayAddress = shownText(prefs.proxy);
    form->portIndex = prefs.proxyPort == PORT_CONNECTIONLESS ? PREFS_PORT_CONNECTIONLESS : PREFS_PORT_CONNECTION;
    form->acceptPush = prefs.pushEnable != 0;
    form->sduSize = std::to_string(prefs.sduSize);
    form->morMethod = std::to_string(prefs.morMethod);
    form->morPush = std::to_string(prefs.morPush);
    form->newContextClearsHistory = (prefs.flags & PREF_NEWCONTEXT_HISTORY) != 0;
    form->sharedVariables = (prefs.flags & PREF_SHARED_VARIABLES) != 0;
}

int applyPrefsForm(const PrefsForm &form, UserPrefs *prefs)
{
    bool gatewayChanged = false;

    uint8_t bearer = form.bearerIndex == PREFS_BEARER_SMS ? BEARER_SMS : BEARER_CSD;
    gatewayChanged |= bearer != prefs->bearer;
    prefs->bearer = bearer;

    std::string address = fieldText(form.gatewayAddress);
    gatewayChanged |= address != prefs->proxy;
    prefs->proxy = address;

    uint32_t port = form.portIndex == PREFS_PORT_CONNECTIONLESS ? PORT_CONNECTIONLESS : PORT_CONNECTION_MODE;
    gatewayChanged |= port != prefs->proxyPort;
    prefs->proxyPort = port;

    prefs->homeUrl = fieldText(form.homeUrl);
    prefs->myNumber.clear();

    uint32_t minSize = cacheLimitBytes(form.cacheMinKb);
    uint32_t maxSize = cacheLimitBytes(form.cacheMaxKb);
    if (minSize > maxSize)
        minSize = maxSize;

    prefs->sduSize = prefsFormNumber(form.sduSize);
    prefs->morMethod = prefsFormNumber(form.morMethod);
    prefs->morPush = prefsFormNumber(form.morPush);

    prefs->flags = 0;
    if (form.loadOnStartup)
        prefs->flags |= PREF_LOAD_ON_STARTUP;
    if (form.newContextClearsHistory)
        prefs->flags |= PREF_NEWCONTEXT_HISTORY;
    if (form.sharedVariables)
        prefs->flags |= PREF_SHARED_VARIABLES;

    int code = savePrefs(prefs);
    C_setCacheSize(minSize, maxSize);
    if (gatewayChanged) {
        Log_printf("Display: gateway settings changed (%s:%u), reconnecting\n", prefs->proxy.c_str(), prefs->proxyPort);
        C_reconnect();
    }
    return code;
}

int restorePrefsForm(UserPrefs *prefs, PrefsForm *form)
{
    std::string bookmarks = prefs->bookmarks;
    setPrefDefaults(prefs);
    C_setCacheSize(PREF_DEFAULT_CACHE_MIN, PREF_DEFAULT_CACHE_MAX);
    if (!bookmarks.empty())  // a list that was never set stays the empty list
        prefs->bookmarks = bookmarks;
    int code = savePrefs(prefs);
    C_reconnect();
    fillPrefsForm(*prefs, form);
    return code;
}

void clearCacheFromPrefs()
{
    C_clearCache();
    clearCanvas();
}
