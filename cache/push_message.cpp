// The href of a pushed Service Indication or Service Loading: a walk of
// the WBXML tokens up to the end of the attribute list of the element that
// carries it. Nothing is turned into a tree and no text is kept but the
// href.
#include "cache/push_message.h"

#include <cstddef>

#include "cache/cache.h"
#include "common/byte_reader.h"

namespace {

// WBXML global tokens.
constexpr uint8_t kSwitchPage = 0x00;
constexpr uint8_t kEnd = 0x01;
constexpr uint8_t kEntity = 0x02;
constexpr uint8_t kStrI = 0x03;
constexpr uint8_t kLiteral = 0x04;
constexpr uint8_t kExtI0 = 0x40;
constexpr uint8_t kExtI2 = 0x42;
constexpr uint8_t kPi = 0x43;
constexpr uint8_t kLiteralC = 0x44;
constexpr uint8_t kExtT0 = 0x80;
constexpr uint8_t kExtT2 = 0x82;
constexpr uint8_t kStrT = 0x83;
constexpr uint8_t kLiteralA = 0x84;
constexpr uint8_t kExt0 = 0xC0;
constexpr uint8_t kExt2 = 0xC2;
constexpr uint8_t kOpaque = 0xC3;
constexpr uint8_t kLiteralAc = 0xC4;
constexpr uint8_t kHasAttributes = 0x80;
constexpr uint8_t kTagMask = 0x3F;

struct HrefStart {
    uint8_t token;
    const char *prefix;
};

struct ValueText {
    uint8_t token;
    const char *text;
};

// One push content type: the element whose href names the page, the
// attribute-start tokens of that href, and the attribute-value tokens.
struct Schema {
    uint32_t contentType;
    PushKind kind;
    uint8_t element;
    const HrefStart *hrefs;
    size_t hrefCount;
};

constexpr HrefStart kSiHrefs[] = {
    {0x0B, ""}, {0x0C, "http://"}, {0x0D, "http://www."}, {0x0E, "https://"}, {0x0F, "https://www."}};
constexpr HrefStart kSlHrefs[] = {
    {0x08, ""}, {0x09, "http://"}, {0x0A, "http://www."}, {0x0B, "https://"}, {0x0C, "https://www."}};
// SI and SL share their attribute values.
constexpr ValueText kValues[] = {{0x85, ".com/"}, {0x86, ".edu/"}, {0x87, ".net/"}, {0x88, ".org/"}};

constexpr uint8_t kSiIndication = 0x06;
constexpr uint8_t kSlElement = 0x05;

constexpr Schema kSchemas[] = {
    {CT_SIC, PUSH_KIND_SI, kSiIndication, kSiHrefs, sizeof kSiHrefs / sizeof kSiHrefs[0]},
    {CT_SLC, PUSH_KIND_SL, kSlElement, kSlHrefs, sizeof kSlHrefs / sizeof kSlHrefs[0]},
};

// A zero-terminated text at the position into *out (when out is given).
void readInline(ByteReader *r, std::string *out)
{
    while (!r->failed) {
        uint8_t c = BR_byte(r);
        if (c == 0 || r->failed)
            return;
        if (out)
            out->push_back(static_cast<char>(c));
    }
}

// The string table's text at index.
void tableText(const ByteReader &table, uint32_t index, std::string *out, bool *failed)
{
    if (index >= table.length) {
        *failed = true;
        return;
    }
    ByteReader r{table.data, table.length, index, false};
    readInline(&r, out);
    *failed = *failed || r.failed;
}

const char *valueText(uint8_t token)
{
    for (const ValueText &v : kValues)
        if (v.token == token)
            return v.text;
    return nullptr;
}

const HrefStart *hrefStart(const Schema &schema, uint8_t token)
{
    for (size_t i = 0; i < schema.hrefCount; i++)
        if (schema.hrefs[i].token == token)
            return &schema.hrefs[i];
    return nullptr;
}

const Schema *schemaFor(uint32_t contentType)
{
    for (const Schema &s : kSchemas)
        if (s.contentType == contentType)
            return &s;
    return nullptr;
}

// The WBXML header; the reader is left at the body and table holds the
// string table.
void readHeader(ByteReader *r, ByteReader *table)
{
    uint8_t version = BR_byte(r);
    if (BR_multiByte(r) == 0)  // public id 0: it is in the string table
        BR_multiByte(r);
    if (version >= 1)  // WBXML 1.0 has no charset
        BR_multiByte(r);
    uint32_t tableLength = BR_multiByte(r);
    const uint8_t *tableBytes = BR_bytes(r, tableLength);
    *table = ByteReader{tableBytes, tableBytes ? tableLength : 0, 0, false};
}

// The href of the first schema element, or false.
bool findHref(const Schema &schema, ByteReader *r, std::string *href)
{
    ByteReader table{};
    readHeader(r, &table);
    bool inAttributes = false;  // reading an element's attribute list
    bool inElement = false;     // ...and it is the schema's element
    bool collecting = false;    // the attribute being read is its href
    bool found = false;
    while (!r->failed && r->position < r->length) {
        uint8_t t = BR_byte(r);
        std::string *into = collecting ? href : nullptr;
        if (t == kSwitchPage) {
            BR_byte(r);
        } else if (t == kEnd) {
            if (inAttributes && inElement)
                return found && !r->failed;
            inAttributes = false;
        } else if (t == kEntity) {
            uint32_t c = BR_multiByte(r);
            if (into)
                into->push_back(c < 256 ? static_cast<char>(c) : '?');
        } else if (t == kStrI || (t >= kExtI0 && t <= kExtI2)) {
            readInline(r, t == kStrI ? into : nullptr);
        } else if (t == kStrT) {
            uint32_t index = BR_multiByte(r);
            if (into)
                tableText(table, index, into, &r->failed);
        } else if ((t >= kExtT0 && t <= kExtT2)) {
            BR_multiByte(r);
        } else if (t >= kExt0 && t <= kExt2) {
            // no operand
        } else if (t == kOpaque) {
            BR_bytes(r, BR_multiByte(r));
        } else if (t == kPi) {
            return false;
        } else if (t == kLiteral || t == kLiteralC || t == kLiteralA || t == kLiteralAc) {
            BR_multiByte(r);
            if (inAttributes) {
                collecting = false;
            } else if (t == kLiteralA || t == kLiteralAc) {
                inAttributes = true;
                inElement = false;
            }
        } else if (!inAttributes) {
            if (t & kHasAttributes) {
                inAttributes = true;
                inElement = (t & kTagMask) == schema.element;
                collecting = false;
            }
        } else if (t < 0x80) {
            const HrefStart *start = inElement && !found ? hrefStart(schema, t) : nullptr;
            collecting = start != nullptr;
            if (start) {
                *href = start->prefix;
                found = true;
            }
        } else if (collecting) {
            const char *text = valueText(t);
            if (!text)
                return false;
            *href += text;
        }
        if (href->size() > PUSH_HREF_MAX)
            return false;
    }
    return false;
}

// An absolute URL of printable bytes: "scheme://" and something after it.
// B_go checks it fully when the push is opened; the URL parser is not used
// here because a push can arrive while the Browser holds its results.
bool absoluteUrl(const std::string &text)
{
    for (unsigned char c : text)
        if (c <= 0x20 || c >= 0x7F)
            return false;
    size_t colon = text.find("://");
    if (colon == 0 || colon == std::string::npos || colon + 3 >= text.size())
        return false;
    for (size_t i = 0; i < colon; i++) {
        char c = text[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok)
            return false;
    }
    return true;
}

}  // namespace

PushKind pushKind(uint32_t contentType, const uint8_t *body, uint32_t length, std::string *href)
{
    std::string found;
    if (href)
        href->clear();
    if (!body || length == 0)
        return PUSH_KIND_NONE;
    if (contentType == CT_WMLC)
        return PUSH_KIND_DECK;
    const Schema *schema = schemaFor(contentType);
    if (!schema)
        return PUSH_KIND_NONE;
    ByteReader r{body, length, 0, false};
    if (!findHref(*schema, &r, &found) || !absoluteUrl(found))
        return PUSH_KIND_NONE;
    if (href)
        *href = found;
    return schema->kind;
}
