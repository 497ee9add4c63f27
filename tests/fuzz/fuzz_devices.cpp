// Reads the input as a handset profile file: every profile kept must be
// within the limits the parser promises, and every line is either a
// profile, a comment or one error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/devices/devices.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> errors;
    std::vector<DeviceProfile> profiles = DV_parse(reinterpret_cast<const char *>(data), size, "fuzz", &errors);
    size_t lines = 0;
    for (size_t i = 0; i < size; i++)
        lines += data[i] == '\n';
    if (profiles.size() + errors.size() > lines + 1)
        std::abort();
    for (const DeviceProfile &p : profiles) {
        if (p.name.empty() || p.name.size() > DEVICE_NAME_MAX || p.width < DEVICE_SIDE_MIN ||
            p.width > DEVICE_SIDE_MAX || p.height < DEVICE_SIDE_MIN || p.height > DEVICE_SIDE_MAX ||
            p.deckBudget < DEVICE_BUDGET_MIN || p.deckBudget > DEVICE_BUDGET_MAX || p.skin.empty())
            std::abort();
    }
    return 0;
}
