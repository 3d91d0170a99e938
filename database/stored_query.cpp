#include "database/stored_query.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "database/criteria_parser.h"
#include "database/db_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/data_dictionary.h"
#include "datastore/data_files.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"

namespace {

// Deeper criteria trees than this are taken for a cycle in BooleanExp.
constexpr int kMaxCriteriaDepth = 1000;

std::string Statement(const char* format, int32_t id) {
  char buffer[160];
  snprintf(buffer, sizeof(buffer), format, id);
  return buffer;
}

// Runs a statement on the connection of the table's data source.
ResultSet* Query(const char* table, const std::string& statement) {
  const char* connection = GetDataSourceName(table);
  ConnectionHandle* handle = GetConnectionHandle(connection);
  ResultSet* set = ExecuteQuery(handle, statement.c_str());
  ReleaseConnectionHandle(connection);
  return set;
}

// A value as text: integers in decimal, anything else as its bytes.
std::string ValueAsText(const char* value, int32_t length, uint8_t type) {
  if (type >= KES_SQL_TINYINT && type <= KES_SQL_UNSIGNED_LONG_INT) {
    return std::to_string(static_cast<int64_t>(ReadIntegerValue(value, length, type)));
  }
  return std::string(value, static_cast<size_t>(length > 0 ? length : 0));
}

// Every row's first value as a signed 32-bit identifier.
bool ReadIds(const char* table, const std::string& statement, std::vector<int32_t>* ids) {
  ResultSet* set = Query(table, statement);
  if (!set) return false;
  while (ResultRow* row = GotoNextResultRow(set)) {
    const ResultValue* v = row->values;
    if (!v || !v->data) continue;
    const std::string text = ValueAsText(v->data, v->length, set->columns[0]->dataType);
    ids->push_back(static_cast<int32_t>(strtoll(text.c_str(), nullptr, 10)));
  }
  FreeResultSet(set);
  return true;
}

// The first row's first value as text; false when there is none.
bool ReadText(const char* table, const std::string& statement, std::string* text) {
  ResultSet* set = Query(table, statement);
  bool found = false;
  if (set && GotoNextResultRow(set) && set->cursor->values && set->cursor->values->data) {
    const ResultValue* v = set->cursor->values;
    *text = ValueAsText(v->data, v->length, set->columns[0]->dataType);
    found = true;
  }
  FreeResultSet(set);
  return found;
}

// A value of the cursor row by column name, as text.
std::string Field(ResultSet* set, const char* name) {
  int32_t length = 0;
  const char* value = GetResultValueByName(name, &length, set);
  if (!value) return "";
  return ValueAsText(value, length, GetResultColumnType(name, set));
}

QueryCriteriaNode* ReadBooleanExp(int32_t id, MemPool* pool, int depth);

QueryCriteriaNode* ReadRelationalExp(int32_t id, MemPool* pool) {
  ResultSet* set =
      Query("RelationalExp", Statement("SELECT * FROM RelationalExp WHERE R_ID = %d", id));
  if (!set || !GotoNextResultRow(set)) {
    FreeResultSet(set);
    LogDebug("\nInvalid ID\n");
    return nullptr;
  }
  const std::string column = Field(set, "LIDENTIFIER");
  const std::string value = Field(set, "RIDENTIFIER");
  const std::string op = Field(set, "OPERATOR");
  FreeResultSet(set);
  uint8_t index = 0;
  for (uint8_t i = 0; i < 11; ++i) {
    if (op == kOperatorNames[i]) index = i;
  }
  QueryColumn* c = CreateQueryColumn(nullptr, nullptr, column.c_str(), nullptr, 0, KES_SQL_VARCHAR,
                                     kFunctionNone, pool);
  return CreateQueryCriteriaNode(c, value.c_str(), static_cast<int32_t>(value.size()), index, pool);
}

QueryCriteriaNode* ReadBooleanExp(int32_t id, MemPool* pool, int depth) {
  if (depth > kMaxCriteriaDepth) {
    LogError("Stored criteria deeper than %d levels: a cycle in BooleanExp?\n", kMaxCriteriaDepth);
    return nullptr;
  }
  ResultSet* set = Query("BooleanExp", Statement("SELECT * FROM BooleanExp WHERE B_ID = %d", id));
  if (!set || !GotoNextResultRow(set)) {
    FreeResultSet(set);
    return ReadRelationalExp(id, pool);
  }
  const int32_t left = atoi(Field(set, "LEXPRESSION").c_str());
  const int32_t right = atoi(Field(set, "REXPRESSION").c_str());
  const std::string op = Field(set, "OPERATOR");
  FreeResultSet(set);
  QueryCriteriaNode* l = ReadBooleanExp(left, pool, depth + 1);
  QueryCriteriaNode* r = ReadBooleanExp(right, pool, depth + 1);
  return op == "AND" ? CreateAndNode(l, r, pool) : CreateOrNode(l, r, pool);
}

void AppendCriteriaText(int32_t id, std::string* out, int depth) {
  if (depth > kMaxCriteriaDepth) return;
  std::string found;
  if (ReadText("BooleanExp", Statement("SELECT B_ID FROM BooleanExp WHERE B_ID = %d", id),
               &found)) {
    std::string left, op, right;
    ReadText("BooleanExp", Statement("SELECT LEXPRESSION FROM BooleanExp WHERE B_ID = %d", id),
             &left);
    ReadText("BooleanExp", Statement("SELECT OPERATOR FROM BooleanExp WHERE B_ID = %d", id), &op);
    ReadText("BooleanExp", Statement("SELECT REXPRESSION FROM BooleanExp WHERE B_ID = %d", id),
             &right);
    AppendCriteriaText(atoi(left.c_str()), out, depth + 1);
    *out += op;
    AppendCriteriaText(atoi(right.c_str()), out, depth + 1);
    return;
  }
  std::string text;
  for (const char* format : {"SELECT LIDENTIFIER FROM RelationalExp WHERE R_ID = %d",
                             "SELECT OPERATOR FROM RelationalExp WHERE R_ID = %d",
                             "SELECT RIDENTIFIER FROM RelationalExp WHERE R_ID = %d"}) {
    if (ReadText("RelationalExp", Statement(format, id), &text)) *out += text;
  }
}

}  // namespace

void LoadStoredQueryColumns(int32_t queryId, SelectQuery* query, MemPool* pool) {
  std::vector<int32_t> ids;
  if (!ReadIds("QueryvsColumns",
               Statement("SELECT COLUMN_ID FROM QueryvsColumns WHERE QUERY_ID = %d", queryId),
               &ids)) {
    LogDebug("\nNo Columns to be selected.\n");
    return;
  }
  // A detail that reads nothing keeps the previous column's value.
  std::string alias, tableAlias;
  uint8_t type = KES_SQL_CHAR;
  uint8_t function = kFunctionNone;
  for (int32_t id : ids) {
    std::string name, table, text;
    ReadText("ColumnDetails",
             Statement("SELECT COLUMNNAME FROM ColumnDetails WHERE COLUMN_ID = %d", id), &name);
    ReadText("ColumnDetails",
             Statement("SELECT COLUMNALIAS FROM ColumnDetails WHERE COLUMN_ID = %d", id), &alias);
    ReadText("ColumnDetails",
             Statement("SELECT TABLENAME FROM ColumnDetails WHERE COLUMN_ID = %d", id), &table);
    ReadText("ColumnDetails",
             Statement("SELECT TABLEALIAS FROM ColumnDetails WHERE COLUMN_ID = %d", id),
             &tableAlias);
    if (ReadText("ColumnDetails",
                 Statement("SELECT FUNCTIONNAME FROM ColumnDetails WHERE COLUMN_ID = %d", id),
                 &text)) {
      for (uint8_t f = 0; f < 7; ++f) {
        if (text == kFunctionNames[f]) function = f;
      }
    }
    if (ColumnDefnEntry* c = GetColumnDefnEntry(table.c_str(), name.c_str())) type = c->dataType;
    QueryColumn* column = CreateQueryColumn(
        table.empty() ? nullptr : table.c_str(), tableAlias.empty() ? nullptr : tableAlias.c_str(),
        name.empty() ? nullptr : name.c_str(), alias.empty() ? nullptr : alias.c_str(), 0, type,
        function, pool);
    if (column) AddSelectColumn(query, column);
  }
}

void LoadStoredQueryTables(int32_t queryId, SelectQuery* query, MemPool* pool) {
  std::vector<int32_t> ids;
  if (!ReadIds("QueryvsTables",
               Statement("SELECT TABLE_ID FROM QueryvsTables WHERE QUERY_ID = %d", queryId),
               &ids)) {
    LogDebug("\nNo Tables to be selected\n");
    return;
  }
  for (int32_t id : ids) {
    std::string name, alias;
    ReadText("TableDetails",
             Statement("SELECT TABLENAME FROM TableDetails WHERE TABLE_ID = %d", id), &name);
    const bool hasAlias =
        ReadText("TableDetails",
                 Statement("SELECT TABLEALIAS FROM TableDetails WHERE TABLE_ID = %d", id), &alias);
    if (hasAlias) printf("\nTable Alias = %s", alias.c_str());
    QueryTableEntry* entry =
        CreateTableEntry(name.c_str(), hasAlias ? alias.c_str() : nullptr, pool);
    if (entry) AddSelectTable(query, entry);
  }
}

void LoadStoredQueryJoins(int32_t queryId, SelectQuery* query, MemPool* pool) {
  std::vector<int32_t> ids;
  if (!ReadIds("QueryvsJoins",
               Statement("SELECT JOIN_ID FROM QueryvsJoins WHERE QUERY_ID = %d", queryId), &ids)) {
    LogDebug("\nNo Join details\n");
    return;
  }
  uint8_t joinType = kInnerJoin;
  for (int32_t id : ids) {
    std::string base, baseAlias, reference, referenceAlias, baseColumn, referenceColumn, type;
    const char* table = "JoinDetails";
    ReadText(table, Statement("SELECT BASETABLENAME FROM JoinDetails WHERE JOIN_ID = %d", id),
             &base);
    const bool hasBaseAlias =
        ReadText(table, Statement("SELECT BASETABLEALIAS FROM JoinDetails WHERE JOIN_ID = %d", id),
                 &baseAlias);
    ReadText(table, Statement("SELECT REFTABLENAME FROM JoinDetails WHERE JOIN_ID = %d", id),
             &reference);
    const bool hasReferenceAlias =
        ReadText(table, Statement("SELECT REFTABLEALIAS FROM JoinDetails WHERE JOIN_ID = %d", id),
                 &referenceAlias);
    ReadText(table, Statement("SELECT BASETABLECOLUMN FROM JoinDetails WHERE JOIN_ID = %d", id),
             &baseColumn);
    ReadText(table, Statement("SELECT REFTABLECOLUMN FROM JoinDetails WHERE JOIN_ID = %d", id),
             &referenceColumn);
    if (ReadText(table, Statement("SELECT JOINTYPE FROM JoinDetails WHERE JOIN_ID = %d", id),
                 &type)) {
      if (type == kJoinTypeNames[kInnerJoin]) joinType = kInnerJoin;
      if (type == kJoinTypeNames[kLeftJoin]) joinType = kLeftJoin;
    }
    Vector* baseColumns = MakeColumnVectorForJoin(pool, base.c_str(), 1, baseColumn.c_str());
    Vector* referenceColumns =
        MakeColumnVectorForJoin(pool, reference.c_str(), 1, referenceColumn.c_str());
    QueryJoin* join =
        CreateJoin(base.c_str(), hasBaseAlias ? baseAlias.c_str() : nullptr, reference.c_str(),
                   hasReferenceAlias ? referenceAlias.c_str() : nullptr, joinType, baseColumns,
                   referenceColumns, pool);
    if (join) AddSelectJoin(query, join);
  }
}

void LoadStoredQueryGroupBy(int32_t queryId, SelectQuery* query, MemPool* pool) {
  std::vector<int32_t> ids;
  if (!ReadIds("QueryvsGB", Statement("SELECT GB_ID FROM QueryvsGB WHERE QUERY_ID = %d", queryId),
               &ids)) {
    LogDebug("\nNo GroupBy details\n");
    return;
  }
  if (ids.empty()) return;
  Vector* columns = CreateColumnList(pool);
  for (int32_t id : ids) {
    std::string table, name;
    ReadText("GroupByDetails",
             Statement("SELECT TABLENAME FROM GroupByDetails WHERE GB_ID = %d", id), &table);
    ReadText("GroupByDetails",
             Statement("SELECT COLUMNNAME FROM GroupByDetails WHERE GB_ID = %d", id), &name);
    QueryColumn* c =
        CreateListColumn(table.c_str(), nullptr, name.c_str(), nullptr, 0, KES_SQL_CHAR, 0, pool);
    if (c) AddToColumnList(pool, c, columns);
  }
  SetSelectGroupBy(query, CreateGroupBy(columns, nullptr, pool));
}

void LoadStoredQuerySort(int32_t queryId, SelectQuery* query, MemPool* pool) {
  std::vector<int32_t> ids;
  if (!ReadIds("QueryvsSort",
               Statement("SELECT SORT_ID FROM QueryvsSort WHERE QUERY_ID = %d", queryId), &ids)) {
    LogDebug("\nNo Sort details\n");
    return;
  }
  if (ids.empty()) return;
  Vector* columns = CreateColumnList(pool);
  uint8_t order = kSortAscending;
  for (int32_t id : ids) {
    std::string table, name;
    ReadText("SortDetails", Statement("SELECT TABLENAME FROM SortDetails WHERE SORT_ID = %d", id),
             &table);
    ReadText("SortDetails", Statement("SELECT COLUMNNAME FROM SortDetails WHERE SORT_ID = %d", id),
             &name);
    ResultSet* set =
        Query("SortDetails", Statement("SELECT SORTTYPE FROM SortDetails WHERE SORT_ID = %d", id));
    if (set && GotoNextResultRow(set) && set->cursor->values && set->cursor->values->data &&
        set->cursor->values->length > 0) {
      order = static_cast<uint8_t>(set->cursor->values->data[0]);
    }
    FreeResultSet(set);
    QueryColumn* c =
        CreateListColumn(table.c_str(), nullptr, name.c_str(), nullptr, 0, KES_SQL_CHAR, 0, pool);
    if (c) AddToColumnList(pool, c, columns);
  }
  SetSelectSort(query, CreateSort(columns, order, pool));
}

void LoadStoredQueryCriteria(int32_t queryId, SelectQuery* query, MemPool* pool) {
  std::vector<int32_t> ids;
  if (!ReadIds("QueryvsCriteria",
               Statement("SELECT B_ID FROM QueryvsCriteria WHERE QUERY_ID = %d", queryId), &ids) ||
      ids.empty()) {
    return;
  }
  QueryCriteriaNode* root = ReadBooleanExp(ids.front(), pool, 0);
  if (root) SetSelectCriteria(query, root);
}

char* BuildStoredQuery(int32_t queryId) {
  LogTrace("\n\t@@@@@ Inside BuildStoredQuery() @@@@@ \n");
  SelectQuery* query = CreateSelectQuery();
  if (!query) return nullptr;
  LoadStoredQueryColumns(queryId, query, query->pool);
  LoadStoredQueryTables(queryId, query, query->pool);
  LoadStoredQueryJoins(queryId, query, query->pool);
  LoadStoredQueryGroupBy(queryId, query, query->pool);
  LoadStoredQuerySort(queryId, query, query->pool);
  LoadStoredQueryCriteria(queryId, query, query->pool);
  char* text = GenerateSelectQuery(query);
  FreeSelectQuery(query);
  return text;
}

bool RunAllStoredQueries() {
  LogTrace("\n\t@@@@@ Inside RunAllStoredQueries() @@@@@ \n");
  if (!gv_logFilePtr) {
    InitLogDefaults();
    OpenLogFile();
  }
  InitializeMemPool();
  InitDBProvider();
  InitSqlDialects();
  InitTableDefnList();
  LoadAllDataDictFiles();
  const std::string data = RelativeDataDirectory();
  LoadDataSourceMapEntryFromFile((data + "dsn_table_map.txt").c_str());
  LoadConnParamsEntryFromFile((data + "connparams.txt").c_str());
  if (GetConnectionPool()->count == 0) EstablishDBConnections();
  LoadProvider("FIREBIRD");
  std::vector<int32_t> ids;
  if (!ReadIds("QueryDetails", "SELECT QUERY_ID FROM QueryDetails", &ids)) {
    LogError("Query failed\n");
    return false;
  }
  for (int32_t id : ids) {
    char* text = BuildStoredQuery(id);
    if (!text) continue;
    const char* connection = GetDataSourceName("QueryDetails");
    ConnectionHandle* handle = GetConnectionHandle(connection);
    FreeResultSet(ExecuteQuery(handle, text));
    ReleaseConnectionHandle(connection);
    free(text);
  }
  return true;
}

void PrintStoredCriteria(int32_t queryId) {
  std::vector<int32_t> ids;
  if (!ReadIds("QueryvsCriteria",
               Statement("SELECT B_ID FROM QueryvsCriteria WHERE QUERY_ID = %d", queryId), &ids) ||
      ids.empty()) {
    return;
  }
  std::string text;
  AppendCriteriaText(ids.front(), &text, 0);
  LogDebug("\n%s\n", text.c_str());
}
