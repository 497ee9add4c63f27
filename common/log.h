#pragma once
// The diagnostic log: one process-wide sink with a mode byte. Writes go to
// standard output (mode 1 or 3) and to wapout.log in the state directory
// (mode 2 or 3), which is flushed after every write. Callers add their own
// newlines and their subsystem prefix ("Browser: ", "Cache: ", ...).
#include <cstdarg>

constexpr unsigned char LOG_OFF = 0;
constexpr unsigned char LOG_CONSOLE = 1;
constexpr unsigned char LOG_FILE = 2;
constexpr unsigned char LOG_BOTH = 3;

// Mode 0, closes any open log file, then creates wapout.log afresh.
void Log_open();
void Log_setMode(unsigned char mode);
unsigned char Log_getMode();
void Log_str(const char *text);
void Log_int(int n);
void Log_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
void Log_vprintf(const char *format, va_list args);
// A listener that sees every written text, whatever the mode (null: none);
// texts longer than 511 bytes reach it cut.
using LogTap = void (*)(const char *text);
void Log_setTap(LogTap tap);
