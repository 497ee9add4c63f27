// Paints arbitrary bytes as the canvas's tables. Input: scroll x and y
// (two little-endian 32-bit words), then up to 4096 bytes of table (used as
// both the layout and the event table, zero-filled to 4096), then the bytes
// that the cache hands out for any image URL, in a block of exactly their
// length so that a read past it shows under AddressSanitizer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"

namespace {
const uint8_t *gImage = nullptr;  // this input's image bytes
size_t gImageLength = 0;

int32_t readWord(const uint8_t *p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

void C_retrieve(const char *, uint32_t *contentType, uint8_t **content, uint32_t *length, CacheResult *result)
{
    if (gImageLength == 0) {
        *result = {2501, 0};
        return;
    }
    *content = static_cast<uint8_t *>(std::malloc(gImageLength));
    std::memcpy(*content, gImage, gImageLength);
    *length = static_cast<uint32_t>(gImageLength);
    *contentType = CT_WBMP;
    *result = {CRES_HIT, 0};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Log_setMode(LOG_OFF);
    setImageSource(C_retrieve);
    constexpr size_t TABLE = 4096;
    int32_t scrollX = size >= 4 ? readWord(data) : 0;
    int32_t scrollY = size >= 8 ? readWord(data + 4) : 0;
    size_t offset = size >= 8 ? 8 : size;
    size_t tableBytes = std::min(size - offset, TABLE);
    std::vector<uint8_t> table(TABLE, 0);
    if (tableBytes > 0)
        std::memcpy(table.data(), data + offset, tableBytes);
    gImage = data + offset + tableBytes;
    gImageLength = size - offset - tableBytes;
    setDeckCharset(size % 2 ? 106 : 4);

    setScroll(scrollX, scrollY);
    submitCanvas(table.data(), table.data());
    drawLine(scrollX, scrollY, scrollX & 0xFFFF, scrollY & 0xFFFF, 66);
    clearCanvas();
    gImage = nullptr;
    gImageLength = 0;
    return 0;
}
