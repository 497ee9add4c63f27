#pragma once
// Handset profiles: a screen size, a deck budget and a default skin under
// a name, read from a text file that comes with the program (devices.txt)
// or from the user's own in the configuration directory.
//
// One profile a line, fields separated by blanks, the rest after "#" a
// note:  NAME WIDTHxHEIGHT BUDGET SKIN   # where the figures come from
// Blank lines and lines that begin with "#" are skipped.
#include <cstddef>
#include <string>
#include <vector>

constexpr size_t DEVICE_NAME_MAX = 32;
constexpr int DEVICE_SIDE_MIN = 16;  // as --screen takes them
constexpr int DEVICE_SIDE_MAX = 4096;
constexpr long DEVICE_BUDGET_MIN = 64;
constexpr long DEVICE_BUDGET_MAX = 1L << 20;

struct DeviceProfile {
    std::string name;
    int width = 0;
    int height = 0;
    long deckBudget = 0;  // compiled deck bytes the handset takes
    std::string skin;     // a skin file name, "-" for none
    std::string note;
};

// Parses a profile file's text (any bytes; a line that is not a profile
// gives "FILE:LINE: reason" in errors and is skipped, as is a second
// profile of a name already given).
std::vector<DeviceProfile> DV_parse(const char *text, size_t length, const std::string &fileName,
                                    std::vector<std::string> *errors);

// Where profile files are looked for, in order; the first that exists is
// read. main adds the user's and the installed ones.
void DV_addFile(const std::string &path);
// The profiles of the first file found (read once); errors as DV_parse's,
// or one line when no file could be read.
const std::vector<DeviceProfile> &DV_profiles(std::vector<std::string> *errors);
// The profile named name (any letter case), or null.
const DeviceProfile *DV_find(const std::string &name);
// The names of all profiles, comma-separated, for messages.
std::string DV_names();

// The profile in use for this run (null: none, the skin decides).
void DV_select(const DeviceProfile *profile);
const DeviceProfile *DV_current();
