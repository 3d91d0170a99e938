// Data objects: a detachable set of related rows from several tables,
// fetched with one select and saved back in foreign-key order, the unit in
// which a business entity is read and changed together with its dependent
// records.  An object keeps only the selected columns of each table,
// indexes its rows by a key string (the table name followed by the texts of
// the primary-key values) and owns all its memory through one memory pool
// of its own, so that FreeDataObject frees everything in it.  An object is
// used by one thread at a time; objects on different threads are
// independent.
#pragma once

#include <cstdint>
#include <string>

#include "../database/mempool.h"
#include "../database/query_model.h"
#include "../runtime/vector.h"
#include "hash_table.h"
#include "result_set.h"
#include "table_data.h"
#include "table_defn.h"

inline constexpr int32_t kDataObjectKeyBuckets = 100;

// One row of a table.  Its values follow the columns of its table's
// collection; positions (borrowed from the collection once the unit is in
// an object) tells their places in the table definition.
struct RowUnit {
  char* tableName;
  int32_t valueCount;
  char** values;  // an absent buffer is the SQL NULL
  int32_t* lengths;
  uint8_t state;  // the row states of the store: 1, 2, 4, 8
  RowUnit* next;
  const int32_t* positions;
};

// The rows of one table in an object.
struct RowCollection {
  char* tableName;
  TableDefn* tableDefn;  // borrowed from the registry
  char** columnNames;    // ended by none, in definition order
  uint8_t* columnTypes;  // parallel to the names
  RowUnit* firstRowUnit;
  RowUnit* cursor;  // for GotoNextRowUnit
  RowCollection* next;
  int32_t columnCount;
  int32_t* positions;  // the definition position of each column
  RowUnit* lastRowUnit;
};

struct DataObject {
  MemPool* pool;
  StringHashTable* keyIndex;
  int32_t tableCount;
  Vector* tableList;         // of table names (pool texts); save order once saved
  SelectQuery* selectQuery;  // borrowed; none for objects the library built itself
  RowCollection* firstCollection;
  RowCollection* cursor;
  RowCollection* lastCollection;
};

// Building from the database.
DataObject* GetDataObject(SelectQuery* query);
// Consumes the result set.
DataObject* CreateDataObjectFromResultSet(ResultSet* set, SelectQuery* query);
// The tables of a query: the left table of the first join that has one,
// each join's right table, then the listed tables (each name once).
Vector* CreateTableListForDO(SelectQuery* query, MemPool* pool);
// The table's columns that the query selects, in select-list order (all
// columns of the definition when it has no select list), ended by none.
char** GetColumnListFromSelectQuery(const char* tableName, SelectQuery* query, MemPool* pool);
// The definition positions of the named columns (-1 for an unknown one).
int32_t* GetColumnIndex(TableDefn* defn, char** columnNames, MemPool* pool);
bool CheckSelectedColumnsForPK(TableDefn* defn, char** columnNames);
RowCollection* CreateRowCollectionFromResultSet(ResultSet* set, const char* tableName,
                                                SelectQuery* query, DataObject* object);
// A unit of the collection's columns, converted to their types, from the
// result row whose values for them sit at resultPositions.
RowUnit* CreateRowUnitFromResultSet(ResultSet* set, ResultRow* row, RowCollection* collection,
                                    const int32_t* resultPositions, MemPool* pool);
// The key string in the pool; the unit's values follow columnList (the
// collection's columns) or, with none, the query's columns of its table.
char* GenerateKeyString(RowUnit* unit, SelectQuery* query, char** columnList, MemPool* pool);
// Enters the key in the object's index: false when it is already there.
bool CheckForPKEntry(DataObject* object, const char* key, RowUnit* unit);

// Building by hand.  A unit made by hand and given to an object holds its
// values in the order of that object's columns of its table; given to a
// retrieval without object, in definition order.
DataObject* CreateDataObject();
bool AddTableToDO(DataObject* object, const char* tableName, char** columnNames);
RowCollection* CreateRowCollection(const char* tableName, char** columnNames, uint8_t* columnTypes,
                                   MemPool* pool);
bool AddRowCollectionToDO(DataObject* object, RowCollection* collection);
// A unit over the caller's arrays (count 0 until inserted).  With a pool the
// record and name live there; without, FreeRowUnit frees them.
RowUnit* CreateRowUnit(const char* tableName, char** values, int32_t* lengths, MemPool* pool);
bool AddRowUnitToRowCollection(RowUnit* unit, RowCollection* collection);
// The unit's values (in the collection's column order) are copied into the
// object's pool; the unit record itself joins the object, so make it in the
// object's pool.
bool InsertRowUnit(RowUnit* unit, DataObject* object);
bool InsertRowIntoDO(DataObject* object, const char* tableName, char** values, int32_t* lengths);
bool InsertStringRowIntoDO(DataObject* object, const char* tableName, char** texts);
char** MakeColumnList(MemPool* pool, int32_t count, ...);
char** MakeStringColumnValuesList(MemPool* pool, int32_t count, ...);
int32_t* MakeLengthList(MemPool* pool, int32_t count, ...);

// Reading.
Vector* GetTableList(DataObject* object);
bool ContainsTableInDO(DataObject* object, const char* tableName);
bool IsDOEmpty(DataObject* object);
RowCollection* GetRowCollection(DataObject* object, const char* tableName);
// A new vector of the collection's column names (borrowed): FreeVector and free it.
Vector* GetColumnListFromDO(DataObject* object, const char* tableName);
RowUnit* GetFirstRowUnit(DataObject* object, const char* tableName);
RowUnit* GetLastRowUnit(DataObject* object, const char* tableName);
RowUnit* GetNthRowUnit(DataObject* object, int32_t n, const char* tableName);
RowUnit* GotoNextRowUnit(RowCollection* collection);
// The first unit's value of the column (borrowed) and its length.
char* GetFirstValue(DataObject* object, const char* columnName, const char* tableName,
                    int32_t* length);
// A pool copy of the n-th (1-based) unit's value, and its length.
char* GetColumnValueFromDO(DataObject* object, const char* tableName, const char* columnName,
                           int32_t n, int32_t* length);
// For each unit of the table in order, a pool copy of its value of the
// column: a Vector (in the pool) of ColumnValue records (in the pool).
Vector* GetColumnValuesFromDO(DataObject* object, const char* columnName, const char* tableName);
RowUnit* FindRowUnit(RowUnit* unit, DataObject* object);
RowUnit* GetRowUnitOnCriteria(const char* tableName, DataObject* object, const char* criteria);
// A full-width row object of the unit in the pool (defaults for the
// columns the unit lacks), or none.
RowObject* GetRowObjectFromRowUnit(RowUnit* unit, DataObject* object);
bool PrintDataObject(DataObject* object);
// One value's text form as the listing writes it, appended to out.
void PrintRowUnitValue(const char* value, int32_t length, uint8_t type, std::string* out);

// Changing and saving.
bool UpdateRowUnit(RowUnit* unit, DataObject* object);
bool DeleteRowUnit(RowUnit* unit, DataObject* object);
bool DeleteRowUnitOnCriteria(const char* tableName, DataObject* object, const char* criteria);
bool SetValueForRowUnit(const char* columnName, const char* tableName, const char* value,
                        int32_t length, DataObject* object);
bool SetValueForAllRowUnits(const char* columnName, const char* tableName, const char* value,
                            int32_t length, DataObject* object);
// Saves every change in one transaction per data source: all of it or none
// of it, and units change state only after the commit.  Inserts and updates
// run parents first, deletes children first.
bool SaveDataObject(DataObject* object);
bool SaveRowCollection(RowCollection* collection, DataObject* object);
bool SaveRowUnit(RowUnit* unit, DataObject* object);
// A new vector (heap nodes, names borrowed) with referenced tables first.
Vector* SortTableByFK(Vector* tableNames, MemPool* pool);
void SortTablesForDO(DataObject* object);

DataObject* CloneDataObject(DataObject* object);
DataObject* MergeDataObject(DataObject* target, DataObject* source);
void FreeDataObject(DataObject* object);
void FreeRowUnit(RowUnit* unit);

// The definition position of a unit's value slot i.
inline int32_t RowUnitPosition(const RowUnit* unit, int32_t i) {
  return unit->positions ? unit->positions[i] : i;
}
// The unit's value at a definition position (none when it holds no value
// there), and its length.
const char* RowUnitValueAt(const RowUnit* unit, int32_t position, int32_t* length);
