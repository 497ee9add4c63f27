#pragma once
// Integer to text in radix 2 to 36 (upper-case digits), in a field of
// width characters filled with pad. With pad 0 the text is the digits and
// sign alone. Returns the number of characters written (a terminator
// follows them), or -1 with the buffer untouched when radix or width is
// out of range or the text would not fit bufferSize.
#include <cstddef>
#include <cstdint>

// Digits and sign of the longest value (radix 2, negative) plus the
// terminator.
constexpr size_t INT_TO_TEXT_MAX = 34;

int intToText(char *buffer, size_t bufferSize, int32_t value, int radix, int width, char pad);
