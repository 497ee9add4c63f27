#include "browser/nav_hooks.h"

// Alone in its file: a test that defines its own record never links this one.
NavHooks gNavHooks{};
