// Fuzz target: any bytes read as a personality file either add
// personalities or leave log lines; what was read is listed and retrieved
// (without a data source, so retrieval and index creation fail cleanly);
// never a crash, a hang or a leak.  The two tables refer to each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "database/sql_dialect.h"
#include "datastore/data_object.h"
#include "datastore/personality.h"
#include "tests/fuzz/two_tables.h"

namespace {

bool Define() {
  InitSqlDialects();
  return fuzz::DefineTablesReferringToEachOther();
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
