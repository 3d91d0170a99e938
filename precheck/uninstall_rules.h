// Rules that remove old installations before a patch: Windows Installer
// removals by product code, or the uninstall strings the products
// registered; most then create the product's marker.
#pragma once

#include <string>

#include "precheck/process_check.h"
#include "precheck/run_context.h"

inline constexpr int32_t kInstallerMinutes =
    20;  // fixed installer commands, every inkscape command
inline constexpr int32_t kUninstallStringMinutes = 40;  // strings read from the registry

// A registry text of HKEY_LOCAL_MACHINE (ReadRegSZEx when ex is set): true
// and the text, or false and the error code.
bool ReadRegistryText(const std::string& keyPath, const char* valueName, std::string* text,
                      bool ex = false, int32_t* error = nullptr);

RuleOutcome HipchatRule(RunContext* ctx);
RuleOutcome AdvancedInstallerRule(RunContext* ctx);
RuleOutcome PdfXChangeViewerRule(RunContext* ctx);
RuleOutcome SkypeRule(RunContext* ctx);
RuleOutcome GeoGebraRule(RunContext* ctx);
RuleOutcome DvdFab10Rule(RunContext* ctx);
RuleOutcome InkscapeRule(RunContext* ctx);
RuleOutcome AuslogicsDiskDefragRule(RunContext* ctx);

// For a key no row names: steered by -e, -k, -s and -c.
RuleOutcome GenericUninstallRule(RunContext* ctx);
