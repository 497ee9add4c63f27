// WSP capabilities: what the Connect asks for and the ConnectReply grants.
// Each capability is a uintvar length (of what follows), an identifier and
// a value; only values that differ from the defaults are sent.
#include "stack/wsp.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t CAP_CLIENT_SDU = 0;
constexpr uint8_t CAP_SERVER_SDU = 1;
constexpr uint8_t CAP_OPTIONS = 2;
constexpr uint8_t CAP_METHOD_MOR = 3;
constexpr uint8_t CAP_PUSH_MOR = 4;
constexpr uint8_t CAP_EXTENDED_METHODS = 5;
constexpr uint8_t CAP_CODE_PAGES = 6;
constexpr uint8_t CAP_ALIASES = 7;

// Protocol option bits, as both sides read them.
constexpr uint8_t OPT_PUSH = 0x80;
constexpr uint8_t OPT_CONFIRMED_PUSH = 0x40;
constexpr uint8_t OPT_SESSION_RESUME = 0x20;
constexpr uint8_t OPT_ACK_HEADERS = 0x10;

void emit(std::vector<uint8_t> *out, uint8_t identifier, const uint8_t *value, uint32_t length)
{
    uint8_t prefix[5];
    uint32_t prefixLength = WSP_writeUintvar(length + 1, prefix);
    out->insert(out->end(), prefix, prefix + prefixLength);
    out->push_back(static_cast<uint8_t>(0x80 | identifier));
    out->insert(out->end(), value, value + length);
}

void emitUintvar(std::vector<uint8_t> *out, uint8_t identifier, uint32_t value)
{
    uint8_t bytes[5];
    emit(out, identifier, bytes, WSP_writeUintvar(value, bytes));
}

void emitByte(std::vector<uint8_t> *out, uint8_t identifier, uint8_t value) { emit(out, identifier, &value, 1); }

uint8_t optionByte(const Capabilities &caps)
{
    return static_cast<uint8_t>((caps.push ? OPT_PUSH : 0) | (caps.confirmedPush ? OPT_CONFIRMED_PUSH : 0) |
                                (caps.sessionResume ? OPT_SESSION_RESUME : 0) |
                                (caps.ackHeaders ? OPT_ACK_HEADERS : 0));
}

// A zero-terminated text up to the end of the capability.
std::string readText(ByteReader *reader)
{
    std::string text;
    while (reader->position < reader->length) {
        uint8_t byte = BR_byte(reader);
        if (byte == 0)
            break;
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

void readAlias(Capabilities *caps, ByteReader *reader)
{
    uint8_t head = BR_byte(reader);
    caps->aliasBearerPresent = (head & 0x80) != 0;
    caps->aliasPortPresent = (head & 0x40) != 0;
    caps->aliasAddressLength = head & 0x3F;
    if (caps->aliasBearerPresent)
        caps->aliasBearer = BR_byte(reader);
    if (caps->aliasPortPresent)
        caps->aliasPort = static_cast<uint16_t>(BR_be(reader, 2));
    const uint8_t *address = BR_bytes(reader, caps->aliasAddressLength);
    if (address != nullptr)
        std::memcpy(caps->aliasAddress, address, std::min<uint32_t>(caps->aliasAddressLength, 16));
}

// Reads one capability's value; false when it does not fit its length.
bool readValue(Capabilities *caps, uint8_t identifier, ByteReader *value)
{
    switch (identifier) {
    case CAP_CLIENT_SDU: caps->clientSduSize = BR_multiByte(value); break;
    case CAP_SERVER_SDU: caps->serverSduSize = BR_multiByte(value); break;
    case CAP_OPTIONS: {
        uint8_t options = BR_byte(value);
        if (value->failed)
            break;
        caps->push = (options & OPT_PUSH) != 0;
        caps->confirmedPush = (options & OPT_CONFIRMED_PUSH) != 0;
        caps->sessionResume = (options & OPT_SESSION_RESUME) != 0;
        caps->ackHeaders = (options & OPT_ACK_HEADERS) != 0;
        break;
    }
    case CAP_METHOD_MOR: caps->methodMor = BR_byte(value); break;
    case CAP_PUSH_MOR: caps->pushMor = BR_byte(value); break;
    case CAP_EXTENDED_METHODS:
        caps->extendedMethodCount = BR_byte(value);
        caps->extendedMethods = readText(value);
        break;
    case CAP_CODE_PAGES:
        caps->codePageCount = BR_byte(value);
        caps->codePages = readText(value);
        break;
    case CAP_ALIASES: readAlias(caps, value); break;
    default: break;
    }
    return !value->failed;
}

}  // namespace

Capabilities defaultCapabilities()
{
    Capabilities caps{};
    caps.clientSduSize = WSP_DEFAULT_SDU;
    caps.serverSduSize = WSP_DEFAULT_SDU;
    caps.methodMor = 1;
    caps.pushMor = 1;
    return caps;
}

std::vector<uint8_t> encodeCapabilities(const Capabilities &caps)
{
    const Capabilities defaults = defaultCapabilities();
    std::vector<uint8_t> out;
    if (caps.clientSduSize != defaults.clientSduSize)
        emitUintvar(&out, CAP_CLIENT_SDU, caps.clientSduSize);
    if (caps.serverSduSize != defaults.serverSduSize)
        emitUintvar(&out, CAP_SERVER_SDU, caps.serverSduSize);
    // Written as it is read (0x82, push in bit 7): the other encoding, a
    // bare 0x02 with push as a low option value, is misread by gateways and
    // has crashed one at session end.
    if (optionByte(caps) != optionByte(defaults))
        emitByte(&out, CAP_OPTIONS, optionByte(caps));
    if (caps.methodMor != defaults.methodMor)
        emitByte(&out, CAP_METHOD_MOR, caps.methodMor);
    if (caps.pushMor != defaults.pushMor)
        emitByte(&out, CAP_PUSH_MOR, caps.pushMor);
    return out;
}

int decodeCapabilities(Capabilities *caps, const uint8_t *bytes, uint32_t length)
{
    *caps = defaultCapabilities();
    ByteReader reader{bytes, bytes == nullptr ? 0 : length, 0, false};
    int whole = 1;
    while (reader.position < reader.length) {
        uint32_t capLength = BR_multiByte(&reader);
        if (capLength == 0)
            capLength = 1;  // the identifier is always there
        const uint8_t *cap = BR_bytes(&reader, capLength);
        if (cap == nullptr)
            return 0;
        uint8_t identifier = cap[0];
        // Both forms: 0..7 and 128..135; anything else is skipped.
        if (identifier >= 0x80)
            identifier = static_cast<uint8_t>(identifier - 0x80);
        if (identifier > CAP_ALIASES)
            continue;
        ByteReader value{cap + 1, capLength - 1, 0, false};
        Capabilities before = *caps;
        if (!readValue(caps, identifier, &value)) {
            *caps = before;
            whole = 0;
        }
    }
    return whole;
}
