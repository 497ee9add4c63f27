#pragma once
// URL splitting, resolution and escaping. The splitter is purely textual:
// it looks for "://", ":", "/", ";", "?" and "#" and copies what lies
// between them; it knows no scheme, adds no default port and normalises
// nothing.
//
// Text results go to a buffer the caller provides together with its size.
// A result never overruns that size: one that does not fit leaves empty
// text (never a cut-off URL) and the operation reports false.
#include <cstddef>

struct ParsedUrl {
    char *scheme;       // before "://"
    char *host;         // after "://" and any "user:pw@" up to the port colon, path or separator
    char *port;         // between the port colon and the path; may be ""
    char *path;         // from the first "/" (or the start) to ";", "?", "#"
    char *params;       // after ";"
    char *query;        // after "?"
    char *fragment;     // after "#"
    char *resourceUrl;  // scheme://[user:pw@]host[:port]path, only with a host
    char *resolved;     // scratch for resolveUrl
};

// The one process-wide record behind every accessor (null until
// initUrlParser).
extern ParsedUrl *gParsedUrl;

// Escaping masks: class bits (see charClass) plus 128 for "space as plus".
constexpr int URL_ESCAPE_ALL_BUT_ALNUM = 105;  // blank becomes "%20"
constexpr int URL_ESCAPE_FORM = 233;           // blank becomes "+"
constexpr int URL_ESCAPE_BLANKS = 8;           // only blanks, as "%20"

// Character classes, one bit each; bytes of 128 and above are "other".
constexpr int URL_CLASS_OTHER = 1;
constexpr int URL_CLASS_LOWER = 2;
constexpr int URL_CLASS_UPPER = 4;
constexpr int URL_CLASS_SPACE = 8;
constexpr int URL_CLASS_DIGIT = 16;
constexpr int URL_CLASS_MARK = 32;
constexpr int URL_CLASS_RESERVED = 64;
constexpr int URL_SPACE_AS_PLUS = 128;

// Frees every present field and sets all nine to absent.
void Url_clearParsedUrl(ParsedUrl *url);

// Splits text into url (cleared first). False when the text is rejected;
// the record is then to be treated as empty.
bool parseUrl(const char *text, ParsedUrl *url);

void initUrlParser();
void freeUrlParser();

// parseUrl into gParsedUrl; whether the text was split.
bool checkUrl(const char *text);

// Parse text into gParsedUrl and copy one component; empty text when the
// component is absent or the text is rejected.
bool getUrlScheme(const char *text, char *out, size_t outSize);
bool getUrlHost(const char *text, char *out, size_t outSize);
bool getUrlPort(const char *text, char *out, size_t outSize);
bool getUrlPath(const char *text, char *out, size_t outSize);
bool getUrlParams(const char *text, char *out, size_t outSize);
bool getUrlQuery(const char *text, char *out, size_t outSize);
bool getUrlFragment(const char *text, char *out, size_t outSize);
bool getUrlBase(const char *text, char *out, size_t outSize);

// In place: drop the query (fragment) when the URL parses and has one.
void stripUrlQuery(char *url);
void stripUrlFragment(char *url);

// Form fields added to the query (GET with post fields).
bool appendUrlQuery(const char *url, const char *fields, char *out, size_t outSize);
// The URL with text (which carries its own "#") in place of its fragment.
bool setUrlFragment(const char *url, const char *fragment, char *out, size_t outSize);
// The URL with the blanks of its query escaped.
bool escapeUrlQuery(const char *url, char *out, size_t outSize);
// The absolute URL reference denotes relative to base; empty text (and
// false) when none can be formed.
bool resolveUrl(const char *base, const char *reference, char *out, size_t outSize);

// Percent-escaping with a mask; destination needs 3 * length + 1 bytes.
bool escapeUrl(const char *source, char *destination, size_t destinationSize, int mask);
// "+" to blank, "%XY" to one byte.
bool unescapeUrl(const char *source, char *destination, size_t destinationSize);
int charClass(int character);
int hexValue(int character);
