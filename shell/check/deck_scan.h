#pragma once
// What the site checker needs from one cached deck: its card names and
// every URL a user (or the handset) could reach from any card, as the
// deck holds them (variables not substituted). One flat walk with the
// decoder the passes share.
#include <string>
#include <vector>

enum TargetKind { TARGET_LINK, TARGET_IMAGE };

struct DeckTarget {
    TargetKind kind;
    std::string url;   // as written, relative or not
    std::string card;  // the card it is in ("" in the template)
    bool post;         // a go with method="post"
};

struct DeckScan {
    std::vector<std::string> cards;    // card ids, in order
    std::vector<DeckTarget> targets;   // in document order
    std::vector<std::string> setvars;  // "name=value" of literal setvars
    std::vector<int> unknownTags;      // tag codes the tables do not name
    bool damaged = false;              // truncated or a buffer overflowed
    // <meta name="tovrin-check" content="expect-errors"/>: the deck's own
    // faults and those of the pages it leads to are there on purpose
    // (a demonstration of error handling), reported as notes.
    bool expectsErrors = false;
};

// false when the deck is not cached or its header is bad.
bool scanDeck(const char *deckUrl, DeckScan *scan);
