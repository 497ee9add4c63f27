#pragma once
// The skin: a text definition file naming 24-bit BMP pictures, which fixes
// the handset window's size and outline, where the canvas and the four
// native controls sit, the painted virtual buttons and the indicators.
// Parsing, loading, the outline and the hit test live here, free of any
// window system; shell/skin_paint.* paints, the backends show.
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t SKIN_PATH_MAX = 259;  // image paths, as the file names them
constexpr size_t SKIN_LINE_MAX = 255;  // longer lines are read in pieces
constexpr int SKIN_IMAGE_MAX_SIDE = 4096;

// The twelve virtual buttons, in the fixed order of the hit test.
enum SkinButtonIndex {
    SKIN_BACK,
    SKIN_BOOKMARK,
    SKIN_MENU,
    SKIN_HOME,
    SKIN_REFRESH,
    SKIN_STOP,
    SKIN_GO,
    SKIN_UP,
    SKIN_DOWN,
    SKIN_LEFT,
    SKIN_RIGHT,
    SKIN_PUSH,
    SKIN_BUTTON_COUNT
};

// Commands the buttons and controls issue (the main window dispatches them).
constexpr int CMD_ACTION1 = 1007;
constexpr int CMD_ACTION2 = 1008;
constexpr int CMD_ACTION3 = 1009;
constexpr int CMD_PUSH = 1010;
constexpr int CMD_BOOKMARK = 1011;
constexpr int CMD_BACK = 1012;
constexpr int CMD_HOME = 1013;
constexpr int CMD_REFRESH = 1014;
constexpr int CMD_STOP = 1015;
constexpr int CMD_GO = 1016;
constexpr int CMD_STATUS = 1034;
constexpr int CMD_MENU = 1045;
// 1020..1023 (the scroll buttons) are in shell/display_commands.h.

// A decoded picture: pixels 0x00RRGGBB, rows top to bottom.
struct SkinImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    bool loaded() const { return width > 0 && height > 0; }
};

struct SkinButton {
    bool present = false;  // an image path was given (push: a push is waiting)
    int x = 0, y = 0;
    int width = 0, height = 0;  // of the last image loaded: up, down, highlight
    std::string upPath, downPath, highlightPath;
    SkinImage up, down, highlight;
    int command = 0;
};

struct ControlPlacement {
    int x = 0, y = 0, width = 0, height = 0;
};

// One horizontal run of the window's outline, one pixel high.
struct OutlineRun {
    int x = 0, y = 0, width = 0;
};

struct SkinDefinition {
    std::string bitmapPath;
    SkinImage image;
    std::vector<OutlineRun> outline;  // row by row from the top
    bool loaded = false;
    uint32_t transparentColour = 0;  // read and kept; nothing consults it
    int titleX = 0, titleY = 0, titleWidth = 0, titleHeight = 0;
    int canvasX = 0, canvasY = 0, canvasWidth = 0, canvasHeight = 0;
    uint32_t canvasBackground = 0;  // 0x00BBGGRR, as the file gives it
    uint32_t canvasForeground = 0;
    int indicatorX = 0, indicatorY = 0;
    std::string indicatorOnPath, indicatorOffPath;
    SkinImage indicatorOn, indicatorOff;
    int indicatorWidth = 0, indicatorHeight = 0;
    bool indicatorPresent = false;  // both indicator pictures loaded
    SkinButton buttons[SKIN_BUTTON_COUNT];
    ControlPlacement action1, action2, action3, status;
};

// --- the definition file (skin_file.cpp) ---

// Decimal: optional sign and leading digits, 0 without any.
int skinInt(const char *text);
// Hexadecimal read from the right; characters that are not hex digits
// take a position and add nothing.
uint32_t skinColour(const char *text);
// One line of the file; dir is the file's directory with its final '/'.
void parseSkinLine(const char *line, const std::string &dir, SkinDefinition *skin);
// The whole file into skin (cleared first); false when the path is empty
// or the file cannot be opened.
bool parseSkinFile(const char *path, SkinDefinition *skin);

// --- pictures (bmp.cpp) ---

enum BmpResult { BMP_OK = 0, BMP_UNREADABLE, BMP_NOT_BMP, BMP_NOT_24BIT, BMP_TRUNCATED, BMP_TOO_LARGE };
// A Windows BMP with 24 bits per pixel, uncompressed, bottom-up or
// top-down; anything else is refused with its reason.
BmpResult decodeBmp24(const uint8_t *bytes, size_t size, SkinImage *image);
BmpResult loadBmp24(const char *path, SkinImage *image);
const char *bmpResultText(BmpResult result);
// The picture as a bottom-up 24-bit BMP file (for tests and tools); false
// when it is empty or larger than SKIN_IMAGE_MAX_SIDE.
bool encodeBmp24(const SkinImage &image, std::vector<uint8_t> *bytes);

// --- the outline (outline.cpp) ---

// Light pixels (all three components 192 or more) joined to the border
// through light pixels are outside; the rest is the window.
std::vector<OutlineRun> computeOutline(const SkinImage &image);

// --- loading (skin_load.cpp) ---

enum SkinLoadResult {
    SKIN_OK = 0,
    SKIN_NO_BITMAP,          // no skin.bitmap line
    SKIN_BITMAP_UNREADABLE,  // missing, unreadable, not a BMP, cut short, too large
    SKIN_BITMAP_NOT_24BIT,
    SKIN_CANVAS_OUTSIDE,  // the canvas does not lie inside the picture
    SKIN_NO_OUTLINE,      // the outline leaves nothing of the picture
};
// The skin picture, its outline, the buttons' and indicator's pictures
// and the commands; why gets a sentence naming the file and the reason
// when the result is not SKIN_OK. Missing button or indicator pictures
// only leave the element absent.
SkinLoadResult loadSkinImages(SkinDefinition *skin, std::string *why);
// The button under (x, y), both bounds inclusive, first in the fixed
// order; -1 for none. Absent buttons are skipped.
int hitTestButton(const SkinDefinition &skin, int x, int y);
