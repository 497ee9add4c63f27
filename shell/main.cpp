#include <cstdio>
#include <string>

#include "common/directories.h"
#include "common/log.h"
#include "shell/headless/headless.h"
#include "shell/headless/session.h"
#include "shell/options.h"

int main(int argc, char **argv)
{
    CommandLine cmd;
    std::string error;
    if (!parseCommandLine(argc, argv, &cmd, &error)) {
        std::fprintf(stderr, "tovrin: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (!initDirectories(cmd.home.empty() ? nullptr : cmd.home.c_str())) {
        std::fprintf(stderr, "tovrin: cannot create the directories under %s\n",
                     cmd.home.empty() ? "the XDG base directories" : cmd.home.c_str());
        return 2;
    }
    Log_open();
    Log_setMode(LOG_FILE);

    if (!cmd.headless) {
        std::fprintf(stderr, "tovrin: the desktop window is not available yet; use --headless\n");
        return 2;
    }
    FILE *in = stdin;
    if (!cmd.script.empty()) {
        in = std::fopen(cmd.script.c_str(), "r");
        if (!in) {
            std::fprintf(stderr, "tovrin: cannot read script %s\n", cmd.script.c_str());
            return 2;
        }
    }
    if (!headlessStartup(cmd))
        return 2;
    int status = runHeadless(in);
    headlessShutdown();
    if (in != stdin)
        std::fclose(in);
    return status;
}
