// The WML 1.1 tag and attribute token tables (code page 0) and their
// look-ups in both directions.
#include "wml/wml_tokens.h"

#include <strings.h>

#include <array>
#include <cstring>

namespace {

// clang-format off
constexpr TagToken TAGS[] = {
    {0x1C, "a"},        {0x1D, "td"},       {0x1E, "tr"},     {0x1F, "table"},    {0x20, "p"},
    {0x21, "postfield"}, {0x22, "anchor"},  {0x23, "access"}, {0x24, "b"},        {0x25, "big"},
    {0x26, "br"},       {0x27, "card"},     {0x28, "do"},     {0x29, "em"},       {0x2A, "fieldset"},
    {0x2B, "go"},       {0x2C, "head"},     {0x2D, "i"},      {0x2E, "img"},      {0x2F, "input"},
    {0x30, "meta"},     {0x31, "noop"},     {0x32, "prev"},   {0x33, "onevent"},  {0x34, "optgroup"},
    {0x35, "option"},   {0x36, "refresh"},  {0x37, "select"}, {0x38, "small"},    {0x39, "strong"},
    {0x3B, "template"}, {0x3C, "timer"},    {0x3D, "u"},      {0x3E, "setvar"},   {0x3F, "wml"},
};
// clang-format on

constexpr AttrStartToken ATTR_STARTS[] = {
    {0x05, "accept-charset", ""},
    {0x06, "align", "bottom"},
    {0x07, "align", "center"},
    {0x08, "align", "left"},
    {0x09, "align", "middle"},
    {0x0A, "align", "right"},
    {0x0B, "align", "top"},
    {0x0C, "alt", ""},
    {0x0D, "content", ""},
    {0x0F, "domain", ""},
    {0x10, "emptyok", "false"},
    {0x11, "emptyok", "true"},
    {0x12, "format", ""},
    {0x13, "height", ""},
    {0x14, "hspace", ""},
    {0x15, "ivalue", ""},
    {0x16, "iname", ""},
    {0x18, "label", ""},
    {0x19, "localsrc", ""},
    {0x1A, "maxlength", ""},
    {0x1B, "method", "get"},
    {0x1C, "method", "post"},
    {0x1D, "mode", "nowrap"},
    {0x1E, "mode", "wrap"},
    {0x1F, "multiple", "false"},
    {0x20, "multiple", "true"},
    {0x21, "name", ""},
    {0x22, "newcontext", "false"},
    {0x23, "newcontext", "true"},
    {0x24, "onpick", ""},
    {0x25, "onenterbackward", ""},
    {0x26, "onenterforward", ""},
    {0x27, "ontimer", ""},
    {0x28, "optional", "false"},
    {0x29, "optional", "true"},
    {0x2A, "path", ""},
    {0x2E, "scheme", ""},
    {0x2F, "sendreferer", "false"},
    {0x30, "sendreferer", "true"},
    {0x31, "size", ""},
    {0x32, "src", ""},
    {0x33, "ordered", "true"},
    {0x34, "ordered", "false"},
    {0x35, "tabindex", ""},
    {0x36, "title", ""},
    {0x37, "type", ""},
    {0x38, "type", "accept"},
    {0x39, "type", "delete"},
    {0x3A, "type", "help"},
    {0x3B, "type", "password"},
    {0x3C, "type", "onpick"},
    {0x3D, "type", "onenterbackward"},
    {0x3E, "type", "onenterforward"},
    {0x3F, "type", "ontimer"},
    {0x45, "type", "options"},
    {0x46, "type", "prev"},
    {0x47, "type", "reset"},
    {0x48, "type", "text"},
    {0x49, "type", "vnd."},
    {0x4A, "href", ""},
    {0x4B, "href", "http://"},
    {0x4C, "href", "https://"},
    {0x4D, "value", ""},
    {0x4E, "vspace", ""},
    {0x4F, "width", ""},
    {0x50, "xml:lang", ""},
    {0x52, "align", ""},
    {0x53, "columns", ""},
    {0x54, "class", ""},
    {0x55, "id", ""},
    {0x56, "forua", "false"},
    {0x57, "forua", "true"},
    {0x58, "src", "http://"},
    {0x59, "src", "https://"},
    {0x5A, "http-equiv", ""},
    {0x5B, "http-equiv", "Content-Type"},
    // No "=" after "charset": that is how the token is defined.
    {0x5C, "content", "application/vnd.wap.wmlc;charset"},
    {0x5D, "http-equiv", "Expires"},
};

// clang-format off
constexpr AttrValueToken ATTR_VALUES[] = {
    {0x85, ".com/"},     {0x86, ".edu/"},          {0x87, ".net/"},           {0x88, ".org/"},
    {0x89, "accept"},    {0x8A, "bottom"},         {0x8B, "clear"},           {0x8C, "delete"},
    {0x8D, "help"},      {0x8E, "http://"},        {0x8F, "http://www."},     {0x90, "https://"},
    {0x91, "https://www."}, {0x93, "middle"},      {0x94, "nowrap"},          {0x95, "onpick"},
    {0x96, "onenterbackward"}, {0x97, "onenterforward"}, {0x98, "ontimer"},   {0x99, "options"},
    {0x9A, "password"},  {0x9B, "reset"},          {0x9D, "text"},            {0x9E, "top"},
    {0x9F, "unknown"},   {0xA0, "wrap"},           {0xA1, "www."},
};
// clang-format on

static_assert(std::size(TAGS) == 35);
static_assert(std::size(ATTR_STARTS) == 78);
static_assert(std::size(ATTR_VALUES) == 27);

// Byte-indexed views of the tables, built once at compile time, so that
// the decoder's per-token look-ups are a single index.
template <typename T, size_t N> constexpr std::array<int16_t, 256> indexByCode(const T (&table)[N])
{
    std::array<int16_t, 256> index{};
    index.fill(-1);
    for (size_t i = 0; i < N; i++) {
        index[table[i].code] = static_cast<int16_t>(i);
    }
    return index;
}

constexpr auto TAG_INDEX = indexByCode(TAGS);
constexpr auto ATTR_START_INDEX = indexByCode(ATTR_STARTS);
constexpr auto ATTR_VALUE_INDEX = indexByCode(ATTR_VALUES);

}  // namespace

std::span<const TagToken> tagTokens() { return TAGS; }
std::span<const AttrStartToken> attrStartTokens() { return ATTR_STARTS; }
std::span<const AttrValueToken> attrValueTokens() { return ATTR_VALUES; }

const char *W_tagName(uint8_t code)
{
    int i = TAG_INDEX[code & 0x3F];
    return i < 0 ? nullptr : TAGS[i].name;
}

int tagCode(const char *name)
{
    for (const TagToken &t : TAGS) {
        if (strcasecmp(t.name, name) == 0) {
            return t.code;
        }
    }
    return -1;
}

const AttrStartToken *findAttrStart(uint8_t code)
{
    int i = ATTR_START_INDEX[code];
    return i < 0 ? nullptr : &ATTR_STARTS[i];
}

const char *attrValueText(uint8_t code)
{
    int i = ATTR_VALUE_INDEX[code];
    return i < 0 ? nullptr : ATTR_VALUES[i].text;
}

const AttrStartToken *findAttrStartFor(const char *name, const char *value)
{
    const AttrStartToken *best = nullptr;
    size_t bestLength = 0;
    for (const AttrStartToken &t : ATTR_STARTS) {
        if (strcasecmp(t.name, name) != 0) {
            continue;
        }
        size_t n = std::strlen(t.prefix);
        if (std::strncmp(value, t.prefix, n) == 0 && (!best || n > bestLength)) {
            best = &t;
            bestLength = n;
        }
    }
    return best;
}

int attrValueCode(const char *text)
{
    for (const AttrValueToken &t : ATTR_VALUES) {
        if (std::strcmp(t.text, text) == 0) {
            return t.code;
        }
    }
    return -1;
}
