// SQL dialects: the four SQL dialects (MYSQL, PGSQL, SQLITE, FIREBIRD) turn
// the library's select queries, rows and table definitions into statement
// texts and query results back into rows; the registry chooses a table's
// dialect through its data source (or one library-wide dialect) and offers
// the dispatch, table creation and database creation.  Quoted values never
// end their literal early: quotes (and for MYSQL backslashes) are doubled.
#pragma once

#include <cstdint>
#include <string>

#include "../datastore/result_set.h"
#include "../datastore/table_data.h"
#include "../runtime/vector.h"
#include "query_model.h"

struct SqlDialect {
  const char* name;
  char* (*genSelectQuery)(SelectQuery* query);
  char* (*genUpdateQuery)(const char* tableName, RowObject* row);
  char* (*genInsertQuery)(const char* tableName, RowObject* row);
  char* (*genDeleteQuery)(const char* tableName, RowObject* row);
  char* (*genCreateQuery)(const char* tableName);
  RowObject* (*convResultsetToRowobject)(ResultSet* set, const char* tableName);
};

// Index into the dialect name table: 0 "MYSQL", 1 "PGSQL", 2 "FIREBIRD", 3 "SQLITE".
extern const char* const kDialectNames[4];
extern uint8_t gv_dsnMapValid;
extern uint8_t gv_defaultDialect;

void SetDSNMapValid(uint8_t status, uint8_t dialectIndex);
void InitSqlDialects();
void FreeSqlDialects();
bool RegisterSqlDialect(const SqlDialect* dialect);
const SqlDialect* FindSqlDialect(const char* name);

// The dialect that writes a table's statements, or none.
const SqlDialect* GetSqlDialectForTable(const char* tableName);
// A value of the type as a literal of the table's dialect, appended to out:
// texts, dates and large objects quoted and escaped, booleans as the
// dialect writes them, "NULL" for an absent value.  False (out unchanged)
// for a type without text or a table without dialect.
bool AppendSqlLiteral(const char* tableName, const char* value, int32_t length, uint8_t type,
                      std::string* out);
// A result value delivered as type from, in the binary form of type to: a
// new buffer (none for the SQL NULL) and its length.  False when out of
// memory.
bool ConvertResultValue(const ResultValue* value, uint8_t from, uint8_t to, char** out,
                        int32_t* length);

char* GenerateSelectQuery(SelectQuery* query);
char* GenerateUpdateQuery(const char* tableName, RowObject* row);
char* GenerateInsertQuery(const char* tableName, RowObject* row);
char* GenerateDeleteQuery(const char* tableName, RowObject* row);
char* GenerateCreateTableQuery(const char* tableName);
RowObject* ConvertResultsetToRowobject(ResultSet* set, const char* dialectName,
                                       const char* tableName);
bool CreateAllTables();
bool CreateTableInDataSource(const char* tableName, const char* connectionName);
bool CreateDB(const char* databaseName);

// The dialects' own operations.
char* MysqlGenSelectQuery(SelectQuery* query);
char* MysqlGenUpdateQuery(const char* tableName, RowObject* row);
char* MysqlGenInsertQuery(const char* tableName, RowObject* row);
char* MysqlGenDelteQuery(const char* tableName, RowObject* row);
char* MysqlGenCreateQuery(const char* tableName);
RowObject* MysqlConvResultsetToRowobject(ResultSet* set, const char* tableName);
char* PgsqlGenSelectQuery(SelectQuery* query);
char* PgsqlGenUpdateQuery(const char* tableName, RowObject* row);
char* PgsqlGenInsertQuery(const char* tableName, RowObject* row);
char* PgsqlGenDeleteQuery(const char* tableName, RowObject* row);
char* PgsqlGenCreateQuery(const char* tableName);
RowObject* PgsqlConvResultsetToRowobject(ResultSet* set, const char* tableName);
char* SqliteGenSelectQuery(SelectQuery* query);
char* SqliteGenUpdateQuery(const char* tableName, RowObject* row);
char* SqliteGenInsertQuery(const char* tableName, RowObject* row);
char* SqliteGenDeleteQuery(const char* tableName, RowObject* row);
char* SqliteGenCreateQuery(const char* tableName);
RowObject* SqliteConvResultsetToRowobject(ResultSet* set, const char* tableName);
char* FirebirdGenSelectQuery(SelectQuery* query);
char* FirebirdGenUpdateQuery(const char* tableName, RowObject* row);
char* FirebirdGenInsertQuery(const char* tableName, RowObject* row);
char* FirebirdGenDeleteQuery(const char* tableName, RowObject* row);
char* FirebirdGenCreateQuery(const char* tableName);
RowObject* FirebirdConvResultsetToRowobject(ResultSet* set, const char* tableName);
// The clause builders of each dialect (Mysql, Pgsql, Sqlite, Firebird): the
// clause's text, made in the query's pool, or none.
#define HV_DECLARE_CLAUSE_BUILDERS(P)                                       \
  char* P##GenerateColumnsStr(Vector* columns, MemPool* pool);              \
  char* P##GenerateJoinsStr(Vector* joins, MemPool* pool);                  \
  char* P##GenerateTableListStr(Vector* tables, MemPool* pool);             \
  char* P##GenerateCriteriaStr(QueryCriteriaNode* criteria, MemPool* pool); \
  char* P##GenCriteriaString(QueryCriteriaNode* node, MemPool* pool);       \
  char* P##GenerateGroupByStr(QueryGroupBy* groupBy, MemPool* pool);        \
  char* P##GenerateSortColumnStr(QuerySort* sort, MemPool* pool);
HV_DECLARE_CLAUSE_BUILDERS(Mysql)
HV_DECLARE_CLAUSE_BUILDERS(Pgsql)
HV_DECLARE_CLAUSE_BUILDERS(Sqlite)
HV_DECLARE_CLAUSE_BUILDERS(Firebird)
#undef HV_DECLARE_CLAUSE_BUILDERS

const SqlDialect* GetMysqlDialect();
const SqlDialect* GetPgsqlDialect();
const SqlDialect* GetSqliteDialect();
const SqlDialect* GetFirebirdDialect();
