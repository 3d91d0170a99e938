// Fuzz target: any bytes imported as table data either add rows or leave
// log lines; never a crash, a hang or a leak.  Two tables refer to each
// other, one has a generated key, so symbols, inherited keys and the
// context search all run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "datastore/column_value.h"
#include "datastore/sequence.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "datastore/xml_import.h"
#include "runtime/log.h"

namespace {

ColumnDefnEntry* Column(const char* name, uint8_t type, const char* generator = nullptr) {
  return CreateColumnDefn(name, type, nullptr, 0, 0, generator, nullptr, 40, 1, nullptr);
}

bool Define() {
  InitLogDefaults();
  SetLogParams("null", "/dev", 0, nullptr, 1);
  OpenLogFile();
  InitTableDefnList();
  InitSequenceState();
  auto* state = static_cast<SequenceState*>(malloc(sizeof(SequenceState)));
  *state = SequenceState{1, 1 << 30};
  PutHashEntry(GetSequenceState(), "A_SEQ", state);
  const char* aKey[] = {"ID"};
  Vector* a = CreateVector();
  AddElementData(a, Column("ID", KES_SQL_INT, "A_SEQ"));
  AddElementData(a, Column("B_ID", KES_SQL_INT));
  AddElementData(a, Column("NAME", KES_SQL_VARCHAR));
  AddElementData(a, Column("AT", KES_SQL_DATETIME));
  AddElementData(a, Column("FLAG", KES_SQL_BOOLEAN));
  ConstraintDefn* ac = CreateConstraintDefn(aKey, 1);
  AddForeignKeyEntry(ac, CreateForeignKeyEntry("B_ID", "BID", "B", 1, 0, 0));
  AddTableDefn(CreateTableDefn("A", nullptr, a, ac));
  const char* bKey[] = {"BID"};
  Vector* b = CreateVector();
  AddElementData(b, Column("BID", KES_SQL_INT));
  AddElementData(b, Column("A_ID", KES_SQL_INT));
  ConstraintDefn* bc = CreateConstraintDefn(bKey, 1);
  AddForeignKeyEntry(bc, CreateForeignKeyEntry("A_ID", "ID", "A", 1, 0, 0));
  AddTableDefn(CreateTableDefn("B", nullptr, b, bc));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool defined = Define();
  (void)defined;
  if (size > 1 << 16) return 0;
  LoadTableDataFromXMLBuffer(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
  UnLoadAllTable();
  return 0;
}
