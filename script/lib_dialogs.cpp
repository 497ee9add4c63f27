// Dialogs: prompt, confirm and alert through the modal WML dialogs; the
// script waits inside the call until the user answers.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "script/library.h"
#include "shell/dialog.h"

namespace {

constexpr size_t PROMPT_BUFFER = 255;  // the answer holds at most 254 characters
constexpr size_t MAX_DIALOG_LENGTH = 65535;

// A request with the empty title and message as its prompt.
DialogRequest dialogRequest(uint8_t kind, const ScriptValue *message)
{
    DialogRequest request{};
    request.kind = kind;
    request.title = "";
    request.prompt = valueText(message);
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
    std::strncpy(buffer, valueText(&args[1]), PROMPT_BUFFER - 1);
    DialogRequest request = dialogRequest(DIALOG_TEXT, &args[0]);
    request.buffer = buffer;
    request.minLength = 0;
    request.maxLength = PROMPT_BUFFER - 1;
    showDialog(&request);
    buffer[PROMPT_BUFFER - 1] = 0;
    setText(result, buffer);
    return SE_OK;
}

// The buffer holds the cancel label, a zero byte, then the ok label.
int32_t dialogsConfirm(const ScriptValue *args, ScriptValue *result)
{
    if (!allStrings(args, 3)) {
        return SE_OK;
    }
    std::string_view ok = valueText(&args[1]);
    std::string_view cancel = valueText(&args[2]);
    std::vector<char> buffer(cancel.size() + ok.size() + 3, 0);
    std::memcpy(buffer.data(), cancel.data(), cancel.size());
    std::memcpy(buffer.data() + cancel.size() + 1, ok.data(), ok.size());
    DialogRequest request = dialogRequest(DIALOG_CONFIRM, &args[0]);
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
    DialogRequest request = dialogRequest(DIALOG_INFO, &args[0]);
    showDialog(&request);
    setText(result, "");
    return SE_OK;
}
