#include "precheck/uninstall_rules.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/registry_read.h"
#include "host/uninstall_keys.h"
#include "platform/platform.h"
#include "precheck/markers.h"
#include "runtime/conversions.h"
#include "runtime/log.h"

namespace {

const std::string kUninstallRoot = kUninstallKeyPrefix;

struct Removal {
  const char* command;
  const char* log;  // "Execution status for ... : %d and remarks : %s\n"
};

constexpr Removal kPdfXChangeRemovals[] = {
    {"MsiExec.exe /X{9ED333F8-3E6C-4A38-BAFA-728454121CDA} /qn",
     "Execution status for PDFXCview 32 Uninstallation : %d and remarks : %s\n"},
    {"MsiExec.exe /X{3A6F4A31-8CFD-46B4-8385-E1F384DB121E} /qn",
     "Execution status for PDFXCview 64 Uninstallation : %d and remarks : %s\n"},
};

constexpr Removal kSkypeRemovals[] = {
    {"MsiExec.exe /X{4E76FF7E-AEBA-4C87-B788-CD47E5425B9D} /qn",
     "Execution status for Skype 5 Uninstallation : %d and remarks : %s\n"},
    {"MsiExec.exe /X{7A3C7E05-EE37-47D6-99E1-2EB05A3DA3F7} /qn",
     "Execution status for Skype 6 Uninstallation : %d and remarks : %s\n"},
    {"MsiExec.exe /X{24991BA0-F0EE-44AD-9CC8-5EC50AECF6B7} /qn",
     "Execution status for Skype 7 Uninstallation : %d and remarks : %s\n"},
    {"MsiExec.exe /X{6A0549A9-1B96-498C-ACBC-3943001FEB19} /qn",
     "Execution status for Skype 7.8 Uninstallation : %d and remarks : %s\n"},
    {"MsiExec.exe /X{FC965A47-4839-40CA-B618-18F486F042C6} /qn",
     "Execution status for Skype 7.8 Uninstallation : %d and remarks : %s\n"},
    {"MsiExec.exe /X{3B7E914A-93D5-4A29-92BB-AF8C3F66C431} /qn",
     "Execution status for Skype 7.8 Uninstallation : %d and remarks : %s\n"},
    {"MsiExec.exe /X{1845470B-EB14-4ABC-835B-E36C693DC07D} /qn",
     "Execution status for Skype 7.33 Uninstallation : %d and remarks : %s\n"},
};

constexpr const char* kGeoGebraCommand =
    "MsiExec.exe /X{D44FFF47-306C-4198-9899-832C1DAA4566} /qn /norestart";
constexpr const char* kDvdFabLog =
    "Execution status for DVDFab10 Uninstallation : %d and remarks : %s\n";
constexpr const char* kInkscapeInstallerEntry =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{81922150-317E-4BB0-A31D-"
    "FF1C14F707C5}";
constexpr const char* kInkscapeInstallerCommand =
    "MsiExec.exe /X{81922150-317E-4BB0-A31D-FF1C14F707C5} /qn /norestart";
constexpr const char* kInkscapeExeEntry =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Inkscape";
constexpr const char* kDiskDefragEntry =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{DF6A13C0-77DF-41FE-BD05-"
    "6D5201EB0CE7}_is1";

// Every format below is one of the constants above, never input.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
void RunRemovals(RunContext* ctx, const Removal* removals, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    int32_t result = RunUninstallCommand(ctx, removals[i].command, kInstallerMinutes);
    LogInfo(removals[i].log, result, ctx->remarks);
  }
}
#pragma GCC diagnostic pop

// The rules that run fixed installer removals: clear mode, the in-use
// test, the removals whatever they return, then the marker.
template <size_t N>
RuleOutcome FixedRemovalsRule(RunContext* ctx, const char* exe, const Removal (&removals)[N]) {
  if (ctx->clearAppDetection != 0) {
    ClearAppDetectionKey(*ctx);
    return RuleOutcome::kFree;
  }
  if (StartupKillPolicy(*ctx, exe) == 0) return RuleOutcome::kInUse;
  RunRemovals(ctx, removals, N);
  AddAppDetectionKey(*ctx);
  return RuleOutcome::kFree;
}

void RunAndReport(RunContext* ctx, const std::string& command, int32_t minutes) {
  int32_t result = RunUninstallCommand(ctx, command, minutes);
  LogInfo("The return value is %d", result);
}

// The shared walk of the HipChat and Advanced Installer rules: each entry
// the command maker accepts is run, its key deleted and the marker made.
template <typename MakeCommand>
void RemoveEntries(RunContext* ctx, MakeCommand make_command) {
  LogInfo("systemDirectory:%s\n", ctx->systemDirectory.c_str());
  std::vector<std::string> names;
  EnumerateSubKeys(&names, kUninstallRoot.c_str());
  for (const std::string& name : names) {
    const std::string key = kUninstallRoot + name;
    std::string display;
    if (!ReadRegistryText(key, "DisplayName", &display)) continue;
    std::string command;
    if (!make_command(key, name, display, &command)) continue;
    RunAndReport(ctx, command, kUninstallStringMinutes);
    plat::RegistryDeleteKey(plat::kHkeyLocalMachine, key.c_str());
    AddAppDetectionKey(*ctx);
  }
}

}  // namespace

bool ReadRegistryText(const std::string& keyPath, const char* valueName, std::string* text, bool ex,
                      int32_t* error) {
  char* raw = nullptr;
  int32_t result = ex ? ReadRegSZEx(plat::kHkeyLocalMachine, keyPath.c_str(), valueName, &raw)
                      : ReadRegSZ(plat::kHkeyLocalMachine, keyPath.c_str(), valueName, &raw);
  if (result == plat::kErrorSuccess && raw) *text = raw;
  free(raw);
  if (error) *error = result;
  return result == plat::kErrorSuccess;
}

RuleOutcome HipchatRule(RunContext* ctx) {
  if (ctx->clearAppDetection != 0) {
    ClearAppDetectionKey(*ctx);
    return RuleOutcome::kFree;
  }
  if (StartupKillPolicy(*ctx, "hipchat.exe") == 0) return RuleOutcome::kInUse;
  RemoveEntries(ctx, [](const std::string& key, const std::string&, const std::string& display,
                        std::string* command) {
    if (CompareStringNoCase(display.c_str(), "HipChat") != 0) return false;
    std::string text;
    if (ReadRegistryText(key, "QuietUninstallString", &text)) {
      *command = text;
      return true;
    }
    if (ReadRegistryText(key, "UninstallString", &text)) {
      *command = text + " /qn /norestart ALLUSERS=1";
      return true;
    }
    return false;
  });
  return RuleOutcome::kFree;
}

RuleOutcome AdvancedInstallerRule(RunContext* ctx) {
  if (ctx->clearAppDetection != 0) {
    ClearAppDetectionKey(*ctx);
    return RuleOutcome::kFree;
  }
  if (StartupKillPolicy(*ctx, "advinst.exe") == 0) return RuleOutcome::kInUse;
  RemoveEntries(ctx, [](const std::string& key, const std::string& name, const std::string& display,
                        std::string* command) {
    if (display.find("Advanced Installer") == std::string::npos) return false;
    std::string unused;  // must exist, but the product code is the entry's name
    if (!ReadRegistryText(key, "UninstallString", &unused)) return false;
    *command = "MsiExec.exe /X" + name + " /qn /norestart";
    return true;
  });
  return RuleOutcome::kFree;
}

RuleOutcome PdfXChangeViewerRule(RunContext* ctx) {
  return FixedRemovalsRule(ctx, "PDFXCview.exe", kPdfXChangeRemovals);
}

RuleOutcome SkypeRule(RunContext* ctx) {
  return FixedRemovalsRule(ctx, "skype.exe", kSkypeRemovals);
}

RuleOutcome GeoGebraRule(RunContext* ctx) {
  if (CheckListOfExe(ctx, false) == RuleOutcome::kInUse) return RuleOutcome::kInUse;
  int32_t result = RunUninstallCommand(ctx, kGeoGebraCommand, kInstallerMinutes);
  LogInfo("Execution status for GeoGebra Uninstallation : %d and remarks : %s\n", result,
          ctx->remarks);
  return RuleOutcome::kFree;
}

RuleOutcome DvdFab10Rule(RunContext* ctx) {
  if (CheckListOfExe(ctx, false) == RuleOutcome::kInUse) return RuleOutcome::kInUse;
  std::string command;
  if (ReadRegistryText(kUninstallRoot + "DVDFab 10", "QuietUninstallString", &command)) {
    int32_t result = RunUninstallCommand(ctx, command, kUninstallStringMinutes);
    LogInfo(kDvdFabLog, result, ctx->remarks);
    ctx->runStatus = 0;
  } else {
    ctx->runStatus = 1;
  }
  if (ReadRegistryText(kUninstallRoot + "DVDFab 10_is1", "QuietUninstallString", &command)) {
    int32_t result = RunUninstallCommand(ctx, command, kUninstallStringMinutes);
    ctx->runStatus = 0;
    LogInfo(kDvdFabLog, result, ctx->remarks);
  }
  return RuleOutcome::kFree;
}

RuleOutcome InkscapeRule(RunContext* ctx) {
  LogInfo("Inside the product inkscape");
  if (ctx->clearAppDetection != 0) {
    ClearAppDetectionKey(*ctx, MarkerForm::kInkscape);
    return RuleOutcome::kFree;
  }
  if (StartupKillPolicy(*ctx, "inkscape.exe") == 0) {
    LogInfo("inkscape already running.\n");
    return RuleOutcome::kInUse;
  }
  std::string text;
  if (gv_is32) {
    LogInfo("Inside the 32 bit hive.\n");
    LogInfo("systemDirectory:%s\n", ctx->systemDirectory.c_str());
    if (ReadRegistryText(kInkscapeInstallerEntry, "UninstallString", &text)) {
      LogInfo("Inside msi uninstallation.\n");
      RunAndReport(ctx, kInkscapeInstallerCommand, kInstallerMinutes);
    }
    text.clear();
    if (ReadRegistryText(kInkscapeExeEntry, "UninstallString", &text) && !text.empty()) {
      const std::string command = text + " /S";
      LogInfo("Inside exe uninstallation.%s is the uninstallation string\n", command.c_str());
      RunAndReport(ctx, command, kInstallerMinutes);
    }
  } else {
    // The 64-bit view: the exe's string only when there is no installer entry.
    if (ReadRegistryText(kInkscapeInstallerEntry, "UninstallString", &text, true)) {
      RunUninstallCommand(ctx, kInkscapeInstallerCommand, kInstallerMinutes);
    } else if (ReadRegistryText(kInkscapeExeEntry, "UninstallString", &text, true) &&
               !text.empty()) {
      RunUninstallCommand(ctx, text + " qn", kInstallerMinutes);
    }
  }
  AddAppDetectionKey(*ctx, MarkerForm::kInkscape);
  return RuleOutcome::kFree;
}

RuleOutcome AuslogicsDiskDefragRule(RunContext* ctx) {
  if (ctx->clearAppDetection != 0) {
    ClearAppDetectionKey(*ctx);
    return RuleOutcome::kFree;
  }
  if (StartupKillPolicy(*ctx, "DiskDefrag.exe") == 0) {
    LogInfo("DiskDefrag is already running.\n");
    return RuleOutcome::kInUse;
  }
  LogInfo("DiskDefrag is not running.Going to uninstall.\n");
  std::string command;
  int32_t error = 0;
  if (!ReadRegistryText(kDiskDefragEntry, "QuietUninstallString", &command, false, &error)) {
    LogInfo("Reading from registry failed with error %d.\n", error);
    return RuleOutcome::kFree;
  }
  LogInfo("The uninstall string is %s", command.c_str());
  RunAndReport(ctx, command, kUninstallStringMinutes);
  AddAppDetectionKey(*ctx);
  return RuleOutcome::kFree;
}

RuleOutcome GenericUninstallRule(RunContext* ctx) {
  if (ctx->RegKeyPath.empty() || ctx->RegKeyValueName.empty()) {
    // The check branch.
    if (!ctx->listOfExe.empty()) return CheckListOfExe(ctx, true);
    if (ctx->clearAppDetection != 0) {
      DeleteAppDetectionKey(*ctx);
      LogDebug("Successfully removed the appdetection.\n");
    }
    return RuleOutcome::kFree;
  }
  if (CheckListOfExe(ctx, false) == RuleOutcome::kInUse) return RuleOutcome::kInUse;
  LogInfo("%s is not running.Going to uninstall.\n", TextOrNull(ctx->productName));
  std::string command;
  int32_t error = 0;
  if (!ReadRegistryText(ctx->RegKeyPath, ctx->RegKeyValueName.c_str(), &command, gv_IsWow64 != 0,
                        &error)) {
    LogInfo("Reading from registry failed with error %d.\n", error);
    return RuleOutcome::kFree;
  }
  if (!ctx->uninstallSwitches.empty()) {
    std::string switches;
    while (!ctx->uninstallSwitches.empty()) {
      switches += ctx->uninstallSwitches.front() + " ";
      ctx->uninstallSwitches.pop_front();
    }
    LogInfo("The uninstall switch is %s", switches.c_str());
    command += " " + switches;
  }
  LogInfo("The uninstall string is %s", command.c_str());
  RunAndReport(ctx, command, kUninstallStringMinutes);
  AddAppDetectionKey(*ctx);
  return RuleOutcome::kFree;
}
