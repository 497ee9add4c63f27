#include "shell/display/dialog_headless.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <strings.h>

#include "common/log.h"
#include "shell/dialog.h"
#include "shell/display.h"
#include "shell/display/canvas.h"
#include "shell/display/text.h"

namespace {

enum AnswerKind { ANSWER_TEXT, ANSWER_CHOOSE, ANSWER_CONFIRM, ANSWER_CANCEL };

struct Answer {
    AnswerKind kind;
    std::string text;          // ANSWER_TEXT
    std::vector<int> choices;  // ANSWER_CHOOSE: 0-based option positions
    bool yes;                  // ANSWER_CONFIRM
};

struct DialogKind {
    const char *name;
    const char *defaultTitle;
};
// By DialogRequest kind.
// clang-format off
constexpr DialogKind DIALOG_KINDS[] = {
    {"text", "Text Entry"},
    {"select", "Select Options"},
    {"confirm", "Confirm"},
    {"information", "Information"},
    {"masked", "Text Entry"},
};
// clang-format on
constexpr int MAX_OPTIONS = 255;  // a select record counts its options in a byte

std::deque<Answer> gAnswers;      // queued by the script, oldest first
std::vector<ShownDialog> gShown;  // shown since the last takeShownDialogs

bool parseChoices(const char *rest, Answer *answer, std::string *why)
{
    const char *p = rest;
    while (true) {
        if (*p < '0' || *p > '9') {
            *why = "choose needs option numbers N[;N...]";
            return false;
        }
        long n = 0;
        while (*p >= '0' && *p <= '9' && n <= MAX_OPTIONS)
            n = n * 10 + (*p++ - '0');
        if (n < 1 || n > MAX_OPTIONS || (*p >= '0' && *p <= '9')) {
            *why = "option numbers run from 1 to 255";
            return false;
        }
        answer->choices.push_back(static_cast<int>(n - 1));
        if (*p == 0)
            return true;
        if (*p++ != ';') {
            *why = "choose needs option numbers N[;N...]";
            return false;
        }
    }
}

bool parseAnswer(const char *command, const char *rest, Answer *answer, std::string *why)
{
    if (std::strcmp(command, "answer") == 0) {
        *answer = {ANSWER_TEXT, rest, {}, false};
        return true;
    }
    if (std::strcmp(command, "choose") == 0) {
        *answer = {ANSWER_CHOOSE, {}, {}, false};
        return parseChoices(rest, answer, why);
    }
    if (std::strcmp(command, "confirm") == 0) {
        bool yes = strcasecmp(rest, "yes") == 0;
        if (!yes && strcasecmp(rest, "no") != 0) {
            *why = "confirm needs yes or no";
            return false;
        }
        *answer = {ANSWER_CONFIRM, {}, {}, yes};
        return true;
    }
    if (std::strcmp(command, "cancel") == 0) {
        *answer = {ANSWER_CANCEL, {}, {}, false};
        return true;
    }
    *why = std::string("not a dialog answer: ") + command;
    return false;
}

bool takeAnswer(Answer *answer)
{
    if (gAnswers.empty())
        return false;
    *answer = gAnswers.front();
    gAnswers.pop_front();
    return true;
}

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Characters in text: bytes, or code points in a UTF-8 deck.
size_t countCharacters(const std::string &text)
{
    if (D_getDeckCharset() != CHARSET_UTF8)
        return text.size();
    size_t count = 0;
    for (char c : text)
        count += isContinuation(c) ? 0 : 1;
    return count;
}

// The edit field takes at most maxLength characters, and the buffer holds
// maxLength bytes and the terminator: a UTF-8 value is cut to that many
// bytes, never inside a character.
std::string limitLength(std::string text, size_t maxLength)
{
    if (text.size() <= maxLength)
        return text;
    size_t end = maxLength;
    if (D_getDeckCharset() == CHARSET_UTF8) {
        while (end > 0 && isContinuation(text[end]))
            end--;
    }
    text.resize(end);
    return text;
}

// Text entry (kinds 0 and 4): the value is written to the buffer only when
// accepted.
int answerText(DialogRequest *request, ShownDialog *shown)
{
    Answer answer;
    if (!takeAnswer(&answer)) {
        shown->outcome = "cancelled: no answer queued";
        return 0;
    }
    std::string value;
    if (answer.kind == ANSWER_TEXT) {
        value = limitLength(answer.text, request->maxLength);
    } else if (answer.kind == ANSWER_CONFIRM && answer.yes) {
        value = limitLength(request->buffer ? request->buffer : "", request->maxLength);
    } else {
        shown->outcome = answer.kind == ANSWER_CHOOSE ? "cancelled: choose does not answer a text entry" : "cancelled";
        return 0;
    }
    if (countCharacters(value) < request->minLength) {
        char message[64];
        std::snprintf(message, sizeof message, "Please enter atleast %d characters", request->minLength);
        gShown.push_back({"message", "", message, 0, "refused"});
        shown->outcome = "cancelled: answer too short";
        return 0;
    }
    if (request->buffer)
        std::memcpy(request->buffer, value.c_str(), value.size() + 1);
    shown->outcome = "accepted";
    return 1;
}

int countOptions(const DialogRequest *request)
{
    int count = 0;
    for (const char *option = request->buffer; option && *option && count < MAX_OPTIONS; count++)
        option += std::strlen(option) + 1;
    return count;
}

// Select (kind 1): the selected bytes are cleared when the dialog opens and
// set again only for an accepted choice.
int answerSelect(DialogRequest *request, int options, ShownDialog *shown)
{
    std::vector<int> preselected;
    for (int i = 0; i < options; i++) {
        if (request->selected[i] == 1 && (request->multiple || preselected.empty()))
            preselected.push_back(i);
        request->selected[i] = 0;
    }
    Answer answer;
    if (!takeAnswer(&answer)) {
        shown->outcome = "cancelled: no answer queued";
        return 0;
    }
    std::vector<int> chosen;
    if (answer.kind == ANSWER_CHOOSE) {
        chosen = answer.choices;
    } else if (answer.kind == ANSWER_CONFIRM && answer.yes) {
        chosen = preselected;
    } else {
        shown->outcome = answer.kind == ANSWER_TEXT ? "cancelled: answer does not answer a select" : "cancelled";
        return 0;
    }
    if (chosen.size() > 1 && !request->multiple) {
        shown->outcome = "cancelled: one option only";
        return 0;
    }
    for (int position : chosen) {
        if (position >= options) {
            shown->outcome = "cancelled: no option " + std::to_string(position + 1);
            return 0;
        }
    }
    for (int position : chosen)
        request->selected[position] = 1;
    shown->outcome = "accepted";
    return 1;
}

int answerConfirm(ShownDialog *shown)
{
    Answer answer;
    if (!takeAnswer(&answer)) {
        shown->outcome = "cancelled: no answer queued";
        return 0;
    }
    if (answer.kind != ANSWER_CONFIRM) {
        shown->outcome = answer.kind == ANSWER_CANCEL ? "cancelled" : "cancelled: confirm needs yes or no";
        return 0;
    }
    shown->outcome = answer.yes ? "yes" : "no";
    return answer.yes ? 1 : 0;
}

}  // namespace

bool queueDialogAnswer(const char *command, const char *rest, std::string *why)
{
    Answer answer;
    if (!parseAnswer(command ? command : "", rest ? rest : "", &answer, why))
        return false;
    gAnswers.push_back(answer);
    return true;
}

size_t queuedDialogAnswerCount() { return gAnswers.size(); }

void clearDialogAnswers() { gAnswers.clear(); }

std::vector<ShownDialog> takeShownDialogs()
{
    std::vector<ShownDialog> shown;
    shown.swap(gShown);
    return shown;
}

std::string dialogDumpLine(const ShownDialog &dialog)
{
    return "dialog " + dialog.kind + " " + dialog.title + ": " + dialog.prompt;
}

int headlessShowDialog(DialogRequest *request)
{
    if (!request || request->kind >= std::size(DIALOG_KINDS))
        return 0;
    int options = 0;
    if (request->kind == DIALOG_SELECT) {
        options = countOptions(request);
        if (options == 0 || !request->selected)
            return 0;  // not shown: the caller warns instead
    }
    const DialogKind &kind = DIALOG_KINDS[request->kind];
    ShownDialog shown = {kind.name, request->title ? deckTextToUtf8(request->title) : kind.defaultTitle,
                         deckTextToUtf8(request->prompt ? request->prompt : ""), 0, ""};
    // Recorded before it is answered, so that a refusal message follows it.
    size_t index = gShown.size();
    gShown.push_back(shown);
    switch (request->kind) {
    case DIALOG_TEXT:
    case DIALOG_MASKED_TEXT: shown.result = answerText(request, &shown); break;
    case DIALOG_SELECT: shown.result = answerSelect(request, options, &shown); break;
    case DIALOG_CONFIRM: shown.result = answerConfirm(&shown); break;
    default: shown.outcome = "read"; break;
    }
    Log_printf("Display: dialog %s [%s] %s\n", kind.name, shown.title.c_str(), shown.outcome.c_str());
    gShown[index].result = shown.result;
    gShown[index].outcome = shown.outcome;
    return shown.result;
}

namespace {
int (*gDialogBackend)(DialogRequest *) = headlessShowDialog;  // who shows the dialogs
}

void setDialogBackend(int (*show)(DialogRequest *request)) { gDialogBackend = show ? show : headlessShowDialog; }

int showDialog(DialogRequest *request) { return gDialogBackend(request); }
