// Dialogs: prompt, confirm and alert through the modal WML dialogs; the
// script waits inside the call until the user answers. Dialogs show deck
// text, in the deck's charset; scripts hold UTF-8.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/charset.h"
#include "script/library.h"
#include "shell/dialog.h"
#include "shell/display.h"

namespace {

constexpr size_t PROMPT_BUFFER = 255;  // the answer holds at most 254 characters
constexpr size_t MAX_DIALOG_LENGTH = 65535;

std::string toDeck(const ScriptValue *value)
{
    return Cs_convertCharset(WS_valueText(value), CHARSET_MIB_UTF8, D_getDeckCharset());
}

// A request with the empty title and message (kept alive by the caller)
// as its prompt.
DialogRequest dialogRequest(uint8_t kind, const std::string &message)
{
    DialogRequest request{};
    request.kind = kind;
    request.title = "";
    request.prompt = message.c_str();
    return request;
}

bool allStrings(const ScriptValue *args, int count)
{
    return std::all_of(args, args + count, [](const ScriptValue &v) { return isString(&v); });
}

}  // namespace

// The answer, or the default when the user cancels (the dialog then leaves
// the buffer as it was).
int32_t dialogsPrompt(const ScriptValue *args, ScriptValue *result)
{
    if (!allStrings(args, 2)) {
        return SE_OK;
    }
    char buffer[PROMPT_BUFFER] = {};
    std::strncpy(buffer, toDeck(&args[1]).c_str(), PROMPT_BUFFER - 1);
    std::string message = toDeck(&args[0]);
    DialogRequest request = dialogRequest(DIALOG_TEXT, message);
    request.buffer = buffer;
    request.minLength = 0;
    request.maxLength = PROMPT_BUFFER - 1;
    showDialog(&request);
    buffer[PROMPT_BUFFER - 1] = 0;
    WS_setText(result, Cs_convertCharset(buffer, D_getDeckCharset(), CHARSET_MIB_UTF8));
    return SE_OK;
}

// The buffer holds the cancel label, a zero byte, then the ok label.
int32_t dialogsConfirm(const ScriptValue *args, ScriptValue *result)
{
    if (!allStrings(args, 3)) {
        return SE_OK;
    }
    std::string ok = toDeck(&args[1]);
    std::string cancel = toDeck(&args[2]);
    std::vector<char> buffer(cancel.size() + ok.size() + 3, 0);
    std::memcpy(buffer.data(), cancel.data(), cancel.size());
    std::memcpy(buffer.data() + cancel.size() + 1, ok.data(), ok.size());
    std::string message = toDeck(&args[0]);
    DialogRequest request = dialogRequest(DIALOG_CONFIRM, message);
    request.buffer = buffer.data();
    request.minLength = 0;
    request.maxLength = static_cast<uint16_t>(std::min(buffer.size() - 1, MAX_DIALOG_LENGTH));
    makeInteger(result, showDialog(&request) == 1);
    return SE_OK;
}

int32_t dialogsAlert(const ScriptValue *args, ScriptValue *result)
{
    if (!isString(&args[0])) {
        return SE_OK;
    }
    std::string message = toDeck(&args[0]);
    DialogRequest request = dialogRequest(DIALOG_INFO, message);
    showDialog(&request);
    WS_setText(result, "");
    return SE_OK;
}
