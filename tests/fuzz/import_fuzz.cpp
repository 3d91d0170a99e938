// Fuzz target: any bytes imported as table data either add rows or leave
// log lines; never a crash, a hang or a leak.  Two tables refer to each
// other, one has a generated key, so symbols, inherited keys and the
// context search all run.
#include <cstddef>
#include <cstdint>

#include "datastore/table_data.h"
#include "datastore/xml_import.h"
#include "tests/fuzz/two_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool defined = fuzz::DefineTablesReferringToEachOther();
  (void)defined;
  if (size > 1 << 16) return 0;
  LoadTableDataFromXMLBuffer(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
  UnLoadAllTable();
  return 0;
}
