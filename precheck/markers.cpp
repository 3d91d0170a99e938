#include "precheck/markers.h"

#include <string>

#include "platform/platform.h"
#include "runtime/log.h"

namespace {

constexpr const char* kAppDetectionKey = "SOFTWARE\\Kestrane\\Halvora\\HVAgent\\AppDetection\\";
// The longest paths the marker buffers hold (255 and 260 bytes with the NUL).
constexpr size_t kCreatePathLimit = 254;
constexpr size_t kDeletePathLimit = 259;

// The marker path, or false (with one ERROR line) when it would not fit:
// a cut path could name another product's key, so it is never cut.
bool MarkerPath(const RunContext& ctx, MarkerForm form, size_t limit, std::string* path) {
  *path = kAppDetectionKey;
  path->append(ctx.productName ? *ctx.productName : "(null)");
  if (form == MarkerForm::kInkscape) path->append(gv_is32 ? "_32" : "_64");
  if (path->size() > limit) {
    LogError("App detection key for product %s is longer than %d characters; not changed\n",
             ctx.productName ? ctx.productName->c_str() : "(null)", static_cast<int>(limit));
    return false;
  }
  return true;
}

}  // namespace

int32_t AddAppDetectionKey(const RunContext& ctx, MarkerForm form) {
  std::string path;
  if (!MarkerPath(ctx, form, kCreatePathLimit, &path)) return plat::kErrorInvalidParameter;
  LogInfo("addRegistryKey: Inside addRegistryKey method ...... \n");
  plat::RegKey key = nullptr;
  uint32_t disposition = 0;
  int32_t result = plat::RegistryCreateKey(plat::kHkeyLocalMachine, path.c_str(),
                                           plat::kKeyAllAccess, &key, &disposition);
  if (key) plat::RegistryCloseKey(key);
  LogInfo("RegCreateKeyEx: returns : %d\n", result);
  return result;
}

void DeleteAppDetectionKey(const RunContext& ctx) {
  std::string path;
  if (!MarkerPath(ctx, MarkerForm::kPlain, kDeletePathLimit, &path)) return;
  LogDebug("Key to delete:%s", path.c_str());
  plat::RegistryDeleteKey(plat::kHkeyLocalMachine, path.c_str());
}

void ClearAppDetectionKey(const RunContext& ctx, MarkerForm form) {
  std::string path;
  if (!MarkerPath(ctx, form, kCreatePathLimit, &path)) return;
  plat::RegistryDeleteKey(plat::kHkeyLocalMachine, path.c_str());
}

RuleOutcome TortoiseRule(RunContext* ctx) {
  if (ctx->clearAppDetection != 0) {
    ClearAppDetectionKey(*ctx);
    return RuleOutcome::kFree;
  }
  if (StartupKillPolicy(*ctx, "TortoiseProc.exe") == 0) return RuleOutcome::kInUse;
  AddAppDetectionKey(*ctx);
  return RuleOutcome::kFree;
}
