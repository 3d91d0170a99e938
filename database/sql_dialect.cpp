#include "database/sql_dialect.h"

#include <cstdlib>
#include <string>

#include "database/db_provider.h"
#include "datastore/table_defn.h"
#include "runtime/conversions.h"
#include "runtime/log.h"

const char* const kDialectNames[4] = {"MYSQL", "PGSQL", "FIREBIRD", "SQLITE"};
uint8_t gv_dsnMapValid = 0;
uint8_t gv_defaultDialect = 0;

namespace {

Vector gs_dialects;

const SqlDialect kMysqlRecord = {"MYSQL",
                                 MysqlGenSelectQuery,
                                 MysqlGenUpdateQuery,
                                 MysqlGenInsertQuery,
                                 MysqlGenDelteQuery,
                                 MysqlGenCreateQuery,
                                 MysqlConvResultsetToRowobject};
const SqlDialect kPgsqlRecord = {"PGSQL",
                                 PgsqlGenSelectQuery,
                                 PgsqlGenUpdateQuery,
                                 PgsqlGenInsertQuery,
                                 PgsqlGenDeleteQuery,
                                 PgsqlGenCreateQuery,
                                 PgsqlConvResultsetToRowobject};
const SqlDialect kSqliteRecord = {"SQLITE",
                                  SqliteGenSelectQuery,
                                  SqliteGenUpdateQuery,
                                  SqliteGenInsertQuery,
                                  SqliteGenDeleteQuery,
                                  SqliteGenCreateQuery,
                                  SqliteConvResultsetToRowobject};
const SqlDialect kFirebirdRecord = {"FIREBIRD",
                                    FirebirdGenSelectQuery,
                                    FirebirdGenUpdateQuery,
                                    FirebirdGenInsertQuery,
                                    FirebirdGenDeleteQuery,
                                    FirebirdGenCreateQuery,
                                    FirebirdConvResultsetToRowobject};

// The dialect of a table: through its data source when the map decides,
// else the library-wide one.
const SqlDialect* DialectFor(const char* tableName) {
  if (!gv_dsnMapValid) {
    return FindSqlDialect(kDialectNames[gv_defaultDialect < 4 ? gv_defaultDialect : 0]);
  }
  if (!tableName) return nullptr;
  const char* connection = GetDataSourceName(tableName);
  if (!connection) return nullptr;
  const char* type = GetDBType(connection);
  return type ? FindSqlDialect(type) : nullptr;
}

char* Logged(const char* what, char* text) {
  LogDebug("Generated %s Query: %s\n", what, text ? text : "(null)");
  return text;
}

}  // namespace

const SqlDialect* GetMysqlDialect() { return &kMysqlRecord; }
const SqlDialect* GetPgsqlDialect() { return &kPgsqlRecord; }
const SqlDialect* GetSqliteDialect() { return &kSqliteRecord; }
const SqlDialect* GetFirebirdDialect() { return &kFirebirdRecord; }

void SetDSNMapValid(uint8_t status, uint8_t dialectIndex) {
  LogTrace("\n\t@@@@@ Inside SetDSNMapValid() @@@@@ \n");
  if (status == 1) {
    gv_dsnMapValid = 1;
  } else if (status == 0 && dialectIndex < 4) {
    gv_dsnMapValid = 0;
    gv_defaultDialect = dialectIndex;
    LoadProvider(kDialectNames[dialectIndex]);
  } else {
    LogError("\nInvalid Status\n");
  }
}

void InitSqlDialects() {
  if (gs_dialects.count > 0) return;
  InitVector(&gs_dialects, nullptr);
  RegisterSqlDialect(&kPgsqlRecord);
  RegisterSqlDialect(&kMysqlRecord);
  RegisterSqlDialect(&kSqliteRecord);
  RegisterSqlDialect(&kFirebirdRecord);
}

void FreeSqlDialects() {
  while (gs_dialects.count > 0) DeleteElementAt(&gs_dialects, 0);
}

bool RegisterSqlDialect(const SqlDialect* dialect) {
  return dialect && AddElementData(&gs_dialects, const_cast<SqlDialect*>(dialect)) == 1;
}

const SqlDialect* FindSqlDialect(const char* name) {
  if (!name) return nullptr;
  for (VectorNode* n = gs_dialects.head; n; n = n->next) {
    const auto* d = static_cast<const SqlDialect*>(n->data);
    if (CompareStringNoCase(d->name, name) == 0) return d;
  }
  return nullptr;
}

const SqlDialect* GetSqlDialectForTable(const char* tableName) { return DialectFor(tableName); }

char* GenerateSelectQuery(SelectQuery* query) {
  if (!query) return nullptr;
  const char* table = nullptr;
  if (query->tables && query->tables->head) {
    table = static_cast<QueryTableEntry*>(query->tables->head->data)->name;
  } else if (query->joins && query->joins->head) {
    table = static_cast<QueryJoin*>(query->joins->head->data)->baseTable;
  } else if (gv_dsnMapValid) {
    LogError("No Tables selected in select query.\n");
    return nullptr;
  }
  const SqlDialect* d = DialectFor(table);
  return Logged("Select", d ? d->genSelectQuery(query) : nullptr);
}

char* GenerateUpdateQuery(const char* tableName, RowObject* row) {
  const SqlDialect* d = DialectFor(tableName);
  return Logged("Update", d ? d->genUpdateQuery(tableName, row) : nullptr);
}

char* GenerateInsertQuery(const char* tableName, RowObject* row) {
  const SqlDialect* d = DialectFor(tableName);
  return Logged("Insert", d ? d->genInsertQuery(tableName, row) : nullptr);
}

char* GenerateDeleteQuery(const char* tableName, RowObject* row) {
  const SqlDialect* d = DialectFor(tableName);
  return Logged("Delete", d ? d->genDeleteQuery(tableName, row) : nullptr);
}

char* GenerateCreateTableQuery(const char* tableName) {
  const SqlDialect* d = DialectFor(tableName);
  return Logged("Create Table", d ? d->genCreateQuery(tableName) : nullptr);
}

RowObject* ConvertResultsetToRowobject(ResultSet* set, const char* dialectName,
                                       const char* tableName) {
  const SqlDialect* d = FindSqlDialect(dialectName);
  return d ? d->convResultsetToRowobject(set, tableName) : nullptr;
}

bool CreateTableInDataSource(const char* tableName, const char* connectionName) {
  if (!tableName || !connectionName) return false;
  const SqlDialect* d = gv_dsnMapValid ? FindSqlDialect(GetDBType(connectionName))
                                       : FindSqlDialect(kDialectNames[gv_defaultDialect % 4]);
  char* text = d ? d->genCreateQuery(tableName) : nullptr;
  LogDebug("Generated Create Table Query: %s\n", text ? text : "(null)");
  if (!text) return false;
  ConnectionHandle* connection = GetConnectionHandle(connectionName);
  const uint8_t result = ExecuteUpdate(connection, text);
  ReleaseConnectionHandle(connectionName);
  free(text);
  return result == 1;
}

bool CreateAllTables() {
  LogTrace("\n\t@@@@@ Inside CreateAllTables() @@@@@ \n");
  Vector* tables = GetTableDefnList();
  for (VectorNode* n = tables ? tables->head : nullptr; n; n = n->next) {
    const auto* defn = static_cast<TableDefn*>(n->data);
    char* text = GenerateCreateTableQuery(defn->name);
    const char* connection = GetDataSourceName(defn->name);
    ConnectionHandle* handle = GetConnectionHandle(connection);
    const uint8_t result = text ? ExecuteUpdate(handle, text) : 0;
    ReleaseConnectionHandle(connection);
    free(text);
    if (result != 1) return false;
  }
  return true;
}

bool CreateDB(const char* databaseName) {
  LogTrace("\n\t@@@@@ Inside CreateDB() @@@@@ \n");
  if (!databaseName) return false;
  ConnectionHandle* connection = GetConnectionHandle(nullptr);
  if (!connection) {
    LogError("Cannot create DB.  Connection not established.\n");
    return false;
  }
  const std::string statement = std::string("create database ") + databaseName;
  const uint8_t result = ExecuteUpdate(connection, statement.c_str());
  ReleaseConnectionHandle(nullptr);
  if (result != 1) {
    LogError("Cannot create database %s.\n", databaseName);
    return false;
  }
  return true;
}
