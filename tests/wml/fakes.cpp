#include "tests/wml/fakes.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "browser/context.h"
#include "browser/timer.h"
#include "cache/cache.h"
#include "shell/display.h"
#include "shell/fixed_metrics.h"

std::map<std::string, std::string> gFakeVars;
std::string gFakeCardName, gFakeCardTitle;
int gFakeNewContexts = 0;
int gFakeTimerValue = -1;
std::string gFakeTimerVar;
int gFakeCanvasWidth = 120, gFakeCanvasHeight = 160;

static uint32_t gFakeCharset = 4;

std::vector<uint8_t> loadDeck(const char *name)
{
    std::ifstream in(std::string(WML_DECK_DIR) + "/" + name + ".wmlc", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes header(uint8_t charset, const std::string &table)
{
    Bytes b = {0x01, 0x04, charset, static_cast<uint8_t>(table.size())};
    return b + Bytes(table.begin(), table.end());
}

Bytes str(const std::string &text) { return Bytes{0x03} + Bytes(text.begin(), text.end()) + Bytes{0}; }

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void fakeReset()
{
    gFakeVars.clear();
    gFakeCardName = gFakeCardTitle = gFakeTimerVar = "";
    gFakeNewContexts = 0;
    gFakeTimerValue = -1;
    gFakeCanvasWidth = 120;
    gFakeCanvasHeight = 160;
}

const char *getContextVal(const char *name)
{
    auto it = gFakeVars.find(name);
    return it == gFakeVars.end() ? "" : it->second.c_str();
}

int setContextVal(const char *name, const char *value)
{
    gFakeVars[name] = value;
    return 1;
}

int hasContextVal(const char *name) { return gFakeVars.count(name) ? 1 : 0; }

void newContext()
{
    gFakeNewContexts++;
    gFakeVars.clear();
}

void setCardInfo(const char *name, const char *title)
{
    gFakeCardName = name;
    gFakeCardTitle = title;
}

void setTimer(int value, const char *variableName)
{
    gFakeTimerValue = value;
    gFakeTimerVar = variableName ? variableName : "";
}

void killTimer() { gFakeTimerValue = -1; }

void getCanvasSize(int *width, int *height)
{
    *width = gFakeCanvasWidth;
    *height = gFakeCanvasHeight;
}

void D_setDeckCharset(uint32_t charset) { gFakeCharset = charset; }
uint32_t D_getDeckCharset() { return gFakeCharset; }

bool measureText(uint8_t style, const char *text, int *width, int *height)
{
    fixedMeasureText(style, text, gFakeCharset == 106, width, height);
    return true;
}

int fitText(uint8_t style, const char *text, int width)
{
    return fixedFitText(style, text, gFakeCharset == 106, width);
}
