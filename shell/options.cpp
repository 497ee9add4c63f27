#include "shell/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char *const kUsage = "usage: tovrin [--home DIR] [--screen WxH] [--gateway HOST] [--port 9201|9200]\n"
                           "              [--zoom 1|2|3] [--shared-variables] [--headless] [--script FILE]\n"
                           "              [--capture FILE.pcap] [--device NAME] [URL]\n"
                           "       tovrin check URL [options]    (tovrin check --help)\n"
                           "       tovrin --help | --version\n";

const char *const kHelp = "Tovrin shows WAP sites as a handset does: a handset-shaped window whose\n"
                          "screen shows the current WML card, fetched through a WAP gateway.\n"
                          "\n"
                          "  URL              the page to open (the home page for this run)\n"
                          "  --gateway HOST   the WAP gateway for this run\n"
                          "  --port 9201|9200 connection-oriented (9201) or connectionless (9200) WSP\n"
                          "  --zoom 1|2|3     show the handset 1, 2 or 3 times its size\n"
                          "  --shared-variables\n"
                          "                   a new deck starts with a copy of the variables (until a\n"
                          "                   newcontext), as handsets of WML 1.1's time did\n"
                          "  --home DIR       keep settings, cache and log under DIR (also TOVRIN_HOME)\n"
                          "  --headless       no window: commands one a line from standard input\n"
                          "  --script FILE    with --headless: the commands from FILE\n"
                          "  --screen WxH     with --headless: the canvas size instead of the skin's\n"
                          "  --capture FILE.pcap  every datagram to and from the gateway into FILE,\n"
                          "                   for Wireshark or tshark\n"
                          "  --device NAME    a handset profile for this run: its screen size and deck\n"
                          "                   budget (\"none\": the skin alone; headless \"device NAME\"\n"
                          "                   keeps one as the preference)\n"
                          "  --version        the version and build\n"
                          "\n"
                          "Keys: arrows scroll, Enter or F1 and F2 the soft keys, Backspace back,\n"
                          "Escape stop, F5 reload, Alt+Home home; right click for the menu.\n";

static bool parseScreen(const char *text, CommandLine *cmd)
{
    int w = 0, h = 0;
    char tail = 0;
    if (std::sscanf(text, "%dx%d%c", &w, &h, &tail) != 2)
        return false;
    if (w < 16 || h < 16 || w > 4096 || h > 4096)
        return false;
    cmd->screenWidth = w;
    cmd->screenHeight = h;
    return true;
}

static bool parsePort(const char *text, CommandLine *cmd)
{
    if (std::strcmp(text, "9201") == 0 || std::strcmp(text, "9200") == 0) {
        cmd->port = std::atoi(text);
        return true;
    }
    return false;
}

static bool parseZoom(const char *text, CommandLine *cmd)
{
    if (text[0] < '1' || text[0] > '3' || text[1] != 0)
        return false;
    cmd->zoom = text[0] - '0';
    return true;
}

bool parseCommandLine(int argc, char **argv, CommandLine *cmd, std::string *error)
{
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        bool takesValue = arg == "--home" || arg == "--screen" || arg == "--gateway" || arg == "--port" ||
                          arg == "--script" || arg == "--zoom" || arg == "--capture" || arg == "--device";
        if (takesValue && i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        if (arg == "--home") {
            cmd->home = argv[++i];
        } else if (arg == "--screen") {
            if (!parseScreen(argv[++i], cmd)) {
                *error = std::string("bad screen size '") + argv[i] + "' (want WxH)";
                return false;
            }
        } else if (arg == "--gateway") {
            cmd->gateway = argv[++i];
        } else if (arg == "--port") {
            if (!parsePort(argv[++i], cmd)) {
                *error = std::string("bad port '") + argv[i] + "' (9201 or 9200)";
                return false;
            }
        } else if (arg == "--zoom") {
            if (!parseZoom(argv[++i], cmd)) {
                *error = std::string("bad zoom '") + argv[i] + "' (1, 2 or 3)";
                return false;
            }
        } else if (arg == "--device") {
            cmd->device = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            cmd->help = true;
        } else if (arg == "--version") {
            cmd->version = true;
        } else if (arg == "--script") {
            cmd->script = argv[++i];
        } else if (arg == "--capture") {
            cmd->capture = argv[++i];
        } else if (arg == "--shared-variables") {
            cmd->sharedVariables = true;
        } else if (arg == "--headless") {
            cmd->headless = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg;
            return false;
        } else if (cmd->url.empty()) {
            cmd->url = arg;
        } else {
            *error = "more than one URL given";
            return false;
        }
    }
    if (cmd->home.empty()) {
        const char *env = std::getenv("TOVRIN_HOME");
        if (env && *env)
            cmd->home = env;
    }
    return true;
}
