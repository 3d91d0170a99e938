// The in-use test every rule decides by: is an executable running, is this
// a start-up (kill it) or not (in use), and the one verdict step that every
// "in use" outcome passes through.
#pragma once

#include <cstdint>

#include "precheck/run_context.h"

enum class RuleOutcome { kFree, kInUse };

// The first process (not this one) whose name matches over at most 15
// characters, ignoring case, and, with a -f directory, whose main module
// lies in it; 0 when none.
uint32_t RunningProcessCheck(const RunContext& ctx, const char* exeName);
// 1 free (not running, or killed at start-up), 0 in use.
int StartupKillPolicy(const RunContext& ctx, const char* exeName);
// Terminates every process of exactly this name; 1 when one was found.
int KillProcesses(const char* exeName);
// Applies the policy to the -e list, consuming it from the front.
RuleOutcome CheckListOfExe(RunContext* ctx, bool announce);
// Fast Startup off (when hibernation is enabled), then status 20001.
void InUseVerdict(RunContext* ctx);

// The start-up window after boot, in milliseconds.
inline constexpr uint32_t kStartupWindowMs = 900000;
