// Fuzz target: any text either parses into a criteria tree whose nodes are
// well formed, or yields none; never a crash, a hang or a leak.  A tree is
// also bound to a table and evaluated over its rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "database/criteria_parser.h"
#include "datastore/column_value.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"

namespace {

void Check(const CriteriaNode* node, const CriteriaNode* parent) {
  std::vector<std::pair<const CriteriaNode*, const CriteriaNode*>> pending{{node, parent}};
  while (!pending.empty()) {
    auto [n, p] = pending.back();
    pending.pop_back();
    if (n->parent != p) abort();
    const bool boolean = n->operatorIndex == kOperatorAnd || n->operatorIndex == kOperatorOr;
    if (boolean != (n->left && n->right)) abort();
    if (boolean == (n->columnName != nullptr)) abort();
    if (n->operatorIndex < kOperatorLess || n->operatorIndex > kOperatorOr) abort();
    if (n->left) pending.push_back({n->left, n});
    if (n->right) pending.push_back({n->right, n});
  }
}

bool MakeTable() {
  InitLogDefaults();
  SetLogParams("null", "/dev", 0, nullptr, 1);
  OpenLogFile();
  InitTableDefnList();
  Vector* columns = CreateVector();
  AddElementData(
      columns, CreateColumnDefn("x", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0, 1, nullptr));
  AddElementData(columns, CreateColumnDefn("name", KES_SQL_VARCHAR, nullptr, 0, 0, nullptr, nullptr,
                                           0, 1, nullptr));
  AddElementData(columns, CreateColumnDefn("f", KES_SQL_FLOAT, nullptr, 0, 0, nullptr, nullptr, 0,
                                           1, nullptr));
  AddTableDefn(CreateTableDefn("t", nullptr, columns, nullptr));
  CreateTable("t");
  for (int i = 0; i < 4; ++i) {
    auto** values = static_cast<char**>(calloc(3, sizeof(char*)));
    auto* lengths = static_cast<int32_t*>(calloc(3, sizeof(int32_t)));
    const std::string number = std::to_string(i);
    lengths[0] = static_cast<int32_t>(number.size());
    values[0] = ConvertStringToValue(number.c_str(), &lengths[0], KES_SQL_INT);
    if (i % 2 == 0) {
      lengths[1] = 3;
      values[1] = strdup("abc");
    }
    AddNewRow("t", CreateNewRowObject(values, lengths));
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool table = MakeTable();
  (void)table;
  const std::string text(reinterpret_cast<const char*>(data), size);
  CriteriaNode* tree = ParseCriteria(text.c_str());
  if (tree) {
    Check(tree, nullptr);
    FreeCriteriaTree(tree);
    ResultData* result = SelectRows("t", text.c_str());
    if (!result) abort();  // it parsed, so it selects
    FreeResultData(result);
  }
  return 0;
}
