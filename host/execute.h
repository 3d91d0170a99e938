// Runs one uninstall command as a hidden child in a working directory,
// waits for it with a time limit in minutes and kills it when the limit
// passes.  The installer success codes fold into 0; *remarks receives the
// system's text for the code that decided the outcome.
#pragma once

#include <cstdint>

// *remarks: freed and replaced each time the outcome is decided; the caller
// owns (and frees) the last one.
int32_t execute(const char* workingDir, const char* commandLine, char** remarks, int32_t minutes);

// An exit code as execute reports it: 0, 1641 and 3010 give 0.
int32_t FoldInstallerExitCode(int32_t exitCode);
