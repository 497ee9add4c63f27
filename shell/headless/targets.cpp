#include "shell/headless/targets.h"

#include <cstring>

#include "shell/display.h"
#include "shell/display/canvas.h"
#include "common/table_records.h"

namespace {

// A zero-terminated text inside [from, end) of the record, or empty when
// it is not terminated there.
std::string textAt(const uint8_t *record, uint32_t from, uint32_t end)
{
    if (from >= end)
        return {};
    const void *nul = std::memchr(record + from, 0, end - from);
    if (!nul)
        return {};
    return std::string(reinterpret_cast<const char *>(record + from));
}

void middle(const uint8_t *rect, int *x, int *y)
{
    *x = Tbl_getI32(rect) + Tbl_getI32(rect + 8) / 2;
    *y = Tbl_getI32(rect + 4) + Tbl_getI32(rect + 12) / 2;
}

}  // namespace

bool findLinkPoint(const uint8_t *table, const std::string &text, int *x, int *y)
{
    return table && Tbl_forEachTableRecord(table, LR_HEADER_SIZE, [&](const uint8_t *r, uint32_t end) {
               if (Tbl_getU32(r + LR_TYPE) != LTYPE_TEXT || !(r[LR_STYLE] & STYLE_LINK) ||
                   deckTextToUtf8(textAt(r, LR_TEXT, end).c_str()).find(text) == std::string::npos)
                   return false;
               middle(r + LR_X, x, y);
               return true;
           });
}

bool findFieldPoint(const uint8_t *table, const std::string &name, int *x, int *y)
{
    return table && Tbl_forEachTableRecord(table, ER_HEADER_SIZE, [&](const uint8_t *r, uint32_t end) {
               if (end < ER_VISIBLE_SIZE || (r[ER_TYPE] != EVENT_INPUT && r[ER_TYPE] != EVENT_SELECT) ||
                   textAt(r, ER_NAME, ER_NAME + ER_NAME_SIZE) != name)
                   return false;
               middle(r + ER_X, x, y);
               return true;
           });
}
