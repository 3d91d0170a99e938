#include "precheck/rule_dispatch.h"

#include "precheck/markers.h"
#include "precheck/process_check.h"
#include "precheck/rule_table.h"

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
    default:
      // Work in progress: the uninstall-before-patch rules and the
      // command-line query are not built yet; until they are, these keys
      // end free without doing anything.
      return RuleOutcome::kFree;
  }
}

}  // namespace

RuleOutcome DispatchProductRule(RunContext* ctx) {
  const ProductRule* rule = FindProductRule(ctx->productName ? ctx->productName->c_str() : nullptr);
  RuleOutcome outcome;
  if (!rule) {
    // Work in progress: the generic uninstall rule is not built yet, so an
    // unlisted key ends free without doing anything.
    outcome = RuleOutcome::kFree;
  } else if (rule->special == SpecialRule::kNone) {
    outcome = RunPlainRow(ctx, *rule);
  } else {
    outcome = RunSpecialRule(ctx, rule->special);
  }
  // Every "in use" ends through the one verdict step.
  if (outcome == RuleOutcome::kInUse) InUseVerdict(ctx);
  return outcome;
}
