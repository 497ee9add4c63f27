#include "shell/check/deck_scan.h"

#include <algorithm>

#include "wml/wbxml.h"
#include "wml/wml_tokens.h"

namespace {

// The URL-valued attributes of each element the walk reads.
struct UrlAttribute {
    uint8_t tag;
    const char *attribute;
    TargetKind kind;
};

constexpr UrlAttribute kUrlAttributes[] = {
    {TAG_GO, "href", TARGET_LINK},
    {TAG_A, "href", TARGET_LINK},
    {TAG_IMG, "src", TARGET_IMAGE},
    {TAG_CARD, "onenterforward", TARGET_LINK},
    {TAG_CARD, "onenterbackward", TARGET_LINK},
    {TAG_CARD, "ontimer", TARGET_LINK},
    {TAG_TEMPLATE, "onenterforward", TARGET_LINK},
    {TAG_TEMPLATE, "onenterbackward", TARGET_LINK},
    {TAG_TEMPLATE, "ontimer", TARGET_LINK},
    {TAG_OPTION, "onpick", TARGET_LINK},
};

bool readsAttributes(uint8_t tag)
{
    if (tag == TAG_SETVAR || tag == TAG_META)
        return true;
    return std::any_of(std::begin(kUrlAttributes), std::end(kUrlAttributes),
                       [tag](const UrlAttribute &a) { return a.tag == tag; });
}

void element(uint8_t token, std::string *card, DeckScan *scan)
{
    uint8_t tag = token & 0x3F;
    if (!W_tagName(tag))
        scan->unknownTags.push_back(tag);
    if (!(token & TAG_HAS_ATTRIBUTES))
        return;
    if (!readsAttributes(tag)) {
        gWbxml.inAttributes = 1;
        skipElement();
        gWbxml.inAttributes = 0;
        return;
    }
    clearAttributes();
    readAttributes();
    if (tag == TAG_CARD) {
        *card = getAttr("id");
        scan->cards.push_back(*card);
    } else if (tag == TAG_TEMPLATE) {
        card->clear();
    } else if (tag == TAG_META) {
        if (std::string(getAttr("name")) == "tovrin-check" && std::string(getAttr("content")) == "expect-errors")
            scan->expectsErrors = true;
        return;
    } else if (tag == TAG_SETVAR) {
        scan->setvars.push_back(std::string(getAttr("name")) + "=" + getAttr("value"));
        return;
    }
    bool post = tag == TAG_GO && std::string(getAttr("method")) == "post";
    for (const UrlAttribute &a : kUrlAttributes) {
        const char *value = a.tag == tag ? getAttr(a.attribute) : "";
        if (*value)
            scan->targets.push_back({a.kind, value, *card, post});
    }
}

}  // namespace

bool scanDeck(const char *deckUrl, DeckScan *scan)
{
    *scan = DeckScan{};
    if (decodeHeader(deckUrl) != 0)
        return false;
    W_beginPass(gWbxml.bodyOffset, false, true);
    std::string card;
    // Flat, as the dependency pass: every element of every card comes by
    // in document order, whatever its depth.
    while (W_moreBytes()) {
        uint8_t token = W_nextByte();
        if (token == WBXML_END || globalToken(token))
            continue;
        element(token, &card, scan);
    }
    scan->damaged = gWbxml.errorFlag != 0 || W_readFailed();
    W_releaseDeck();
    return true;
}
