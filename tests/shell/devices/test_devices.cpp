#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "shell/devices/devices.h"

TEST(Devices, ShippedFileIsClean)
{
    std::stringstream in;
    in << std::ifstream(DEVICES_FILE).rdbuf();
    const std::string text = in.str();
    std::vector<std::string> errors;
    std::vector<DeviceProfile> profiles = DV_parse(text.data(), text.size(), "d.txt", &errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_GE(profiles.size(), 4u);
    for (const DeviceProfile &p : profiles)
        EXPECT_FALSE(p.note.empty()) << p.name;
}

// Each bad line is reported with its number and skipped; the good ones stay.
TEST(Devices, BadLinesReportedAndSkipped)
{
    const struct {
        const char *line;
        const char *reason;
        // clang-format off
    } kBad[] = {
        {"a 96x65 1400", "found 3 fields"},
        {"a 96x65 1400 s extra", "found 5 fields"},
        {"b@d 96x65 1400 s", "bad name"},
        {"a 96-65 1400 s", "bad screen size"},
        {"a 8x65 1400 s", "bad screen size"},
        {"a 96x99999 1400 s", "bad screen size"},
        {"a 96x65 12 s", "bad deck budget"},
        {"a 96x65 99999999999999 s", "bad deck budget"},
        {"a 96x65 -5 s", "bad deck budget"},
        {"ok 96x65 1400 s", "given twice"},
    };
    // clang-format on
    std::string text = "ok 96x65 1400 tovrin.skin  # note\n\n   # comment\r\n";
    for (const auto &b : kBad)
        text += std::string(b.line) + "\n";
    text += "last 128x128 3000 -";  // no final newline
    std::vector<std::string> errors;
    std::vector<DeviceProfile> profiles = DV_parse(text.data(), text.size(), "d.txt", &errors);
    ASSERT_EQ(errors.size(), std::size(kBad));
    for (size_t i = 0; i < errors.size(); i++) {
        EXPECT_EQ(errors[i].rfind("d.txt:" + std::to_string(i + 4) + ": ", 0), 0u) << errors[i];
        EXPECT_NE(errors[i].find(kBad[i].reason), std::string::npos) << errors[i];
    }
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(profiles[0].note, "note");
    EXPECT_EQ(profiles[1].deckBudget, 3000);
    EXPECT_EQ(profiles[1].skin, "-");
}
