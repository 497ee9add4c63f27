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

inline uint32_t readLe32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Records shorter than the common header, or whose length is not a
// multiple of 4, are not records; visible kinds need their rectangle too.
constexpr uint32_t EVENT_HEADER_SIZE = 40;
constexpr uint32_t EVENT_VISIBLE_SIZE = 64;

// The length of the record at p when it is a well-formed one within room
// bytes, else 0.
uint32_t eventTableLength(const uint8_t *p, uint32_t room);
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

// Calls visit (record, length) for every well-formed record of the current
// event table in order, until visit returns true; whether one did. A
// record whose length is malformed ends the table.
template <typename F> bool forEachEventRecord(F visit)
{
    const uint8_t *table = getEventTable();
    if (!table)
        return false;
    uint32_t offset = 0;
    while (offset + 4 <= EVENT_TABLE_SIZE) {
        uint32_t length = eventTableLength(table + offset, EVENT_TABLE_SIZE - offset);
        if (length == 0)
            return false;
        if (visit(table + offset, length))
            return true;
        offset += length;
    }
    return false;
}

// The input and select interactions (kinds 6 and 7).
void inputInteraction(const EventRecord &r);
void selectInteraction(const EventRecord &r);
