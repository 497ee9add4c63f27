// String: length, search, replacement, the separator-delimited element
// functions, blank squeezing and trimming, comparison and format. Texts
// are counted bytes; only the blank counts as white space.
#include <string>
#include <string_view>
#include <vector>

#include "script/library.h"

namespace {

constexpr char BLANK = ' ';
// Results grow no longer than a string value may be.
constexpr size_t MAX_TEXT = SCRIPT_MAX_STRING;

// The separator of the element functions: the first character of a
// non-empty string.
bool elementSeparator(const ScriptValue *value, char *separator)
{
    std::string_view text = libBytes(value);
    if (!isString(value) || text.empty()) {
        return false;
    }
    *separator = text[0];
    return true;
}

// The elements of text: the texts between separator characters; an empty
// text is one empty element.
std::vector<std::string_view> splitElements(std::string_view text, char separator)
{
    std::vector<std::string_view> elements;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
        elements.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    elements.push_back(text.substr(start));
    return elements;
}

void joinElements(ScriptValue *result, const std::vector<std::string_view> &elements, char separator)
{
    std::string out;
    for (size_t i = 0; i < elements.size(); i++) {
        if (i > 0) {
            out += separator;
        }
        out += elements[i];
        if (out.size() > MAX_TEXT) {
            break;
        }
    }
    WS_setText(result, out);
}

// The element functions' common checks: value a string, index an integer,
// separator a non-empty string.
bool elementArguments(const ScriptValue *value, const ScriptValue *index, const ScriptValue *separatorValue,
                      char *separator)
{
    return isString(value) && isInteger(index) && elementSeparator(separatorValue, separator);
}

// An index below 0 means the first element, one beyond the last the last
// (or, for insertAt, the end: last + 1 = count).
size_t clampIndex(int32_t index, size_t last)
{
    if (index <= 0) {
        return 0;
    }
    return static_cast<size_t>(index) > last ? last : static_cast<size_t>(index);
}

bool isBlank(char c) { return c == BLANK; }

// One "%" conversion of format from text[at] (just after the "%"):
// appends its output to out; false when the letter or the value does not
// fit. *next is the position after the letter.
bool formatConversion(std::string_view text, size_t at, const ScriptValue *value, std::string *out, size_t *next)
{
    size_t width = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; at++) {
        width = width * 10 + static_cast<size_t>(text[at] - '0');
        if (width > MAX_TEXT) {
            return false;
        }
    }
    if (at < text.size() && text[at] == '.') {
        for (at++; at < text.size() && text[at] >= '0' && text[at] <= '9'; at++) {
        }
    }
    if (at >= text.size()) {
        return false;
    }
    char letter = text[at];
    *next = at + 1;
    std::string field;
    if (letter == '%') {
        out->push_back('%');
        return true;
    } else if (letter == 'd' && isInteger(value)) {
        field = decimalText(value->integer);
    } else if (letter == 's' && isString(value)) {
        field = libBytes(value);
    } else {
        return false;
    }
    if (field.size() < width) {
        out->append(width - field.size(), BLANK);
    }
    out->append(field);
    return out->size() <= MAX_TEXT;
}

}  // namespace

int32_t stringLength(const ScriptValue *args, ScriptValue *result)
{
    std::string text;
    if (libText(&args[0], &text)) {
        makeInteger(result, static_cast<int32_t>(text.size()));
    }
    return SE_OK;
}

int32_t stringIsEmpty(const ScriptValue *args, ScriptValue *result)
{
    if (isInteger(&args[0])) {
        makeInteger(result, 0);
    } else if (isString(&args[0])) {
        makeInteger(result, libBytes(&args[0]).empty());
    }
    return SE_OK;
}

int32_t stringCharAt(const ScriptValue *args, ScriptValue *result)
{
    std::string text;
    if (!isInteger(&args[1]) || !libText(&args[0], &text)) {
        return SE_OK;
    }
    int32_t index = args[1].integer;
    if (index < 0 || static_cast<size_t>(index) >= text.size()) {
        WS_setText(result, "");
    } else {
        WS_setText(result, std::string_view(text).substr(static_cast<size_t>(index), 1));
    }
    return SE_OK;
}

int32_t stringSubString(const ScriptValue *args, ScriptValue *result)
{
    if (!isInteger(&args[1]) || !isInteger(&args[2])) {
        return SE_OK;
    }
    std::string text;
    int32_t start = args[1].integer;
    int32_t length = args[2].integer;
    if (!libText(&args[0], &text) || start < 0 || static_cast<size_t>(start) >= text.size() || length <= 0) {
        WS_setText(result, "");
        return SE_OK;
    }
    // substr cuts a length reaching past the end.
    WS_setText(result, std::string_view(text).substr(static_cast<size_t>(start), static_cast<size_t>(length)));
    return SE_OK;
}

int32_t stringFind(const ScriptValue *args, ScriptValue *result)
{
    std::string_view text = libBytes(&args[0]);
    std::string_view sub = libBytes(&args[1]);
    size_t at = std::string_view::npos;
    if (isString(&args[0]) && isString(&args[1]) && !sub.empty() && sub.size() <= text.size()) {
        at = findText(text, sub);
    }
    makeInteger(result, at == std::string_view::npos ? -1 : static_cast<int32_t>(at));
    return SE_OK;
}

int32_t stringReplace(const ScriptValue *args, ScriptValue *result)
{
    std::string_view text = libBytes(&args[0]);
    std::string_view oldText = libBytes(&args[1]);
    std::string_view newText = libBytes(&args[2]);
    if (!isString(&args[0]) || !isString(&args[1]) || !isString(&args[2]) || oldText.empty()) {
        return SE_OK;
    }
    std::string out;
    size_t start = 0;
    // The search goes on after each inserted text, so a new text holding the
    // old one is not replaced again.
    for (size_t at = findText(text, oldText); at != std::string_view::npos; at = findText(text, oldText, start)) {
        out.append(text.substr(start, at - start)).append(newText);
        start = at + oldText.size();
        if (out.size() > MAX_TEXT) {
            return SE_OK;
        }
    }
    out.append(text.substr(start));
    WS_setText(result, out);
    return SE_OK;
}

int32_t stringElements(const ScriptValue *args, ScriptValue *result)
{
    char separator;
    if (!isString(&args[0]) || !elementSeparator(&args[1], &separator)) {
        return SE_OK;
    }
    int32_t count = 1;
    for (char c : libBytes(&args[0])) {
        count += c == separator;
    }
    makeInteger(result, count);
    return SE_OK;
}

int32_t stringElementAt(const ScriptValue *args, ScriptValue *result)
{
    char separator;
    if (!elementArguments(&args[0], &args[1], &args[2], &separator)) {
        return SE_OK;
    }
    std::vector<std::string_view> elements = splitElements(libBytes(&args[0]), separator);
    int32_t index = args[1].integer;
    if (index > 0 && static_cast<size_t>(index) >= elements.size()) {
        WS_setText(result, "");
    } else {
        WS_setText(result, elements[index <= 0 ? 0 : static_cast<size_t>(index)]);
    }
    return SE_OK;
}

// The element goes with one separator: the one after it, or for the last
// element the one before.
int32_t stringRemoveAt(const ScriptValue *args, ScriptValue *result)
{
    char separator;
    if (!elementArguments(&args[0], &args[1], &args[2], &separator)) {
        return SE_OK;
    }
    std::vector<std::string_view> elements = splitElements(libBytes(&args[0]), separator);
    elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(clampIndex(args[1].integer, elements.size() - 1)));
    joinElements(result, elements, separator);
    return SE_OK;
}

int32_t stringReplaceAt(const ScriptValue *args, ScriptValue *result)
{
    char separator;
    std::string element;
    if (!elementArguments(&args[0], &args[2], &args[3], &separator) || !libText(&args[1], &element)) {
        return SE_OK;
    }
    std::vector<std::string_view> elements = splitElements(libBytes(&args[0]), separator);
    elements[clampIndex(args[2].integer, elements.size() - 1)] = element;
    joinElements(result, elements, separator);
    return SE_OK;
}

int32_t stringInsertAt(const ScriptValue *args, ScriptValue *result)
{
    char separator;
    std::string element;
    if (!elementArguments(&args[0], &args[2], &args[3], &separator) || !libText(&args[1], &element)) {
        return SE_OK;
    }
    std::string_view text = libBytes(&args[0]);
    if (text.empty()) {
        // No elements yet: the new one is all there is.
        WS_setText(result, element);
        return SE_OK;
    }
    std::vector<std::string_view> elements = splitElements(text, separator);
    size_t at = clampIndex(args[2].integer, elements.size());
    elements.insert(elements.begin() + static_cast<std::ptrdiff_t>(at), element);
    joinElements(result, elements, separator);
    return SE_OK;
}

int32_t stringSqueeze(const ScriptValue *args, ScriptValue *result)
{
    if (!isString(&args[0])) {
        return SE_OK;
    }
    std::string out;
    bool pendingBlank = false;
    for (char c : libBytes(&args[0])) {
        if (isBlank(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) {
            out += BLANK;
            pendingBlank = false;
        }
        out += c;
    }
    WS_setText(result, out);
    return SE_OK;
}

int32_t stringTrim(const ScriptValue *args, ScriptValue *result)
{
    if (!isString(&args[0])) {
        return SE_OK;
    }
    std::string_view text = libBytes(&args[0]);
    size_t first = text.find_first_not_of(BLANK);
    if (first == std::string_view::npos) {
        WS_setText(result, "");
        return SE_OK;
    }
    WS_setText(result, text.substr(first, text.find_last_not_of(BLANK) - first + 1));
    return SE_OK;
}

int32_t stringCompare(const ScriptValue *args, ScriptValue *result)
{
    if (isString(&args[0]) && isString(&args[1])) {
        int order = compareStrings(&args[0], &args[1]);
        makeInteger(result, order < 0 ? -1 : (order > 0 ? 1 : 0));
    }
    return SE_OK;
}

int32_t stringToString(const ScriptValue *args, ScriptValue *result)
{
    std::string text;
    WS_setText(result, libText(&args[0], &text) ? std::string_view(text) : std::string_view("invalid"));
    return SE_OK;
}

// Every conversion formats the same value; one that does not fit makes
// the whole result invalid.
int32_t stringFormat(const ScriptValue *args, ScriptValue *result)
{
    std::string_view text = libBytes(&args[0]);
    if (!isString(&args[0]) || text.empty()) {
        return SE_OK;
    }
    std::string out;
    for (size_t at = 0; at < text.size();) {
        if (text[at] != '%') {
            out += text[at++];
        } else if (!formatConversion(text, at + 1, &args[1], &out, &at)) {
            return SE_OK;
        }
    }
    WS_setText(result, out);
    return SE_OK;
}
