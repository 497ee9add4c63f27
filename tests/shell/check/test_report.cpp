// The JSON report stays valid whatever bytes a deck put in a finding.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "shell/check/check.h"

TEST(CheckReport, JsonEscapesWhatIsNotUtf8)
{
    CheckReport report;
    report.start = "http://h/a.wml";
    CheckedPage page;
    page.url = "http://h/caf\xE9.wml";  // a Latin-1 byte from a deck
    page.result = "ok";
    page.findings.push_back({SEV_NOTE, "variable", "\"q\"\t\xC3\xB6 \xF0\x9F\x98\x80 \xC3", "x\\y"});
    report.pages.push_back(page);
    std::string path = testing::TempDir() + "report.json";
    ASSERT_TRUE(writeJsonReport(report, path));
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    EXPECT_NE(text.str().find("\"http://h/caf\\u00e9.wml\""), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\"\\\"q\\\"\\u0009\xC3\xB6 \xF0\x9F\x98\x80 \\u00c3\""), std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("\"x\\\\y\""), std::string::npos);
}
