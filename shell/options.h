#pragma once
// The command line. Values given here override the preferences for this
// run only.
#include <string>

struct CommandLine {
    std::string home;     // --home DIR (else TOVRIN_HOME, else XDG)
    int screenWidth = 0;  // --screen WxH; 0 = from the skin or default
    int screenHeight = 0;
    std::string gateway;           // --gateway HOST
    int port = 0;                  // --port 9201|9200; 0 = from the preferences
    bool headless = false;         // --headless
    std::string script;            // --script FILE; empty = standard input
    std::string url;               // the page to open
    std::string capture;           // --capture FILE.pcap: every datagram into FILE
    int zoom = 0;                  // --zoom 1|2|3; 0 = the saved preference
    std::string device;            // --device NAME: a handset profile; empty = the stored one
    bool sharedVariables = false;  // --shared-variables
    bool help = false;             // --help
    bool version = false;          // --version
};

// Fills cmd from argv; false with the reason in error.
bool parseCommandLine(int argc, char **argv, CommandLine *cmd, std::string *error);

extern const char *const kUsage;
extern const char *const kHelp;
