#include "shell/devices/devices.h"

#include <strings.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::string> gFiles;          // candidate files, in order
std::vector<DeviceProfile> gProfiles;     // those of the first file read
std::vector<std::string> gErrors;         // its bad lines
bool gLoaded = false;                     // the files were looked at
const DeviceProfile *gCurrent = nullptr;  // the profile of this run

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string> splitFields(const std::string &line)
{
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            i++;
        size_t start = i;
        while (i < line.size() && !isBlank(line[i]))
            i++;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

// A whole decimal number within [low, high].
bool parseNumber(const std::string &text, long low, long high, long *value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = std::strtol(text.c_str(), nullptr, 10);
    return *value >= low && *value <= high;
}

bool parseSize(const std::string &text, int *width, int *height)
{
    size_t x = text.find('x');
    long w = 0, h = 0;
    if (x == std::string::npos || !parseNumber(text.substr(0, x), DEVICE_SIDE_MIN, DEVICE_SIDE_MAX, &w) ||
        !parseNumber(text.substr(x + 1), DEVICE_SIDE_MIN, DEVICE_SIDE_MAX, &h))
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool validName(const std::string &name)
{
    if (name.empty() || name.size() > DEVICE_NAME_MAX)
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
              c == '.'))
            return false;
    return true;
}

// The reason a line is no profile, or "" with out filled.
std::string parseLine(const std::string &line, DeviceProfile *out)
{
    size_t hash = line.find('#');
    std::vector<std::string> fields = splitFields(line.substr(0, hash));
    if (fields.size() != 4)
        return "want NAME WIDTHxHEIGHT BUDGET SKIN, found " + std::to_string(fields.size()) + " fields";
    if (!validName(fields[0]))
        return "bad name (letters, digits, - _ . and at most 32)";
    if (!parseSize(fields[1], &out->width, &out->height))
        return "bad screen size '" + fields[1] + "' (WxH, each 16 to 4096)";
    if (!parseNumber(fields[2], DEVICE_BUDGET_MIN, DEVICE_BUDGET_MAX, &out->deckBudget))
        return "bad deck budget '" + fields[2] + "' (bytes, 64 to 1048576)";
    out->name = fields[0];
    out->skin = fields[3];
    if (hash != std::string::npos) {
        size_t start = line.find_first_not_of(" \t", hash + 1);
        out->note = start == std::string::npos ? "" : line.substr(start);
        while (!out->note.empty() && isBlank(out->note.back()))
            out->note.pop_back();
    }
    return "";
}

bool readWhole(const std::string &path, std::string *text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void load()
{
    if (gLoaded)
        return;
    gLoaded = true;
    for (const std::string &path : gFiles) {
        std::string text;
        if (readWhole(path, &text)) {
            gProfiles = DV_parse(text.data(), text.size(), path, &gErrors);
            return;
        }
    }
    gErrors.push_back("no handset profile file found (devices.txt)");
}

}  // namespace

std::vector<DeviceProfile> DV_parse(const char *text, size_t length, const std::string &fileName,
                                    std::vector<std::string> *errors)
{
    std::vector<DeviceProfile> profiles;
    size_t pos = 0;
    int lineNumber = 0;
    while (pos < length) {
        size_t end = pos;
        while (end < length && text[end] != '\n')
            end++;
        std::string line(text + pos, end - pos);
        pos = end + 1;
        lineNumber++;
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        DeviceProfile p;
        std::string why = parseLine(line, &p);
        if (why.empty()) {
            for (const DeviceProfile &seen : profiles)
                if (strcasecmp(seen.name.c_str(), p.name.c_str()) == 0)
                    why = "profile " + p.name + " given twice";
        }
        if (!why.empty()) {
            errors->push_back(fileName + ":" + std::to_string(lineNumber) + ": " + why);
            continue;
        }
        profiles.push_back(std::move(p));
    }
    return profiles;
}

void DV_addFile(const std::string &path) { gFiles.push_back(path); }

const std::vector<DeviceProfile> &DV_profiles(std::vector<std::string> *errors)
{
    load();
    if (errors)
        *errors = gErrors;
    return gProfiles;
}

const DeviceProfile *DV_find(const std::string &name)
{
    load();
    for (const DeviceProfile &p : gProfiles)
        if (strcasecmp(p.name.c_str(), name.c_str()) == 0)
            return &p;
    return nullptr;
}

std::string DV_names()
{
    load();
    std::string names;
    for (const DeviceProfile &p : gProfiles)
        names += (names.empty() ? "" : ", ") + p.name;
    return names;
}

void DV_select(const DeviceProfile *profile) { gCurrent = profile; }

const DeviceProfile *DV_current() { return gCurrent; }
