// Query result sets: the rows a database query delivers, self-describing
// (column names and types) with values already in their column type's
// binary form, read through a cursor.  A result set owns everything in it
// and belongs to one thread at a time.
#pragma once

#include <cstdint>

struct ColumnInfo {
  char* name;
  uint8_t dataType;
};

// One value of a row; an absent data buffer (length 0) is the SQL NULL.
struct ResultValue {
  char* data;
  int32_t length;
  ResultValue* next;
  ResultValue* last;  // kept on the first value of a list: appending is O(1)
};

struct ResultRow {
  ResultValue* values;
  ResultRow* next;
  ResultRow* last;  // kept on the first row of a list
};

struct ResultSet {
  int32_t columnCount;
  int32_t rowCount;
  ColumnInfo** columns;  // columnCount records
  ResultRow* rows;
  ResultRow* cursor;  // none before the first move
};

// Takes over rows and columns (a columnCount array of records) when it
// succeeds; none when out of memory or given a negative count.
ResultSet* CreateResultSet(ResultRow* rows, ColumnInfo** columns, int32_t columnCount);
// The list (or a new one) with a copy of the bytes at its end; no bytes make
// the SQL NULL.  None, the list unchanged, when out of memory.
ResultValue* AppendResultValue(ResultValue* values, int32_t length, const char* bytes);
// The list (or a new one) with a new row holding values at its end.  None,
// the list unchanged and values still the caller's, when out of memory.
ResultRow* AppendResultRow(ResultRow* rows, ResultValue* values);
ColumnInfo* CreateColumnInfo(const char* name, uint8_t dataType);

ResultRow* GotoNextResultRow(ResultSet* set);
void ResetResultSetCursor(ResultSet* set);
// The cursor row's value of the column (name compared without case),
// borrowed, and its length; none (length 0) when not found or NULL.
char* GetResultValueByName(const char* name, int32_t* length, ResultSet* set);
uint8_t GetResultColumnType(const char* name, ResultSet* set);
const char* GetResultColumnName(int32_t index, ResultSet* set);
void PrintResultSet(ResultSet* set);

void FreeResultSet(ResultSet* set);
void FreeResultRows(ResultRow* rows);
void FreeResultValues(ResultValue* values);
void FreeColumnInfos(ColumnInfo** columns, int32_t count);
