#pragma once
// AddressRecord: one end of a datagram exchange, passed around by value and
// compared byte by byte. The port travels beside it as a separate number.
#include <cstddef>
#include <cstdint>
#include <cstring>

// The one bearer code carried: UDP over IP (shown to the user as "CSD").
// Any other, such as the preferences' SMS (3), is refused by the transport.
constexpr uint32_t BEARER_UDP = 5;

// The address field is zero-filled to its end; the dotted text is at most
// ADDRESS_TEXT_MAX characters.
constexpr size_t ADDRESS_FIELD_SIZE = 48;
constexpr size_t ADDRESS_TEXT_MAX = 32;

struct AddressRecord {
    uint32_t bearer;
    char address[ADDRESS_FIELD_SIZE];
};

// A record with the bearer and the text cut to ADDRESS_TEXT_MAX characters,
// zero-filled, so that two records for the same end compare equal.
inline AddressRecord makeAddress(uint32_t bearer, const char *text)
{
    AddressRecord record{};
    record.bearer = bearer;
    if (text) {
        size_t n = strnlen(text, ADDRESS_TEXT_MAX);
        std::memcpy(record.address, text, n);
    }
    return record;
}

inline bool sameAddress(const AddressRecord &a, const AddressRecord &b)
{
    return std::memcmp(&a, &b, sizeof(AddressRecord)) == 0;
}
