#include "datastore/table_source.h"

#include "database/db_provider.h"
#include "database/sql_dialect.h"

bool OpenTableSource(const char* table, bool alwaysMap, TableSource* source) {
  if (gv_dsnMapValid || alwaysMap) {
    DataSourceMapEntry* entry = GetDataSourceMapEntry(table);
    if (!entry) return false;
    source->connection = entry->connectionName;
    source->dialect =
        gv_dsnMapValid ? GetDBType(entry->connectionName) : kDialectNames[gv_defaultDialect % 4];
  } else {
    source->dialect = kDialectNames[gv_defaultDialect % 4];
  }
  source->handle = GetConnectionHandle(source->connection);
  return source->handle != nullptr;
}

void CloseTableSource(TableSource* source) {
  if (source->handle) ReleaseConnectionHandle(source->connection);
  source->handle = nullptr;
}
