#pragma once
// Telling the user things: an error by its code, a warning text, a status
// line.
#include <cstdint>

// Shows the text of code in a dialog titled "Error"; codes without a text
// show nothing.
void showError(int32_t code);
void showWarning(const char *text);
void showStatus(const char *text);
// The text of code, or null when it has none.
const char *errorText(int32_t code);
