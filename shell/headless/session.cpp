#include "shell/headless/session.h"

#include <cstdio>

#include "shell/display/canvas.h"
#include "shell/headless/backend.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "stack/capture.h"

namespace {
int gZoom = 1;  // the handset screenshots' scale
}

int headlessZoom() { return gZoom; }

bool headlessStartup(const CommandLine &cmd)
{
    gZoom = cmd.zoom ? cmd.zoom : 1;
    setPlatform(headlessPlatform());
    // Without a skin the program still runs: the canvas alone.
    if (!loadSkinFromRegistry())
        std::fprintf(stderr, "tovrin: no skin could be loaded; screenshots show the canvas only\n");
    if (cmd.screenWidth && !setCanvasSize(cmd.screenWidth, cmd.screenHeight)) {
        std::fprintf(stderr, "tovrin: cannot make a %dx%d canvas\n", cmd.screenWidth, cmd.screenHeight);
        return false;
    }
    connectDisplayToWindow();
    // For the exchange command.
    S_startDatagramRecord();
    // A script drives the headless program, so the home page is loaded at
    // start-up only when the command line names one.
    return displayInit(cmd, !cmd.url.empty());
}

void headlessShutdown() { displayShutdown(); }
