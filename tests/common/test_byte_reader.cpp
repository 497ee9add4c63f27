// The one limit every decoder of outside bytes shares: a multi-byte integer
// is at most five bytes, however many of them are leading 0x80 bytes.
#include <gtest/gtest.h>

#include <vector>

#include "common/byte_reader.h"

TEST(ByteReader, MultiByteIntegerLimit)
{
    using Bytes = std::vector<uint8_t>;
    const struct {
        Bytes bytes;
        bool failed;
    } cases[] = {
        {{0x80, 0x80, 0x80, 0x80, 0x01}, false},
        {{0x80, 0x80, 0x80, 0x80, 0x80, 0x01}, true},
    };
    for (const auto &c : cases) {
        ByteReader r{c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), 0, false};
        EXPECT_EQ(BR_multiByte(&r), c.failed ? 0u : 1u);
        EXPECT_EQ(r.failed, c.failed);
    }
}
