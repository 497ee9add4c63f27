// The event table of the Layout pass: links, form fields, soft keys and
// intrinsic events, each with what is needed to act on it later without
// walking the deck again.
#include <cctype>
#include <string>
#include <vector>

#include "browser/context.h"
#include "common/int_to_text.h"
#include "common/log.h"
#include "wml/layout_state.h"
#include "wml/wbxml.h"

static char gOptionValue[252];     // VALUE of the option being built
static char gOptionLabel[256];     // its TITLE, or its text
static char gOptionOnpick[256];    // its ONPICK ("@offset")
static std::string gSelectIvalue;  // IVALUE of the select taking options
static std::string gSelectValue;   // its VALUE
static std::string gSelectShown;   // its variable's value when its field was written
static uint32_t gSelectField = 0;  // layout offset of its field record

// --- The table -------------------------------------------------------------

static bool addRecord(uint8_t type, const char *name, const uint8_t *data, uint32_t dataLength, uint32_t length)
{
    if (gLayout.eventLength + length >= TABLE_LIMIT)
        return false;
    uint8_t *r = gLayout.eventTable + gLayout.eventLength;
    std::memset(r, 0, length);
    putI32(r + ER_LENGTH, static_cast<int32_t>(length));
    r[ER_TYPE] = type;
    copyCut(reinterpret_cast<char *>(r + ER_NAME), ER_NAME_SIZE, name);
    std::memcpy(r + ER_DATA, data, dataLength);
    return true;
}

static bool addEventChecked(uint8_t type, const char *name, const uint8_t *data, uint32_t dataLength)
{
    uint32_t length = roundUp4(dataLength + 43);
    gLayout.lastEvent = gLayout.eventLength;
    if (!addRecord(type, name, data, dataLength, length)) {
        logPosition();
        Log_str("Event buffer overflow\n");
        gWbxml.errorFlag = 1;
        return false;
    }
    logPosition();
    Log_printf("Event %s @%d Len=%d DLen=%d\n", name, static_cast<int>(gLayout.eventLength), static_cast<int>(length),
               static_cast<int>(dataLength));
    gLayout.eventLength += length;
    return true;
}

void addEvent(uint8_t type, const char *name, const uint8_t *data, uint32_t dataLength)
{
    addEventChecked(type, name, data, dataLength);
}

void addIntrinsicEvent(const char *name, const char *url)
{
    if (!url[0])
        return;
    removeDuplicateEvent(name);
    uint32_t urlLength = static_cast<uint32_t>(std::strlen(url)) + 1;
    uint32_t length = roundUp4(urlLength + 43);
    if (!addRecord(EVENT_INTRINSIC, name, reinterpret_cast<const uint8_t *>(url), urlLength, length)) {
        gWbxml.errorFlag = 1;
        return;
    }
    logPosition();
    Log_printf("Event %s @%d Len=%d\n", name, static_cast<int>(gLayout.eventLength), static_cast<int>(length));
    gLayout.eventLength += length;
}

// Keeps a remembered record offset pointing at the same record after the
// record at off (length bytes) is cut out.
static void followRemoval(uint32_t off, uint32_t length)
{
    if (gLayout.lastEvent > off)
        gLayout.lastEvent -= length;
    else if (gLayout.lastEvent == off)
        gLayout.lastEvent = gLayout.eventLength;  // gone: a later noop removes nothing
    if (gLayout.selectRecord > static_cast<int64_t>(off))
        gLayout.selectRecord -= length;
    else if (gLayout.selectRecord == static_cast<int64_t>(off))
        gLayout.selectRecord = -1;
}

void removeDuplicateEvent(const char *name)
{
    if (!name[0])
        return;
    char wanted[ER_NAME_SIZE];
    copyCut(wanted, sizeof wanted, name);
    uint32_t off = 0;
    while (off + ER_DATA <= gLayout.eventLength) {
        uint8_t *r = gLayout.eventTable + off;
        int32_t length = Tbl_getI32(r + ER_LENGTH);
        if (length <= 0 || static_cast<uint32_t>(length) > gLayout.eventLength - off)
            break;
        const char *recordName = reinterpret_cast<const char *>(r + ER_NAME);
        if (recordName[0] && strncmp(recordName, wanted, ER_NAME_SIZE) == 0) {
            logPosition();
            Log_printf("Duplicate event @%d removed\n", static_cast<int>(off));
            std::memmove(r, r + length, gLayout.eventLength - off - static_cast<uint32_t>(length));
            gLayout.eventLength -= static_cast<uint32_t>(length);
            followRemoval(off, static_cast<uint32_t>(length));
            continue;
        }
        off += static_cast<uint32_t>(length);
    }
}

void removeLastEvent()
{
    logPosition();
    Log_str("Last event removed\n");
    if (gLayout.lastEvent < gLayout.eventLength)
        gLayout.eventLength = gLayout.lastEvent;
    if (gLayout.selectRecord >= static_cast<int64_t>(gLayout.eventLength))
        gLayout.selectRecord = -1;
}

void addVisibleEvent(uint32_t xLine, uint32_t yLine, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (gLayout.eventContext == EVENT_NONE || gLayout.noTarget)
        return;
    putU32(gLayout.eventScratch + 0, xLine);
    putU32(gLayout.eventScratch + 4, yLine);
    putRect(gLayout.eventScratch + 8, x, y, width, height);
    if (addEventChecked(gLayout.eventContext, gLayout.eventName, gLayout.eventScratch, gLayout.scratchLength + 27) &&
        gLayout.eventContext == EVENT_SELECT)
        gLayout.selectRecord = gLayout.lastEvent;
}

// --- Building the visible events -------------------------------------------

static uint8_t *scratchData() { return gLayout.eventScratch + 24; }

// Starts the data of a visible event; the bytes past it are copied too.
static void beginScratch(uint8_t context, const char *name)
{
    std::memset(gLayout.eventScratch, 0, EVENT_SCRATCH_SIZE);
    gLayout.eventContext = context;
    gLayout.extraStyle = 0;
    gLayout.noTarget = false;
    copyCut(gLayout.eventName, sizeof gLayout.eventName, name);
    gLayout.scratchLength = 0;
}

static void scratchText(const char *text, size_t size)
{
    size_t n = fitLength(text, size);
    std::memcpy(scratchData() + gLayout.scratchLength, text, n);
    scratchData()[gLayout.scratchLength + n] = 0;
    gLayout.scratchLength += static_cast<uint32_t>(n) + 1;
}

static bool startsWithLetter(const char *text, char letter)
{
    return std::tolower(static_cast<unsigned char>(text[0])) == letter;
}

// The text a field shows: its variable, else its TITLE or NAME in italic.
// An input creates the variable from VALUE when it does not exist yet; a
// select sets its variables once its options are known.
static void fieldShownText(bool password, bool select)
{
    if (!select && gLayout.eventName[0] && !hasContextVal(gLayout.eventName))
        setContextVal(gLayout.eventName, getAttr("VALUE"));
    const char *shown = gLayout.eventName[0] ? getContextVal(gLayout.eventName) : "";
    if (!shown[0]) {
        shown = getAttr("TITLE")[0] ? getAttr("TITLE") : getAttr("NAME");
        gLayout.extraStyle = 1;
    }
    copyCut(gWbxml.textBuffer, TEXT_BUFFER_SIZE, shown);
    if (!password)
        return;
    // One star per character, also in a UTF-8 deck.
    char *out = gWbxml.textBuffer;
    for (const char *p = gWbxml.textBuffer; *p; p++) {
        if (!gLayout.utf8 || (static_cast<unsigned char>(*p) & 0xC0) != 0x80)
            *out++ = '*';
    }
    *out = 0;
}

static void writeField()
{
    write_str();
    gLayout.eventContext = EVENT_NONE;
    gLayout.extraStyle = 0;
}

static void openInput()
{
    beginScratch(EVENT_INPUT, getAttr("NAME"));
    int32_t maxLength = decimalValue(getAttr("MAXLENGTH"));
    bool password = startsWithLetter(getAttr("TYPE"), 'p');
    putU32(scratchData(), static_cast<uint32_t>(maxLength < 0 ? 0 : maxLength));
    scratchData()[4] = password ? 1 : 0;
    scratchData()[5] = startsWithLetter(getAttr("EMPTYOK"), 't') ? 1 : 0;
    gLayout.scratchLength = 6;
    // TITLE and FORMAT share what the scratch record has left; FORMAT is
    // kept whole up to half of it.
    const uint32_t room = EVENT_DATA_MAX - gLayout.scratchLength;
    const char *format = getAttr("FORMAT");
    size_t formatKeep = fitLength(format, room / 2);
    scratchText(getAttr("TITLE"), room - formatKeep - 1);
    scratchText(format, formatKeep + 1);
    fieldShownText(password, false);
    writeField();
}

static void openSelect()
{
    beginScratch(EVENT_SELECT, getAttr("NAME"));
    scratchData()[0] = 0;
    scratchData()[1] = startsWithLetter(getAttr("MULTIPLE"), 't') ? 1 : 0;
    copyCut(reinterpret_cast<char *>(scratchData() + 2), ER_SELECT_INAME_SIZE, getAttr("INAME"));
    gLayout.scratchLength = 2 + ER_SELECT_INAME_SIZE;
    scratchText(getAttr("TITLE"), EVENT_DATA_MAX - gLayout.scratchLength);
    gSelectIvalue = getAttr("IVALUE");
    gSelectValue = getAttr("VALUE");
    gSelectShown = gLayout.eventName[0] ? getContextVal(gLayout.eventName) : "";
    fieldShownText(false, true);
    gLayout.selectRecord = -1;
    gSelectField = gLayout.layoutLength;
    writeField();
    gLayout.suppressOptions = true;
    gLayout.selectNesting = 1;
    gWbxml.textBuffer[0] = 0;
}

// Appends the option just closed to the select record, which must still
// be the last record of the table.
static void appendOption()
{
    if (gWbxml.textBuffer[0])
        copyCut(gOptionLabel, sizeof gOptionLabel, gWbxml.textBuffer);
    gWbxml.textBuffer[0] = 0;
    if (gLayout.selectRecord < 0)
        return;
    uint32_t rec = static_cast<uint32_t>(gLayout.selectRecord);
    uint8_t *r = gLayout.eventTable + rec;
    uint32_t length = static_cast<uint32_t>(Tbl_getI32(r + ER_LENGTH));
    if (rec + length != gLayout.eventLength || r[ER_TYPE] != EVENT_SELECT)
        return;
    // Past the TITLE and the existing triples.
    uint32_t p = ER_SELECT_TITLE;
    for (int i = 0; i <= r[ER_SELECT_COUNT] * 3; i++) {
        const void *zero = std::memchr(r + p, 0, length - p);
        if (!zero)
            return;
        p = static_cast<uint32_t>(static_cast<const uint8_t *>(zero) - r) + 1;
    }
    const char *parts[3] = {gOptionLabel, gOptionValue, gOptionOnpick};
    uint32_t end = p;
    for (const char *s : parts)
        end += static_cast<uint32_t>(std::strlen(s)) + 1;
    uint32_t newLength = roundUp4(end);
    if (r[ER_SELECT_COUNT] == 255 || rec + newLength >= TABLE_LIMIT) {
        logPosition();
        Log_str("Event buffer overflow\n");
        gWbxml.errorFlag = 1;
        return;
    }
    for (const char *s : parts) {
        size_t n = std::strlen(s) + 1;
        std::memcpy(r + p, s, n);
        p += static_cast<uint32_t>(n);
    }
    r[ER_SELECT_COUNT]++;
    putI32(r + ER_LENGTH, static_cast<int32_t>(newLength));
    gLayout.eventLength = rec + newLength;
    logPosition();
    Log_printf("Option %d ", r[ER_SELECT_COUNT]);
    Log_printf("[%s] [%s] [%s]\n", gOptionLabel, gOptionValue, gOptionOnpick);
    logPosition();
    Log_printf("Event length increased to %d\n", static_cast<int>(newLength));
}

// --- Select defaults on card entry -----------------------------------------

static std::vector<std::string> splitPieces(const std::string &text)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

// A 1-based position, or 0 for anything that is not a number.
static size_t optionPosition(const std::string &piece)
{
    if (piece.empty() || piece.size() > 9 || piece.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    size_t n = 0;
    for (char c : piece)
        n = n * 10 + static_cast<size_t>(c - '0');
    return n;
}

// Marks the options that text names by 1-based position (byIndex) or by
// value; a single select keeps only the first. Whether any was marked.
static bool markOptions(const std::string &text, bool byIndex, const std::vector<std::string> &values, bool multiple,
                        std::vector<uint8_t> *marked)
{
    if (text.empty())
        return false;
    bool any = false;
    for (const std::string &piece : splitPieces(text)) {
        size_t position = byIndex ? optionPosition(piece) : 0;
        for (size_t i = 0; i < values.size(); i++) {
            bool hit = byIndex ? position == i + 1 : values[i] == piece;
            if (!hit)
                continue;
            (*marked)[i] = 1;
            any = true;
            if (!multiple)
                return true;
            break;  // the first option holding a value
        }
    }
    return any;
}

// Entering a card sets a select's variables from its default options: by
// position from the INAME variable when set, else IVALUE; else by value
// from the NAME variable when set, else VALUE; else the first option of a
// single select and none of a multiple one. NAME then holds the values,
// INAME the positions, joined by ";".
static void selectDefaults()
{
    // A select that was not written (no room left) has no options to
    // choose from: its variable only takes VALUE when it has none.
    if (gLayout.selectRecord < 0) {
        if (gLayout.eventName[0] && !hasContextVal(gLayout.eventName))
            setContextVal(gLayout.eventName, gSelectValue.c_str());
        return;
    }
    const uint8_t *r = gLayout.eventTable + gLayout.selectRecord;
    uint32_t length = static_cast<uint32_t>(Tbl_getI32(r + ER_LENGTH));
    if (r[ER_TYPE] != EVENT_SELECT || length < ER_SELECT_TITLE || gLayout.selectRecord + length > TABLE_LIMIT)
        return;
    const char *base = reinterpret_cast<const char *>(r);
    std::string name(base + ER_NAME, strnlen(base + ER_NAME, ER_NAME_SIZE));
    std::string iname(base + ER_SELECT_INAME, strnlen(base + ER_SELECT_INAME, ER_SELECT_INAME_SIZE));
    bool multiple = r[ER_SELECT_MULTIPLE] != 0;
    // The option values: the second of each triple after the TITLE.
    std::vector<std::string> values;
    uint32_t p = ER_SELECT_TITLE;
    for (uint32_t field = 0; field <= r[ER_SELECT_COUNT] * 3u; field++) {
        size_t n = strnlen(base + p, length - p);
        if (p + n >= length)
            return;
        if (field % 3 == 2)
            values.emplace_back(base + p, n);
        p += static_cast<uint32_t>(n) + 1;
    }
    std::vector<uint8_t> marked(values.size(), 0);
    const std::string inameValue = iname.empty() ? "" : getContextVal(iname.c_str());
    const std::string nameValue = name.empty() ? "" : getContextVal(name.c_str());
    if (!markOptions(inameValue, true, values, multiple, &marked) &&
        !markOptions(gSelectIvalue, true, values, multiple, &marked) &&
        !markOptions(nameValue, false, values, multiple, &marked) &&
        !markOptions(gSelectValue, false, values, multiple, &marked) && !multiple && !values.empty())
        marked[0] = 1;
    std::string chosen;
    std::string positions;
    for (size_t i = 0; i < values.size(); i++) {
        if (!marked[i])
            continue;
        chosen += (positions.empty() ? "" : ";") + values[i];
        positions += (positions.empty() ? "" : ";") + std::to_string(i + 1);
    }
    if (!iname.empty())
        setContextVal(iname.c_str(), positions.c_str());
    if (name.empty())
        return;
    setContextVal(name.c_str(), chosen.c_str());
    if (chosen != gSelectShown && !chosen.empty())
        rewriteField(gSelectField, chosen.c_str());
}

// --- Soft keys and intrinsic events ----------------------------------------

static void openDo()
{
    char name[32];
    const char *type = getAttr("TYPE");
    copyCut(name, sizeof name, getAttr("NAME")[0] ? getAttr("NAME") : type);
    uint8_t data[4 + ER_DO_LABEL_SIZE + ER_DO_TYPE_SIZE] = {};
    putU32(data, gWbxml.position);
    const char *label = getAttr("LABEL");
    copyCut(reinterpret_cast<char *>(data + 4), ER_DO_LABEL_SIZE, label[0] ? label : name);
    copyCut(reinterpret_cast<char *>(data + 4 + ER_DO_LABEL_SIZE), ER_DO_TYPE_SIZE, type);
    removeDuplicateEvent(name);
    addEvent(EVENT_DO, name, data, sizeof data);
}

static void openOnevent()
{
    char name[32];
    copyCut(name, sizeof name, getAttr("TYPE"));
    uint8_t data[4];
    putU32(data, gWbxml.position);
    removeDuplicateEvent(name);
    addEvent(EVENT_ONEVENT, name, data, sizeof data);
}

int eventElement(uint8_t tag, bool open)
{
    // Inside a select only options count; anything else there is plain.
    if (gLayout.suppressOptions) {
        if (tag == TAG_SELECT) {
            gLayout.selectNesting += open ? 1 : -1;
            if (gLayout.selectNesting <= 0) {
                gLayout.suppressOptions = false;
                gLayout.selectNesting = 0;
                selectDefaults();
            }
        } else if (tag == TAG_OPTION && open) {
            copyCut(gOptionValue, sizeof gOptionValue, getAttr("VALUE"));
            copyCut(gOptionLabel, sizeof gOptionLabel, getAttr("TITLE"));
            copyCut(gOptionOnpick, sizeof gOptionOnpick, getAttr("ONPICK"));
        } else if (tag == TAG_OPTION) {
            appendOption();
        } else if (tag == TAG_ONEVENT && open) {
            // The select must stay the last record to take its options.
            return 1;
        }
        return 0;
    }
    switch (tag) {
    case TAG_A:
        if (open) {
            beginScratch(EVENT_A, "");
            const char *href = getAttr("HREF");
            gLayout.noTarget = !href[0];
            scratchText(href, EVENT_DATA_MAX);
        } else {
            gLayout.eventContext = EVENT_NONE;
        }
        return 0;
    case TAG_ANCHOR:
        if (open) {
            beginScratch(EVENT_ANCHOR, "");
            putU32(scratchData(), gWbxml.position);
            gLayout.scratchLength = 4;
        } else {
            gLayout.eventContext = EVENT_NONE;
        }
        return 0;
    case TAG_INPUT:
        if (open)
            openInput();
        return 0;
    case TAG_SELECT:
        if (open)
            openSelect();
        return 0;
    case TAG_DO:
        if (open)
            openDo();
        return 0;
    case TAG_ONEVENT:
        if (open) {
            openOnevent();
            return 1;
        }
        return 0;
    case TAG_NOOP:
        if (open)
            removeLastEvent();
        return 0;
    default: return 0;
    }
}
