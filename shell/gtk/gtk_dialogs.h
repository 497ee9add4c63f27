#pragma once
// The GTK backend's modal dialogs: the WML dialogs of a
// DialogRequest, the message box and the file-open dialog. Each runs as a
// nested loop (gtk_dialog_run) and returns when the user has answered. The
// caller stops and restarts the poll timer.
//
// The WML dialogs have stable window titles and roles that tests look for:
//   role "tovrin-text-entry", "tovrin-masked-entry", "tovrin-select",
//   "tovrin-confirm", "tovrin-information", "tovrin-message", title as the
//   request gives it (or the kind's default title).
#include <gtk/gtk.h>

#include <cstdint>
#include <string>

#include "shell/dialog.h"

// Shows request's dialog with its top-left corner at (canvasScreenX,
// canvasScreenY), modal over owner (may be null). 1 for OK or Yes, 0 for
// Cancel, No, closing the window and every information dialog. A kind
// above 4, or a select with no options (or no selected bytes), shows
// nothing and returns 0.
//
// Deck text (title, prompt, options, the text buffer) is in the deck's
// charset (D_getDeckCharset()) and is shown as UTF-8; the user's text goes
// back in the deck's charset, at most maxLength bytes and the terminator,
// never cut inside a character. The buffer is written only when the value
// is accepted.
int gtkShowDialog(GtkWindow *owner, int canvasScreenX, int canvasScreenY, DialogRequest *request);

// A message box with an OK button and the error or information icon.
// caption and text are UTF-8 (text that is not is shown as ISO-8859-1).
void gtkMessageBox(GtkWindow *owner, const char *caption, const char *text, bool error);

// A file-open dialog showing only files matching pattern (a glob such as
// "*.skn", under filterName); the file must exist. False when cancelled.
bool gtkChooseFile(GtkWindow *owner, const char *title, const char *filterName, const char *pattern, std::string *path);

// The user's UTF-8 text in the deck charset (CHARSET_UTF8: UTF-8, anything
// else ISO-8859-1 with characters above U+00FF as '?'), at most maxBytes
// bytes, never cut inside a character. Malformed UTF-8 input is taken as
// far as it is well formed.
std::string dialogTextToDeck(const char *utf8, uint32_t charset, size_t maxBytes);
// Characters in deck text: bytes, or code points in a UTF-8 deck.
size_t deckTextCharacters(const std::string &deckText, uint32_t charset);
