// Query result sets: builders, the cursor, readers, printing and frees.
#include "datastore/result_set.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "datastore/column_value.h"
#include "runtime/conversions.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

// Position of the column named name (case ignored), or -1.
int32_t ColumnIndex(const char* name, const ResultSet* set) {
  if (!name || !set || !set->columns) return -1;
  for (int32_t i = 0; i < set->columnCount; ++i) {
    const ColumnInfo* info = set->columns[i];
    if (info && info->name && CompareStringNoCase(info->name, name) == 0) return i;
  }
  return -1;
}

// The text PrintResultSet shows for one value.
std::string PrintedValue(const ResultValue* value, uint8_t type) {
  if (!value || !value->data) return "NULL";
  const bool numeric = type >= KES_SQL_TINYINT && type <= KES_SQL_REAL;
  const bool date = type == KES_SQL_DATE || type == KES_SQL_TIME || type == KES_SQL_DATETIME;
  if (numeric || date) {
    char* text = ConvertValueToString(value->data, value->length, type);
    std::string shown = text ? text : "";
    free(text);
    return shown;
  }
  return std::string(value->data, strnlen(value->data, static_cast<size_t>(value->length)));
}

}  // namespace

ResultSet* CreateResultSet(ResultRow* rows, ColumnInfo** columns, int32_t columnCount) {
  LogTrace("\n\t@@@@@ Inside CreateResultSet() @@@@@ \n");
  if (columnCount < 0) return nullptr;
  auto* set = static_cast<ResultSet*>(calloc(1, sizeof(ResultSet)));
  if (!set) return nullptr;
  set->columnCount = columnCount;
  set->columns = columns;
  set->rows = rows;
  for (const ResultRow* row = rows; row; row = row->next) ++set->rowCount;
  return set;
}

ResultValue* AppendResultValue(ResultValue* values, int32_t length, const char* bytes) {
  if (bytes && length < 0) return nullptr;
  auto* value = static_cast<ResultValue*>(calloc(1, sizeof(ResultValue)));
  if (!value) return nullptr;
  if (bytes) {
    if (AllocateAndCopyBytes(&value->data, bytes, length) != kResultSuccess) {
      free(value);
      return nullptr;
    }
    value->length = length;
  }
  if (!values) {
    value->last = value;
    return value;
  }
  ResultValue* tail = values->last ? values->last : values;
  while (tail->next) tail = tail->next;
  tail->next = value;
  values->last = value;
  return values;
}

ResultRow* AppendResultRow(ResultRow* rows, ResultValue* values) {
  auto* row = static_cast<ResultRow*>(calloc(1, sizeof(ResultRow)));
  if (!row) return nullptr;
  row->values = values;
  if (!rows) {
    row->last = row;
    return row;
  }
  ResultRow* tail = rows->last ? rows->last : rows;
  while (tail->next) tail = tail->next;
  tail->next = row;
  rows->last = row;
  return rows;
}

ColumnInfo* CreateColumnInfo(const char* name, uint8_t dataType) {
  auto* info = static_cast<ColumnInfo*>(calloc(1, sizeof(ColumnInfo)));
  if (!info) return nullptr;
  if (name && AllocateAndCopyString(&info->name, name) != kResultSuccess) {
    free(info);
    return nullptr;
  }
  info->dataType = dataType;
  return info;
}

ResultRow* GotoNextResultRow(ResultSet* set) {
  if (!set) return nullptr;
  // Past the last row the cursor is none again, so a further call starts over.
  set->cursor = set->cursor ? set->cursor->next : set->rows;
  return set->cursor;
}

void ResetResultSetCursor(ResultSet* set) {
  if (set) set->cursor = nullptr;
}

char* GetResultValueByName(const char* name, int32_t* length, ResultSet* set) {
  if (length) *length = 0;
  const int32_t index = ColumnIndex(name, set);
  if (index < 0 || !set->cursor) return nullptr;
  ResultValue* value = set->cursor->values;
  for (int32_t i = 0; value && i < index; ++i) value = value->next;
  if (!value || !value->data) return nullptr;
  if (length) *length = value->length;
  return value->data;
}

uint8_t GetResultColumnType(const char* name, ResultSet* set) {
  const int32_t index = ColumnIndex(name, set);
  return index < 0 ? 0 : set->columns[index]->dataType;
}

const char* GetResultColumnName(int32_t index, ResultSet* set) {
  if (!set || !set->columns || index < 0 || index >= set->columnCount || !set->columns[index]) {
    return nullptr;
  }
  return set->columns[index]->name;
}

void PrintResultSet(ResultSet* set) {
  LogTrace("\n\t@@@@@ Inside PrintResultSet() @@@@@ \n");
  if (!set) return;
  std::string line;
  for (int32_t i = 0; i < set->columnCount; ++i) {
    const char* name = GetResultColumnName(i, set);
    line += name ? name : "";
    line += '\t';
  }
  LogDebug("%s\n", line.c_str());
  for (const ResultRow* row = set->rows; row; row = row->next) {
    line.clear();
    const ResultValue* value = row->values;
    for (int32_t i = 0; i < set->columnCount; ++i) {
      const uint8_t type = set->columns && set->columns[i] ? set->columns[i]->dataType : 0;
      line += PrintedValue(value, type);
      line += '\t';
      if (value) value = value->next;
    }
    LogDebug("%s\n", line.c_str());
  }
}

void FreeResultValues(ResultValue* values) {
  while (values) {
    ResultValue* next = values->next;
    free(values->data);
    free(values);
    values = next;
  }
}

void FreeResultRows(ResultRow* rows) {
  while (rows) {
    ResultRow* next = rows->next;
    FreeResultValues(rows->values);
    free(rows);
    rows = next;
  }
}

void FreeColumnInfos(ColumnInfo** columns, int32_t count) {
  if (!columns) return;
  for (int32_t i = 0; i < count; ++i) {
    if (!columns[i]) continue;
    free(columns[i]->name);
    free(columns[i]);
  }
  free(columns);
}

void FreeResultSet(ResultSet* set) {
  LogTrace("\n\t@@@@@ Inside FreeResultSet() @@@@@ \n");
  if (!set) return;
  FreeColumnInfos(set->columns, set->columnCount);
  FreeResultRows(set->rows);
  free(set);
}
