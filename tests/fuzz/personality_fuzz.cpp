// Fuzz target: any bytes read as a personality file either add
// personalities or leave log lines; what was read is listed and retrieved
// (without a data source, so retrieval and index creation fail cleanly);
// never a crash, a hang or a leak.  The two tables refer to each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/data_object.h"
#include "datastore/personality.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"

namespace {

ColumnDefnEntry* Column(const char* name, uint8_t type) {
  return CreateColumnDefn(name, type, nullptr, 0, 0, nullptr, nullptr, 40, 1, nullptr);
}

bool Define() {
  InitLogDefaults();
  SetLogParams("null", "/dev", 0, nullptr, 1);
  OpenLogFile();
  InitSqlDialects();
  InitTableDefnList();
  const char* aKey[] = {"ID"};
  Vector* a = CreateVector();
  AddElementData(a, Column("ID", KES_SQL_INT));
  AddElementData(a, Column("B_ID", KES_SQL_INT));
  ConstraintDefn* ac = CreateConstraintDefn(aKey, 1);
  AddForeignKeyEntry(ac, CreateForeignKeyEntry("B_ID", "BID", "B", 1, 0, 0));
  AddTableDefn(CreateTableDefn("A", nullptr, a, ac));
  const char* bKey[] = {"BID"};
  Vector* b = CreateVector();
  AddElementData(b, Column("BID", KES_SQL_VARCHAR));
  AddElementData(b, Column("A_ID", KES_SQL_INT));
  ConstraintDefn* bc = CreateConstraintDefn(bKey, 1);
  AddForeignKeyEntry(bc, CreateForeignKeyEntry("A_ID", "ID", "A", 1, 0, 0));
  AddTableDefn(CreateTableDefn("B", nullptr, b, bc));
  return true;
}

void FreeNames(char** names) {
  for (char** n = names; n && *n; ++n) free(*n);
  free(names);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool defined = Define();
  (void)defined;
  if (size > 1 << 16) return 0;
  CreatePersonalityFromXMLBuffer(reinterpret_cast<const char*>(data), static_cast<int32_t>(size),
                                 "fuzz");
  char** names = GetPersonalityNames();
  for (char** n = names; n && *n; ++n) {
    PrintPersonalityDefn(*n);
    FreeNames(GetConstituentTables(*n));
    FreeDataObject(GetDOFromPersonality(*n));
  }
  FreeNames(names);
  FreeNames(GetDominantTables());
  FreeAllPersonalities();
  return 0;
}
