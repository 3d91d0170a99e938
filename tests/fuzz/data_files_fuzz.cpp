// Fuzz target: any bytes read as connparams.txt and as dsn_table_map.txt
// either make data sources and map entries or leave log lines; never a
// crash, a hang or a leak.  Every entry read is looked up again, and the
// first bytes are also scanned as a date, a time and a date-time.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "datastore/column_value.h"
#include "runtime/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    InitLogDefaults();
    SetLogParams("null", "/dev", 0, nullptr, 3);
    OpenLogFile();
    return "/tmp/hv_data_files_fuzz." + std::to_string(getpid());
  }();
  if (size > 1 << 16) return 0;
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return 0;
  fwrite(data, 1, size, file);
  fclose(file);

  InitConnectionLists();
  LoadConnParamsEntryFromFile(path.c_str());
  Vector* sources = GetConnParamsList();
  for (VectorNode* node = sources->head; node; node = node->next) {
    auto* entry = static_cast<ConnParamsEntry*>(node->data);
    if (GetConnParamsEntry(entry->connectionName) == nullptr) abort();
    GetDBType(entry->connectionName);
  }
  GetDefaultConnectionName();
  FreeAllConnParamsEntries();

  LoadDataSourceMapEntryFromFile(path.c_str());
  std::string first(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  GetDataSourceName(first.c_str());
  FreeAllDataSourceMapEntries();

  for (uint8_t type : {KES_SQL_DATE, KES_SQL_TIME, KES_SQL_DATETIME}) {
    int32_t length = 0;
    free(ODBCConvertDateTime(first.c_str(), &length, type));
  }
  remove(path.c_str());
  return 0;
}
