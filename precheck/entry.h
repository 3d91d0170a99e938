// The precheck program's entry: log set-up, agent settings, command line,
// the product's rule and the exit status.
#pragma once

int PrecheckMain(int argc, const char* const* argv);
