#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/log.h"
#include "shell/headless/headless.h"

namespace {

enum CommandResult { CMD_OK, CMD_FAILED, CMD_QUIT };

struct Command {
    const char *name;
    CommandResult (*run)(const std::vector<std::string> &args);
};

void fail(const char *why) { std::printf("error: %s\n", why); }

CommandResult cmdQuit(const std::vector<std::string> &)
{
    std::printf("quit\n");
    return CMD_QUIT;
}

const Command kCommands[] = {
    {"quit", cmdQuit},
};

std::vector<std::string> splitWords(const std::string &line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            i++;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            i++;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

CommandResult dispatch(const std::string &line)
{
    std::vector<std::string> words = splitWords(line);
    if (words.empty() || words[0][0] == '#')
        return CMD_OK;
    for (const Command &c : kCommands) {
        if (words[0] == c.name) {
            Log_printf("Display: headless command [%s]\n", line.c_str());
            return c.run(words);
        }
    }
    fail(("unknown command " + words[0]).c_str());
    return CMD_FAILED;
}

bool readLine(FILE *in, std::string *line)
{
    line->clear();
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line->push_back(static_cast<char>(c));
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return c != EOF || !line->empty();
}

}  // namespace

int runHeadless(FILE *in)
{
    std::string line;
    while (readLine(in, &line)) {
        CommandResult r = dispatch(line);
        std::fflush(stdout);
        if (r == CMD_QUIT)
            return 0;
        if (r == CMD_FAILED)
            return 1;
    }
    return 0;
}
