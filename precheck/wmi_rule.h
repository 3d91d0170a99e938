// The PDFsamBasic rule: in use when a process's command line holds
// "pdfsam-community" (asked of WMI) or when pdfsam.exe is in use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "precheck/process_check.h"
#include "precheck/run_context.h"

// COM on this thread and a connection to root\cimv2 in ctx->wmiServices;
// the last COM result, which the caller ignores.
int32_t InitWMIConnection(RunContext* ctx);
// The command line of the last process the query returns (held whole):
// 0 when one was read, or without a connection or a match; a COM error
// code when the query failed.
int32_t GetValuesUsingWMIQuery(RunContext* ctx, std::optional<std::u16string>* commandLine);

RuleOutcome PdfsamBasicRule(RunContext* ctx);
