#include "browser/messages.h"

#include <algorithm>
#include <array>

#include "common/log.h"
#include "shell/dialog.h"
#include "shell/display.h"

namespace {

struct MessageEntry {
    int32_t code;
    const char *text;
};

const char kNoContent[] = "Error: No content!";
const char kOutOfMemory[] = "Error: Out of memory!";
const char kCacheTooSmall[] =
    "Error: The cache space required for the current page exceeds the maximum cache size allowed.  Try increasing the "
    "maximum cache size.";
const char kTooMuchData[] =
    "Error: Maximum allowable data size exceeded.  The gateway sent too much data for the client to handle.";
const char kStackInternal[] = "Error: WAP stack internal error";

// Every code that has a text, in ascending order; all others show nothing.
constexpr std::array kMessages = std::to_array<MessageEntry>({
    {-5, "Error: Deck access control prevents this deck from being displayed!"},
    {-3, kCacheTooSmall},
    {-2, kNoContent},
    {-1, kOutOfMemory},
    {8, "Error: No response from the WAP Gateway!"},
    {9, kTooMuchData},
    {228, "Error: Gateway is congested"},
    {229, "Error: Session connect to WAP Gateway failed"},
    {230, kTooMuchData},
    {231, "Error: The number of allowable concurrent requests exceeded."},
    {232, "Error: The WAP Gateway aborted the data retieval."},
    {233, "Error: Network error"},
    {1005, "Error: Connection failed.  The connection to the WAP Gateway failed.  Please try reconecting."},
    {1006, "Error: WAP stack protocol error"},
    {1007, "Error: WAP stack peer congestion error"},
    {1008, kStackInternal},
    {1009, kStackInternal},
    {1203, "Error: Unabled to find a suitable WinSock library on your computer.  Tovrin requires WinSock version 2.0 or "
           "better."},
    {1204, "Error: The bearer service you have selected is not currently supported in Tovrin.  Please goto the "
           "preferences and select another bearer service."},
    {1205, "Error: An unknown TCP/IP error has occured.  Perhaps you connection to the network has failed?"},
    {1999, "Error: Uh-oh, an unhandled WAP stack error just occured!"},
    {2501, "Error: Uh-oh, an unhandled cache error just occured!"},
    {2502, "Error: malformed URL!"},
    {2503, kCacheTooSmall},
    {2504, kOutOfMemory},
    {2505, "Error: The WAP Gateway returned an error status."},
    {2506, "Error: WAP Gateway returned data with an unexpected content type."},
    {2508, "You are not connected to the WAP Gateway!  Please connect and try again."},
    {2509, "Error: The WAP Gateway could not compile the WML deck."},
    {3902, "Error: The requested WML deck has too many dependant elements (eg: images) to be loaded into the browser."},
    {4000, "Error: Script op-code conversion error"},
    {4001, "Error: Script contains an unknown op-code!"},
    {4003, "Error: Uh-oh, this shouldn't happen!  Script engine complains that it was started without a valid URL!"},
    {4100, "Error: Script verification failed"},
    {4101, "Error: Fatal script library function error"},
    {4102, "Error: Invalid script function arguments"},
    {4103, "Error: External script function not found"},
    {4104, "Error: Unable to load script compilation unit"},
    {4105, "Error: Script access violation"},
    {4106, "Error: Stack underflow in script"},
    {4108, "Error: Stack overflow in script"},
    {4109, kOutOfMemory},
    {4200, "Error: Divide by zero in script"},
    {4201, "Error: Integer overflow in script"},
    {4202, "Error: Floating point overflow in script"},
    {4203, "Error: Floating point underflow in script"},
    {4204, "Error: Not a number floating point constant in script"},
    {4205, "Error: Infinite floating point constant in script"},
    {4206, "Error: Illegal floating point reference in script"},
    {4208, "Error: Floating point too large in script"},
    {4209, "Error: Floating point too small in script"},
});

static_assert(std::ranges::is_sorted(kMessages, {}, &MessageEntry::code), "kMessages must stay in code order");

// Errors and warnings share the one message dialog.
void showMessage(const char *text)
{
    DialogRequest request{};
    request.kind = DIALOG_INFO;
    request.title = "Error";
    request.prompt = text;
    showDialog(&request);
}

} // namespace

const char *errorText(int32_t code)
{
    auto it = std::ranges::lower_bound(kMessages, code, {}, &MessageEntry::code);
    return it != kMessages.end() && it->code == code ? it->text : nullptr;
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

void showStatus(const char *text) { displayStatusInsert(text ? text : ""); }
