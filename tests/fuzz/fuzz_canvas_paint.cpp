// Paints arbitrary bytes as the canvas's tables. Input: scroll x and y
// (two little-endian 32-bit words), then up to 4096 bytes of table (used as
// both the layout and the event table, zero-filled to 4096), then the bytes
// that the cache hands out for any image URL, in a block of exactly their
// length so that a read past it shows under AddressSanitizer.
#include <cstdint>
#include <cstring>
#include <vector>

#include "cache/cache.h"
#include "common/log.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/fake_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Log_setMode(LOG_OFF);
    setImageSource(C_retrieve);
    constexpr size_t TABLE = 4096;
    int32_t scrollX = size >= 4 ? static_cast<int32_t>(readLe(data)) : 0;
    int32_t scrollY = size >= 8 ? static_cast<int32_t>(readLe(data + 4)) : 0;
    size_t offset = size >= 8 ? 8 : size;
    size_t tableBytes = std::min(size - offset, TABLE);
    std::vector<uint8_t> table(TABLE, 0);
    if (tableBytes > 0)
        std::memcpy(table.data(), data + offset, tableBytes);
    fakeCacheClear();
    if (size > offset + tableBytes)
        fakeCachePut("*", CT_WBMP, std::vector<uint8_t>(data + offset + tableBytes, data + size));
    D_setDeckCharset(size % 2 ? 106 : 4);

    setScroll(scrollX, scrollY);
    submitCanvas(table.data(), table.data());
    D_drawLine(scrollX, scrollY, scrollX & 0xFFFF, scrollY & 0xFFFF, 66);
    clearCanvas();
    return 0;
}
