#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/directories.h"
#include "common/log.h"
#include "shell/check/check.h"
#include "shell/device_choice.h"
#include "shell/devices/devices.h"
#include "shell/gtk/gtk_main.h"
#include "shell/headless/headless.h"
#include "shell/headless/session.h"
#include "shell/options.h"
#include "shell/startup.h"
#include "shell/window.h"
#include "stack/session.h"

namespace {

// The skins come with the program: beside it in the build tree, under
// share/tovrin once installed.
void addInstalledSkinFolders()
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return;
    self[n] = 0;
    std::string dir(self);
    dir.erase(dir.find_last_of('/') + 1);
    addSkinFolder(dir + "skins");
    addSkinFolder(dir + "../share/tovrin/skins");
    // The user's own profiles come first.
    DV_addFile(Dir_configPath("devices.txt"));
    DV_addFile(dir + "devices.txt");
    DV_addFile(dir + "../share/tovrin/devices.txt");
}

int runScript(const CommandLine &cmd)
{
    FILE *in = stdin;
    if (!cmd.script.empty()) {
        in = std::fopen(cmd.script.c_str(), "r");
        if (!in) {
            std::fprintf(stderr, "tovrin: cannot read script %s\n", cmd.script.c_str());
            return 2;
        }
    }
    int status = 2;
    if (headlessStartup(cmd)) {
        status = runHeadless(in);
        headlessShutdown();
    }
    if (in != stdin)
        std::fclose(in);
    return status;
}

}  // namespace

int main(int argc, char **argv)
{
    CommandLine cmd;
    CheckOptions check;
    std::string error;
    bool checking = argc > 1 && std::strcmp(argv[1], "check") == 0;
    if (checking ? !parseCheckLine(argc - 1, argv + 1, &cmd, &check, &error)
                 : !parseCommandLine(argc, argv, &cmd, &error)) {
        std::fprintf(stderr, "tovrin: %s\n%s", error.c_str(), checking ? kCheckHelp : kUsage);
        return 2;
    }
    if (check.help) {
        std::printf("%s", kCheckHelp);
        return 0;
    }
    if (cmd.help) {
        std::printf("%s\n%s", kUsage, kHelp);
        return 0;
    }
    if (cmd.version) {
        std::printf("Tovrin %s %s\n", S_versionText(), S_buildText());
        return 0;
    }
    // Checked before anything is written, so that a mistaken start leaves
    // no trace.
    if (!cmd.headless && !gtkOpenDisplay(&argc, &argv)) {
        std::fprintf(stderr,
                     "tovrin: cannot open a display (is DISPLAY set?); use --headless to run without a window\n");
        return 2;
    }
    if (!Dir_initDirectories(cmd.home.empty() ? nullptr : cmd.home.c_str())) {
        std::fprintf(stderr, "tovrin: cannot create the directories under %s\n",
                     cmd.home.empty() ? "the XDG base directories" : cmd.home.c_str());
        return 2;
    }
    Log_open();
    Log_setMode(LOG_FILE);
    addInstalledSkinFolders();
    if (!chooseDevice(cmd, &error)) {
        std::fprintf(stderr, "tovrin: %s\n", error.c_str());
        return 2;
    }
    if (checking)
        return runCheck(cmd, check);
    return cmd.headless ? runScript(cmd) : runDesktop(cmd);
}
