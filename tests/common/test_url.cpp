#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/url.h"

namespace {

// nullptr stands for an absent component.
struct SplitCase {
    const char *input;
    const char *scheme, *host, *port, *path, *params, *query, *fragment, *resourceUrl;
};

const SplitCase SPLITS[] = {
    {"http://host", "http", "host", nullptr, "/", nullptr, nullptr, nullptr, "http://host/"},
    {"http://host:9201/a/b.wml;p?q=1#f", "http", "host", "9201", "/a/b.wml", "p", "q=1", "f",
     "http://host:9201/a/b.wml"},
    {"http://host/p;x", "http", "host", nullptr, "/p", "x", nullptr, nullptr, "http://host/p"},
    {"http://host:/x", "http", "host", "", "/x", nullptr, nullptr, nullptr, "http://host:/x"},
    {"page.wml?x=1", nullptr, nullptr, nullptr, "page.wml", nullptr, "x=1", nullptr, nullptr},
    // Each component runs to the nearest other separator after it.
    {"http://h/p#f;x?q", "http", "h", nullptr, "/p", "x", "q", "f", "http://h/p"},
    {"http://h:80?x", "http", "h", "80", "/", nullptr, "x", nullptr, "http://h:80/"},
    {"http://h/a:b/c", "http", "h", nullptr, "/a:b/c", nullptr, nullptr, nullptr, "http://h/a:b/c"},
    {"http://h/x;?#", "http", "h", nullptr, "/x", nullptr, nullptr, nullptr, "http://h/x"},
    {"http:///x", "http", nullptr, nullptr, "/x", nullptr, nullptr, nullptr, nullptr},
    {"a://b://c", "a", "b", "", "//c", nullptr, nullptr, nullptr, "a://b://c"},
    // Up to the last "@" of the authority is user-info, kept in resourceUrl.
    {"http://u:pw@h:81/x", "http", "h", "81", "/x", nullptr, nullptr, nullptr, "http://u:pw@h:81/x"},
    {"http://a@b:c@h?q", "http", "h", nullptr, "/", nullptr, "q", nullptr, "http://a@b:c@h/"},
    {"http://h/p@q:1#u@v", "http", "h", nullptr, "/p@q:1", nullptr, nullptr, "u@v", "http://h/p@q:1"},
    {"http://u:p@/x", "http", nullptr, nullptr, "/x", nullptr, nullptr, nullptr, nullptr},
    {"http://h\xC3\xA9/\xFF?\x80", "http", "h\xC3\xA9", nullptr, "/\xFF", nullptr, "\x80", nullptr,
     "http://h\xC3\xA9/\xFF"},
};

// Rejected texts; "://host/x" has no scheme and is no relative path either.
const char *const REJECTED[] = {
    "", "http://", "#card", "?x=1", ";p", "foo?x=http://bar", "http://host?x=/y", "http://h;p/x", "://host/x",
};

struct ResolveCase {
    const char *base, *reference, *expected;
};

// clang-format off
const ResolveCase RESOLVES[] = {
    {"http://h/a/b.wml", "c.wml", "http://h/a/c.wml"}, {"http://h/a/b/c.wml", "../d.wml", "http://h/a/d.wml"},
    {"http://h/a/b/", "../d.wml", "http://h/a/d.wml"}, {"http://h/c.wml", "../../d.wml", ""},
    {"http://h/d.wml?x=1#a", "#b", "http://h/d.wml?x=1#b"}, {"http://h/a;p?q#f", "#", "http://h/a;p?q#"},
    {"http://h/a/b.wml", "?x=1", ""}, {"http://h/a/b.wml", "http://o/x.wml", "http://o/x.wml"},
    {"", "http://o/x.wml", "http://o/x.wml"}, {"http://h/a/b.wml", "http:///x", ""},
    {"http://h:9201/a/b.wml;p?q#f", "/x/y.wml", "http://h:9201/x/y.wml"},
    {"http://h/a/b.wml", "c/../d.wml?x=1#f", "http://h/a/c/../d.wml?x=1#f"}, {"http://h", "c.wml", "http://h/c.wml"},
    {"http://h/a/c.wml", "../d.wml", "http://h/d.wml"}, {"http://h/", "../d.wml", "http://h/d.wml"},
    // The path, not the base text, says whether the base is a directory.
    {"http://h/a/b/?x=1", "../d.wml", "http://h/a/d.wml"}, {"http://h/a/b/#f", "../../d.wml", "http://h/d.wml"},
    // A trailing ".." is a whole level; "..x" is an ordinary name.
    {"http://h/a/b/c.wml", "..", "http://h/a/"}, {"http://h/a/b/c.wml", "..?x=1", "http://h/a/?x=1"},
    {"http://h/a/b.wml", "..x.wml", "http://h/a/..x.wml"},
    {"http://u:pw@h:81/a/b/c.wml", "../d.wml", "http://u:pw@h:81/a/d.wml"}, {"http://u@h/a#x", "#y", "http://u@h/a#y"},
    {"page.wml", "c.wml", ""}, {nullptr, "c.wml", ""}, {"http://h/a", nullptr, ""},
};
// clang-format on

std::string resolve(const char *base, const char *reference)
{
    char out[512];
    bool ok = resolveUrl(base, reference, out, sizeof out);
    EXPECT_EQ(ok, out[0] != 0) << base << " + " << reference;
    return out;
}

// Rewriting operations that leave a rejected or host-less URL as it is.
std::string rewrite(bool (*op)(const char *, const char *, char *, size_t), const char *url, const char *arg)
{
    char out[512];
    EXPECT_TRUE(op(url, arg, out, sizeof out)) << url;
    return out;
}

std::string stripped(void (*op)(char *), const char *url)
{
    char buf[512];
    std::strcpy(buf, url);
    op(buf);
    return buf;
}

}  // namespace

TEST(Url, SplitsIntoNineFieldsKeepingAbsentAndEmptyApart)
{
    ParsedUrl u{};
    for (const SplitCase &c : SPLITS) {
        ASSERT_TRUE(parseUrl(c.input, &u)) << c.input;
        const char *got[] = {u.scheme, u.host, u.port, u.path, u.params, u.query, u.fragment, u.resourceUrl};
        const char *want[] = {c.scheme, c.host, c.port, c.path, c.params, c.query, c.fragment, c.resourceUrl};
        for (int i = 0; i < 8; i++)
            EXPECT_STREQ(got[i] ? got[i] : "<absent>", want[i] ? want[i] : "<absent>") << c.input << " field " << i;
    }
    for (const char *text : REJECTED) {
        EXPECT_FALSE(parseUrl(text, &u)) << text;
        EXPECT_FALSE(checkUrl(text)) << text;
    }
    EXPECT_FALSE(parseUrl(nullptr, &u));
    Url_clearParsedUrl(&u);
    EXPECT_EQ(u.path, nullptr);
}

TEST(Url, AccessorsCopyOneComponentAndGiveEmptyTextOtherwise)
{
    const char *url = "http://host:9201/a/b.wml;p?q=1#f";
    const struct {
        bool (*get)(const char *, char *, size_t);
        const char *url, *expected;
    } cases[] = {{getUrlPort, url, "9201"},
                 {getUrlBase, url, "http://host:9201/a/b.wml"},
                 {getUrlFragment, url, "f"},
                 {getUrlHost, "page.wml", ""},
                 {getUrlPath, "#card", ""}};
    for (const auto &c : cases) {
        char out[64] = "junk";
        EXPECT_TRUE(c.get(c.url, out, sizeof out)) << c.expected;
        EXPECT_STREQ(out, c.expected);
    }
}

TEST(Url, ResolvesReferencesAgainstBase)
{
    for (const ResolveCase &c : RESOLVES) {
        EXPECT_EQ(resolve(c.base, c.reference), c.expected)
            << (c.base ? c.base : "(null)") << " + " << (c.reference ? c.reference : "(null)");
    }
}

TEST(Url, RewritesQueryAndFragmentOfUrlsWithAHost)
{
    EXPECT_EQ(rewrite(appendUrlQuery, "http://h/x?a=1#f", "b=2"), "http://h/x?a=1&b=2#f");
    EXPECT_EQ(rewrite(appendUrlQuery, "http://h/x;p", "b=2"), "http://h/x;p?b=2");
    EXPECT_EQ(rewrite(appendUrlQuery, "http://h?a", "b"), "http://h/?a&b");
    EXPECT_EQ(rewrite(setUrlFragment, "http://h/x;p?a#old", "#new"), "http://h/x;p?a#new");
    EXPECT_EQ(stripped(stripUrlQuery, "http://h/x;p?q#f"), "http://h/x;p#f");
    EXPECT_EQ(stripped(stripUrlQuery, "http://h?q"), "http://h/");
    EXPECT_EQ(stripped(stripUrlFragment, "http://h/x;p?q#f"), "http://h/x;p?q");
    char out[64];
    EXPECT_TRUE(escapeUrlQuery("http://h/a b?x y+z#f g", out, sizeof out));
    EXPECT_STREQ(out, "http://h/a b?x%20y+z#f g");
    // A URL without query fields or host is left as it is.
    for (const char *url : {"http://h/x", "page.wml?x=1#f", "?x=1", "http:///x?y#z", ""}) {
        EXPECT_EQ(rewrite(appendUrlQuery, url, ""), url);
        EXPECT_EQ(rewrite(appendUrlQuery, url, nullptr), url);
        EXPECT_EQ(rewrite(setUrlFragment, url, ""), url);
        EXPECT_EQ(stripped(stripUrlFragment, url), url);
    }
    for (const char *url : {"page.wml?x=1#f", "?x=1", "http:///x?y#z"}) {
        EXPECT_EQ(rewrite(appendUrlQuery, url, "b=2"), url);
        EXPECT_EQ(rewrite(setUrlFragment, url, "#g"), url);
        EXPECT_EQ(stripped(stripUrlQuery, url), url);
        char out[64];
        EXPECT_TRUE(escapeUrlQuery(url, out, sizeof out));
        EXPECT_STREQ(out, url);
    }
}

TEST(Url, ResultThatDoesNotFitLeavesEmptyTextAndNoWritePastSize)
{
    const std::string expected = "http://h/a/c.wml";
    char buf[32];
    for (size_t size : {size_t{1}, expected.size()}) {
        std::memset(buf, 'Z', sizeof buf);
        EXPECT_FALSE(resolveUrl("http://h/a/b.wml", "c.wml", buf, size));
        EXPECT_EQ(buf[0], 0);
        EXPECT_EQ(std::string(buf + 1, sizeof buf - 1), std::string(sizeof buf - 1, 'Z'));
    }
    EXPECT_TRUE(resolveUrl("http://h/a/b.wml", "c.wml", buf, expected.size() + 1));
    EXPECT_EQ(buf, expected);
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_FALSE(getUrlHost("http://host/", buf, 0));
    EXPECT_EQ(buf[0], 'Z');
    EXPECT_FALSE(appendUrlQuery("http://h/x", "b=2", buf, 14));
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(setUrlFragment("http://h/x", "#long", buf, 5));
    EXPECT_STREQ(buf, "");
}

TEST(Url, SurvivesLongAndHostileText)
{
    const std::string host(100000, 'a');
    const std::string url = "http://" + host + ":1/x?" + std::string(100000, '\xFF');
    std::string out(300000, '\0');
    EXPECT_TRUE(getUrlHost(url.c_str(), out.data(), out.size()));
    EXPECT_EQ(out.c_str(), host);
    std::string ups;
    for (int i = 0; i < 29998; i++) {
        ups += "../";
    }
    EXPECT_EQ(resolve("http://h/a/b/c.wml", ups.c_str()), "");
    std::string deep = "http://h";
    for (int i = 0; i < 30000; i++) {
        deep += "/d";
    }
    // 29998 levels up from the directory of the last "d" leaves one "d".
    EXPECT_TRUE(resolveUrl(deep.c_str(), (ups + "x").c_str(), out.data(), out.size()));
    EXPECT_STREQ(out.c_str(), "http://h/d/x");
    EXPECT_EQ(resolve("http://h/\x80/\xFF", "..\xFE"), "http://h/\x80/..\xFE");
}
