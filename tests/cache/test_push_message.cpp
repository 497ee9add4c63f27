// What a pushed message leads to, from encoded Service Indications and
// Loadings (libwbxml's encoder) and the body of a datagram the test
// gateway's push proxy sent.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cache/cache.h"
#include "cache/push_message.h"
#include "tests/support/temp_home.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes fileBytes(const std::string &path)
{
    std::string bytes = readBytes(path);
    return Bytes(bytes.begin(), bytes.end());
}

// The body of the captured push: after the transaction id, the PDU type,
// the headers length and the headers.
Bytes capturedBody()
{
    Bytes datagram = fileBytes(PUSH_DATAGRAM);
    if (datagram.size() < 3)
        return {};
    size_t start = 3u + datagram[2];
    return start <= datagram.size() ? Bytes(datagram.begin() + static_cast<long>(start), datagram.end()) : Bytes{};
}

struct Case {
    const char *file;  // in PUSH_DIR; empty: the captured push
    uint32_t contentType;
    PushKind kind;
    const char *href;
};

const Case kCases[] = {
    {"", CT_SIC, PUSH_KIND_SI, "http://127.0.0.1:8079/index.wml"},
    {"si_mail.sic", CT_SIC, PUSH_KIND_SI, "http://127.0.0.1:8079/mail.wml"},
    {"si_news.sic", CT_SIC, PUSH_KIND_SI, "https://www.example.com/news.wml"},
    {"sl_load.slc", CT_SLC, PUSH_KIND_SL, "http://www.example.org/load.wml"},
    {"si_text.sic", CT_SIC, PUSH_KIND_NONE, ""},
    // The type decides the token tables: an SL read as an SI has no page.
    {"sl_load.slc", CT_SIC, PUSH_KIND_NONE, ""},
    // Uncompiled text, or any other type, is nothing the list can open.
    {"si_mail.sic", 0x2D, PUSH_KIND_NONE, ""},
    {"si_mail.sic", 0, PUSH_KIND_NONE, ""},
};

Bytes caseBytes(const Case &c) { return *c.file ? fileBytes(std::string(PUSH_DIR) + "/" + c.file) : capturedBody(); }

// Every cut of a message either still reaches the end of the element's
// attributes, and gives the same page, or gives none: never a part of it.
TEST(PushMessage, KindAndPageOfEachMessageAndOfItsCuts)
{
    for (const Case &c : kCases) {
        Bytes body = caseBytes(c);
        ASSERT_FALSE(body.empty()) << c.file;
        for (size_t n = 0; n <= body.size(); n++) {
            Bytes cut(body.begin(), body.begin() + static_cast<long>(n));  // exactly n: a read past shows
            std::string href = "stale";
            PushKind kind = pushKind(c.contentType, cut.data(), static_cast<uint32_t>(n), &href);
            if (n == body.size()) {
                EXPECT_EQ(kind, c.kind) << c.file;
            }
            EXPECT_EQ(href, kind != PUSH_KIND_NONE ? c.href : "") << c.file << " cut at " << n;
        }
    }
    const uint8_t deck[] = {0x02, 0x08, 0x6A, 0x00};
    EXPECT_EQ(pushKind(CT_WMLC, deck, sizeof deck, nullptr), PUSH_KIND_DECK);
    EXPECT_EQ(pushKind(CT_WMLC, deck, 0, nullptr), PUSH_KIND_NONE) << "an empty deck is no page";
}

// Hand-made: what no encoder writes, but a sender could.
TEST(PushMessage, RefusesPagesThatAreNoAbsoluteUrls)
{
    auto si = [](const std::string &href) {
        // Built as text: g++ misreads inserting into a fresh vector.
        std::string text = std::string("\x03\x05\x6A\x00\x45\xC6\x0B\x03", 8) + href;
        text += std::string("\x00\x01\x01\x01", 4);
        return Bytes(text.begin(), text.end());
    };
    // clang-format off
    const std::pair<Bytes, PushKind> cases[] = {
        {si(""), PUSH_KIND_NONE}, {si("/relative.wml"), PUSH_KIND_NONE}, {si("://x"), PUSH_KIND_NONE},
        {si("http://"), PUSH_KIND_NONE}, {si("ht tp://x/"), PUSH_KIND_NONE}, {si("http://x/\x01"), PUSH_KIND_NONE},
        {si("1http://x/"), PUSH_KIND_NONE}, {si("wtai://wp/mc;123"), PUSH_KIND_SI},
        {si("http://h/" + std::string(PUSH_HREF_MAX - 9, 'a')), PUSH_KIND_SI},
        {si("http://h/" + std::string(PUSH_HREF_MAX - 8, 'a')), PUSH_KIND_NONE},
        // A string-table reference past the table.
        {{0x03, 0x05, 0x6A, 0x01, 0x00, 0x45, 0xC6, 0x0C, 0x83, 0x05, 0x01, 0x01, 0x01}, PUSH_KIND_NONE},
    };
    // clang-format on
    for (const auto &[bytes, kind] : cases)
        EXPECT_EQ(pushKind(CT_SIC, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr), kind)
            << std::string(bytes.begin() + 8, bytes.end());
}

}  // namespace
