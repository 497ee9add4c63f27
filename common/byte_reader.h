#pragma once
// The one reader of outside bytes (decks, pushed messages, compiled
// scripts, WBMP headers, WSP PDUs, cache entry files, skin pictures). Every
// read checks the end; the first bad read sets failed, and every later read
// yields 0 without moving, so a caller reads a whole structure and checks
// failed once.
#include <cstdint>

struct ByteReader {
    const uint8_t *data;
    uint32_t length;
    uint32_t position;
    bool failed;
};

// A 32-bit value needs at most five 7-bit groups; every multi-byte integer
// from outside is held to that.
constexpr uint32_t BR_MULTI_BYTE_MAX = 5;

inline uint8_t BR_byte(ByteReader *r)
{
    if (r->failed || r->position >= r->length) {
        r->failed = true;
        return 0;
    }
    return r->data[r->position++];
}

// A view of count bytes at the position (null when they are not there).
inline const uint8_t *BR_bytes(ByteReader *r, uint32_t count)
{
    if (r->failed || count > r->length - r->position) {
        r->failed = true;
        return nullptr;
    }
    const uint8_t *bytes = r->data + r->position;
    r->position += count;
    return bytes;
}

// 7 bits a byte, most significant first, bit 7 set on all but the last:
// more than BR_MULTI_BYTE_MAX bytes or 32 bits fails.
inline uint32_t BR_multiByte(ByteReader *r)
{
    uint32_t value = 0;
    for (uint32_t i = 0; i < BR_MULTI_BYTE_MAX; i++) {
        uint8_t byte = BR_byte(r);
        // Another 7 bits must not push anything past bit 31.
        if (r->failed || (value >> 25) != 0)
            break;
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0)
            return value;
    }
    r->failed = true;
    return 0;
}

// Fixed width (1 to 4 bytes), least or most significant byte first.
inline uint32_t BR_le(ByteReader *r, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; i++)
        value |= static_cast<uint32_t>(BR_byte(r)) << (8 * i);
    return r->failed ? 0 : value;
}
inline uint32_t BR_be(ByteReader *r, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; i++)
        value = value << 8 | BR_byte(r);
    return r->failed ? 0 : value;
}
