#include "shell/check/words.h"

#include <cstdio>

namespace {

struct Reason {
    int code;
    const char *text;
};

// clang-format off
constexpr Reason kReasons[] = {
    {300, "Multiple Choices"}, {301, "Moved Permanently"}, {302, "Found"}, {303, "See Other"},
    {304, "Not Modified"}, {307, "Temporary Redirect"}, {400, "Bad Request"}, {401, "Unauthorized"},
    {402, "Payment Required"}, {403, "Forbidden"}, {404, "Not Found"}, {405, "Method Not Allowed"},
    {406, "Not Acceptable"}, {407, "Proxy Authentication Required"}, {408, "Request Timeout"},
    {409, "Conflict"}, {410, "Gone"}, {411, "Length Required"}, {412, "Precondition Failed"},
    {413, "Request Entity Too Large"}, {414, "Request-URI Too Large"}, {415, "Unsupported Media Type"},
    {500, "Internal Server Error"}, {501, "Not Implemented"}, {502, "Bad Gateway"},
    {503, "Service Unavailable"}, {504, "Gateway Timeout"}, {505, "HTTP Version Not Supported"},
};
// clang-format on

// What a 502 or 504 from the gateway usually means.
constexpr const char *kOriginHint = ": the origin is down or slow, or the answer too large for the gateway";

struct TypeName {
    uint32_t type;
    const char *text;
};

// clang-format off
constexpr TypeName kTypes[] = {
    {0x03, "text/plain"}, {0x02, "text/html"}, {0x08, "text/vnd.wap.wml"}, {0x09, "text/vnd.wap.wmlscript"},
    {0x14, "application/vnd.wap.wmlc"}, {0x15, "application/vnd.wap.wmlscriptc"}, {0x1C, "image/gif"},
    {0x1D, "image/jpeg"}, {0x20, "image/png"}, {0x21, "image/vnd.wap.wbmp"},
};
// clang-format on

// WSP packs HTTP codes by class: 0x10 + n is 100 + n, ..., 0x40 to 0x51
// are 400 to 417, 0x60 + n is 500 + n.
int httpCode(int32_t wsp)
{
    if (wsp >= 0x10 && wsp < 0x40)
        return (wsp >> 4) * 100 + (wsp & 0x0F);
    if (wsp >= 0x40 && wsp <= 0x51)
        return 400 + (wsp - 0x40);
    if (wsp >= 0x60 && wsp <= 0x6F)
        return 500 + (wsp - 0x60);
    return 0;
}

}  // namespace

std::string hexByte(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x", value & 0xFF);
    return text;
}

std::string statusWords(int32_t wspStatus)
{
    int code = httpCode(wspStatus);
    if (!code)
        return "status 0x" + hexByte(wspStatus);
    for (const Reason &r : kReasons)
        if (r.code == code)
            return std::to_string(code) + " " + r.text + (code == 502 || code == 504 ? kOriginHint : "");
    return std::to_string(code);
}

std::string contentTypeWords(uint32_t type)
{
    for (const TypeName &t : kTypes)
        if (t.type == type)
            return t.text;
    return "type 0x" + hexByte(static_cast<int>(type));
}

std::string resultWords(const CacheResult &r, uint32_t asked, std::string *contentType)
{
    *contentType = "";
    switch (r.code) {
    case CRES_STORED:
    case CRES_HIT: *contentType = contentTypeWords(asked); return "ok";
    case CRES_GATEWAY_ERROR: {
        std::string words = statusWords(r.arg);
        if (r.arg >= 0x30 && r.arg < 0x40)
            return "redirect (" + words + ") not followed by the gateway";
        return "gateway error " + words;
    }
    case CRES_WRONG_TYPE:
    case CRES_UNCOMPILED_DECK:
    case CRES_NOT_AN_IMAGE: {
        *contentType = contentTypeWords(static_cast<uint32_t>(r.arg) & 0xFF);
        int32_t status = (r.arg >> 8) & 0xFF;
        bool error = status && (status < 0x20 || status > 0x2F);
        // The gateway refuses a picture of a type the handset did not ask for.
        if (r.code == CRES_NOT_AN_IMAGE && error && status == 0x46)
            return "not a WBMP image: " + *contentType + " (" + statusWords(status) + ")";
        if (status >= 0x30 && status < 0x40)
            return "redirect (" + statusWords(status) + ", " + *contentType + ") not followed";
        // An error page comes in whatever type the origin chose.
        if (error)
            return "gateway error " + statusWords(status) + " (" + *contentType + ")";
        if (r.code == CRES_UNCOMPILED_DECK)
            return "the gateway could not compile the deck (" + *contentType + ")";
        return (r.code == CRES_NOT_AN_IMAGE ? "not a WBMP image: " : "wrong content type: ") + *contentType +
               " instead of " + contentTypeWords(asked);
    }
    case CRES_ABORTED: return "aborted by the gateway (reason 0x" + hexByte(r.arg) + ")";
    case CRES_CONNECT_FAILED: return "the gateway did not take the session";
    case CRES_DISCONNECTED:
    case CRES_RECONNECTING: return "the session with the gateway was lost";
    case CRES_FULL:
    case CRES_WRITE_FAILED: return "the cache could not keep it";
    case CRES_BAD_URL: return "malformed URL";
    default: return "failed (cache result " + std::to_string(r.code) + ")";
    }
}
