// Result codes as readable log text, and UTF-8 <-> UTF-16 conversion.
// Two paths: an ANSI one with blanks trimmed (the remarks of a command) and
// a UTF-16 one converted to UTF-8 that falls back to the agent's own table.
#pragma once

#include <cstdint>

// The system's text for code, blanks trimmed, or "Unknown Error"; logged.
// A new heap text the caller frees.
char* GetErrorMessage(int32_t code);
// The agent's text for its own result codes, or "Unknown Error. Code : %d".
// A new heap text the caller frees.
char* GetAgentErrorText(int32_t code);
// The system's text in UTF-8, or the agent's; logged.  The caller frees it.
char* GetErrorMessageUtf8(int32_t code);
void LogErrorMessage(int32_t code);
// Logs the system's text for the calling thread's last error.
void LogLastError();

// The text without the blanks (' ' only) at both of its ends.
char* TrimBlanks(const char* text);

// New UTF-16 copy (malloc'ed) of a UTF-8 text: true, or false after logging.
uint8_t ChangeUtf8ToWideStr(const char* utf8, char16_t** wide);
// New UTF-8 copy (malloc'ed) of a UTF-16 text: true, or false after logging.
uint8_t ChangeWideStrToUtf8(const char16_t* wide, char** utf8);
