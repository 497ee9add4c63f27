// The window outline: the picture without the light areas that reach its
// border. Alternating sweeps over the mask would reach the same fixed
// point as this flood fill from the border, which visits each pixel once.
#include "shell/skin/skin.h"

namespace {

bool isLight(uint32_t pixel)
{
    return (pixel & 0xFF) >= 192 && (pixel >> 8 & 0xFF) >= 192 && (pixel >> 16 & 0xFF) >= 192;
}

}  // namespace

std::vector<OutlineRun> computeOutline(const SkinImage &image)
{
    std::vector<OutlineRun> runs;
    if (!image.loaded() || image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        return runs;
    const size_t w = static_cast<size_t>(image.width), h = static_cast<size_t>(image.height);
    const std::vector<uint32_t> &px = image.pixels;

    // outside[i]: a light pixel joined to the border through light pixels.
    // A pixel is marked when it is queued, so it is queued at most once.
    std::vector<uint8_t> outside(w * h, 0);
    std::vector<size_t> pending;
    auto reach = [&](size_t i) {
        if (!outside[i] && isLight(px[i])) {
            outside[i] = 1;
            pending.push_back(i);
        }
    };
    for (size_t x = 0; x < w; x++) {
        reach(x);
        reach((h - 1) * w + x);
    }
    for (size_t y = 0; y < h; y++) {
        reach(y * w);
        reach(y * w + w - 1);
    }
    while (!pending.empty()) {
        size_t i = pending.back();
        pending.pop_back();
        size_t x = i % w;
        if (x > 0)
            reach(i - 1);
        if (x + 1 < w)
            reach(i + 1);
        if (i >= w)
            reach(i - w);
        if (i + w < w * h)
            reach(i + w);
    }

    for (size_t y = 0; y < h; y++) {
        const uint8_t *row = outside.data() + y * w;
        for (size_t x = 0; x < w;) {
            if (row[x]) {
                x++;
                continue;
            }
            size_t start = x;
            while (x < w && !row[x])
                x++;
            runs.push_back({static_cast<int>(start), static_cast<int>(y), static_cast<int>(x - start)});
        }
    }
    return runs;
}
