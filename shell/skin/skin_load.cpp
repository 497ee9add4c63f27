// Loading a parsed skin's pictures, and the virtual buttons' hit test.
#include <array>

#include "shell/skin/skin.h"
#include "shell/display_commands.h"

namespace {

// The command each button issues, in the fixed button order.
constexpr std::array<int, SKIN_BUTTON_COUNT> kButtonCommands = {
    CMD_BACK, CMD_BOOKMARK,  CMD_MENU,        CMD_HOME,        CMD_REFRESH,      CMD_STOP,
    CMD_GO,   CMD_SCROLL_UP, CMD_SCROLL_DOWN, CMD_SCROLL_LEFT, CMD_SCROLL_RIGHT, CMD_PUSH,
};

// The picture at path when there is one and it loads; width and height
// follow the last picture that loaded.
void loadOptional(const std::string &path, SkinImage *image, int *width, int *height)
{
    *image = SkinImage{};
    if (path.empty() || loadBmp24(path.c_str(), image) != BMP_OK)
        return;
    *width = image->width;
    *height = image->height;
}

void loadButton(SkinButton *b, int command)
{
    b->command = command;
    b->present = !b->upPath.empty() || !b->downPath.empty() || !b->highlightPath.empty();
    b->width = b->height = 0;
    loadOptional(b->upPath, &b->up, &b->width, &b->height);
    loadOptional(b->downPath, &b->down, &b->width, &b->height);
    loadOptional(b->highlightPath, &b->highlight, &b->width, &b->height);
}

void loadIndicator(SkinDefinition *skin)
{
    int width = 0, height = 0, unused = 0;
    loadOptional(skin->indicatorOnPath, &skin->indicatorOn, &width, &height);
    loadOptional(skin->indicatorOffPath, &skin->indicatorOff, &unused, &unused);
    skin->indicatorPresent = skin->indicatorOn.loaded() && skin->indicatorOff.loaded();
    if (!skin->indicatorPresent) {
        skin->indicatorOn = SkinImage{};
        skin->indicatorOff = SkinImage{};
        width = height = 0;
    }
    skin->indicatorWidth = width;
    skin->indicatorHeight = height;
}

bool canvasInside(const SkinDefinition &skin)
{
    int64_t x = skin.canvasX, y = skin.canvasY, w = skin.canvasWidth, h = skin.canvasHeight;
    return w >= 1 && h >= 1 && x >= 0 && y >= 0 && x + w <= skin.image.width && y + h <= skin.image.height;
}

// Nothing of an earlier load stays behind, whatever this one reaches.
void releaseImages(SkinDefinition *skin)
{
    skin->loaded = false;
    skin->image = SkinImage{};
    skin->outline.clear();
    for (SkinButton &b : skin->buttons) {
        b.up = b.down = b.highlight = SkinImage{};
        b.width = b.height = 0;
        b.present = false;
    }
    skin->indicatorOn = skin->indicatorOff = SkinImage{};
    skin->indicatorWidth = skin->indicatorHeight = 0;
    skin->indicatorPresent = false;
}

SkinLoadResult fail(SkinDefinition *skin, SkinLoadResult result, std::string *why, const std::string &reason)
{
    skin->image = SkinImage{};
    skin->outline.clear();
    if (why)
        *why = reason;
    return result;
}

}  // namespace

SkinLoadResult loadSkinImages(SkinDefinition *skin, std::string *why)
{
    if (why)
        why->clear();
    releaseImages(skin);
    if (skin->bitmapPath.empty())
        return fail(skin, SKIN_NO_BITMAP, why, "The skin definition names no skin picture (skin.bitmap).");
    const std::string &path = skin->bitmapPath;
    BmpResult r = loadBmp24(path.c_str(), &skin->image);
    if (r == BMP_NOT_24BIT)
        return fail(skin, SKIN_BITMAP_NOT_24BIT, why, path + ": " + bmpResultText(r) + ".");
    if (r != BMP_OK)
        return fail(skin, SKIN_BITMAP_UNREADABLE, why, path + ": " + bmpResultText(r) + ".");
    skin->outline = computeOutline(skin->image);
    if (skin->outline.empty())
        return fail(skin, SKIN_NO_OUTLINE, why,
                    path + ": the outline leaves nothing of the picture (all of it is light and reaches the border).");
    if (!canvasInside(*skin))
        return fail(skin, SKIN_CANVAS_OUTSIDE, why,
                    path + ": the canvas (" + std::to_string(skin->canvasX) + ", " + std::to_string(skin->canvasY) +
                        ", " + std::to_string(skin->canvasWidth) + " x " + std::to_string(skin->canvasHeight) +
                        ") does not lie inside the " + std::to_string(skin->image.width) + " x " +
                        std::to_string(skin->image.height) + " picture.");

    for (int i = 0; i < SKIN_BUTTON_COUNT; i++)
        loadButton(&skin->buttons[i], kButtonCommands[i]);
    loadIndicator(skin);
    skin->loaded = true;
    return SKIN_OK;
}

int hitTestButton(const SkinDefinition &skin, int x, int y)
{
    for (int i = 0; i < SKIN_BUTTON_COUNT; i++) {
        const SkinButton &b = skin.buttons[i];
        // 64-bit: a button placed near the end of the int range must not wrap.
        int64_t left = b.x, top = b.y;
        if (b.present && x >= left && x <= left + b.width && y >= top && y <= top + b.height)
            return i;
    }
    return -1;
}
