// Selection of the product's rule by its key.
#pragma once

#include "precheck/run_context.h"

void DispatchProductRule(RunContext* ctx);
