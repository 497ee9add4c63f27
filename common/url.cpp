// URL splitting, rewriting and resolution. Everything is done on
// std::string / std::string_view copies; only the ParsedUrl fields are
// heap texts, as the record's users expect.
#include "common/url.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

ParsedUrl *gParsedUrl = nullptr;  // the last parse made by the accessors

namespace {

constexpr size_t NONE = std::string_view::npos;

// Every owned field of the record, for clearing.
constexpr char *ParsedUrl::*FIELDS[] = {
    &ParsedUrl::scheme, &ParsedUrl::host,     &ParsedUrl::port,        &ParsedUrl::path,     &ParsedUrl::params,
    &ParsedUrl::query,  &ParsedUrl::fragment, &ParsedUrl::resourceUrl, &ParsedUrl::resolved,
};

// Owned zero-terminated copy of text; null when out of memory.
char *copyText(std::string_view text)
{
    char *copy = static_cast<char *>(std::malloc(text.size() + 1));
    if (copy) {
        std::memcpy(copy, text.data(), text.size());
        copy[text.size()] = 0;
    }
    return copy;
}

// Sets *field to text[begin, end); an empty range leaves it absent unless
// keepEmpty. False only when out of memory.
bool setField(char **field, std::string_view text, size_t begin, size_t end, bool keepEmpty)
{
    if (begin >= end && !keepEmpty) {
        return true;
    }
    *field = copyText(text.substr(begin, end > begin ? end - begin : 0));
    return *field != nullptr;
}

// End of the component whose separator is at `at`: the nearest of the
// other two separators that lies after it, or the end of the text.
size_t componentEnd(size_t at, size_t s, size_t q, size_t h, size_t length)
{
    size_t end = length;
    for (size_t other : {s, q, h}) {
        if (other != NONE && other > at) {
            end = std::min(end, other);
        }
    }
    return end;
}

void appendPart(std::string &out, char separator, const char *part)
{
    if (part) {
        out += separator;
        out += part;
    }
}

// Where the separators of one URL text lie; NONE for those it lacks.
struct UrlLayout {
    size_t s, q, h;    // first ";", "?" and "#"
    size_t e;          // end of host and path: the first of s, q, h
    size_t sep;        // "://"
    size_t hostStart;  // the authority: user-info, host and port
    size_t host;       // the host, after any user-info
    size_t k;          // port colon
    size_t p;          // path start; a URL without "://" is all path
};

// False when the text is rejected.
bool findLayout(std::string_view t, UrlLayout &at)
{
    at.s = t.find(';');
    at.q = t.find('?');
    at.h = t.find('#');
    at.e = std::min({at.s, at.q, at.h});
    at.sep = t.find("://");
    at.hostStart = NONE;
    at.host = NONE;
    at.k = NONE;
    at.p = 0;
    if (at.sep != NONE) {
        // "://" with nothing after it has no host; with nothing before it
        // the text is neither a relative reference nor a usable absolute
        // URL.
        if (at.sep == 0 || at.sep + 3 == t.size()) {
            return false;
        }
        at.hostStart = at.sep + 3;
        at.p = t.find('/', at.hostStart);
        // Up to the last "@" of the authority is user-info ("user:pw@"),
        // whose colon is no port colon; an "@" of the path or query is not.
        size_t authorityEnd = std::min({at.p, at.e, t.size()});
        size_t userEnd = t.substr(0, authorityEnd).rfind('@');
        at.host = userEnd != NONE && userEnd >= at.hostStart ? userEnd + 1 : at.hostStart;
        at.k = t.find(':', at.host);
        // A colon inside the path or after a separator is no port colon.
        if (at.k != NONE && ((at.p != NONE && at.k > at.p) || at.k > at.e)) {
            at.k = NONE;
        }
    }
    // A separator ahead of the scheme, host or path: the text is a bare
    // query/fragment, or its "://" or "/" belongs to a query.
    return at.e == NONE || ((at.hostStart == NONE || at.hostStart < at.e) && (at.p == NONE || at.p < at.e));
}

// Copies the components of t into the cleared url; false when out of
// memory.
bool copyComponents(std::string_view t, const UrlLayout &at, ParsedUrl *url)
{
    size_t length = t.size();
    size_t pathEnd = std::min(at.e, length);
    bool ok = true;
    if (at.sep != NONE) {
        size_t afterHost = at.p != NONE ? at.p : pathEnd;
        ok = ok && setField(&url->scheme, t, 0, at.sep, false);
        ok = ok && setField(&url->host, t, at.host, at.k != NONE ? at.k : afterHost, false);
        if (at.k != NONE) {
            ok = ok && setField(&url->port, t, at.k + 1, afterHost, true);
        }
        if (at.p == NONE) {
            ok = ok && (url->path = copyText("/")) != nullptr;
        } else {
            ok = ok && setField(&url->path, t, at.p, pathEnd, true);
        }
    } else {
        ok = ok && setField(&url->path, t, 0, pathEnd, true);
    }
    if (at.s != NONE) {
        ok = ok && setField(&url->params, t, at.s + 1, componentEnd(at.s, at.s, at.q, at.h, length), false);
    }
    if (at.q != NONE) {
        ok = ok && setField(&url->query, t, at.q + 1, componentEnd(at.q, at.s, at.q, at.h, length), false);
    }
    if (at.h != NONE) {
        ok = ok && setField(&url->fragment, t, at.h + 1, componentEnd(at.h, at.s, at.q, at.h, length), false);
    }
    if (ok && url->host) {
        // The user-info stays: the resource, and every URL rebuilt or
        // resolved from it, is still the one the user asked for.
        std::string resource = std::string(t.substr(0, at.host)) + url->host;
        appendPart(resource, ':', url->port);
        resource += url->path;
        ok = (url->resourceUrl = copyText(resource)) != nullptr;
    }
    return ok;
}

// Copies text to out when it fits; otherwise out gets empty text.
bool putText(std::string_view text, char *out, size_t outSize)
{
    if (!out || outSize == 0) {
        return false;
    }
    if (text.size() >= outSize) {
        out[0] = 0;
        return false;
    }
    // memmove: the text may be the caller's own URL in the same buffer.
    std::memmove(out, text.data(), text.size());
    out[text.size()] = 0;
    return true;
}

// The record behind the accessors, created on first use if start-up did
// not; null only when out of memory.
ParsedUrl *parser()
{
    if (!gParsedUrl) {
        initUrlParser();
    }
    return gParsedUrl;
}

// gParsedUrl holding url when it parses and has a host, else null. The
// rewriting operations rebuild from resourceUrl, so a URL without a host
// is left as it stands.
const ParsedUrl *parseWithHost(const char *url)
{
    ParsedUrl *u = parser();
    if (!u || !parseUrl(url, u) || !u->resourceUrl) {
        return nullptr;
    }
    return u;
}

// resourceUrl + (";" params) + ("?" query) + ("#" fragment), query and
// fragment only when asked for.
std::string rebuild(const ParsedUrl *u, bool withQuery, bool withFragment)
{
    std::string out = u->resourceUrl;
    appendPart(out, ';', u->params);
    if (withQuery) {
        appendPart(out, '?', u->query);
    }
    if (withFragment) {
        appendPart(out, '#', u->fragment);
    }
    return out;
}

// Writes text over url; the rebuilt text is never longer, but a longer
// one is dropped rather than written past the caller's buffer.
void replaceInPlace(char *url, const std::string &text)
{
    if (text.size() <= std::strlen(url)) {
        std::memcpy(url, text.c_str(), text.size() + 1);
    }
}

bool copyComponent(const char *text, char *ParsedUrl::*field, char *out, size_t outSize)
{
    ParsedUrl *u = parser();
    const char *value = (u && parseUrl(text, u)) ? u->*field : nullptr;
    return putText(value ? value : "", out, outSize);
}

// Characters that one leading ".." level takes from ref: 3 for "../", 2
// for a ".." that ends the text or its path (so "../.." climbs two levels
// and nothing is read past the end); 0 when ref starts with no level, as
// in "..x", which is an ordinary name.
size_t parentStep(std::string_view ref)
{
    if (ref.size() < 2 || ref[0] != '.' || ref[1] != '.') {
        return 0;
    }
    if (ref.size() == 2) {
        return 2;
    }
    switch (ref[2]) {
    case '/': return 3;
    case ';':
    case '?':
    case '#': return 2;
    default: return 0;
    }
}

// The last "/" of path at or before pos; the start of the path when none.
size_t slashAtOrBefore(std::string_view path, size_t pos)
{
    size_t at = path.rfind('/', pos);
    return at == NONE ? 0 : at;
}

// Appends to origin (scheme://host[:port]) the directory that the leading
// ".." levels of ref climb to, then the rest of ref. Empty when ref climbs
// above the root.
std::string climb(std::string origin, std::string_view path, std::string_view ref)
{
    if (path.empty()) {
        return {};
    }
    // d: the "/" before the last segment, which already is one level up
    // from the base's directory when the path ends with "/"; so is the
    // first "../" paid for. The path, not the base text, decides: a base
    // like "http://h/a/b/?x=1" is a directory too.
    size_t d = path.size() > 1 ? slashAtOrBefore(path, path.size() - 2) : 0;
    if (path.back() == '/') {
        ref.remove_prefix(parentStep(ref));
    }
    for (size_t step = parentStep(ref); step && d > 0; step = parentStep(ref)) {
        d = slashAtOrBefore(path, d - 1);
        ref.remove_prefix(step);
    }
    if (parentStep(ref)) {
        return {};
    }
    origin.append(path.substr(0, d));
    if (origin.empty() || origin.back() != '/') {
        origin += '/';
    }
    origin.append(ref);
    return origin;
}

std::string resolveText(ParsedUrl *u, const char *base, const char *reference)
{
    if (!u || !base || !reference) {
        return {};
    }
    bool fragmentOnly = reference[0] == '#';
    if (!fragmentOnly) {
        if (!parseUrl(reference, u)) {
            return {};
        }
        // A reference with "://" is absolute; without a host (as in
        // "http:///x") it names nothing and is not made relative.
        if (u->scheme) {
            return u->host ? reference : "";
        }
    }
    if (!parseUrl(base, u) || !u->resourceUrl || !*u->resourceUrl) {
        return {};
    }
    if (fragmentOnly) {
        return rebuild(u, true, false) + reference;
    }
    std::string_view resource(u->resourceUrl);
    std::string_view path(u->path);
    std::string origin(resource.substr(0, resource.size() - path.size()));
    std::string_view ref(reference);
    if (ref[0] == '/') {
        return origin.append(ref);
    }
    if (!parentStep(ref)) {
        return origin.append(path.substr(0, path.rfind('/') + 1)).append(ref);
    }
    return climb(origin, path, ref);
}

}  // namespace

void Url_clearParsedUrl(ParsedUrl *url)
{
    if (!url) {
        return;
    }
    for (char *ParsedUrl::*field : FIELDS) {
        std::free(url->*field);
        url->*field = nullptr;
    }
}

bool parseUrl(const char *text, ParsedUrl *url)
{
    if (!url) {
        return false;
    }
    Url_clearParsedUrl(url);
    UrlLayout at;
    if (!text || !*text || !findLayout(text, at)) {
        return false;
    }
    if (!copyComponents(text, at, url)) {
        Url_clearParsedUrl(url);
        return false;
    }
    return true;
}

void initUrlParser()
{
    if (!gParsedUrl) {
        gParsedUrl = static_cast<ParsedUrl *>(std::calloc(1, sizeof(ParsedUrl)));
    }
}

void freeUrlParser()
{
    Url_clearParsedUrl(gParsedUrl);
    std::free(gParsedUrl);
    gParsedUrl = nullptr;
}

bool checkUrl(const char *text)
{
    ParsedUrl *u = parser();
    return u && parseUrl(text, u);
}

bool getUrlScheme(const char *text, char *out, size_t outSize)
{
    return copyComponent(text, &ParsedUrl::scheme, out, outSize);
}

bool getUrlHost(const char *text, char *out, size_t outSize)
{
    return copyComponent(text, &ParsedUrl::host, out, outSize);
}

bool getUrlPort(const char *text, char *out, size_t outSize)
{
    return copyComponent(text, &ParsedUrl::port, out, outSize);
}

bool getUrlPath(const char *text, char *out, size_t outSize)
{
    return copyComponent(text, &ParsedUrl::path, out, outSize);
}

bool getUrlParams(const char *text, char *out, size_t outSize)
{
    return copyComponent(text, &ParsedUrl::params, out, outSize);
}

bool getUrlQuery(const char *text, char *out, size_t outSize)
{
    return copyComponent(text, &ParsedUrl::query, out, outSize);
}

bool getUrlFragment(const char *text, char *out, size_t outSize)
{
    return copyComponent(text, &ParsedUrl::fragment, out, outSize);
}

bool getUrlBase(const char *text, char *out, size_t outSize)
{
    return copyComponent(text, &ParsedUrl::resourceUrl, out, outSize);
}

void stripUrlQuery(char *url)
{
    const ParsedUrl *u = parseWithHost(url);
    if (u && u->query) {
        replaceInPlace(url, rebuild(u, false, true));
    }
}

void stripUrlFragment(char *url)
{
    const ParsedUrl *u = parseWithHost(url);
    if (u && u->fragment) {
        replaceInPlace(url, rebuild(u, true, false));
    }
}

bool appendUrlQuery(const char *url, const char *fields, char *out, size_t outSize)
{
    const char *text = url ? url : "";
    const ParsedUrl *u = parseWithHost(text);
    if (!u || !fields || !*fields) {
        return putText(text, out, outSize);
    }
    std::string result = u->resourceUrl;
    appendPart(result, ';', u->params);
    result += '?';
    if (u->query) {
        result.append(u->query).append("&");
    }
    result += fields;
    appendPart(result, '#', u->fragment);
    return putText(result, out, outSize);
}

bool setUrlFragment(const char *url, const char *fragment, char *out, size_t outSize)
{
    const char *text = url ? url : "";
    const ParsedUrl *u = parseWithHost(text);
    if (!u || !fragment || !*fragment) {
        return putText(text, out, outSize);
    }
    return putText(rebuild(u, true, false) + fragment, out, outSize);
}

bool escapeUrlQuery(const char *url, char *out, size_t outSize)
{
    const char *text = url ? url : "";
    const ParsedUrl *u = parseWithHost(text);
    if (!u || !u->query) {
        return putText(text, out, outSize);
    }
    std::string escaped(std::strlen(u->query) * 3 + 1, '\0');
    escapeUrl(u->query, escaped.data(), escaped.size(), URL_ESCAPE_BLANKS);
    escaped.resize(std::strlen(escaped.c_str()));
    std::string result = u->resourceUrl;
    appendPart(result, ';', u->params);
    appendPart(result, '?', escaped.c_str());
    appendPart(result, '#', u->fragment);
    return putText(result, out, outSize);
}

bool resolveUrl(const char *base, const char *reference, char *out, size_t outSize)
{
    ParsedUrl *u = parser();
    std::string result = resolveText(u, base, reference);
    if (u) {
        // Kept for inspection only; out of memory just leaves it absent.
        std::free(u->resolved);
        u->resolved = copyText(result);
    }
    return putText(result, out, outSize) && !result.empty();
}
