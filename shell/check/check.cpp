#include "shell/check/check.h"

#include <cstdio>

#include "shell/devices/devices.h"
#include "shell/headless/session.h"
#include "shell/startup.h"

namespace {

// Without --scope: the start URL up to its last "/" (host and folder).
std::string defaultScope(const std::string &url)
{
    std::string base = url.substr(0, url.find_first_of("?#"));
    size_t slash = base.rfind('/');
    size_t hostEnd = base.find("://");
    if (slash == std::string::npos || (hostEnd != std::string::npos && slash < hostEnd + 3))
        return base + "/";
    return base.substr(0, slash + 1);
}

}  // namespace

int runCheck(const CommandLine &cmd, const CheckOptions &options)
{
    CheckReport report;
    report.start = options.startUrl;
    report.scope = options.scope.empty() ? defaultScope(options.startUrl) : options.scope;
    // Without a profile the budget is the first (smallest era) profile's.
    const DeviceProfile *device = DV_current();
    if (!device && !DV_profiles(nullptr).empty())
        device = &DV_profiles(nullptr).front();
    report.device = device ? device->name : "no profile";
    report.budget = device ? device->deckBudget : 1400;
    CommandLine start = cmd;
    start.url.clear();
    if (!headlessStartup(start))
        return 2;
    UserPrefs *prefs = displayPrefs();
    report.port = static_cast<int>(prefs->proxyPort);
    // The crawl's decks are no visits of the user's.
    std::string history = prefs->history;
    crawlSite(options, &report);
    prefs->history = history;
    headlessShutdown();
    writeTextReport(report, stdout);
    if (!options.json.empty() && !writeJsonReport(report, options.json)) {
        std::fprintf(stderr, "tovrin: cannot write %s\n", options.json.c_str());
        return 2;
    }
    bool failed =
        countFindings(report, SEV_ERROR) > 0 || (options.warningsAsErrors && countFindings(report, SEV_WARNING) > 0);
    return failed ? 1 : 0;
}
