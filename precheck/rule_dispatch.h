// Runs the rule the product key selects; an "in use" outcome ends through
// InUseVerdict (Fast Startup off, status 20001).
#pragma once

#include "precheck/process_check.h"
#include "precheck/run_context.h"

RuleOutcome DispatchProductRule(RunContext* ctx);
