#pragma once
// The charset text from the gateway is really in, and conversions between
// the two the browser knows (UTF-8 and ISO-8859-1). The gateway's labels
// cannot be trusted: its deck compiler calls UTF-8 source ISO-8859-1 when
// the source does not say otherwise, and when UTF-8 is asked for it
// converts undeclared UTF-8 source from ISO-8859-1 a second time; its
// script compiler does so to every UTF-8 source, once more when UTF-8 is
// asked for. The text itself decides, for a whole deck or unit at once:
// the gateway converts it in one piece, and the more text is judged
// together the less likely ISO-8859-1 prose passes for UTF-8 by chance.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t CHARSET_MIB_LATIN1 = 4;
constexpr uint32_t CHARSET_MIB_UTF8 = 106;

// What the deck's strings looked like, gathered one string at a time.
struct DeckTextJudge {
    bool anyHigh = false;    // some byte is 0x80 or above
    bool validUtf8 = true;   // every string is well-formed UTF-8
    bool onlyLatin1 = true;  // ... and none decodes beyond U+00FF
    bool innerUtf8 = true;   // those U+0080..U+00FF, taken as bytes, are UTF-8 again
    bool innerMultiByte = false;
};

void Cs_judgeString(const uint8_t *text, size_t length, DeckTextJudge *judge);

// The charset to read the deck in; doubleUtf8 is set when its UTF-8 is
// UTF-8 encoded twice and each string must be decoded once more.
uint32_t Cs_deckCharset(uint32_t labelled, const DeckTextJudge &judge, bool *doubleUtf8);

// Undoes one level of UTF-8 in place over text[0, length): a two-byte
// sequence for U+0080..U+00FF becomes that byte; everything else stays.
// Returns the new length.
size_t Cs_undoDoubleUtf8(char *text, size_t length);

// How many times over UTF-8 texts were encoded beyond the first, judged
// over all of them together (at most 3).
int Cs_extraUtf8Levels(std::vector<std::string> texts);

// The charset a go's accept-charset list (comma- or space-separated names,
// any case, parameters ignored) asks form data in: the first of UTF-8 and
// ISO-8859-1 it names, else the deck's own.
uint32_t Cs_formCharset(const char *acceptCharset, uint32_t deckCharset);

// text from one charset into another (UTF-8 or, for any other number,
// ISO-8859-1). What the target cannot hold, and bytes that are not UTF-8
// where UTF-8 is read, become '?'.
std::string Cs_convertCharset(const char *text, uint32_t from, uint32_t to);
