#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/check/check.h"

const char *const kCheckHelp = "usage: tovrin check URL [--gateway HOST] [--port 9201|9200] [--device NAME]\n"
                               "                        [--scope PREFIX] [--depth N] [--max-pages N] [--delay MS]\n"
                               "                        [--timeout S] [--json FILE] [--warnings-as-errors]\n"
                               "                        [--follow-posts] [--home DIR]\n"
                               "\n"
                               "Fetches URL through the gateway and every deck, image and script its cards\n"
                               "lead to within PREFIX (default: URL's host and folder), each once, and\n"
                               "reports per page what fails: fetches and gateway errors, decks over the\n"
                               "handset's budget, the decoder's and layout's warnings, missing cards,\n"
                               "access refusals, images that are not WBMP, scripts and their functions.\n"
                               "Forms are never posted unless --follow-posts; scripts are never run.\n"
                               "Exit status: 0 no errors, 1 errors (or warnings with --warnings-as-errors),\n"
                               "2 the check could not run.\n";

namespace {

// A whole number within [low, high].
bool parseBounded(const char *text, int low, int high, int *value)
{
    char *end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || !end || *end || v < low || v > high)
        return false;
    *value = static_cast<int>(v);
    return true;
}

struct NumberOption {
    const char *name;
    int low, high;
    int CheckOptions::*field;
};

constexpr NumberOption kNumbers[] = {
    {"--depth", 0, 1000, &CheckOptions::depth},
    {"--max-pages", 1, 100000, &CheckOptions::maxPages},
    {"--delay", 0, 60000, &CheckOptions::delayMs},
    {"--timeout", 1, 600, &CheckOptions::timeoutS},
};

}  // namespace

bool parseCheckLine(int argc, char **argv, CommandLine *cmd, CheckOptions *options, std::string *error)
{
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options->help = true;
            continue;
        }
        if (arg == "--warnings-as-errors" || arg == "--follow-posts") {
            (arg == "--follow-posts" ? options->followPosts : options->warningsAsErrors) = true;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-' && i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        const NumberOption *number = nullptr;
        for (const NumberOption &n : kNumbers)
            if (arg == n.name)
                number = &n;
        if (number) {
            if (!parseBounded(argv[++i], number->low, number->high, &(options->*(number->field)))) {
                *error = "bad " + arg + " '" + argv[i] + "' (" + std::to_string(number->low) + " to " +
                         std::to_string(number->high) + ")";
                return false;
            }
        } else if (arg == "--gateway") {
            cmd->gateway = argv[++i];
        } else if (arg == "--port") {
            std::string port = argv[++i];
            if (port != "9201" && port != "9200") {
                *error = "bad port '" + port + "' (9201 or 9200)";
                return false;
            }
            cmd->port = std::atoi(port.c_str());
        } else if (arg == "--home") {
            cmd->home = argv[++i];
        } else if (arg == "--device") {
            cmd->device = argv[++i];
        } else if (arg == "--scope") {
            options->scope = argv[++i];
        } else if (arg == "--json") {
            options->json = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg;
            return false;
        } else if (options->startUrl.empty()) {
            options->startUrl = arg;
        } else {
            *error = "more than one URL given";
            return false;
        }
    }
    if (options->startUrl.empty() && !options->help) {
        *error = "check needs a URL";
        return false;
    }
    if (cmd->home.empty()) {
        const char *env = std::getenv("TOVRIN_HOME");
        if (env && *env)
            cmd->home = env;
    }
    cmd->headless = true;
    return true;
}
