// The stack's test hooks, kept apart: stack/address.h and the preferences
// both define the bearer codes.
#include "stack/wtp.h"

void setNextWtpTid(uint32_t tid) { setNextTid(tid); }
