// App-detection markers: an empty key named after the product under the
// agent's AppDetection key, created after a rule has done its work and
// deleted in clear mode.  Nothing in the program reads them.
#pragma once

#include <cstdint>

#include "precheck/process_check.h"
#include "precheck/run_context.h"

enum class MarkerForm { kPlain, kInkscape };  // kInkscape: "_32" or "_64" after the name

// Creates (or opens) the marker; the creation's result, which callers ignore.
int32_t AddAppDetectionKey(const RunContext& ctx, MarkerForm form = MarkerForm::kPlain);
// Deletes the marker, logging the key (the generic rule's form).
void DeleteAppDetectionKey(const RunContext& ctx);
// Clear mode in the rules: the marker deleted without a log line.
void ClearAppDetectionKey(const RunContext& ctx, MarkerForm form = MarkerForm::kPlain);

RuleOutcome TortoiseRule(RunContext* ctx);
