#pragma once
// The WML 1.1 token tables of code page 0: tag codes, attribute start
// tokens (a name and perhaps the first part of the value) and attribute
// value tokens. Each table is data, looked up in both directions: code to
// text for the decoder and the log, text to code for regenerating source.
#include <cstdint>
#include <span>

struct TagToken {
    uint8_t code;  // low 6 bits of a tag byte
    const char *name;
};

struct AttrStartToken {
    uint8_t code;
    const char *name;    // lower case
    const char *prefix;  // "" when the token carries no value part
};

struct AttrValueToken {
    uint8_t code;
    const char *text;
};

std::span<const TagToken> tagTokens();
std::span<const AttrStartToken> attrStartTokens();
std::span<const AttrValueToken> attrValueTokens();

// The tag named by a code (its low 6 bits are used), or nullptr.
const char *W_tagName(uint8_t code);
// The code of a tag name (any case), or -1.
int tagCode(const char *name);

// The start token of this byte, or nullptr.
const AttrStartToken *findAttrStart(uint8_t code);
// The text of a value token, or nullptr.
const char *attrValueText(uint8_t code);

// The start token for name (any case) whose prefix is the longest one that
// value begins with (the token without a prefix when none does); nullptr
// when the name has no start token.
const AttrStartToken *findAttrStartFor(const char *name, const char *value);
// The value token whose text is exactly text, or -1.
int attrValueCode(const char *text);
