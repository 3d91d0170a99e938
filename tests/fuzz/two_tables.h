// The two tables the XML fuzz targets work on: A (generated key ID, a
// foreign key to B and columns of several types) and B (key BID, a foreign
// key back to A), with the log going nowhere and a sequence for A's key.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "datastore/column_value.h"
#include "datastore/sequence.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"

namespace fuzz {

inline ColumnDefnEntry* Column(const char* name, uint8_t type, const char* generator = nullptr) {
  return CreateColumnDefn(name, type, nullptr, 0, 0, generator, nullptr, 40, 1, nullptr);
}

inline bool DefineTablesReferringToEachOther() {
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

}  // namespace fuzz
