// URL: components through the common URL splitter, resolution, escaping,
// the referer, and loading text content, which this engine can only take
// from the cache: a script runs to completion and never waits for the
// network.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "browser/context.h"
#include "cache/cache.h"
#include "common/url.h"
#include "script/library.h"
#include "script/unit.h"

namespace {

using UrlAccessor = bool (*)(const char *text, char *out, size_t outSize);

// Escaped by escapeString: controls, blank, reserved characters, and the
// unwise and delimiter characters (which charClass counts as "other").
constexpr int ESCAPE_STRING_MASK = URL_CLASS_OTHER | URL_CLASS_SPACE | URL_CLASS_RESERVED;
constexpr const char *HEX_DIGITS = "0123456789abcdef";

// loadString's text types and their content type codes.
struct TextType {
    const char *name;
    uint32_t code;
};
// clang-format off
constexpr TextType TEXT_TYPES[] = {
    {"text/html", 0x02},       {"text/plain", 0x03},      {"text/x-hdml", 0x04},
    {"text/x-ttml", 0x05},     {"text/x-vCalendar", 0x06}, {"text/x-vCard", 0x07},
    {"text/vnd.wap.wml", 0x08}, {"text/vnd.wap.wmlscript", 0x09}, {"text/vnd.wap.wta-event", 0x0A},
};
// clang-format on
constexpr uint32_t CT_TEXT_ANY = 0x01;  // text/*
constexpr uint32_t CT_TEXT_LAST = 0x0A;

// loadString's failures, as the HTTP status a fetch would have given.
constexpr int32_t LOAD_BAD_URL = 400;
constexpr int32_t LOAD_NOT_FOUND = 404;
constexpr int32_t LOAD_WRONG_TYPE = 415;

bool isAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 128) {
            return false;
        }
    }
    return true;
}

// A string argument as zero-terminated text (a stored zero byte ends it,
// as it would for any URL operation).
bool urlArgument(const ScriptValue *value, std::string *text)
{
    if (!isString(value)) {
        return false;
    }
    std::string_view bytes = libBytes(value);
    *text = bytes.substr(0, bytes.find('\0'));
    return true;
}

// One component of a string argument; a component is never longer than
// the URL it comes from ("/" for a URL with a host but no path).
int32_t urlComponent(const ScriptValue *value, ScriptValue *result, UrlAccessor accessor)
{
    std::string url;
    if (!urlArgument(value, &url)) {
        return SE_OK;
    }
    std::vector<char> out(url.size() + 2);
    accessor(url.c_str(), out.data(), out.size());
    WS_setText(result, out.data());
    return SE_OK;
}

const char *currentUnitUrl() { return gScriptUnit.url && *gScriptUnit.url ? gScriptUnit.url : nullptr; }

// Resolved against base; reference itself when it cannot be resolved.
std::string resolveText(const char *base, const std::string &reference)
{
    std::vector<char> out(std::char_traits<char>::length(base) + reference.size() + 4);
    if (resolveUrl(base, reference.c_str(), out.data(), out.size()) && out[0]) {
        return out.data();
    }
    return reference;
}

// The shortest reference to deck from a unit at unitUrl: the deck's name
// when both sit in one directory, its absolute path on the same host, and
// the whole URL otherwise. The fragment is not part of it.
std::string shortestReference(const char *deck, const char *unitUrl)
{
    ParsedUrl d{}, u{};
    std::string out;
    if (!parseUrl(deck, &d)) {
        Url_clearParsedUrl(&d);
        return out;
    }
    std::string_view text(deck);
    out = text.substr(0, text.find('#'));
    if (unitUrl && parseUrl(unitUrl, &u) && d.resourceUrl && u.resourceUrl) {
        std::string_view deckResource(d.resourceUrl), unitResource(u.resourceUrl);
        std::string_view deckPath(d.path), unitPath(u.path);
        std::string_view deckOrigin = deckResource.substr(0, deckResource.size() - deckPath.size());
        std::string_view unitOrigin = unitResource.substr(0, unitResource.size() - unitPath.size());
        if (deckOrigin == unitOrigin) {
            // A deck URL without a path ("http://h") still names "/".
            std::string restText(std::string_view(out).substr(deckOrigin.size()));
            if (restText.empty() || restText[0] != '/') {
                restText.insert(0, "/");
            }
            std::string_view rest(restText);
            std::string_view directory = unitPath.substr(0, unitPath.rfind('/') + 1);
            if (!directory.empty() && rest.substr(0, directory.size()) == directory) {
                rest.remove_prefix(directory.size());
                out = (rest.empty() || rest[0] == ';' || rest[0] == '?') ? "./" + std::string(rest) : std::string(rest);
            } else {
                out = std::string(rest);
            }
        }
    }
    Url_clearParsedUrl(&d);
    Url_clearParsedUrl(&u);
    return out;
}

// The content type code loadString asks the cache for; CT_ANY for a text
// type without a code of its own, which any text entry then answers.
uint32_t textTypeCode(std::string_view type)
{
    for (const TextType &t : TEXT_TYPES) {
        if (type == t.name) {
            return t.code;
        }
    }
    return CT_ANY;
}

}  // namespace

int32_t urlIsValid(const ScriptValue *args, ScriptValue *result)
{
    std::string url;
    if (urlArgument(&args[0], &url)) {
        makeInteger(result, checkUrl(url.c_str()));
    }
    return SE_OK;
}

int32_t urlGetScheme(const ScriptValue *args, ScriptValue *result)
{
    return urlComponent(&args[0], result, getUrlScheme);
}

int32_t urlGetHost(const ScriptValue *args, ScriptValue *result) { return urlComponent(&args[0], result, getUrlHost); }

int32_t urlGetPort(const ScriptValue *args, ScriptValue *result) { return urlComponent(&args[0], result, getUrlPort); }

int32_t urlGetPath(const ScriptValue *args, ScriptValue *result) { return urlComponent(&args[0], result, getUrlPath); }

int32_t urlGetParameters(const ScriptValue *args, ScriptValue *result)
{
    return urlComponent(&args[0], result, getUrlParams);
}

int32_t urlGetQuery(const ScriptValue *args, ScriptValue *result)
{
    return urlComponent(&args[0], result, getUrlQuery);
}

int32_t urlGetFragment(const ScriptValue *args, ScriptValue *result)
{
    return urlComponent(&args[0], result, getUrlFragment);
}

int32_t urlGetBase(const ScriptValue *, ScriptValue *result)
{
    const char *deck = getURL(0);
    ScriptValue url;
    makeStringZ(&url, deck ? deck : "");
    urlComponent(&url, result, getUrlBase);
    releaseValue(&url);
    return SE_OK;
}

// The resource that called this unit is the deck whose task started the
// script (a script call pushes no context), given relative to the unit.
int32_t urlGetReferer(const ScriptValue *, ScriptValue *result)
{
    const char *deck = getURL(0);
    WS_setText(result, deck && *deck ? shortestReference(deck, currentUnitUrl()) : std::string());
    return SE_OK;
}

int32_t urlResolve(const ScriptValue *args, ScriptValue *result)
{
    std::string base, embedded;
    if (!urlArgument(&args[0], &base) || !urlArgument(&args[1], &embedded)) {
        return SE_OK;
    }
    std::vector<char> out(base.size() + embedded.size() + 4);
    resolveUrl(base.c_str(), embedded.c_str(), out.data(), out.size());
    WS_setText(result, out.data());
    return SE_OK;
}

// Text outside US-ASCII cannot be escaped and gives invalid.
int32_t urlEscapeString(const ScriptValue *args, ScriptValue *result)
{
    std::string_view text = libBytes(&args[0]);
    if (!isString(&args[0]) || !isAscii(text)) {
        return SE_OK;
    }
    std::string out;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (charClass(byte) & ESCAPE_STRING_MASK) {
            out += '%';
            out += HEX_DIGITS[byte >> 4];
            out += HEX_DIGITS[byte & 15];
        } else {
            out += c;
        }
    }
    WS_setText(result, out);
    return SE_OK;
}

// Every "%" with two hex digits becomes that byte; anything else, "+" and
// a "%" without two digits included, stays as it is.
int32_t urlUnescapeString(const ScriptValue *args, ScriptValue *result)
{
    std::string_view text = libBytes(&args[0]);
    if (!isString(&args[0]) || !isAscii(text)) {
        return SE_OK;
    }
    auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    WS_setText(result, out);
    return SE_OK;
}

// Text content from the cache: the content as a string; an integer status
// when it is not there or not text; invalid for a content type that is not
// a "text/" type.
int32_t urlLoadString(const ScriptValue *args, ScriptValue *result)
{
    std::string url, type;
    if (!urlArgument(&args[0], &url) || !urlArgument(&args[1], &type) || type.rfind("text/", 0) != 0) {
        return SE_OK;
    }
    if (const char *unitUrl = currentUnitUrl()) {
        url = resolveText(unitUrl, url);
    }
    uint32_t contentType = textTypeCode(type);
    uint8_t *content = nullptr;
    uint32_t length = 0;
    CacheResult fetched{};
    C_retrieve(url.c_str(), &contentType, &content, &length, &fetched);
    gScriptBytes += length > SCRIPT_FETCH_BYTES ? length : SCRIPT_FETCH_BYTES;
    if (fetched.code != CRES_HIT) {
        makeInteger(result, fetched.code == CRES_BAD_URL ? LOAD_BAD_URL : LOAD_NOT_FOUND);
    } else if (contentType < CT_TEXT_ANY || contentType > CT_TEXT_LAST) {
        makeInteger(result, LOAD_WRONG_TYPE);
    } else {
        WS_setText(result, std::string_view(reinterpret_cast<const char *>(content), content ? length : 0));
    }
    std::free(content);
    return SE_OK;
}
