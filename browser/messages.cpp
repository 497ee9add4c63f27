#include "browser/messages.h"

#include "common/log.h"
#include "common/result_codes.h"
#include "shell/dialog.h"
#include "shell/display.h"

namespace {

// Errors and warnings share the one message dialog.
void showMessage(const char *text)
{
    DialogRequest request{};
    request.kind = DIALOG_INFO;
    request.title = "Error";
    request.prompt = text;
    showDialog(&request);
}

}  // namespace

const char *errorText(int32_t code)
{
    const ResultCode *entry = RC_resultCode(code);
    return entry ? entry->message : nullptr;
}

void showError(int32_t code)
{
    const char *text = errorText(code);
    if (!text)
        return;
    Log_printf("Display: showing error message [%s]\n", text);
    showMessage(text);
}

void showWarning(const char *text) { showMessage(text ? text : ""); }

void showStatus(const char *text) { D_displayStatusInsert(text ? text : ""); }
