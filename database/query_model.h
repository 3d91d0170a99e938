// The select query model: a SelectQuery with its columns, tables, joins,
// criteria, grouping, sorting and row range, assembled by small builders.
// Every part lives in the memory pool the query owns, so freeing the query
// frees everything built into it.  A query belongs to one thread at a time.
#pragma once

#include <cstdint>

#include "../runtime/vector.h"
#include "mempool.h"

inline constexpr uint8_t kFunctionNone = 0;
inline constexpr uint8_t kFunctionDistinct = 1;
inline constexpr uint8_t kFunctionCount = 2;
inline constexpr uint8_t kFunctionMin = 3;
inline constexpr uint8_t kFunctionMax = 4;
inline constexpr uint8_t kFunctionSum = 5;
inline constexpr uint8_t kFunctionAvg = 6;
inline constexpr uint8_t kInnerJoin = 0;
inline constexpr uint8_t kLeftJoin = 1;
inline constexpr uint8_t kSortDescending = 0;
inline constexpr uint8_t kSortAscending = 1;

// The name tables, indexed by the codes above and by the operator codes of
// the criteria parser (kOperator...).
extern const char* const kFunctionNames[7];
extern const char* const kOperatorNames[11];
extern const char* const kJoinTypeNames[2];

struct QueryColumn {
  char* tableName;
  char* tableAlias;
  char* columnName;
  char* columnAlias;
  int32_t value;
  uint8_t dataType;  // at most 21
  uint8_t function;  // into kFunctionNames
};

struct QueryTableEntry {
  char* name;
  char* alias;
};

struct QueryJoin {
  char* baseTable;
  char* baseAlias;
  char* referenceTable;
  char* referenceAlias;
  uint8_t joinType;
  Vector* baseColumns;       // of QueryColumn, paired by position with
  Vector* referenceColumns;  // these
};

struct QueryCriteriaNode {
  QueryColumn* column;  // none in AND and OR nodes
  char* value;          // the column's stored form, with a NUL after it
  int32_t length;
  uint8_t operatorIndex;
  QueryCriteriaNode* left;
  QueryCriteriaNode* right;
  QueryCriteriaNode* parent;
};

struct QueryGroupBy {
  Vector* columns;            // of QueryColumn
  QueryCriteriaNode* having;  // a leaf whose column carries a function, or none
};

struct QuerySort {
  Vector* columns;  // of QueryColumn
  uint8_t order;    // kSortDescending, anything else ascending
};

struct SelectQuery {
  MemPool* pool;
  Vector* columns;  // of QueryColumn; empty: all columns
  Vector* joins;    // of QueryJoin
  QueryCriteriaNode* criteria;
  QueryGroupBy* groupBy;
  QuerySort* sort;
  Vector* tables;     // of QueryTableEntry
  int32_t rowLimit;   // 0: no limit
  int32_t rowOffset;  // 0: none
};

SelectQuery* CreateSelectQuery();
void FreeSelectQuery(SelectQuery* query);

QueryColumn* CreateQueryColumn(const char* tableName, const char* tableAlias,
                               const char* columnName, const char* columnAlias, int32_t value,
                               uint8_t dataType, uint8_t function, MemPool* pool);
bool AddSelectColumn(SelectQuery* query, QueryColumn* column);
bool RemoveSelectColumn(SelectQuery* query, const char* columnName, const char* tableName);

QueryCriteriaNode* CreateQueryCriteriaNode(QueryColumn* column, const char* value, int32_t length,
                                           uint8_t operatorIndex, MemPool* pool);
QueryCriteriaNode* CreateAndNode(QueryCriteriaNode* left, QueryCriteriaNode* right, MemPool* pool);
QueryCriteriaNode* CreateOrNode(QueryCriteriaNode* left, QueryCriteriaNode* right, MemPool* pool);
bool SetSelectCriteria(SelectQuery* query, QueryCriteriaNode* criteria);

QueryJoin* CreateJoin(const char* baseTable, const char* baseAlias, const char* referenceTable,
                      const char* referenceAlias, uint8_t joinType, Vector* baseColumns,
                      Vector* referenceColumns, MemPool* pool);
bool AddSelectJoin(SelectQuery* query, QueryJoin* join);

QueryGroupBy* CreateGroupBy(Vector* columns, QueryCriteriaNode* having, MemPool* pool);
bool SetSelectGroupBy(SelectQuery* query, QueryGroupBy* groupBy);
QuerySort* CreateSort(Vector* columns, uint8_t order, MemPool* pool);
bool SetSelectSort(SelectQuery* query, QuerySort* sort);
QueryTableEntry* CreateTableEntry(const char* name, const char* alias, MemPool* pool);
bool AddSelectTable(SelectQuery* query, QueryTableEntry* table);

Vector* CreateColumnList(MemPool* pool);
QueryColumn* CreateListColumn(const char* tableName, const char* tableAlias, const char* columnName,
                              const char* columnAlias, int32_t value, uint8_t dataType,
                              uint8_t function, MemPool* pool);
bool AddToColumnList(MemPool* pool, QueryColumn* column, Vector* list);
// A list of count pool copies of the texts that follow.
Vector* MakeColumnVector(MemPool* pool, int32_t count, ...);
// A list of count QueryColumns of the table, one per column name that follows.
Vector* MakeColumnVectorForJoin(MemPool* pool, const char* tableName, int32_t count, ...);

bool AddColumnToQuery(SelectQuery* query, const char* tableName, const char* tableAlias,
                      const char* columnName, const char* columnAlias, int32_t value,
                      uint8_t dataType, uint8_t function);
bool AddJoinToQuery(SelectQuery* query, const char* baseTable, const char* baseAlias,
                    const char* referenceTable, const char* referenceAlias, uint8_t joinType,
                    Vector* baseColumns, Vector* referenceColumns);
// Joins on equally named columns: count column names follow.
bool AddJoinOnColumns(SelectQuery* query, const char* baseTable, const char* baseAlias,
                      const char* referenceTable, const char* referenceAlias, uint8_t joinType,
                      int32_t count, ...);
