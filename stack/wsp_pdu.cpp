// WSP PDUs: each layout is declared once, field by field in wire order, and
// packing, unpacking and sizing are all derived from that one table.
#include "stack/wsp.h"

#include <cstring>

namespace {

// What a field slot holds.
enum class Slot : uint8_t { None, Version, Status, Flags, SessionId, Uri, Capabilities, Headers, Body, Addresses };

// How a field is written.
enum class Kind : uint8_t {
    Byte,      // one byte
    Uintvar,   // a number as uintvar
    LengthOf,  // uintvar length of a later Bytes field
    Bytes,     // bytes whose length an earlier LengthOf gave
    Rest,      // bytes to the end of the PDU
};

struct Field {
    Kind kind;
    Slot slot;
};

constexpr int MAX_FIELDS = 6;

struct Layout {
    uint8_t firstType;  // types firstType..lastType share the layout
    uint8_t lastType;
    const char *name;
    int fieldCount;
    Field fields[MAX_FIELDS];
};

// clang-format off
constexpr Layout kLayouts[] = {
    {WSP_CONNECT, WSP_CONNECT, "Connect", 5,
     {{Kind::Byte, Slot::Version}, {Kind::LengthOf, Slot::Capabilities}, {Kind::LengthOf, Slot::Headers},
      {Kind::Bytes, Slot::Capabilities}, {Kind::Bytes, Slot::Headers}}},
    {WSP_CONNECT_REPLY, WSP_CONNECT_REPLY, "ConnectReply", 5,
     {{Kind::Uintvar, Slot::SessionId}, {Kind::LengthOf, Slot::Capabilities}, {Kind::LengthOf, Slot::Headers},
      {Kind::Bytes, Slot::Capabilities}, {Kind::Bytes, Slot::Headers}}},
    {WSP_REDIRECT, WSP_REDIRECT, "Redirect", 2, {{Kind::Byte, Slot::Flags}, {Kind::Rest, Slot::Addresses}}},
    {WSP_REPLY, WSP_REPLY, "Reply", 4,
     {{Kind::Byte, Slot::Status}, {Kind::LengthOf, Slot::Headers}, {Kind::Bytes, Slot::Headers},
      {Kind::Rest, Slot::Body}}},
    {WSP_DISCONNECT, WSP_DISCONNECT, "Disconnect", 1, {{Kind::Uintvar, Slot::SessionId}}},
    {WSP_PUSH, WSP_PUSH, "Push", 3,
     {{Kind::LengthOf, Slot::Headers}, {Kind::Bytes, Slot::Headers}, {Kind::Rest, Slot::Body}}},
    {0x40, 0x5F, "Get", 3, {{Kind::LengthOf, Slot::Uri}, {Kind::Bytes, Slot::Uri}, {Kind::Rest, Slot::Headers}}},
    {0x60, 0x7F, "Post", 5,
     {{Kind::LengthOf, Slot::Uri}, {Kind::LengthOf, Slot::Headers}, {Kind::Bytes, Slot::Uri},
      {Kind::Bytes, Slot::Headers}, {Kind::Rest, Slot::Body}}},
};
// clang-format on

const Layout *findLayout(uint8_t type)
{
    for (const Layout &layout : kLayouts)
        if (type >= layout.firstType && type <= layout.lastType)
            return &layout;
    return nullptr;
}

WspBytes *bytesSlot(WspPdu *pdu, Slot slot)
{
    switch (slot) {
    case Slot::Uri: return &pdu->uri;
    case Slot::Capabilities: return &pdu->capabilities;
    case Slot::Headers: return &pdu->headers;
    case Slot::Body: return &pdu->body;
    case Slot::Addresses: return &pdu->addresses;
    default: return nullptr;
    }
}

const WspBytes *bytesSlot(const WspPdu &pdu, Slot slot) { return bytesSlot(const_cast<WspPdu *>(&pdu), slot); }

uint8_t *byteSlot(WspPdu *pdu, Slot slot)
{
    switch (slot) {
    case Slot::Version: return &pdu->version;
    case Slot::Status: return &pdu->status;
    case Slot::Flags: return &pdu->flags;
    default: return nullptr;
    }
}

uint8_t byteValue(const WspPdu &pdu, Slot slot) { return *byteSlot(const_cast<WspPdu *>(&pdu), slot); }

// A writer that counts when out is null and refuses to pass size.
struct Writer {
    uint8_t *out;
    uint32_t size;
    uint32_t position;
    bool failed;
};

void put(Writer *w, const uint8_t *bytes, uint32_t count)
{
    if (w->failed)
        return;
    if (count > UINT32_MAX - w->position) {
        w->failed = true;
        return;
    }
    if (w->out != nullptr) {
        if (w->position + count > w->size) {
            w->failed = true;
            return;
        }
        if (count != 0)
            std::memcpy(w->out + w->position, bytes, count);
    }
    w->position += count;
}

void putUintvar(Writer *w, uint32_t value)
{
    uint8_t bytes[5];
    put(w, bytes, WSP_writeUintvar(value, bytes));
}

uint32_t encode(const WspPdu &pdu, bool connectionless, uint8_t *out, uint32_t size)
{
    const Layout *layout = findLayout(pdu.type);
    if (layout == nullptr)
        return 0;
    Writer w{out, size, 0, false};
    if (connectionless)
        put(&w, &pdu.tid, 1);
    put(&w, &pdu.type, 1);
    for (int i = 0; i < layout->fieldCount; i++) {
        const Field &field = layout->fields[i];
        switch (field.kind) {
        case Kind::Byte: {
            uint8_t value = byteValue(pdu, field.slot);
            put(&w, &value, 1);
            break;
        }
        case Kind::Uintvar: putUintvar(&w, pdu.sessionId); break;
        case Kind::LengthOf: putUintvar(&w, bytesSlot(pdu, field.slot)->length); break;
        case Kind::Bytes:
        case Kind::Rest: {
            const WspBytes *bytes = bytesSlot(pdu, field.slot);
            put(&w, bytes->data, bytes->length);
            break;
        }
        }
    }
    return w.failed ? 0 : w.position;
}

}  // namespace

uint32_t WSP_writeUintvar(uint32_t value, uint8_t *out)
{
    uint32_t count = 1;
    for (uint32_t rest = value >> 7; rest != 0; rest >>= 7)
        count++;
    if (out != nullptr) {
        for (uint32_t i = 0; i < count; i++) {
            uint32_t shift = 7 * (count - 1 - i);
            out[i] = static_cast<uint8_t>(((value >> shift) & 0x7F) | (i + 1 < count ? 0x80 : 0));
        }
    }
    return count;
}

int WSP_unpack(WspPdu *pdu, const uint8_t *data, uint32_t length, bool connectionless)
{
    *pdu = WspPdu{};
    ByteReader reader{data, data == nullptr ? 0 : length, 0, false};
    if (connectionless)
        pdu->tid = BR_byte(&reader);
    pdu->type = BR_byte(&reader);
    if (reader.failed)
        return 0;
    const Layout *layout = findLayout(pdu->type);
    if (layout == nullptr)
        return 0;
    for (int i = 0; i < layout->fieldCount && !reader.failed; i++) {
        const Field &field = layout->fields[i];
        switch (field.kind) {
        case Kind::Byte: *byteSlot(pdu, field.slot) = BR_byte(&reader); break;
        case Kind::Uintvar: pdu->sessionId = BR_multiByte(&reader); break;
        case Kind::LengthOf: bytesSlot(pdu, field.slot)->length = BR_multiByte(&reader); break;
        case Kind::Bytes: {
            WspBytes *bytes = bytesSlot(pdu, field.slot);
            bytes->data = BR_bytes(&reader, bytes->length);
            break;
        }
        case Kind::Rest: {
            WspBytes *bytes = bytesSlot(pdu, field.slot);
            bytes->length = reader.length - reader.position;
            bytes->data = BR_bytes(&reader, bytes->length);
            break;
        }
        }
    }
    return reader.failed ? 0 : 1;
}

uint32_t WSP_packedSize(const WspPdu &pdu, bool connectionless) { return encode(pdu, connectionless, nullptr, 0); }

uint32_t WSP_pack(const WspPdu &pdu, bool connectionless, uint8_t *out, uint32_t size)
{
    if (out == nullptr)
        return 0;
    return encode(pdu, connectionless, out, size);
}

const char *WSP_pduName(uint8_t type)
{
    const Layout *layout = findLayout(type);
    return layout == nullptr ? "unknown" : layout->name;
}

int WSP_contentType(const uint8_t *headers, uint32_t length)
{
    if (headers == nullptr || length == 0)
        return -1;
    ByteReader reader{headers, length, 0, false};
    uint8_t first = BR_byte(&reader);
    // A general form: a length (below 31, or 31 and a uintvar), then the
    // media as a short-integer or a text.
    if (first <= 31) {
        if (first == 31)
            BR_multiByte(&reader);
        first = BR_byte(&reader);
        if (reader.failed)
            return -1;
    }
    return (first & 0x80) != 0 ? first & 0x7F : -1;
}
