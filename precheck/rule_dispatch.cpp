#include "precheck/rule_dispatch.h"

#include "precheck/markers.h"
#include "precheck/process_check.h"
#include "precheck/rule_table.h"
#include "precheck/uninstall_rules.h"
#include "precheck/wmi_rule.h"

namespace {

RuleOutcome RunPlainRow(RunContext* ctx, const ProductRule& rule) {
  for (const char* exe : rule.executables) {
    if (!exe) break;
    if (StartupKillPolicy(*ctx, exe) == 0) return RuleOutcome::kInUse;
  }
  return RuleOutcome::kFree;
}

RuleOutcome RunSpecialRule(RunContext* ctx, SpecialRule rule) {
  switch (rule) {
    case SpecialRule::kTortoise:
      return TortoiseRule(ctx);
    case SpecialRule::kHipchat:
      return HipchatRule(ctx);
    case SpecialRule::kPdfXChangeViewer:
      return PdfXChangeViewerRule(ctx);
    case SpecialRule::kSkype:
      return SkypeRule(ctx);
    case SpecialRule::kGeoGebra:
      return GeoGebraRule(ctx);
    case SpecialRule::kDvdFab10:
      return DvdFab10Rule(ctx);
    case SpecialRule::kAdvancedInstaller:
      return AdvancedInstallerRule(ctx);
    case SpecialRule::kInkscape:
      return InkscapeRule(ctx);
    case SpecialRule::kPdfsamBasic:
      return PdfsamBasicRule(ctx);
    case SpecialRule::kAuslogicsDiskDefrag:
      return AuslogicsDiskDefragRule(ctx);
    case SpecialRule::kNone:
      break;
  }
  return RuleOutcome::kFree;
}

}  // namespace

RuleOutcome DispatchProductRule(RunContext* ctx) {
  const ProductRule* rule = FindProductRule(ctx->productName ? ctx->productName->c_str() : nullptr);
  RuleOutcome outcome;
  if (!rule) {
    outcome = GenericUninstallRule(ctx);
  } else if (rule->special == SpecialRule::kNone) {
    outcome = RunPlainRow(ctx, *rule);
  } else {
    outcome = RunSpecialRule(ctx, rule->special);
  }
  // Every "in use" ends through the one verdict step.
  if (outcome == RuleOutcome::kInUse) InUseVerdict(ctx);
  return outcome;
}
