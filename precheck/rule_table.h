// The product rule table: a product key selects a plain row (executables
// checked in order) or a rule of its own; a key no row names selects the
// generic rule.
#pragma once

#include <array>
#include <cstddef>

enum class SpecialRule {
  kNone,  // a plain row
  kTortoise,
  kHipchat,
  kPdfXChangeViewer,
  kSkype,
  kGeoGebra,
  kDvdFab10,
  kAdvancedInstaller,
  kInkscape,
  kPdfsamBasic,
  kAuslogicsDiskDefrag,
};

struct ProductRule {
  const char* key;
  SpecialRule special;
  std::array<const char*, 6> executables;  // a plain row's, in check order; unused ones absent
};

inline constexpr size_t kProductRuleCount = 84;
extern const std::array<ProductRule, kProductRuleCount> kProductRules;

// The first row whose key equals the product key, ignoring case; none if no
// row names it.
const ProductRule* FindProductRule(const char* productName);
