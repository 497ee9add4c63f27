#pragma once
// A scripted session layer for the navigation tests: requests are noted,
// answers and aborts are posted when a test says so, and every posted
// event goes to B_poll (1) as the program's stack does.
#include <cstdint>
#include <string>
#include <vector>

struct NavRequest {
    std::string url;   // as sent (no fragment)
    std::string body;  // post data
    bool post;
    int32_t id;
    bool answered;
};

extern std::vector<NavRequest> gNavRequests;
// connection mode: abortRequest posts the abort (reason 234) at once, as
// the stack does for a request still outstanding.
void resetNavSession();
// Answers request index with content of that WSP type.
void answerRequest(size_t index, uint32_t contentType, const std::vector<uint8_t> &body);
// Answers every request not yet answered whose URL ends with suffix.
void answerAll(const std::string &suffix, uint32_t contentType, const std::vector<uint8_t> &body);
size_t unansweredRequests();
