#pragma once
// The Browser: navigation from a URL to a laid-out card, back, reload,
// abort, and the poll that drives it all.

constexpr int METHOD_GET_WITH_DATA = 0;
constexpr int METHOD_GET = 1;
constexpr int METHOD_POST = 2;

// Navigate to url (relative to the current deck) with optional post data.
void B_go(const char *url, const char *postData, int method);
// Back one context.
void B_prev();
// Fetch the current deck again, bypassing the cache.
void B_refresh();
// Lay the current deck out again from the cache.
void refreshLayout();
void B_abort();
// fromStack: 1 when the stack just posted an event, 0 on the 200 ms tick.
void B_poll(int fromStack);
