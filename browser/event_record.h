#pragma once
// One event record copied out of the event table, with bounded readers for
// its fields. The copy outlives the table: performing an event may lay out
// another card into the same buffer.
#include <cstdint>
#include <string>
#include <vector>

#include "wml/layout.h"

struct EventRecord {
    std::vector<uint8_t> bytes;  // the whole record, its length field first
};

// The record at entry as a copy; false when its length field is not that
// of a record (nothing is read past the length it gives).
bool copyEventRecord(const uint8_t *entry, EventRecord *out);
uint8_t eventKind(const EventRecord &r);
// A little-endian 32-bit field; 0 when the record is too short for it.
uint32_t eventU32(const EventRecord &r, uint32_t offset);
uint8_t eventByte(const EventRecord &r, uint32_t offset);
// The zero-terminated text at offset, cut at limit bytes and at the end of
// the record; *next (when given) is the offset after its terminator.
std::string eventText(const EventRecord &r, uint32_t offset, uint32_t limit = UINT32_MAX, uint32_t *next = nullptr);

// Calls visit (record, length) for every record of the current event
// table in order, until visit returns true; whether one did.
template <typename F> bool forEachEventRecord(F visit)
{
    const uint8_t *table = W_getEventTable();
    return table && Tbl_forEachTableRecord(table, ER_HEADER_SIZE, visit);
}

// The input and select interactions (kinds 6 and 7).
void inputInteraction(const EventRecord &r);
void selectInteraction(const EventRecord &r);
