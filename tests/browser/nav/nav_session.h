#pragma once
// The navigation tests' view of the scripted session: every posted event
// goes to B_poll (1), and connecting is confirmed at once.
#include "browser/browser.h"
#include "tests/support/scripted_session.h"

inline std::vector<ScriptedRequest> &gNavRequests = gScripted.sent;

inline void resetNavSession()
{
    resetScriptedSession([] { B_poll(1); });
    gScripted.confirmInsideConnect = true;
}
