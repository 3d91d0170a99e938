// The benchmarks' database: a SQLite file reached through the ODBC provider
// as the data source "b" (SQLITE dialect), with the given tables mapped to
// it.  Any data source set up before is dropped first.
#pragma once

#include <initializer_list>
#include <string>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "database/sql_dialect.h"

namespace hvbench {

// The connection string of the file, for peers that connect themselves.
inline std::string UseSqliteFile(const std::string& file,
                                 std::initializer_list<const char*> tables) {
  const std::string connection = "DRIVER={SQLite3};Database=" + file;
  RegisterODBCProvider();
  if (FindProviderIndex("ODBC") < 0) LoadProvider("ODBC");
  InitConnectionLists();
  InitSqlDialects();
  CloseAllConnections();
  FreeAllConnParamsEntries();
  FreeAllDataSourceMapEntries();
  AddConnParamsEntry(CreateConnParamsEntry("bench", nullptr, nullptr, "b", 1, connection.c_str(),
                                           "ODBC", "SQLITE"));
  for (const char* table : tables) AddDataSourceMapEntry(CreateDataSourceMapEntry(table, "b"));
  SetDSNMapValid(1, 3);
  return connection;
}

}  // namespace hvbench
