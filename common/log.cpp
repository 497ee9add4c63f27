#include "common/log.h"

#include <cstdio>

#include "common/directories.h"

static unsigned char gLogMode = LOG_CONSOLE;  // 0 off, 1 console, 2 file, 3 both
static FILE *gLogFile = nullptr;              // wapout.log, or none
static LogTap gTap = nullptr;                 // sees every text, or none

void Log_open()
{
    gLogMode = LOG_OFF;
    if (gLogFile) {
        std::fclose(gLogFile);
        gLogFile = nullptr;
    }
    // Without a log file the system runs on; file writes are skipped.
    gLogFile = std::fopen(Dir_statePath("wapout.log").c_str(), "w");
}

void Log_setMode(unsigned char mode) { gLogMode = mode; }

unsigned char Log_getMode() { return gLogMode; }

void Log_setTap(LogTap tap) { gTap = tap; }

void Log_vprintf(const char *format, va_list args)
{
    if (gTap) {
        char text[512];
        va_list copy;
        va_copy(copy, args);
        std::vsnprintf(text, sizeof text, format, copy);
        va_end(copy);
        gTap(text);
    }
    if (gLogMode & LOG_CONSOLE) {
        va_list copy;
        va_copy(copy, args);
        std::vfprintf(stdout, format, copy);
        va_end(copy);
    }
    if ((gLogMode & LOG_FILE) && gLogFile) {
        std::vfprintf(gLogFile, format, args);
        std::fflush(gLogFile);
    }
}

void Log_printf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Log_vprintf(format, args);
    va_end(args);
}

void Log_str(const char *text) { Log_printf("%s", text ? text : "(null)"); }

void Log_int(int n) { Log_printf("%d", n); }
