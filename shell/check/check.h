#pragma once
// tovrin check URL: crawls a WAP site through the gateway with no window
// and reports, page by page, what a handset would stumble on.
#include <string>
#include <vector>

#include "shell/options.h"

struct CheckOptions {
    std::string startUrl;
    std::string scope;   // --scope PREFIX; empty: the start URL's folder
    int depth = 10;      // --depth N: links followed from the start
    int maxPages = 200;  // --max-pages N: URLs fetched at most
    int delayMs = 0;     // --delay MS between requests
    int timeoutS = 30;   // --timeout S: one request's wait
    std::string json;    // --json FILE
    bool warningsAsErrors = false;
    bool followPosts = false;
    bool help = false;
};

enum Severity { SEV_NOTE, SEV_WARNING, SEV_ERROR };

struct Finding {
    Severity severity;
    std::string kind;     // a fixed word per sort of finding ("fetch", "missing-card", ...)
    std::string message;  // in words
    std::string target;   // the URL it is about ("" for the page itself)
};

enum PageKind { PAGE_DECK, PAGE_IMAGE, PAGE_SCRIPT };

struct CheckedPage {
    std::string url;
    PageKind kind = PAGE_DECK;
    std::string referrer;  // the first page that led here ("" for the start)
    int depth = 0;
    std::string result;  // "ok" or the failure in words
    std::string contentType;
    unsigned long bytes = 0;
    std::vector<Finding> findings;
};

struct CheckReport {
    std::string start;
    std::string scope;
    std::string device;
    long budget = 0;
    int port = 0;
    std::vector<CheckedPage> pages;  // in the order fetched
    std::vector<Finding> crawl;      // about the crawl itself (limits, gateway down)
    int outOfScope = 0;              // distinct URLs left alone
    bool aborted = false;            // the gateway stopped answering
};

// argv[0] is "check". Fills the run's command line (home, gateway, port,
// device) and the checker's options; false with the reason in error.
bool parseCheckLine(int argc, char **argv, CommandLine *cmd, CheckOptions *options, std::string *error);
extern const char *const kCheckHelp;

// Crawls after the headless start-up; fills report.
void crawlSite(const CheckOptions &options, CheckReport *report);

// The readable report, and the JSON one; counts of findings.
void writeTextReport(const CheckReport &report, FILE *out);
bool writeJsonReport(const CheckReport &report, const std::string &path);
int countFindings(const CheckReport &report, Severity severity);

// The whole command: start-up, crawl, report, shut-down; the exit status
// (0 clean, 1 errors found, 2 could not run).
int runCheck(const CommandLine &cmd, const CheckOptions &options);
