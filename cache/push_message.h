#pragma once
// What a pushed message leads to. The gateway's push proxy sends Service
// Indications and Service Loadings compiled to WBXML: both name a page by
// an href, and opening the push goes there. A pushed deck is a page
// itself. Anything else names nothing the push list could open.
#include <cstdint>
#include <string>

enum PushKind {
    PUSH_KIND_NONE,  // not kept: nothing to open
    PUSH_KIND_SI,    // application/vnd.wap.sic: the indication's href
    PUSH_KIND_SL,    // application/vnd.wap.slc: the sl element's href
    PUSH_KIND_DECK,  // application/vnd.wap.wmlc: opens as its push URI
};

constexpr uint32_t CT_SIC = 0x2E;  // application/vnd.wap.sic
constexpr uint32_t CT_SLC = 0x30;  // application/vnd.wap.slc

// Longest href taken, as the Goto URL dialog's edit.
constexpr uint32_t PUSH_HREF_MAX = 1023;

// The kind of the pushed body of that content type; for SI and SL *href
// gets the page it names (an absolute URL of at most PUSH_HREF_MAX
// printable bytes, else the kind is NONE). Every byte is bounds-checked.
PushKind pushKind(uint32_t contentType, const uint8_t *body, uint32_t length, std::string *href);
