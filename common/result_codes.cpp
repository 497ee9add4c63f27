#include "common/result_codes.h"

#include <algorithm>
#include <array>

namespace {

const char kNoContent[] = "Error: No content!";
const char kOutOfMemory[] = "Error: Out of memory!";
const char kCacheTooSmall[] =
    "Error: The cache space required for the current page exceeds the maximum cache size allowed.  Try increasing the "
    "maximum cache size.";
const char kTooMuchData[] =
    "Error: Maximum allowable data size exceeded.  The gateway sent too much data for the client to handle.";
const char kStackInternal[] = "Error: WAP stack internal error";

// Every code with a rule or a text, in ascending order; the rest have neither.
constexpr std::array kResultCodes = std::to_array<ResultCode>({
    {-5, 0, "Error: Deck access control prevents this deck from being displayed!"},
    {-3, 0, kCacheTooSmall},
    {-2, 0, kNoContent},
    {-1, 0, kOutOfMemory},
    {8, 0, "Error: No response from the WAP Gateway!"},
    {9, 0, kTooMuchData},
    {228, 0, "Error: Gateway is congested"},
    {229, 0, "Error: Session connect to WAP Gateway failed"},
    {230, 0, kTooMuchData},
    {231, 0, "Error: The number of allowable concurrent requests exceeded."},
    {232, 0, "Error: The WAP Gateway aborted the data retieval."},
    {233, 0, "Error: Network error"},
    {CRES_CONNECT_FAILED, RESULT_FINAL | RESULT_FETCH_ERROR,
     "Error: Connection failed.  The connection to the WAP Gateway failed.  Please try reconecting."},
    {1006, 0, "Error: WAP stack protocol error"},
    {1007, 0, "Error: WAP stack peer congestion error"},
    {1008, 0, kStackInternal},
    {1009, 0, kStackInternal},
    {1203, 0,
     "Error: Unabled to find a suitable WinSock library on your computer.  Tovrin requires WinSock version 2.0 or "
     "better."},
    {1204, 0,
     "Error: The bearer service you have selected is not currently supported in Tovrin.  Please goto the "
     "preferences and select another bearer service."},
    {1205, 0, "Error: An unknown TCP/IP error has occured.  Perhaps you connection to the network has failed?"},
    {1999, 0, "Error: Uh-oh, an unhandled WAP stack error just occured!"},
    {CRES_STORED, RESULT_FINAL, nullptr},
    {CRES_RECONNECTING, RESULT_FINAL, nullptr},
    {CRES_DISCONNECTED, RESULT_FINAL, nullptr},
    {CRES_ABORTED, RESULT_FINAL, nullptr},
    {CRES_USER_ABORT, RESULT_FINAL, nullptr},
    {CRES_WRITE_FAILED, RESULT_FINAL | RESULT_FETCH_ERROR, "Error: Uh-oh, an unhandled cache error just occured!"},
    {CRES_BAD_URL, RESULT_FETCH_ERROR, "Error: malformed URL!"},
    {CRES_FULL, RESULT_FINAL | RESULT_FETCH_ERROR, kCacheTooSmall},
    {CRES_OUT_OF_MEMORY, RESULT_FETCH_ERROR, kOutOfMemory},
    {CRES_GATEWAY_ERROR, RESULT_FINAL | RESULT_FETCH_ERROR, "Error: The WAP Gateway returned an error status."},
    {CRES_WRONG_TYPE, RESULT_FINAL | RESULT_FETCH_ERROR,
     "Error: WAP Gateway returned data with an unexpected content type."},
    {CRES_UNKNOWN_TID, RESULT_FINAL | RESULT_FETCH_ERROR, nullptr},
    {CRES_NO_SESSION, 0, "You are not connected to the WAP Gateway!  Please connect and try again."},
    {CRES_UNCOMPILED_DECK, RESULT_FINAL | RESULT_FETCH_ERROR, "Error: The WAP Gateway could not compile the WML deck."},
    {CRES_NOT_AN_IMAGE, RESULT_FINAL, nullptr},
    {3902, 0,
     "Error: The requested WML deck has too many dependant elements (eg: images) to be loaded into the browser."},
    {4000, 0, "Error: Script op-code conversion error"},
    {4001, 0, "Error: Script contains an unknown op-code!"},
    {4003, 0, "Error: Uh-oh, this shouldn't happen!  Script engine complains that it was started without a valid URL!"},
    {4100, 0, "Error: Script verification failed"},
    {4101, 0, "Error: Fatal script library function error"},
    {4102, 0, "Error: Invalid script function arguments"},
    {4103, 0, "Error: External script function not found"},
    {4104, 0, "Error: Unable to load script compilation unit"},
    {4105, 0, "Error: Script access violation"},
    {4106, 0, "Error: Stack underflow in script"},
    {4108, 0, "Error: Stack overflow in script"},
    {4109, 0, kOutOfMemory},
    {4200, 0, "Error: Divide by zero in script"},
    {4201, 0, "Error: Integer overflow in script"},
    {4202, 0, "Error: Floating point overflow in script"},
    {4203, 0, "Error: Floating point underflow in script"},
    {4204, 0, "Error: Not a number floating point constant in script"},
    {4205, 0, "Error: Infinite floating point constant in script"},
    {4206, 0, "Error: Illegal floating point reference in script"},
    {4208, 0, "Error: Floating point too large in script"},
    {4209, 0, "Error: Floating point too small in script"},
});

static_assert(std::ranges::is_sorted(kResultCodes, {}, &ResultCode::code), "kResultCodes must stay in code order");

}  // namespace

const ResultCode *RC_resultCode(int32_t code)
{
    auto it = std::ranges::lower_bound(kResultCodes, code, {}, &ResultCode::code);
    return it != kResultCodes.end() && it->code == code ? &*it : nullptr;
}
