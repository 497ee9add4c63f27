// The skin definition file: one key and value a line.
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>

#include "shell/skin/skin.h"

namespace {

enum ValueKind { VALUE_INT, VALUE_COLOUR, VALUE_IMAGE };

// One key of the file and the field it fills. Exactly one way to the
// field is set: a member of the definition, a member of one button, or a
// member of one native-control placement.
struct SkinKey {
    const char *key;
    ValueKind kind;
    int SkinDefinition::*intField;
    uint32_t SkinDefinition::*colourField;
    std::string SkinDefinition::*pathField;
    int button;  // SkinButtonIndex for the button members, else -1
    int SkinButton::*buttonInt;
    std::string SkinButton::*buttonPath;
    ControlPlacement SkinDefinition::*control;
    int ControlPlacement::*controlInt;
};

constexpr SkinKey intKey(const char *key, int SkinDefinition::*f)
{
    return {key, VALUE_INT, f, nullptr, nullptr, -1, nullptr, nullptr, nullptr, nullptr};
}
constexpr SkinKey colourKey(const char *key, uint32_t SkinDefinition::*f)
{
    return {key, VALUE_COLOUR, nullptr, f, nullptr, -1, nullptr, nullptr, nullptr, nullptr};
}
constexpr SkinKey imageKey(const char *key, std::string SkinDefinition::*f)
{
    return {key, VALUE_IMAGE, nullptr, nullptr, f, -1, nullptr, nullptr, nullptr, nullptr};
}
constexpr SkinKey buttonInt(const char *key, SkinButtonIndex b, int SkinButton::*f)
{
    return {key, VALUE_INT, nullptr, nullptr, nullptr, b, f, nullptr, nullptr, nullptr};
}
constexpr SkinKey buttonImage(const char *key, SkinButtonIndex b, std::string SkinButton::*f)
{
    return {key, VALUE_IMAGE, nullptr, nullptr, nullptr, b, nullptr, f, nullptr, nullptr};
}
constexpr SkinKey controlInt(const char *key, ControlPlacement SkinDefinition::*c, int ControlPlacement::*f)
{
    return {key, VALUE_INT, nullptr, nullptr, nullptr, -1, nullptr, nullptr, c, f};
}

using D = SkinDefinition;
using B = SkinButton;
using C = ControlPlacement;

// In the order of the key table: the first key found in a line wins.
constexpr std::array<SkinKey, 91> kKeys = {{
    imageKey("skin.bitmap", &D::bitmapPath),
    colourKey("skin.transparent.color", &D::transparentColour),
    intKey("skin.title.x", &D::titleX),
    intKey("skin.title.y", &D::titleY),
    intKey("skin.title.width", &D::titleWidth),
    intKey("skin.title.height", &D::titleHeight),
    colourKey("canvas.background.color", &D::canvasBackground),
    colourKey("canvas.foreground.color", &D::canvasForeground),
    intKey("canvas.x", &D::canvasX),
    intKey("canvas.y", &D::canvasY),
    intKey("canvas.width", &D::canvasWidth),
    intKey("canvas.height", &D::canvasHeight),
    intKey("ind.connection.x", &D::indicatorX),
    intKey("ind.connection.y", &D::indicatorY),
    imageKey("ind.connection.on.bitmap", &D::indicatorOnPath),
    imageKey("ind.connection.off.bitmap", &D::indicatorOffPath),

    buttonInt("vbut.back.x", SKIN_BACK, &B::x),
    buttonInt("vbut.back.y", SKIN_BACK, &B::y),
    buttonImage("vbut.back.up.bitmap", SKIN_BACK, &B::upPath),
    buttonImage("vbut.back.down.bitmap", SKIN_BACK, &B::downPath),
    buttonImage("vbut.back.highlight.bitmap", SKIN_BACK, &B::highlightPath),

    buttonInt("vbut.bookmark.x", SKIN_BOOKMARK, &B::x),
    buttonInt("vbut.bookmark.y", SKIN_BOOKMARK, &B::y),
    buttonImage("vbut.bookmark.up.bitmap", SKIN_BOOKMARK, &B::upPath),
    buttonImage("vbut.bookmark.down.bitmap", SKIN_BOOKMARK, &B::downPath),
    buttonImage("vbut.bookmark.highlight.bitmap", SKIN_BOOKMARK, &B::highlightPath),

    buttonInt("vbut.menu.x", SKIN_MENU, &B::x),
    buttonInt("vbut.menu.y", SKIN_MENU, &B::y),
    buttonImage("vbut.menu.up.bitmap", SKIN_MENU, &B::upPath),
    buttonImage("vbut.menu.down.bitmap", SKIN_MENU, &B::downPath),
    buttonImage("vbut.menu.highlight.bitmap", SKIN_MENU, &B::highlightPath),

    buttonInt("vbut.home.x", SKIN_HOME, &B::x),
    buttonInt("vbut.home.y", SKIN_HOME, &B::y),
    buttonImage("vbut.home.up.bitmap", SKIN_HOME, &B::upPath),
    buttonImage("vbut.home.down.bitmap", SKIN_HOME, &B::downPath),
    buttonImage("vbut.home.highlight.bitmap", SKIN_HOME, &B::highlightPath),

    buttonInt("vbut.refresh.x", SKIN_REFRESH, &B::x),
    buttonInt("vbut.refresh.y", SKIN_REFRESH, &B::y),
    buttonImage("vbut.refresh.up.bitmap", SKIN_REFRESH, &B::upPath),
    buttonImage("vbut.refresh.down.bitmap", SKIN_REFRESH, &B::downPath),
    buttonImage("vbut.refresh.highlight.bitmap", SKIN_REFRESH, &B::highlightPath),

    buttonInt("vbut.stop.x", SKIN_STOP, &B::x),
    buttonInt("vbut.stop.y", SKIN_STOP, &B::y),
    buttonImage("vbut.stop.up.bitmap", SKIN_STOP, &B::upPath),
    buttonImage("vbut.stop.down.bitmap", SKIN_STOP, &B::downPath),
    buttonImage("vbut.stop.highlight.bitmap", SKIN_STOP, &B::highlightPath),

    buttonInt("vbut.go.x", SKIN_GO, &B::x),
    buttonInt("vbut.go.y", SKIN_GO, &B::y),
    buttonImage("vbut.go.up.bitmap", SKIN_GO, &B::upPath),
    buttonImage("vbut.go.down.bitmap", SKIN_GO, &B::downPath),
    buttonImage("vbut.go.highlight.bitmap", SKIN_GO, &B::highlightPath),

    buttonInt("vbut.up.x", SKIN_UP, &B::x),
    buttonInt("vbut.up.y", SKIN_UP, &B::y),
    buttonImage("vbut.up.up.bitmap", SKIN_UP, &B::upPath),
    buttonImage("vbut.up.down.bitmap", SKIN_UP, &B::downPath),
    buttonImage("vbut.up.highlight.bitmap", SKIN_UP, &B::highlightPath),

    // The down button has no highlight key.
    buttonInt("vbut.down.x", SKIN_DOWN, &B::x),
    buttonInt("vbut.down.y", SKIN_DOWN, &B::y),
    buttonImage("vbut.down.up.bitmap", SKIN_DOWN, &B::upPath),
    buttonImage("vbut.down.down.bitmap", SKIN_DOWN, &B::downPath),

    buttonInt("vbut.left.x", SKIN_LEFT, &B::x),
    buttonInt("vbut.left.y", SKIN_LEFT, &B::y),
    buttonImage("vbut.left.up.bitmap", SKIN_LEFT, &B::upPath),
    buttonImage("vbut.left.down.bitmap", SKIN_LEFT, &B::downPath),
    buttonImage("vbut.left.highlight.bitmap", SKIN_LEFT, &B::highlightPath),

    buttonInt("vbut.right.x", SKIN_RIGHT, &B::x),
    buttonInt("vbut.right.y", SKIN_RIGHT, &B::y),
    buttonImage("vbut.right.up.bitmap", SKIN_RIGHT, &B::upPath),
    buttonImage("vbut.right.down.bitmap", SKIN_RIGHT, &B::downPath),
    buttonImage("vbut.right.highlight.bitmap", SKIN_RIGHT, &B::highlightPath),

    buttonInt("vbut.pushIndicator.x", SKIN_PUSH, &B::x),
    buttonInt("vbut.pushIndicator.y", SKIN_PUSH, &B::y),
    buttonImage("vbut.pushIndicator.up.bitmap", SKIN_PUSH, &B::upPath),
    buttonImage("vbut.pushIndicator.down.bitmap", SKIN_PUSH, &B::downPath),
    buttonImage("vbut.pushIndicator.highlight.bitmap", SKIN_PUSH, &B::highlightPath),

    controlInt("but.action1.x", &D::action1, &C::x),
    controlInt("but.action1.y", &D::action1, &C::y),
    controlInt("but.action1.width", &D::action1, &C::width),
    controlInt("but.action1.height", &D::action1, &C::height),
    controlInt("but.action2.x", &D::action2, &C::x),
    controlInt("but.action2.y", &D::action2, &C::y),
    controlInt("but.action2.width", &D::action2, &C::width),
    controlInt("but.action2.height", &D::action2, &C::height),
    controlInt("drop.action3.x", &D::action3, &C::x),
    controlInt("drop.action3.y", &D::action3, &C::y),
    controlInt("drop.action3.width", &D::action3, &C::width),
    controlInt("drop.action3.height", &D::action3, &C::height),
    controlInt("drop.status.x", &D::status, &C::x),
    controlInt("drop.status.y", &D::status, &C::y),
    controlInt("drop.status.width", &D::status, &C::width),
    controlInt("drop.status.height", &D::status, &C::height),
}};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The image path: the directory and the file name, or empty when the file
// name is empty or the whole is longer than an image path may be.
std::string imagePath(const std::string &dir, const std::string &name)
{
    if (name.empty() || dir.size() + name.size() > SKIN_PATH_MAX)
        return {};
    return dir + name;
}

void assign(const SkinKey &k, const std::string &value, const std::string &dir, SkinDefinition *skin)
{
    switch (k.kind) {
    case VALUE_INT: {
        int v = skinInt(value.c_str());
        if (k.intField)
            skin->*k.intField = v;
        else if (k.button >= 0)
            skin->buttons[k.button].*k.buttonInt = v;
        else
            (skin->*k.control).*k.controlInt = v;
        break;
    }
    case VALUE_COLOUR: skin->*k.colourField = skinColour(value.c_str()); break;
    case VALUE_IMAGE: {
        std::string path = imagePath(dir, value);
        if (k.pathField)
            skin->*k.pathField = path;
        else
            skin->buttons[k.button].*k.buttonPath = path;
        break;
    }
    }
}

}  // namespace

int skinInt(const char *text)
{
    if (!text)
        return 0;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Saturated at the ends of the int range rather than overflowing.
    long long v = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        v = v * 10 + (*text - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(-v);
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

uint32_t skinColour(const char *text)
{
    if (!text)
        return 0;
    uint32_t value = 0, weight = 1;
    for (size_t i = std::strlen(text); i-- > 0; weight *= 16) {
        int d = hexDigit(text[i]);
        if (d >= 0)
            value += static_cast<uint32_t>(d) * weight;
    }
    return value;
}

void parseSkinLine(const char *line, const std::string &dir, SkinDefinition *skin)
{
    if (!line || !skin || line[0] == 0 || line[0] == '#')
        return;
    for (const SkinKey &k : kKeys) {
        const char *p = std::strstr(line, k.key);
        if (!p)
            continue;
        while (*p && !isBlank(*p) && *p != '\n' && *p != '\r')
            p++;
        while (isBlank(*p))
            p++;
        std::string value(p);
        if (!value.empty() && value.back() == '\n')
            value.pop_back();
        if (!value.empty() && value.back() == '\r')
            value.pop_back();
        assign(k, value, dir, skin);
        return;
    }
}

bool parseSkinFile(const char *path, SkinDefinition *skin)
{
    if (!skin)
        return false;
    *skin = SkinDefinition{};
    if (!path || !*path)
        return false;
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return false;
    const char *slash = std::strrchr(path, '/');
    std::string dir = slash ? std::string(path, slash + 1 - path) : std::string();

    // A line longer than SKIN_LINE_MAX is read as several pieces of at most
    // that many characters, each taken as a line of its own.
    char piece[SKIN_LINE_MAX + 2];
    size_t length = 0;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        piece[length++] = static_cast<char>(c);
        if (c == '\n' || length == SKIN_LINE_MAX) {
            piece[length] = 0;
            parseSkinLine(piece, dir, skin);
            length = 0;
        }
    }
    if (length > 0) {
        piece[length] = 0;
        parseSkinLine(piece, dir, skin);
    }
    std::fclose(f);
    return true;
}
