// The dependency pass: one flat scan of the whole deck that starts the
// image requests (so the images travel while the Browser waits) and
// applies the access element against the deck the user came from.
#include "wml/loaddep.h"

#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "browser/context.h"
#include "cache/cache.h"
#include "common/log.h"
#include "common/url.h"
#include "wml/wbxml.h"

namespace {

// Counters of one pass.
int32_t gTotal = 0;       // img elements seen
int32_t gRequests = 0;    // image requests started that were not already satisfied
int32_t gSkips = 0;       // img elements passed over at the limit
bool gBadDomain = false;  // an access element refused the deck

std::string hostOf(const char *url)
{
    std::vector<char> out(std::strlen(url) + 1);
    getUrlHost(url, out.data(), out.size());
    return out.data();
}

std::string pathOf(const char *url)
{
    std::vector<char> out(std::strlen(url) + 1);
    getUrlPath(url, out.data(), out.size());
    return out.data();
}

// A PATH that does not begin with "/" is relative to the deck's own URL;
// the path of that resolution is what the last deck is compared with. One
// that cannot be resolved stays as written (and so admits nothing).
std::string absolutePath(const std::string &path, const std::string &currentUrl)
{
    if (path.empty() || path[0] == '/')
        return path;
    std::vector<char> target(currentUrl.size() + path.size() + 4);
    if (!resolveUrl(currentUrl.c_str(), path.c_str(), target.data(), target.size()))
        return path;
    std::string resolved = pathOf(target.data());
    return resolved.empty() ? path : resolved;
}

void imageElement(uint32_t limit)
{
    gTotal++;
    const std::string src = getAttr("SRC");
    Log_printf("LoadDep: %s\n", src.c_str());
    if (static_cast<uint32_t>(gRequests) < limit) {
        // An empty source names nothing to fetch (it would resolve to the
        // deck itself): it counts as a request that did not hit.
        uint32_t type = CT_WBMP;
        CacheResult r{0, 0};
        if (!src.empty())
            C_get(src.c_str(), &type, nullptr, nullptr, 0, &r);
        if (r.code != CRES_HIT)
            gRequests++;
    } else {
        gSkips++;
    }
    Log_printf("LoadDep: Total = %d, Requests = %d, Skips = %d\n", gTotal, gRequests, gSkips);
}

// Path: the last path begins with the requested one, exactly. Domain: the
// last host ends with the requested one, in any letter case. Neither
// respects segment or label boundaries.
bool admitted(const std::string &lastHost, const std::string &lastPath, const std::string &domain,
              const std::string &path)
{
    bool pathOk = lastPath.compare(0, path.size(), path) == 0 && lastPath.size() >= path.size();
    bool domainOk = domain.size() <= lastHost.size() &&
                    strcasecmp(lastHost.c_str() + lastHost.size() - domain.size(), domain.c_str()) == 0;
    return pathOk && domainOk;
}

void accessElement()
{
    std::string domain = getAttr("DOMAIN");
    std::string path = getAttr("PATH");
    Log_printf("Access Control: [%s]/[%s]\n", domain.c_str(), path.c_str());
    const char *last = getURL(1);
    if (!last) {
        Log_str("No last URL!\n");
        gBadDomain = true;
    } else {
        const std::string lastUrl = last;
        const char *current = getURL(0);
        const std::string currentUrl = current ? current : "";
        Log_printf("Last URL [%s]\n", lastUrl.c_str());
        Log_printf("Current URL [%s]\n", currentUrl.c_str());
        const std::string currentHost = hostOf(currentUrl.c_str());
        if (domain.empty())
            domain = currentHost;
        if (path.empty())
            path.push_back('/');
        path = absolutePath(path, currentUrl);
        Log_printf("Cur domain [%s], requested domain:path [%s:%s]\n", currentHost.c_str(), domain.c_str(),
                   path.c_str());
        const std::string lastHost = hostOf(lastUrl.c_str());
        const std::string lastPath = pathOf(lastUrl.c_str());
        Log_printf("Last Host [%s] Path [%s]\n", lastHost.c_str(), lastPath.c_str());
        if (!admitted(lastHost, lastPath, domain, path))
            gBadDomain = true;
    }
    Log_printf("Bad domain = %d\n", gBadDomain ? 1 : 0);
}

void readElementAttributes(uint8_t token)
{
    clearAttributes();
    if (token & TAG_HAS_ATTRIBUTES)
        readAttributes();
}

}  // namespace

int LoadDep(const char *deckUrl, uint32_t requestLimit)
{
    Log_str("\nLoadDep start\n");
    if (!deckUrl || decodeHeader(deckUrl) != 0)
        return LOADDEP_NOT_CACHED;
    int version = gWbxml.version == 0x00 ? LOADDEP_OLDER : gWbxml.version == 0x01 ? 0 : LOADDEP_NEWER;
    W_beginPass(gWbxml.bodyOffset, true, true);
    gTotal = 0;
    gRequests = 0;
    gSkips = 0;
    gBadDomain = false;

    // Flat: element content is never skipped, so every element of every
    // card comes by in document order, whatever its depth.
    while (W_moreBytes()) {
        uint8_t token = W_nextByte();
        if (token == WBXML_END || globalToken(token))
            continue;
        switch (token & 0x3F) {
        case TAG_IMG:
            readElementAttributes(token);
            imageElement(requestLimit);
            break;
        case TAG_ACCESS:
            readElementAttributes(token);
            accessElement();
            break;
        default:
            if (token & TAG_HAS_ATTRIBUTES) {
                gWbxml.inAttributes = 1;
                skipElement();
                gWbxml.inAttributes = 0;
            }
            break;
        }
    }

    int result = version;
    if (gWbxml.errorFlag)
        result += LOADDEP_OVERFLOW;
    if (gSkips >= 1)
        result += LOADDEP_SKIPPED;
    W_releaseDeck();
    Log_str("LoadDep end\n");
    return gBadDomain ? LOADDEP_REFUSED : result;
}
