// Feeds the input to the BMP decoder (and any picture it yields to the
// outline) and, line by line as the file reader splits it, to the skin
// definition parser, then hit-tests the parsed buttons. Broken invariants
// abort.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "shell/skin/skin.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void checkPicture(const SkinImage &image)
{
    check(image.width >= 1 && image.width <= SKIN_IMAGE_MAX_SIDE);
    check(image.height >= 1 && image.height <= SKIN_IMAGE_MAX_SIDE);
    check(image.pixels.size() == static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
    for (uint32_t p : image.pixels)
        check(p <= 0xFFFFFF);
    // Runs lie in the picture, row by row from the top, apart from each
    // other, and cover only solid pixels or light ones not at the border.
    int lastY = -1, lastEnd = -1;
    for (const OutlineRun &r : computeOutline(image)) {
        check(r.y >= 0 && r.y < image.height && r.x >= 0 && r.width >= 1 && r.x + r.width <= image.width);
        check(r.y > lastY || r.x > lastEnd);
        lastY = r.y;
        lastEnd = r.x + r.width;
    }
}

void checkPath(const std::string &path, const std::string &dir)
{
    check(path.empty() || (path.size() <= SKIN_PATH_MAX && path.compare(0, dir.size(), dir) == 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SkinImage image;
    BmpResult result = decodeBmp24(data, size, &image);
    check(std::strlen(bmpResultText(result)) > 0);
    check((result == BMP_OK) == image.loaded());
    if (result == BMP_OK) {
        checkPicture(image);
        std::vector<uint8_t> again;
        check(encodeBmp24(image, &again));
        SkinImage copy;
        check(decodeBmp24(again.data(), again.size(), &copy) == BMP_OK && copy.pixels == image.pixels);
    }

    // Lines as parseSkinFile cuts them: at a line feed or after
    // SKIN_LINE_MAX characters; a zero byte ends what the parser sees.
    const std::string dir = size && (data[0] & 1) ? "/skins/" : "";
    SkinDefinition skin;
    std::string line;
    for (size_t i = 0; i <= size; i++) {
        if (i < size)
            line.push_back(static_cast<char>(data[i]));
        if (i == size || data[i] == '\n' || line.size() == SKIN_LINE_MAX) {
            parseSkinLine(line.c_str(), dir, &skin);
            skinInt(line.c_str());
            skinColour(line.c_str());
            line.clear();
        }
    }
    checkPath(skin.bitmapPath, dir);
    checkPath(skin.indicatorOnPath, dir);
    checkPath(skin.indicatorOffPath, dir);
    for (SkinButton &b : skin.buttons) {
        checkPath(b.upPath, dir);
        checkPath(b.downPath, dir);
        checkPath(b.highlightPath, dir);
        b.present = true;
        b.width = b.x & 0xFF;
        b.height = b.y & 0xFF;
    }
    for (const SkinButton &b : skin.buttons) {
        int hit = hitTestButton(skin, b.x, b.y);
        check(hit >= 0 && hit < SKIN_BUTTON_COUNT);
        check(hitTestButton(skin, b.x, b.y) == hit);
    }
    return 0;
}
