#include "common/int_to_text.h"

#include <algorithm>
#include <cstring>

static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

static int digitCount(uint32_t magnitude, int radix)
{
    int n = 1;
    while (magnitude >= static_cast<uint32_t>(radix)) {
        magnitude /= radix;
        n++;
    }
    return n;
}

int intToText(char *buffer, size_t bufferSize, int32_t value, int radix, int width, char pad)
{
    if (!buffer || radix < 2 || radix > 36 || width < 1)
        return -1;
    bool negative = value < 0;
    // Unsigned negation renders the most negative value in full.
    uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    int digits = digitCount(magnitude, radix);
    int natural = digits + (negative ? 1 : 0);
    // A padded field narrower than the number grows to fit instead of
    // cutting digits off.
    if (static_cast<size_t>(std::max(width, natural)) + 1 > bufferSize)
        return -1;

    std::memset(buffer, pad, width);
    buffer[width] = 0;
    for (int i = 0; i < digits; i++) {
        buffer[i] = kDigits[magnitude % radix];
        magnitude /= radix;
    }

    int length = digits;
    if (negative) {
        // With a padding character other than a blank the sign leads the
        // padding ("-0042"); otherwise it sits next to the digits ("  -42").
        if (pad != 0 && pad != ' ' && digits < width)
            buffer[width - 1] = '-';
        else
            buffer[length] = '-';
        length++;
    }
    if (pad != 0)
        length = std::max(length, width);
    buffer[length] = 0;
    std::reverse(buffer, buffer + length);
    return length;
}
