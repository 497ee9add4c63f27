// The form fields of a card: an input asks for text, a select for a
// choice, each through a modal dialog. The answer goes into the field's
// variables and onto the card in place of the field's text; the event
// table itself never changes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "browser/context.h"
#include "browser/event_record.h"
#include "browser/messages.h"
#include "common/log.h"
#include "shell/dialog.h"
#include "shell/display.h"
#include "wml/actions.h"
#include "wml/layout.h"

static constexpr uint32_t DEFAULT_MAX_LENGTH = 254;  // an input without MAXLENGTH
static constexpr uint32_t MAX_LENGTH_LIMIT = UINT16_MAX;

static int32_t recordI32(const EventRecord &r, uint32_t offset) { return static_cast<int32_t>(eventU32(r, offset)); }

// --- Input ------------------------------------------------------------------

void inputInteraction(const EventRecord &r)
{
    std::string name = eventText(r, ER_NAME, ER_NAME_SIZE);
    std::string prompt = eventText(r, ER_INPUT_TITLE);
    uint32_t maxLength = eventU32(r, ER_INPUT_MAXLEN);
    if (maxLength == 0)
        maxLength = DEFAULT_MAX_LENGTH;
    maxLength = std::min(maxLength, MAX_LENGTH_LIMIT);
    bool masked = eventByte(r, ER_INPUT_PASSWORD) != 0;
    // EMPTYOK="true" lets the user leave the field empty; otherwise the
    // dialog wants at least one character.
    bool emptyOk = eventByte(r, ER_INPUT_EMPTYOK) != 0;

    std::vector<char> buffer(maxLength + 1, 0);
    std::string value = getContextVal(name.c_str());
    value.copy(buffer.data(), maxLength);

    DialogRequest request{};
    request.kind = masked ? DIALOG_MASKED_TEXT : DIALOG_TEXT;
    request.title = name.c_str();
    request.prompt = prompt.c_str();
    request.buffer = buffer.data();
    request.minLength = emptyOk ? 0 : 1;
    request.maxLength = static_cast<uint16_t>(maxLength);
    if (!showDialog(&request))
        return;
    buffer[maxLength] = 0;
    std::string answer = buffer.data();
    setContextVal(name.c_str(), answer.c_str());
    std::string shown = masked ? std::string(answer.size(), '*') : answer;
    replaceLayout(recordI32(r, ER_X), recordI32(r, ER_Y), shown.c_str());
    paintNow();
}

// --- Select -----------------------------------------------------------------

struct SelectOption {
    std::string label;
    std::string value;
    std::string onpick;
};

// The options of a select record; an option count larger than the strings
// the record holds gives the options that are there.
static std::vector<SelectOption> readOptions(const EventRecord &r)
{
    std::vector<SelectOption> options;
    uint32_t count = eventByte(r, ER_SELECT_COUNT);
    uint32_t next = 0;
    eventText(r, ER_SELECT_TITLE, UINT32_MAX, &next);
    for (uint32_t i = 0; i < count && next < r.bytes.size(); i++) {
        SelectOption o;
        o.label = eventText(r, next, UINT32_MAX, &next);
        o.value = eventText(r, next, UINT32_MAX, &next);
        o.onpick = eventText(r, next, UINT32_MAX, &next);
        options.push_back(std::move(o));
    }
    return options;
}

static std::vector<std::string> splitPieces(const std::string &text)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(';', start);
        pieces.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return pieces;
        start = end + 1;
    }
}

// A 1-based option position, or 0 for anything that is not a number
// within 1..count.
static size_t optionPosition(const std::string &piece, size_t count)
{
    if (piece.empty() || piece.size() > 9)
        return 0;
    size_t n = 0;
    for (char c : piece) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + static_cast<size_t>(c - '0');
    }
    return n <= count ? n : 0;
}

static void preselect(const std::string &name, const std::string &indexName, const std::vector<SelectOption> &options,
                      std::vector<uint8_t> *selected)
{
    if (!indexName.empty() && hasContextVal(indexName.c_str())) {
        for (const std::string &piece : splitPieces(getContextVal(indexName.c_str()))) {
            if (size_t n = optionPosition(piece, options.size()))
                (*selected)[n - 1] = 1;
        }
    } else if (!name.empty() && hasContextVal(name.c_str())) {
        for (const std::string &piece : splitPieces(getContextVal(name.c_str()))) {
            for (size_t i = 0; i < options.size(); i++) {
                if (options[i].value == piece)
                    (*selected)[i] = 1;
            }
        }
    }
}

static std::string joinSelected(const std::vector<uint8_t> &selected, std::string (*item)(size_t index, void *context),
                                void *context)
{
    std::string joined;
    for (size_t i = 0; i < selected.size(); i++) {
        if (!selected[i])
            continue;
        if (!joined.empty())
            joined += ';';
        joined += item(i, context);
    }
    return joined;
}

void selectInteraction(const EventRecord &r)
{
    std::vector<SelectOption> options = readOptions(r);
    if (options.empty()) {
        showWarning(WARN_NO_OPTIONS);
        return;
    }
    std::string name = eventText(r, ER_NAME, ER_NAME_SIZE);
    std::string indexName = eventText(r, ER_SELECT_INAME, ER_SELECT_INAME_SIZE);
    std::string prompt = eventText(r, ER_SELECT_TITLE);
    // The onpick references are offsets into this deck, whatever the
    // first onpick navigates to.
    const char *current = getURL(0);
    std::string deckUrl = current ? current : "";

    std::string list;
    for (const SelectOption &o : options) {
        list += o.label;
        list += '\0';
    }
    list += '\0';
    std::vector<uint8_t> selected(options.size(), 0);
    preselect(name, indexName, options, &selected);

    DialogRequest request{};
    request.kind = DIALOG_SELECT;
    request.title = name.c_str();
    request.prompt = prompt.c_str();
    request.buffer = list.data();
    request.selected = selected.data();
    request.multiple = eventByte(r, ER_SELECT_MULTIPLE) ? 1 : 0;
    if (!showDialog(&request))
        return;

    if (!name.empty()) {
        std::string values = joinSelected(
            selected, [](size_t i, void *c) { return (*static_cast<std::vector<SelectOption> *>(c))[i].value; },
            &options);
        setContextVal(name.c_str(), values.c_str());
        replaceLayout(recordI32(r, ER_X), recordI32(r, ER_Y), values.c_str());
    }
    if (!indexName.empty()) {
        std::string positions = joinSelected(
            selected, [](size_t i, void *) { return std::to_string(i + 1); }, nullptr);
        setContextVal(indexName.c_str(), positions.c_str());
    }
    for (size_t i = 0; i < options.size(); i++) {
        if (!selected[i] || options[i].onpick.empty())
            continue;
        Log_printf("Browser: onpick url %s\n", options[i].onpick.c_str());
        if (const char *url = GetURL(deckUrl.c_str(), options[i].onpick.c_str())) {
            std::string target = url;
            B_go(target.c_str(), nullptr, METHOD_GET);
        }
    }
    paintNow();
}
