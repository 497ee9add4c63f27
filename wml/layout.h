#pragma once
// The Layout pass: one card of a cached deck laid out for the canvas into
// the two tables of common/table_records.h, buffers allocated once and
// rewritten by every pass.
#include <cstdint>
#include <string>

#include "common/table_records.h"

// A record is only added while the used length plus its own stays below
// this, so the 4-byte terminator always fits.
constexpr uint32_t TABLE_LIMIT = 4092;
constexpr uint32_t EVENT_SCRATCH_SIZE = 256;
constexpr int32_t MAX_LINES = 256;
constexpr int32_t PARAGRAPH_STACK_SIZE = 128;

// Alignment and wrap mode values are the attribute token codes.
constexpr uint8_t ALIGN_BOTTOM = 6;
constexpr uint8_t ALIGN_CENTER = 7;
constexpr uint8_t ALIGN_LEFT = 8;
constexpr uint8_t ALIGN_MIDDLE = 9;
constexpr uint8_t ALIGN_RIGHT = 10;
constexpr uint8_t ALIGN_TOP = 11;
constexpr uint8_t MODE_NOWRAP = 29;
constexpr uint8_t MODE_WRAP = 30;

// Result of Layout besides 0 and -2 (deck not cached).
constexpr int LAYOUT_INCOMPLETE = 64;

// Allocates the two tables and the event scratch record: 0, or -1.
int layoutTablesInit();
void W_layoutTablesFree();
const uint8_t *W_getLayoutTable();
const uint8_t *W_getEventTable();

// Lays out the card named card (or the first card) of the deck cached
// under url. 0, 64 when something did not fit, -2 when not cached.
int Layout(const char *url, const char *card);

// Shows text in place of the text record at resolved (x, y) after a form
// field changed; 0, or -4 when there is no such record.
int replaceLayout(int x, int y, const char *text);

// The resolved tables, one record a line, exactly as the log shows them
// ("@(x,y) x(w,h), T1 A0 STR:..." and "E4 @(...) ..." lines).
std::string W_layoutTableText(const uint8_t *table);
std::string W_eventTableText(const uint8_t *table);
