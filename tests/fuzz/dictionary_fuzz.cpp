// Fuzz target: any bytes loaded as a data dictionary either register table
// definitions or leave log lines; never a crash, a hang or a leak.  Every
// definition that loads is walked and printed, and the registry freed.
#include <cstddef>
#include <cstdint>

#include "datastore/data_dictionary.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool logging = [] {
    // A log at the debug level, so the listing and messages run too; into
    // /dev/null, since a file would grow by hundreds of megabytes a minute.
    InitLogDefaults();
    SetLogParams("null", "/dev", 0, nullptr, 3);
    return OpenLogFile();
  }();
  (void)logging;
  if (size > 1 << 20) return 0;
  InitTableDefnList();
  LoadDataDictFromXMLMemory(reinterpret_cast<const char*>(data), static_cast<int32_t>(size),
                            "fuzz");
  PrintAllTableDefns();
  for (VectorNode* node = GetTableDefnList()->head; node; node = node->next) {
    auto* defn = static_cast<TableDefn*>(node->data);
    for (VectorNode* column = defn->columns->head; column; column = column->next) {
      auto* entry = static_cast<ColumnDefnEntry*>(column->data);
      GetDefaultValue(defn->name, entry->name, nullptr);
    }
  }
  FreeAllTableDefns();
  return 0;
}
