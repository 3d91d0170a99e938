// Table definitions made by hand for the tests that need them.
#pragma once

#include <cstdint>
#include <vector>

#include "datastore/table_defn.h"

namespace hvtest {

// Registers a table definition of the columns, key columns and foreign
// keys (taken over).
inline void DefineTable(const char* name, const std::vector<ColumnDefnEntry*>& columns,
                        std::vector<const char*> keys,
                        const std::vector<ForeignKeyEntry*>& foreign = {}) {
  Vector* list = CreateVector();
  for (ColumnDefnEntry* c : columns) AddElementData(list, c);
  ConstraintDefn* constraints =
      CreateConstraintDefn(keys.data(), static_cast<int32_t>(keys.size()));
  for (ForeignKeyEntry* f : foreign) AddForeignKeyEntry(constraints, f);
  AddTableDefn(CreateTableDefn(name, nullptr, list, constraints));
}

}  // namespace hvtest
