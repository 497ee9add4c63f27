// WSP PDUs, uintvars and capabilities: round trips of fixtures and the
// refusals of bad bytes.
#include <gtest/gtest.h>

#include "stack/wsp.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes pack(const WspPdu &pdu, bool connectionless)
{
    Bytes out(WSP_packedSize(pdu, connectionless));
    EXPECT_EQ(WSP_pack(pdu, connectionless, out.data(), static_cast<uint32_t>(out.size())), out.size());
    return out;
}

TEST(WspUintvar, EncodesAndDecodes)
{
    struct Case {
        uint32_t value;
        Bytes bytes;
    } cases[] = {
        {0, {0x00}},
        {0x7F, {0x7F}},
        {0x80, {0x81, 0x00}},
        {1500, {0x8B, 0x5C}},
        {0xFFFFFFFF, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const Case &c : cases) {
        uint8_t out[5];
        ASSERT_EQ(WSP_writeUintvar(c.value, out), c.bytes.size());
        EXPECT_EQ(Bytes(out, out + c.bytes.size()), c.bytes);
        ByteReader reader{c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), 0, false};
        EXPECT_EQ(BR_multiByte(&reader), c.value);
        EXPECT_FALSE(reader.failed);
    }
    // 33 bits, six bytes (however small the value), ending inside, nothing.
    for (const Bytes &b :
         {Bytes{0x90, 0x80, 0x80, 0x80, 0x00}, Bytes{0x80, 0x80, 0x80, 0x80, 0x81, 0x00}, Bytes{0x81, 0x80}, Bytes{}}) {
        ByteReader reader{b.data(), static_cast<uint32_t>(b.size()), 0, false};
        BR_multiByte(&reader);
        EXPECT_TRUE(reader.failed);
    }
}

// Fixtures as they travel; each must satisfy pack(unpack(x)) == x.
struct Fixture {
    const char *name;
    bool connectionless;
    Bytes bytes;
    uint8_t type;
};

const Fixture kFixtures[] = {
    {"connect", false, {0x01, 0x10, 0x03, 0x02, 0x02, 0x83, 0x08, 0x80, 0x94}, WSP_CONNECT},
    {"connect reply", false, {0x02, 0x81, 0x05, 0x04, 0x01, 0x03, 0x80, 0x8B, 0x5C, 0x41}, WSP_CONNECT_REPLY},
    {"redirect", false, {0x03, 0x80, 0x44, 0x7F, 0x00, 0x00, 0x01}, WSP_REDIRECT},
    {"reply", false, {0x04, 0x20, 0x02, 0x94, 0x81, 0x03, 0x01, 0x6A, 0x00}, WSP_REPLY},
    {"reply empty", false, {0x04, 0x44, 0x01, 0x83}, WSP_REPLY},
    {"disconnect", false, {0x05, 0x83, 0x00}, WSP_DISCONNECT},
    {"get", false, {0x40, 0x03, 'a', '/', 'b'}, WSP_GET},
    {"post", false, {0x60, 0x01, 0x01, 'u', 0x92, 'x', '=', '1'}, WSP_POST},
    {"unit reply", true, {0x07, 0x04, 0x20, 0x01, 0x94, 0x03, 0x01}, WSP_REPLY},
    {"unit push", true, {0x00, 0x06, 0x01, 0xA1, 0x00, 0x00, 0x01, 0x01}, WSP_PUSH},
    {"unit get", true, {0xFF, 0x40, 0x01, 'u', 0xA9, 'A', 0x00}, WSP_GET},
};

TEST(WspPdu, FixturesRoundTrip)
{
    for (const Fixture &f : kFixtures) {
        WspPdu pdu;
        ASSERT_EQ(WSP_unpack(&pdu, f.bytes.data(), static_cast<uint32_t>(f.bytes.size()), f.connectionless), 1)
            << f.name;
        EXPECT_EQ(pdu.type, f.type) << f.name;
        EXPECT_EQ(pack(pdu, f.connectionless), f.bytes) << f.name;
        // Every shorter prefix of a PDU whose last field is not open-ended
        // is refused; none reads past the end.
        for (size_t n = 0; n < f.bytes.size(); n++) {
            WspPdu part;
            WSP_unpack(&part, f.bytes.data(), static_cast<uint32_t>(n), f.connectionless);
        }
    }
}

TEST(WspPdu, RefusesBadPdus)
{
    // clang-format off
    Bytes bad[] = {
        {},
        {0x04},                               // Reply without status
        {0x04, 0x20, 0x05, 0x94},             // header length past the end
        {0x04, 0x20, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x94},  // header length near 2^32
        {0x02, 0x01, 0x90, 0x80, 0x80, 0x80, 0x00, 0x00},  // capability length over 32 bits
        {0x06},                               // Push without headers length
        {0x07, 0x00},                         // unknown type
        {0x05},                               // Disconnect without session id
    };
    // clang-format on
    for (const Bytes &b : bad) {
        WspPdu pdu;
        EXPECT_EQ(WSP_unpack(&pdu, b.data(), static_cast<uint32_t>(b.size()), false), 0);
    }
    WspPdu get{};
    get.type = WSP_GET;
    const uint8_t uri[] = {'a', 'b'};
    get.uri = {uri, 2};
    uint8_t out[3];
    EXPECT_EQ(WSP_pack(get, false, out, sizeof out), 0u);
}

TEST(WspPdu, ContentTypeForms)
{
    struct Case {
        Bytes headers;
        int code;
    } cases[] = {
        {{0x94}, 0x14},
        {{0x02, 0xA1, 0x81}, 0x21},
        {{0x1F, 0x02, 0x95, 0x00}, 0x15},
        {{'t', 'e', 'x', 't', 0}, -1},
        {{0x03}, -1},
        {{}, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(WSP_contentType(c.headers.data(), static_cast<uint32_t>(c.headers.size())), c.code);
}

TEST(WspCapabilities, Decodes)
{
    Bytes bytes = {
        0x03, 0x00, 0x8B, 0x5C,                          // Client-SDU-Size, short identifier form
        0x02, 0x83, 0x05,                                // Method-MOR
        0x03, 0x90, 0xAA, 0xBB,                          // unknown: skipped
        0x00, 0x90,                                      // length 0: the identifier alone, unknown
        0x05, 0x85, 0x01, 'G',  'E',  0,                 // extended methods
        0x02, 0x82, 0xD0,                                // options: push, confirmed push, ack headers
        0x07, 0x87, 0xC4, 0x00, 0x23, 0x50, 0x7F, 0x00,  // alias: bearer, port, 4-byte address (cut)
    };
    Capabilities caps;
    int whole = decodeCapabilities(&caps, bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ((std::vector<uint32_t>{caps.clientSduSize, caps.serverSduSize, caps.methodMor, caps.pushMor,
                                     caps.extendedMethodCount, caps.push, caps.confirmedPush, caps.sessionResume,
                                     caps.ackHeaders}),
              (std::vector<uint32_t>{1500, 1400, 5, 1, 1, 1, 1, 0, 1}));
    EXPECT_EQ(caps.extendedMethods, "GE");
    // The alias claims 4 address bytes but its capability holds 2.
    EXPECT_EQ(whole, 0);
    // A cut block keeps what came before it; no block at all is the defaults.
    Bytes cut = {0x02, 0x83, 0x04, 0x05, 0x80, 0x8B};
    EXPECT_EQ(decodeCapabilities(&caps, cut.data(), static_cast<uint32_t>(cut.size())), 0);
    EXPECT_EQ(caps.methodMor, 4);
    EXPECT_EQ(caps.clientSduSize, 1400u);
    EXPECT_EQ(decodeCapabilities(&caps, nullptr, 0), 1);
    EXPECT_EQ(caps.methodMor, 1);
}

}  // namespace
