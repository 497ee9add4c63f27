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

// Warnings (shown with showWarning).
constexpr const char WARN_WML_OLDER[] =
    "Warning! This page contains a version of WML which is older than what is supported by Tovrin.  This content may "
    "not get rendered correctly.";
constexpr const char WARN_WML_NEWER[] =
    "Warning! This page contains a version of WML which is newer than what is supported by Tovrin.  This content may "
    "not get rendered correctly.";
constexpr const char WARN_INCOMPLETE[] =
    "Warning! This page has not been completely rendered since it has too much information for Tovrin to render";
constexpr const char WARN_NO_OPTIONS[] = "There are no options defined!\n";
