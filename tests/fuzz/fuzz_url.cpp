// Splits the input at its first newline into a base URL and a reference
// and runs every URL operation on them. Output buffers are heap blocks of
// exactly the size the operation is given, so that a write past it shows
// under AddressSanitizer; broken invariants abort.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/url.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// A heap block of exactly size bytes, left unset (at least one byte, so
// that size 0 can still be passed and must not be written).
struct Buffer {
    std::unique_ptr<char[]> block;
    size_t size;
    explicit Buffer(size_t n)
        : block(std::make_unique_for_overwrite<char[]>(n ? n : 1))
        , size(n)
    { }
    char *data() const { return block.get(); }
};

using Accessor = bool (*)(const char *, char *, size_t);

const Accessor ACCESSORS[] = {
    getUrlScheme, getUrlHost, getUrlPort, getUrlPath, getUrlParams, getUrlQuery, getUrlFragment, getUrlBase,
};

// Every accessor result fits in the text plus the "/" of an empty path.
void runAccessors(const std::string &text, size_t tinySize)
{
    Buffer out(text.size() + 2);
    Buffer tiny(tinySize);
    for (Accessor get : ACCESSORS) {
        check(get(text.c_str(), out.data(), out.size));
        check(std::strlen(out.data()) <= text.size() + 1);
        bool ok = get(text.c_str(), tiny.data(), tiny.size);
        check(!ok || std::strlen(tiny.data()) < tiny.size);
        check(ok || tiny.size == 0 || tiny.data()[0] == 0);
    }
}

void runRewrites(const std::string &base, const std::string &ref, size_t tinySize)
{
    size_t bound = base.size() + ref.size() + 5;
    Buffer out(bound);
    Buffer tiny(tinySize);

    bool ok = resolveUrl(base.c_str(), ref.c_str(), out.data(), out.size);
    check(ok == (out.data()[0] != 0));
    resolveUrl(base.c_str(), ref.c_str(), tiny.data(), tiny.size);
    check(appendUrlQuery(base.c_str(), ref.c_str(), out.data(), out.size));
    appendUrlQuery(base.c_str(), ref.c_str(), tiny.data(), tiny.size);
    check(setUrlFragment(base.c_str(), ref.c_str(), out.data(), out.size));
    setUrlFragment(base.c_str(), ref.c_str(), tiny.data(), tiny.size);

    out = Buffer(base.size() * 3 + 2);
    check(escapeUrlQuery(base.c_str(), out.data(), out.size));
    escapeUrlQuery(base.c_str(), tiny.data(), tiny.size);

    for (void (*strip)(char *) : {stripUrlQuery, stripUrlFragment}) {
        Buffer copy(base.size() + 1);
        std::memcpy(copy.data(), base.c_str(), base.size() + 1);
        strip(copy.data());
        check(std::strlen(copy.data()) <= base.size());
    }
}

void runEscapes(const std::string &text, size_t tinySize)
{
    Buffer back(text.size() + 1);
    for (int mask : {URL_ESCAPE_ALL_BUT_ALNUM, URL_ESCAPE_FORM, URL_ESCAPE_BLANKS}) {
        Buffer out(text.size() * 3 + 1);
        check(escapeUrl(text.c_str(), out.data(), out.size, mask));
        check(unescapeUrl(out.data(), back.data(), back.size));
        if (mask != URL_ESCAPE_BLANKS)
            check(text == back.data());
    }
    check(unescapeUrl(text.c_str(), back.data(), back.size));

    Buffer tiny(tinySize);
    escapeUrl(text.c_str(), tiny.data(), tiny.size, URL_ESCAPE_FORM);
    unescapeUrl(text.c_str(), tiny.data(), tiny.size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string input(reinterpret_cast<const char *>(data), size);
    // Texts are zero-terminated: what follows a zero byte is never seen.
    input.resize(std::strlen(input.c_str()));
    size_t newline = input.find('\n');
    std::string base = input.substr(0, newline);
    std::string ref = newline == std::string::npos ? std::string() : input.substr(newline + 1);
    size_t tinySize = size ? data[0] % 8 : 0;

    ParsedUrl url{};
    if (parseUrl(base.c_str(), &url)) {
        check(url.path != nullptr);
        check(!url.host || (url.resourceUrl && url.scheme));
    }
    Url_clearParsedUrl(&url);
    check(checkUrl(ref.c_str()) == parseUrl(ref.c_str(), &url));
    Url_clearParsedUrl(&url);

    runAccessors(base, tinySize);
    runAccessors(ref, tinySize);
    runRewrites(base, ref, tinySize);
    runRewrites(ref, base, tinySize);
    runEscapes(base, tinySize);
    runEscapes(ref, tinySize);
    return 0;
}
