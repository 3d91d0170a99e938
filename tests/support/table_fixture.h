// Table definitions made by hand for the tests that need them.
#pragma once

#include <cstdint>
#include <cstring>
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

// A column definition with the common settings.
inline ColumnDefnEntry* MakeColumn(const char* name, uint8_t type, bool nullable = true,
                                   const char* defaultText = nullptr, int32_t maxSize = 0) {
  return CreateColumnDefn(name, type, defaultText,
                          defaultText ? static_cast<int32_t>(strlen(defaultText)) : 0, 0, nullptr,
                          nullptr, maxSize, nullable ? 1 : 0, nullptr);
}

// Customer <- Orders <- Lines, as the library's users model an order.
inline void DefineOrderSchema() {
  InitTableDefnList();
  DefineTable("Customer", {MakeColumn("ID", 5, false), MakeColumn("NAME", 15, true, nullptr, 40)},
              {"ID"});
  DefineTable("Orders",
              {MakeColumn("ID", 5, false), MakeColumn("CUSTOMER_ID", 5, false),
               MakeColumn("STATUS", 3, false, "0"), MakeColumn("NOTE", 15, true, nullptr, 80)},
              {"ID"}, {CreateForeignKeyEntry("CUSTOMER_ID", "ID", "Customer", 0, 0, 0)});
  DefineTable("OrderLines",
              {MakeColumn("ORDER_ID", 5, false), MakeColumn("LINE_NO", 5, false),
               MakeColumn("PRODUCT", 15, true, nullptr, 40), MakeColumn("QTY", 5, false, "1")},
              {"ORDER_ID", "LINE_NO"},
              {CreateForeignKeyEntry("ORDER_ID", "ID", "Orders", 0, 0, 0)});
}

}  // namespace hvtest
