// The in-memory tables: whole tables (and custom views over them) held as
// lists of rows, selected by criteria text, changed, added to and deleted
// from, with every change told to the change listeners.  Selections are
// ResultData lists of borrowed rows with a cursor.  Only criteria work and
// saving take the store lock; callers sharing tables between threads
// serialise their own access.
#pragma once

#include <cstdint>

#include "../database/criteria_parser.h"
#include "../runtime/vector.h"
#include "table_defn.h"

// Row state bits.
inline constexpr uint8_t kRowInDatabase = 1;
inline constexpr uint8_t kRowNew = 2;
inline constexpr uint8_t kRowModified = 4;
inline constexpr uint8_t kRowDeleted = 8;

struct RowObject {
  char** values;     // one value buffer per column; none is NULL
  int32_t* lengths;  // parallel to values
  uint8_t state;
  RowObject* next;
};

inline constexpr uint8_t kTableKind = 1;
inline constexpr uint8_t kViewKind = 2;

struct ViewColumnDefn {
  const char* name;         // borrowed
  int32_t number;           // the creator's; not interpreted
  uint8_t flag;             // the creator's; not interpreted
  ColumnDefnEntry* column;  // the source column (borrowed): gives the type
};

struct CustomViewDefn {
  uint8_t baseTableCount;
  char** baseTables;  // the first is the view's principal table
  Vector* columns;    // of ViewColumnDefn
};

struct TableData {
  char* name;
  uint8_t kind;
  TableDefn* tableDefn;      // kind 1, borrowed
  CustomViewDefn* viewDefn;  // kind 2, owned
  int32_t columnCount;
  int32_t rowCount;
  RowObject* firstRow;
  RowObject* lastRow;  // the list's tail, so adding a row costs no walk
};

struct ResultNode {
  RowObject* row;
  ResultNode* next;
};

struct ResultData {
  ResultNode* first;
  uint8_t kind;
  TableDefn* tableDefn;      // kind 1
  CustomViewDefn* viewDefn;  // kind 2
  int32_t rowCount;
  int32_t columnCount;
  ResultNode* cursor;
  ResultNode* last;
};

// Tables and rows.
bool CreateTable(const char* tableName);
bool CreateCustomViewData(const char* viewName, CustomViewDefn* viewDefn);
TableData* GetTableDataByName(const char* name);
// The table registry (TableData*, in creation order); read it, never change it.
Vector* GetTableDataList();
RowObject* CreateNewRowObject(char** values, int32_t* lengths);
bool AddNewRow(const char* name, RowObject* row);
bool UpdateRowObject(const char* name, RowObject* row, const char* columnName, const char* value,
                     int32_t length);
bool DeleteRowObject(const char* name, RowObject* row);
bool DeleteRowObjectByCriteria(const char* name, const char* criteria);
bool DeleteAllTableRowObjects(const char* name);
void FreeRowObject(RowObject* row, int32_t columnCount);
void FreeTableData(TableData* table);
bool UnLoadTable(const char* name);
uint8_t UnLoadAllTable();

// Selection and results.
ResultData* SelectRows(const char* name, const char* criteria);
ResultData* SelectRowByRowIdx(const char* name, int32_t position);
ResultData* CreateResultData(int32_t rowCount, int32_t columnCount, TableData* table);
bool AddRowToResultData(RowObject* row, ResultData* result);
RowObject* GotoNextRowObject(ResultData* result);
void ResetResultDataCursor(ResultData* result);
void FreeResultData(ResultData* result);
char* GetColumnValue(const char* tableName, const char* columnName, const char* criteria,
                     int32_t* length);
char* GetColumnValueByName(const char* columnName, int32_t* length, ResultData* result);
uint8_t GetColumnTypeByName(const char* columnName, ResultData* result);
const char* GetColumnNameByIndex(int32_t index, ResultData* result);
const char* GetTableNameFromResultData(ResultData* result);
const char* GetTableNameOfView(const char* name);
bool SortResultSet(ResultData* result, const char* columnName, uint8_t order);

// Custom views.
CustomViewDefn* CreateCustomViewDefn(uint8_t baseTableCount, char** baseTables, Vector* columns);
ViewColumnDefn* CreateViewColumnDefn(const char* name, int32_t number, uint8_t flag,
                                     ColumnDefnEntry* column);
void FreeCustomViewDefn(CustomViewDefn* viewDefn);

// Diagnostics (debug level); the text forms are new texts to free.
void PrintTableData(const char* name);
void PrintCustomViewData(const char* name);
void PrintResultData(ResultData* result);
char* ToStringTableData(const char* name);
char* ToStringCustomViewData(const char* name);

// Criteria text bound to a table definition's columns, for rows that are
// not in a loaded table (the row units of data objects): none for a parse
// failure or a definition without columns.  A row matches as in SelectRows.
struct BoundCriteria;
BoundCriteria* BindCriteria(TableDefn* defn, const char* criteria);
bool CriteriaMatchRow(const BoundCriteria* criteria, const RowObject* row);
void FreeBoundCriteria(BoundCriteria* criteria);

// The store lock's key (criteria work and saving hold it).
const void* GetStoreLockKey();
