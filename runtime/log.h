// The process-wide text log.  Four printf-style calls write one prefixed,
// flushed entry each when the level allows it:
//   [ 2024-03-05 09:07:02:045 ] [ 4312 ] [DEBUG] message
// The settings live in process-wide variables; configuration, opening and
// closing belong to start-up and shut-down on the main thread.
#pragma once

#include <cstdint>
#include <cstdio>

#if defined(__MINGW32__)
#define HV_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define HV_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif

extern char* gv_logFileName;
extern char* gv_logDir;
extern int32_t gv_logSizeValue;  // stored only
extern void* gv_logExtraValue;   // stored only
extern uint8_t gv_logLevel;
extern char* gv_logFilePath;
extern FILE* gv_logFilePtr;
extern uint8_t* gv_logLockKey;
// The library root: parent of "logs" when no log directory is set.  Not owned.
extern const char* gv_tavrixRoot;

bool InitLogDefaults();
bool SetLogParams(const char* fileName, const char* directory, int32_t sizeValue, void* extraValue,
                  uint8_t level);
bool SetLogFileName(const char* fileName);
bool SetLogDirectory(const char* directory);
void SetLogLevel(uint8_t level);
bool OpenLogFile();
bool CreateLogFile();
bool SetLogFilePtr(FILE* stream);
void CloseLogFile();
void FreeLogParams();

void LogInfo(const char* format, ...) HV_PRINTF_FORMAT(1, 2);
void LogError(const char* format, ...) HV_PRINTF_FORMAT(1, 2);
void LogDebug(const char* format, ...) HV_PRINTF_FORMAT(1, 2);
void LogTrace(const char* format, ...) HV_PRINTF_FORMAT(1, 2);

// The local time as "%d-%02d-%02d %02d:%02d:%02d:%03d"; the caller frees it.
char* GetTimeStamp();

// Creates path and its missing parents ('/' separates them): 0 created,
// 1 already existed, otherwise the errno value of the failure.
int MakeDirectoryPath(const char* path);
