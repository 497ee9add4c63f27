#include "common/charset.h"

#include <strings.h>

#include <cstring>

namespace {

// Length of the well-formed UTF-8 sequence at text (at most left bytes),
// 0 when there is none; *code gets its value.
size_t sequenceAt(const uint8_t *text, size_t left, uint32_t *code)
{
    uint8_t b = text[0];
    size_t n = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (n == 0 || n > left)
        return 0;
    uint32_t value = n == 1 ? b : b & (0x7F >> n);
    for (size_t i = 1; i < n; i++) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (text[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    constexpr uint32_t LEAST[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < LEAST[n] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return 0;
    *code = value;
    return n;
}

}  // namespace

void Cs_judgeString(const uint8_t *text, size_t length, DeckTextJudge *judge)
{
    uint8_t inner[4];  // the decoded bytes of one sequence still being gathered
    size_t innerHave = 0, innerNeed = 0;
    for (size_t i = 0; i < length;) {
        uint32_t code = 0;
        size_t n = sequenceAt(text + i, length - i, &code);
        if (n == 0) {
            judge->anyHigh = true;
            judge->validUtf8 = false;
            return;
        }
        i += n;
        if (code < 0x80)
            continue;
        judge->anyHigh = true;
        if (code > 0xFF) {
            judge->onlyLatin1 = false;
            continue;
        }
        // Gather the bytes of an inner sequence and check it whole.
        if (innerHave == 0) {
            uint8_t lead = static_cast<uint8_t>(code);
            innerNeed = lead >= 0xC2 && lead <= 0xDF   ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
            if (innerNeed == 0) {
                judge->innerUtf8 = false;
                continue;
            }
        }
        inner[innerHave++] = static_cast<uint8_t>(code);
        if (innerHave == innerNeed) {
            uint32_t ignored = 0;
            if (sequenceAt(inner, innerHave, &ignored) == innerHave)
                judge->innerMultiByte = true;
            else
                judge->innerUtf8 = false;
            innerHave = 0;
        }
    }
    if (innerHave != 0)
        judge->innerUtf8 = false;
}

uint32_t Cs_deckCharset(uint32_t labelled, const DeckTextJudge &judge, bool *doubleUtf8)
{
    *doubleUtf8 = false;
    if (!judge.anyHigh || !judge.validUtf8)
        return labelled;
    if (labelled != CHARSET_MIB_UTF8)
        return CHARSET_MIB_UTF8;
    *doubleUtf8 = judge.onlyLatin1 && judge.innerUtf8 && judge.innerMultiByte;
    return labelled;
}

size_t Cs_undoDoubleUtf8(char *text, size_t length)
{
    size_t out = 0;
    for (size_t i = 0; i < length;) {
        auto b = static_cast<uint8_t>(text[i]);
        auto next = i + 1 < length ? static_cast<uint8_t>(text[i + 1]) : 0;
        if ((b == 0xC2 || b == 0xC3) && (next & 0xC0) == 0x80) {
            text[out++] = static_cast<char>(((b & 0x03) << 6) | (next & 0x3F));
            i += 2;
        } else {
            text[out++] = text[i++];
        }
    }
    return out;
}

int Cs_extraUtf8Levels(std::vector<std::string> texts)
{
    constexpr int MAX_LEVELS = 3;
    for (int level = 0; level < MAX_LEVELS; level++) {
        DeckTextJudge judge;
        for (const std::string &text : texts)
            Cs_judgeString(reinterpret_cast<const uint8_t *>(text.data()), text.size(), &judge);
        bool doubled = false;
        Cs_deckCharset(CHARSET_MIB_UTF8, judge, &doubled);
        if (!doubled)
            return level;
        for (std::string &text : texts)
            text.resize(Cs_undoDoubleUtf8(text.data(), text.size()));
    }
    return MAX_LEVELS;
}

namespace {

struct CharsetName {
    const char *name;
    uint32_t mib;
};

// clang-format off
constexpr CharsetName CHARSET_NAMES[] = {
    {"utf-8", CHARSET_MIB_UTF8},
    {"utf8", CHARSET_MIB_UTF8},
    {"iso-8859-1", CHARSET_MIB_LATIN1},
    {"iso_8859-1", CHARSET_MIB_LATIN1},
    {"latin1", CHARSET_MIB_LATIN1},
};
// clang-format on

void appendUtf8(uint32_t code, std::string *out)
{
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
        return;
    }
    if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    } else {
        if (code < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (code >> 18)));
            out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        }
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    }
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
}

}  // namespace

uint32_t Cs_formCharset(const char *acceptCharset, uint32_t deckCharset)
{
    const char *p = acceptCharset ? acceptCharset : "";
    while (*p) {
        size_t skip = strspn(p, ", \t");
        p += skip;
        size_t n = strcspn(p, ", \t;");
        for (const CharsetName &known : CHARSET_NAMES) {
            if (n == strlen(known.name) && strncasecmp(p, known.name, n) == 0)
                return known.mib;
        }
        p += n;
        p += strcspn(p, ", \t");  // a parameter such as ";q=0.5"
    }
    return deckCharset;
}

std::string Cs_convertCharset(const char *text, uint32_t from, uint32_t to)
{
    const bool fromUtf8 = from == CHARSET_MIB_UTF8;
    const bool toUtf8 = to == CHARSET_MIB_UTF8;
    if (!text || fromUtf8 == toUtf8)
        return text ? text : "";
    const auto *bytes = reinterpret_cast<const uint8_t *>(text);
    const size_t length = strlen(text);
    std::string out;
    for (size_t i = 0; i < length;) {
        uint32_t code = bytes[i];
        size_t n = 1;
        if (fromUtf8) {
            n = sequenceAt(bytes + i, length - i, &code);
            if (n == 0) {
                code = '?';
                n = 1;
            }
        }
        i += n;
        if (toUtf8)
            appendUtf8(code, &out);
        else
            out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
    }
    return out;
}
