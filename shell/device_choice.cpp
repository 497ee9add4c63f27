#include "shell/device_choice.h"

#include <cstdio>
#include <cstring>

#include "browser/context.h"
#include "browser/messages.h"
#include "cache/cache.h"
#include "common/registry.h"
#include "common/url.h"
#include "shell/devices/devices.h"

namespace {

constexpr const char DEVICE_KEY[] = "Software\\Corvale\\Tovrin\\Device";
constexpr const char DEVICE_VALUE[] = "Name";
constexpr uint32_t DEVICE_VALUE_MAX = 64;

}  // namespace

std::string storedDevicePreference()
{
    RegKey key;
    bool created = false;
    if (Reg_openKey(DEVICE_KEY, &key, &created) != REG_OK)
        return "";
    char buffer[DEVICE_VALUE_MAX + 1] = {};
    uint32_t size = DEVICE_VALUE_MAX;
    int r = Reg_queryValue(&key, DEVICE_VALUE, nullptr, buffer, &size);
    Reg_closeKey(&key);
    if (r != REG_OK)
        return "";
    buffer[size < DEVICE_VALUE_MAX ? size : DEVICE_VALUE_MAX] = 0;
    return buffer;
}

bool chooseDevice(const CommandLine &cmd, std::string *why)
{
    std::string name = cmd.device.empty() ? storedDevicePreference() : cmd.device;
    if (name.empty() || name == "none") {
        DV_select(nullptr);
        return true;
    }
    std::vector<std::string> errors;
    DV_profiles(&errors);
    for (const std::string &e : errors)
        std::fprintf(stderr, "tovrin: %s\n", e.c_str());
    const DeviceProfile *profile = DV_find(name);
    if (!profile) {
        *why = "no handset profile " + name + " (profiles: " + DV_names() + ")";
        return false;
    }
    DV_select(profile);
    return true;
}

bool storeDevicePreference(const std::string &name)
{
    RegKey key;
    bool created = false;
    if (Reg_openKey(DEVICE_KEY, &key, &created) != REG_OK)
        return false;
    int r = Reg_setValue(&key, DEVICE_VALUE, REG_TYPE_NONE, name.c_str(), static_cast<uint32_t>(name.size()));
    Reg_closeKey(&key);
    return r == REG_OK;
}

std::string oversizeText(unsigned long deckBytes, long budget)
{
    return "Deck too large for this handset: " + std::to_string(deckBytes) + " of " + std::to_string(budget) + " bytes";
}

void warnOversizeDeck()
{
    const DeviceProfile *device = DV_current();
    const char *top = B_contextDepth() ? getURL(0) : nullptr;
    if (!device || !top)
        return;
    std::string deck = top;
    size_t hash = deck.find('#');
    if (hash != std::string::npos)
        deck.resize(hash);
    uint32_t length = 0;
    if (C_cachedLength(deck.c_str(), CT_WMLC, &length).code == CRES_HIT &&
        length > static_cast<unsigned long>(device->deckBudget))
        showStatus(oversizeText(length, device->deckBudget).c_str());
}
