// The two reports: text grouped by page for people, JSON for CI.
#include <cstdio>

#include "shell/check/check.h"

namespace {

constexpr const char *kSeverityNames[] = {"note", "warning", "error"};
constexpr const char *kKindNames[] = {"deck", "image", "script"};

// Length of the valid UTF-8 sequence at text[i], 0 when there is none.
size_t utf8Length(const std::string &text, size_t i)
{
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size() || (n == 2 && c < 0xC2))
        return 0;
    for (size_t k = 1; k < n; k++)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

// A JSON string; deck bytes that are not UTF-8 are taken as Latin-1, so
// the file stays valid JSON whatever a deck holds.
std::string jsonText(const std::string &text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = utf8Length(text, i);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || n == 0) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
            n = 1;
        } else {
            out.append(text, i, n);
        }
        i += n ? n : 1;
    }
    return out + "\"";
}

std::string jsonFinding(const Finding &f)
{
    return "{\"severity\": " + jsonText(kSeverityNames[f.severity]) + ", \"kind\": " + jsonText(f.kind) +
           ", \"message\": " + jsonText(f.message) + ", \"target\": " + jsonText(f.target) + "}";
}

}  // namespace

int countFindings(const CheckReport &report, Severity severity)
{
    int n = 0;
    for (const CheckedPage &p : report.pages)
        for (const Finding &f : p.findings)
            n += f.severity == severity;
    for (const Finding &f : report.crawl)
        n += f.severity == severity;
    return n;
}

void writeTextReport(const CheckReport &report, FILE *out)
{
    std::fprintf(out, "check %s (scope %s, port %d, %s: deck budget %ld bytes)\n", report.start.c_str(),
                 report.scope.c_str(), report.port, report.device.c_str(), report.budget);
    for (const CheckedPage &p : report.pages) {
        std::fprintf(out, "\n%s\n  %s", p.url.c_str(), kKindNames[p.kind]);
        if (p.result == "ok")
            std::fprintf(out, ", %s, %lu bytes", p.contentType.c_str(), p.bytes);
        else
            std::fprintf(out, ": %s", p.result.c_str());
        if (!p.referrer.empty())
            std::fprintf(out, " (from %s)", p.referrer.c_str());
        std::fputc('\n', out);
        for (const Finding &f : p.findings)
            if (f.kind != "fetch" && f.kind != "image" && f.kind != "redirect")
                std::fprintf(out, "  %s: %s\n", kSeverityNames[f.severity], f.message.c_str());
    }
    std::fputc('\n', out);
    for (const Finding &f : report.crawl)
        std::fprintf(out, "%s: %s\n", kSeverityNames[f.severity], f.message.c_str());
    if (report.outOfScope)
        std::fprintf(out, "note: %d URLs outside the scope left alone\n", report.outOfScope);
    std::fprintf(out, "%zu pages checked: %d errors, %d warnings, %d notes\n", report.pages.size(),
                 countFindings(report, SEV_ERROR), countFindings(report, SEV_WARNING), countFindings(report, SEV_NOTE));
}

bool writeJsonReport(const CheckReport &report, const std::string &path)
{
    FILE *out = std::fopen(path.c_str(), "w");
    if (!out)
        return false;
    std::fprintf(out, "{\"start\": %s, \"scope\": %s, \"port\": %d, \"device\": %s, \"budget\": %ld,\n",
                 jsonText(report.start).c_str(), jsonText(report.scope).c_str(), report.port,
                 jsonText(report.device).c_str(), report.budget);
    std::fprintf(out, " \"pages\": [");
    for (size_t i = 0; i < report.pages.size(); i++) {
        const CheckedPage &p = report.pages[i];
        std::fprintf(out,
                     "%s\n  {\"url\": %s, \"kind\": %s, \"referrer\": %s, \"depth\": %d, \"result\": %s, "
                     "\"contentType\": %s, \"bytes\": %lu, \"findings\": [",
                     i ? "," : "", jsonText(p.url).c_str(), jsonText(kKindNames[p.kind]).c_str(),
                     jsonText(p.referrer).c_str(), p.depth, jsonText(p.result).c_str(), jsonText(p.contentType).c_str(),
                     p.bytes);
        for (size_t j = 0; j < p.findings.size(); j++)
            std::fprintf(out, "%s%s", j ? ", " : "", jsonFinding(p.findings[j]).c_str());
        std::fprintf(out, "]}");
    }
    std::fprintf(out, "],\n \"crawl\": [");
    for (size_t j = 0; j < report.crawl.size(); j++)
        std::fprintf(out, "%s%s", j ? ", " : "", jsonFinding(report.crawl[j]).c_str());
    std::fprintf(out, "],\n \"outOfScope\": %d, \"errors\": %d, \"warnings\": %d, \"notes\": %d}\n", report.outOfScope,
                 countFindings(report, SEV_ERROR), countFindings(report, SEV_WARNING), countFindings(report, SEV_NOTE));
    bool ok = !std::ferror(out);
    return std::fclose(out) == 0 && ok;
}
