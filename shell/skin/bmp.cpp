// A small reader (and writer) of uncompressed 24-bit Windows BMP files:
// the skin's pictures. Every read is checked against the input's size.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/byte_reader.h"
#include "shell/skin/skin.h"

namespace {

constexpr size_t FILE_HEADER_SIZE = 14;   // BITMAPFILEHEADER
constexpr uint32_t INFO_HEADER_MIN = 40;  // BITMAPINFOHEADER; V4 and V5 are longer
constexpr uint32_t BI_RGB = 0;
// More than the largest picture accepted needs (4096 rows of 4096 pixels
// and a generous header): a longer file is read only this far.
constexpr size_t FILE_READ_MAX = 64u << 20;

void put16(std::vector<uint8_t> *out, uint32_t v)
{
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t> *out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Bit counts of BMP files this reader refuses as "not 24-bit" rather than
// as "not a BMP" (0: JPEG or PNG inside).
bool otherBitCount(uint32_t bits)
{
    return bits == 0 || bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 32 || bits == 64;
}

}  // namespace

BmpResult decodeBmp24(const uint8_t *bytes, size_t size, SkinImage *image)
{
    if (!image)
        return BMP_UNREADABLE;
    *image = SkinImage{};
    if (!bytes || size < 2 || bytes[0] != 'B' || bytes[1] != 'M')
        return BMP_NOT_BMP;
    // Both headers are read in order from the file header's pixel offset on.
    ByteReader r{bytes, static_cast<uint32_t>(std::min<size_t>(size, FILE_HEADER_SIZE + INFO_HEADER_MIN)), 10, false};
    uint64_t pixelOffset = BR_le(&r, 4);
    uint64_t infoSize = BR_le(&r, 4);
    if (r.failed)
        return BMP_TRUNCATED;
    if (infoSize < INFO_HEADER_MIN)
        return BMP_NOT_BMP;  // the old OS/2 header, or nonsense
    if (FILE_HEADER_SIZE + infoSize > size)
        return BMP_TRUNCATED;
    int64_t width = static_cast<int32_t>(BR_le(&r, 4));
    int64_t height = static_cast<int32_t>(BR_le(&r, 4));
    uint32_t planes = BR_le(&r, 2);
    uint32_t bits = BR_le(&r, 2);
    uint32_t compression = BR_le(&r, 4);
    if (planes != 1)
        return BMP_NOT_BMP;
    if (bits != 24)
        return otherBitCount(bits) ? BMP_NOT_24BIT : BMP_NOT_BMP;
    if (compression != BI_RGB)
        return BMP_NOT_BMP;
    bool topDown = height < 0;
    if (topDown)
        height = -height;  // int64: even INT32_MIN turns positive
    if (width <= 0 || height <= 0 || width > SKIN_IMAGE_MAX_SIDE || height > SKIN_IMAGE_MAX_SIDE)
        return BMP_TOO_LARGE;
    // The pixels lie after both headers; every row but the last is padded
    // to four bytes (a missing pad after the last row is forgiven).
    if (pixelOffset < FILE_HEADER_SIZE + infoSize)
        return BMP_NOT_BMP;
    uint64_t rowBytes = static_cast<uint64_t>(width) * 3;
    uint64_t stride = (rowBytes + 3) & ~uint64_t{3};
    uint64_t needed = pixelOffset + stride * static_cast<uint64_t>(height - 1) + rowBytes;
    if (needed > size)
        return BMP_TRUNCATED;

    int w = static_cast<int>(width), h = static_cast<int>(height);
    image->pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; y++) {
        int fileRow = topDown ? y : h - 1 - y;
        const uint8_t *row = bytes + pixelOffset + stride * static_cast<uint64_t>(fileRow);
        uint32_t *out = image->pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int x = 0; x < w; x++, row += 3)
            out[x] = static_cast<uint32_t>(row[2]) << 16 | static_cast<uint32_t>(row[1]) << 8 | row[0];
    }
    image->width = w;
    image->height = h;
    return BMP_OK;
}

BmpResult loadBmp24(const char *path, SkinImage *image)
{
    if (!image)
        return BMP_UNREADABLE;
    *image = SkinImage{};
    if (!path || !*path)
        return BMP_UNREADABLE;
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return BMP_UNREADABLE;
    struct stat st { };
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return BMP_UNREADABLE;
    }
    std::vector<uint8_t> bytes;
    size_t want = static_cast<uint64_t>(st.st_size) < FILE_READ_MAX ? static_cast<size_t>(st.st_size) : FILE_READ_MAX;
    bytes.resize(want);
    size_t got = want ? std::fread(bytes.data(), 1, want, f) : 0;
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return BMP_UNREADABLE;
    bytes.resize(got);  // a file that shrank meanwhile is simply shorter
    return decodeBmp24(bytes.data(), bytes.size(), image);
}

const char *bmpResultText(BmpResult result)
{
    switch (result) {
    case BMP_OK: return "a 24-bit BMP picture";
    case BMP_UNREADABLE: return "cannot be read";
    case BMP_NOT_BMP: return "not a BMP picture this program can read";
    case BMP_NOT_24BIT: return "not a 24-bit BMP picture";
    case BMP_TRUNCATED: return "the BMP picture is cut short";
    case BMP_TOO_LARGE: return "the picture is empty or larger than 4096 pixels a side";
    }
    return "unknown BMP result";
}

bool encodeBmp24(const SkinImage &image, std::vector<uint8_t> *bytes)
{
    if (!bytes || !image.loaded() || image.width > SKIN_IMAGE_MAX_SIDE || image.height > SKIN_IMAGE_MAX_SIDE ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        return false;
    uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
    uint32_t offset = FILE_HEADER_SIZE + INFO_HEADER_MIN;
    bytes->clear();
    bytes->reserve(offset + dataSize);
    bytes->push_back('B');
    bytes->push_back('M');
    put32(bytes, offset + dataSize);
    put32(bytes, 0);  // reserved
    put32(bytes, offset);
    put32(bytes, INFO_HEADER_MIN);
    put32(bytes, static_cast<uint32_t>(image.width));
    put32(bytes, static_cast<uint32_t>(image.height));  // positive: bottom-up
    put16(bytes, 1);                                    // planes
    put16(bytes, 24);
    put32(bytes, BI_RGB);
    put32(bytes, dataSize);
    put32(bytes, 2835);  // 72 dots per inch, both ways
    put32(bytes, 2835);
    put32(bytes, 0);  // colours used
    put32(bytes, 0);  // important colours
    for (int y = image.height - 1; y >= 0; y--) {
        const uint32_t *row = image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
        for (int x = 0; x < image.width; x++) {
            bytes->push_back(static_cast<uint8_t>(row[x]));
            bytes->push_back(static_cast<uint8_t>(row[x] >> 8));
            bytes->push_back(static_cast<uint8_t>(row[x] >> 16));
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < stride; pad++)
            bytes->push_back(0);
    }
    return true;
}
