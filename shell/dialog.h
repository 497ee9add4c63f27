#pragma once
// The modal WML dialogs: text entry, select, confirm, information.
#include <cstdint>

constexpr uint8_t DIALOG_TEXT = 0;
constexpr uint8_t DIALOG_SELECT = 1;
constexpr uint8_t DIALOG_CONFIRM = 2;
constexpr uint8_t DIALOG_INFO = 3;
constexpr uint8_t DIALOG_MASKED_TEXT = 4;

struct DialogRequest {
    uint8_t kind;
    const char *title;  // null: the dialog's default title
    const char *prompt;
    char *buffer;       // text entry: in/out value (maxLength + 1 bytes);
                        // select: option texts, each zero-terminated, then ""
    uint8_t *selected;  // select: one byte per option, in and out
    uint16_t minLength;
    uint16_t maxLength;
    int32_t multiple;
};

// 1 when the user accepted (OK or Yes), 0 otherwise; kind 3 always 0.
int showDialog(DialogRequest *request);
