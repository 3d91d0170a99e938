#include "database/query_model.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "database/criteria_parser.h"
#include "database/pool_list.h"
#include "runtime/conversions.h"
#include "runtime/log.h"

const char* const kFunctionNames[7] = {"INVALID TYPE", "DISTINCT", "COUNT", "MIN",
                                       "MAX",          "SUM",      "AVG"};
const char* const kOperatorNames[11] = {
    "INVALID OPERATOR", "<", ">", "<=", ">=", "=", "!=", "AND", "OR", "LIKE", "BETWEEN"};
const char* const kJoinTypeNames[2] = {"INNER_JOIN", "LEFT_JOIN"};

namespace {

constexpr uint8_t kMaxQueryType = 21;

// Takes a node out of a pool list without freeing it.
void PoolUnlink(Vector* list, VectorNode* previous, VectorNode* node) {
  if (previous) {
    previous->next = node->next;
  } else {
    list->head = node->next;
  }
  if (list->tail == node) list->tail = previous;
  --list->count;
  list->cursorPlusOne = 0;
  list->cursor = nullptr;
}

QueryColumn* MakeColumn(const char* tableName, const char* tableAlias, const char* columnName,
                        const char* columnAlias, int32_t value, uint8_t dataType, uint8_t function,
                        bool nameRequired, MemPool* pool) {
  if (!columnName && (nameRequired || function == kFunctionNone)) {
    LogError("\nColumn Name is NULL\n");
    return nullptr;
  }
  if (dataType > kMaxQueryType) {
    LogError("\nInvalid Data Type\n");
    return nullptr;
  }
  auto* column = PoolNew<QueryColumn>(pool);
  if (!column || !PoolCopy(tableName, &column->tableName, pool) ||
      !PoolCopy(tableAlias, &column->tableAlias, pool) ||
      !PoolCopy(columnName, &column->columnName, pool) ||
      !PoolCopy(columnAlias, &column->columnAlias, pool)) {
    return nullptr;
  }
  column->value = value;
  column->dataType = dataType;
  column->function = function;
  return column;
}

QueryCriteriaNode* MakeBooleanNode(QueryCriteriaNode* left, QueryCriteriaNode* right,
                                   uint8_t operatorIndex, MemPool* pool) {
  if (!left || !right) return nullptr;
  auto* node = PoolNew<QueryCriteriaNode>(pool);
  if (!node) return nullptr;
  node->operatorIndex = operatorIndex;
  node->left = left;
  node->right = right;
  left->parent = node;
  right->parent = node;
  return node;
}

// A list of columns of a table (none for no table), one per name, all typed
// as integers without alias or function.
Vector* NamedColumns(MemPool* pool, const char* tableName, int32_t count, va_list names) {
  Vector* list = PoolVector(pool);
  if (!list) return nullptr;
  for (int32_t i = 0; i < count; ++i) {
    const char* name = va_arg(names, const char*);
    QueryColumn* column =
        MakeColumn(tableName, nullptr, name, nullptr, 0, 5, kFunctionNone, true, pool);
    if (!column || !PoolAppend(list, column, pool)) return nullptr;
  }
  return list;
}

}  // namespace

SelectQuery* CreateSelectQuery() {
  LogTrace("\n\t@@@@@ Inside CreateSelectQuery() @@@@@ \n");
  auto* query = static_cast<SelectQuery*>(calloc(1, sizeof(SelectQuery)));
  MemPool* pool = nullptr;
  bool made = false;
  if (query && GetGlobalMemPool()) {
    made = CreateMemPool(&pool, GetGlobalMemPool(), nullptr) == 1;
  } else if (query) {
    pool = CreateStandalonePool();
    made = pool != nullptr;
  }
  if (!made) {
    LogError("\nMEMORY ALLOCATION FOR SELECTQUERYPTR FAILED\n");
    free(query);
    return nullptr;
  }
  query->pool = pool;
  query->columns = PoolVector(pool);
  query->joins = PoolVector(pool);
  query->tables = PoolVector(pool);
  if (!query->columns || !query->joins || !query->tables) {
    LogError("\nMEMORY ALLOCATION FOR SELECTQUERYPTR FAILED\n");
    FreeSelectQuery(query);
    return nullptr;
  }
  return query;
}

void FreeSelectQuery(SelectQuery* query) {
  LogTrace("\n\t@@@@@ Inside FreeSelectQuery() @@@@@ \n");
  if (!query) return;
  DestroyMemPool(query->pool);
  free(query);
}

QueryColumn* CreateQueryColumn(const char* tableName, const char* tableAlias,
                               const char* columnName, const char* columnAlias, int32_t value,
                               uint8_t dataType, uint8_t function, MemPool* pool) {
  LogTrace("\n\t@@@@@ Inside CreateQueryColumn() @@@@@ \n");
  return MakeColumn(tableName, tableAlias, columnName, columnAlias, value, dataType, function,
                    false, pool);
}

bool AddSelectColumn(SelectQuery* query, QueryColumn* column) {
  LogTrace("\n\t@@@@@ Inside AddSelectColumn() @@@@@ \n");
  return query && PoolAppend(query->columns, column, query->pool);
}

bool RemoveSelectColumn(SelectQuery* query, const char* columnName, const char* tableName) {
  LogTrace("\n\t@@@@@ Inside RemoveSelectColumn() @@@@@ \n");
  bool removed = false;
  if (query && columnName) {
    VectorNode* previous = nullptr;
    for (VectorNode* node = query->columns->head; node;) {
      VectorNode* next = node->next;
      const auto* column = static_cast<const QueryColumn*>(node->data);
      const bool nameMatches =
          column->columnName && CompareStringNoCase(column->columnName, columnName) == 0;
      const bool tableMatches =
          !column->tableName ||
          (tableName && CompareStringNoCase(column->tableName, tableName) == 0);
      if (nameMatches && tableMatches) {
        PoolUnlink(query->columns, previous, node);
        removed = true;
      } else {
        previous = node;
      }
      node = next;
    }
  }
  if (!removed) LogError("Invalid Column Name");
  return removed;
}

QueryCriteriaNode* CreateQueryCriteriaNode(QueryColumn* column, const char* value, int32_t length,
                                           uint8_t operatorIndex, MemPool* pool) {
  LogTrace("\n\t@@@@@ Inside CreateQueryCriteriaNode() @@@@@ \n");
  if (!column) {
    LogError("\nEmpty Column Assigned\n");
    return nullptr;
  }
  if (length < 0 || (length > 0 && !value)) return nullptr;
  auto* node = PoolNew<QueryCriteriaNode>(pool);
  if (!node) return nullptr;
  node->value = static_cast<char*>(PoolAlloc(pool, static_cast<size_t>(length) + 1));
  if (!node->value) return nullptr;
  if (length > 0) memcpy(node->value, value, static_cast<size_t>(length));
  node->value[length] = '\0';
  node->column = column;
  node->length = length;
  node->operatorIndex = operatorIndex;
  return node;
}

QueryCriteriaNode* CreateAndNode(QueryCriteriaNode* left, QueryCriteriaNode* right, MemPool* pool) {
  return MakeBooleanNode(left, right, kOperatorAnd, pool);
}

QueryCriteriaNode* CreateOrNode(QueryCriteriaNode* left, QueryCriteriaNode* right, MemPool* pool) {
  return MakeBooleanNode(left, right, kOperatorOr, pool);
}

bool SetSelectCriteria(SelectQuery* query, QueryCriteriaNode* criteria) {
  if (!query) return false;
  query->criteria = criteria;
  return true;
}

QueryJoin* CreateJoin(const char* baseTable, const char* baseAlias, const char* referenceTable,
                      const char* referenceAlias, uint8_t joinType, Vector* baseColumns,
                      Vector* referenceColumns, MemPool* pool) {
  LogTrace("\n\t@@@@@ Inside CreateJoin() @@@@@ \n");
  auto* join = PoolNew<QueryJoin>(pool);
  if (!join || !PoolCopy(baseTable, &join->baseTable, pool) ||
      !PoolCopy(baseAlias, &join->baseAlias, pool) ||
      !PoolCopy(referenceTable, &join->referenceTable, pool) ||
      !PoolCopy(referenceAlias, &join->referenceAlias, pool)) {
    return nullptr;
  }
  join->joinType = joinType;
  join->baseColumns = baseColumns;
  join->referenceColumns = referenceColumns;
  return join;
}

bool AddSelectJoin(SelectQuery* query, QueryJoin* join) {
  return query && PoolAppend(query->joins, join, query->pool);
}

QueryGroupBy* CreateGroupBy(Vector* columns, QueryCriteriaNode* having, MemPool* pool) {
  auto* groupBy = PoolNew<QueryGroupBy>(pool);
  if (!groupBy) return nullptr;
  groupBy->columns = columns;
  groupBy->having = having;
  return groupBy;
}

bool SetSelectGroupBy(SelectQuery* query, QueryGroupBy* groupBy) {
  if (!query) return false;
  query->groupBy = groupBy;
  return true;
}

QuerySort* CreateSort(Vector* columns, uint8_t order, MemPool* pool) {
  auto* sort = PoolNew<QuerySort>(pool);
  if (!sort) return nullptr;
  sort->columns = columns;
  sort->order = order;
  return sort;
}

bool SetSelectSort(SelectQuery* query, QuerySort* sort) {
  if (!query) return false;
  query->sort = sort;
  return true;
}

QueryTableEntry* CreateTableEntry(const char* name, const char* alias, MemPool* pool) {
  auto* entry = PoolNew<QueryTableEntry>(pool);
  if (!entry || !PoolCopy(name, &entry->name, pool) || !PoolCopy(alias, &entry->alias, pool)) {
    return nullptr;
  }
  return entry;
}

bool AddSelectTable(SelectQuery* query, QueryTableEntry* table) {
  return query && PoolAppend(query->tables, table, query->pool);
}

Vector* CreateColumnList(MemPool* pool) { return PoolVector(pool); }

QueryColumn* CreateListColumn(const char* tableName, const char* tableAlias, const char* columnName,
                              const char* columnAlias, int32_t value, uint8_t dataType,
                              uint8_t function, MemPool* pool) {
  return MakeColumn(tableName, tableAlias, columnName, columnAlias, value, dataType, function, true,
                    pool);
}

bool AddToColumnList(MemPool* pool, QueryColumn* column, Vector* list) {
  return PoolAppend(list, column, pool);
}

Vector* MakeColumnVector(MemPool* pool, int32_t count, ...) {
  Vector* list = PoolVector(pool);
  if (!list) return nullptr;
  va_list texts;
  va_start(texts, count);
  bool ok = true;
  for (int32_t i = 0; i < count && ok; ++i) {
    char* copy = nullptr;
    ok = PoolCopy(va_arg(texts, const char*), &copy, pool) && PoolAppend(list, copy, pool);
  }
  va_end(texts);
  return ok ? list : nullptr;
}

Vector* MakeColumnVectorForJoin(MemPool* pool, const char* tableName, int32_t count, ...) {
  va_list names;
  va_start(names, count);
  Vector* list = NamedColumns(pool, tableName, count, names);
  va_end(names);
  return list;
}

bool AddColumnToQuery(SelectQuery* query, const char* tableName, const char* tableAlias,
                      const char* columnName, const char* columnAlias, int32_t value,
                      uint8_t dataType, uint8_t function) {
  if (!query) return false;
  QueryColumn* column = CreateQueryColumn(tableName, tableAlias, columnName, columnAlias, value,
                                          dataType, function, query->pool);
  return column && AddSelectColumn(query, column);
}

bool AddJoinToQuery(SelectQuery* query, const char* baseTable, const char* baseAlias,
                    const char* referenceTable, const char* referenceAlias, uint8_t joinType,
                    Vector* baseColumns, Vector* referenceColumns) {
  if (!query) return false;
  QueryJoin* join = CreateJoin(baseTable, baseAlias, referenceTable, referenceAlias, joinType,
                               baseColumns, referenceColumns, query->pool);
  return join && AddSelectJoin(query, join);
}

bool AddJoinOnColumns(SelectQuery* query, const char* baseTable, const char* baseAlias,
                      const char* referenceTable, const char* referenceAlias, uint8_t joinType,
                      int32_t count, ...) {
  if (!query) return false;
  va_list names;
  va_start(names, count);
  Vector* columns = NamedColumns(query->pool, nullptr, count, names);
  va_end(names);
  if (!columns) return false;
  return AddJoinToQuery(query, baseTable, baseAlias, referenceTable, referenceAlias, joinType,
                        columns, columns);
}
