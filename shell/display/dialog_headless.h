#pragma once
// The headless backend's WML dialogs (shell/dialog.h). Nobody is there to
// answer, so answers come from a queue that the command script fills, one
// answer per dialog in order; a dialog with no queued answer is cancelled.
// Information dialogs only need to be read: they take no answer. Every
// dialog shown is recorded for the dump.
//
// Answers:
//   answer TEXT        text entry: TEXT, cut to the field's maximum length;
//                      shorter than the minimum length: the message
//                      "Please enter atleast %d characters" is recorded and
//                      the dialog cancelled (nobody could type more)
//   choose N[;N...]    select: options by number, 1 for the first as listed;
//                      several only for a multiple-choice select
//   confirm yes|no     Yes or No of a confirm; for text entry and select,
//                      OK with the value shown / Cancel
//   cancel             Cancel, for any dialog
// An answer that does not suit the dialog is used up and the dialog
// cancelled.
#include <string>
#include <vector>

#include "shell/dialog.h"

// command: "answer", "choose", "confirm" or "cancel"; rest: the remainder
// of the script line. false, with why, when malformed (nothing queued).
bool queueDialogAnswer(const char *command, const char *rest, std::string *why);
size_t queuedDialogAnswerCount();
void clearDialogAnswers();

struct ShownDialog {
    std::string kind;     // "text", "masked", "select", "confirm", "information", "message"
    std::string title;    // as shown (the default title when the request has none), UTF-8
    std::string prompt;   // UTF-8
    int result;           // what showDialog returned
    std::string outcome;  // how it was answered, for error messages and logs
};

// The dialogs shown since the last call, oldest first; the record is emptied.
std::vector<ShownDialog> takeShownDialogs();
// "dialog KIND TITLE: PROMPT", the dump's line.
std::string dialogDumpLine(const ShownDialog &dialog);

// The dialogs answered from the queue (the headless backend's).
int headlessShowDialog(DialogRequest *request);
// Who shows the dialogs from now on (null: the queue above). The desktop
// sets its own, which also stops the Browser's poll timer meanwhile.
void setDialogBackend(int (*show)(DialogRequest *request));
