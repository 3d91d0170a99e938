// Table definitions: construction, the registry and the lookups.
#include "datastore/table_defn.h"

#include <cstdlib>
#include <cstring>

#include "datastore/column_value.h"
#include "runtime/conversions.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

// The registry: definitions in load order.  A zeroed vector is a valid empty
// one, so lookups work before InitTableDefnList.
Vector gv_tableDefnList{};

// A copy of an optional text: false only when a present text cannot be
// copied.
bool CopyOptional(char** out, const char* text) {
  *out = nullptr;
  return !text || AllocateAndCopyString(out, text) == kResultSuccess;
}

void FreeTexts(char** texts, int32_t count) {
  if (!texts) return;
  for (int32_t i = 0; i < count; ++i) free(texts[i]);
  free(texts);
}

// The first column of the definition with exactly this name.
ColumnDefnEntry* FindColumn(const TableDefn* defn, const char* columnName) {
  if (!defn->columns) return nullptr;
  for (VectorNode* node = defn->columns->head; node; node = node->next) {
    auto* column = static_cast<ColumnDefnEntry*>(node->data);
    if (column && column->name && strcmp(column->name, columnName) == 0) return column;
  }
  return nullptr;
}

// The column for the lookups, with their shared messages.
ColumnDefnEntry* LookUpColumn(const char* tableName, const char* columnName) {
  if (!tableName || !columnName) {
    LogError("Cannot fetch default value;\n");
    return nullptr;
  }
  TableDefn* defn = GetTableDefn(tableName);
  if (!defn) {
    LogError("No definition found for table %s\n", tableName);
    return nullptr;
  }
  return FindColumn(defn, columnName);
}

void FreeVectorOf(Vector* vector, void (*freeData)(void*)) {
  if (!vector) return;
  for (VectorNode* node = vector->head; node; node = node->next) freeData(node->data);
  FreeVector(vector);
  free(vector);
}

}  // namespace

void InitTableDefnList() {
  LogTrace("\n\t@@@@@ Inside InitTableDefnList() @@@@@ \n");
  FreeAllTableDefns();
}

uint8_t AddTableDefn(TableDefn* defn) {
  LogTrace("\n\t@@@@@ Inside AddTableDefn() @@@@@ \n");
  if (!defn) return kResultFailure;
  return AddElementData(&gv_tableDefnList, defn) ? kResultSuccess : kResultFailure;
}

TableDefn* GetTableDefn(const char* tableName) {
  LogTrace("\n\t@@@@@ Inside GetTableDefn() @@@@@ \n");
  if (!gv_tableDefnList.head) return nullptr;
  if (!tableName) {
    LogError("Table Name is NULL.\n");
    return nullptr;
  }
  for (VectorNode* node = gv_tableDefnList.head; node; node = node->next) {
    auto* defn = static_cast<TableDefn*>(node->data);
    if (defn && defn->name && CompareStringNoCase(defn->name, tableName) == 0) return defn;
  }
  return nullptr;
}

Vector* GetTableDefnList() { return &gv_tableDefnList; }

void RemoveTableDefn(const char* tableName) {
  LogTrace("\n\t@@@@@ Inside RemoveTableDefn() @@@@@ \n");
  TableDefn* defn = tableName && gv_tableDefnList.head ? GetTableDefn(tableName) : nullptr;
  if (!defn) return;
  for (VectorNode* node = gv_tableDefnList.head; node; node = node->next) {
    if (node->data == defn) {
      DeleteElement(&gv_tableDefnList, node);
      break;
    }
  }
  FreeTableDefn(defn);
}

void FreeAllTableDefns() {
  LogTrace("\n\t@@@@@ Inside FreeAllTableDefns() @@@@@ \n");
  for (VectorNode* node = gv_tableDefnList.head; node; node = node->next) {
    FreeTableDefn(static_cast<TableDefn*>(node->data));
  }
  FreeVector(&gv_tableDefnList);
}

ColumnDefnEntry* GetColumnDefnEntry(const char* tableName, const char* columnName) {
  LogTrace("\n\t@@@@@ Inside GetColumnDefnEntry() @@@@@ \n");
  return LookUpColumn(tableName, columnName);
}

uint8_t GetColumnDataType(const char* tableName, const char* columnName) {
  LogTrace("\n\t@@@@@ Inside GetColumnDefnEntry() @@@@@ \n");
  const ColumnDefnEntry* column = LookUpColumn(tableName, columnName);
  return column ? column->dataType : KES_SQL_NOT_SUPPORTED_TYPE;
}

char* GetDefaultValue(const char* tableName, const char* columnName, int32_t* found) {
  LogTrace("\n\t@@@@@ Inside GetDefaultValue() @@@@@ \n");
  ColumnDefnEntry* column = LookUpColumn(tableName, columnName);
  if (!column) return nullptr;
  if (found) *found = 1;
  return column->defaultValue;
}

ForeignKeyEntry* GetForeignKeyEntry(TableDefn* defn, const char* localColumn) {
  LogTrace("\n\t@@@@@ Inside GetForeignKeyEntry() @@@@@ \n");
  if (!defn || !defn->constraints) {
    LogError("No constraint Definition \n");
    return nullptr;
  }
  if (!defn->constraints->foreignKeys) {
    LogError("No Foreignkey Entries in Definition \n");
    return nullptr;
  }
  if (!localColumn) return nullptr;
  for (VectorNode* node = defn->constraints->foreignKeys->head; node; node = node->next) {
    auto* entry = static_cast<ForeignKeyEntry*>(node->data);
    if (entry && entry->localColumn && CompareStringNoCase(entry->localColumn, localColumn) == 0) {
      return entry;
    }
  }
  return nullptr;
}

void PrintTableDefn(TableDefn* defn) {
  LogTrace("\n\t@@@@@ Inside PrintTableDefn() @@@@@ \n");
  if (!defn || !defn->columns || !defn->columns->head) return;
  static const char kDashes[] = "---------------------------------------\n\n";
  static const char kStars[] = "********************************\n";
  LogDebug("Table Name : %s\n", defn->name ? defn->name : "");
  LogDebug("Description: %s\n", defn->description ? defn->description : "");
  LogDebug("%s", kDashes);
  for (VectorNode* node = defn->columns->head; node; node = node->next) {
    const auto* column = static_cast<const ColumnDefnEntry*>(node->data);
    if (!column) continue;
    LogDebug("Column Name : %s\n", column->name ? column->name : "");
    LogDebug("Column Type : %d\n", column->dataType);
    LogDebug("Unique Flag : %s\n", column->unique ? "TRUE" : "FALSE");
    LogDebug("Description : %s\n", column->description ? column->description : "");
    LogDebug("%s", kDashes);
  }
  const ConstraintDefn* constraints = defn->constraints;
  if (!constraints) return;
  for (int32_t i = 0; i < constraints->primaryKeyCount; ++i) {
    const char* key = constraints->primaryKeyColumns[i];
    LogDebug("Primary key : %s\n\n", key ? key : "");
  }
  if (!constraints->foreignKeys || !constraints->foreignKeys->head) return;
  LogDebug("Foreign key Constraints\n");
  LogDebug("%s", kStars);
  for (VectorNode* node = constraints->foreignKeys->head; node; node = node->next) {
    const auto* entry = static_cast<const ForeignKeyEntry*>(node->data);
    LogDebug("Column Name : %s\n", entry->localColumn ? entry->localColumn : "");
    LogDebug("Ref Column  : %s\n", entry->referenceColumn ? entry->referenceColumn : "");
    LogDebug("Tablename : %s\n", entry->referenceTable ? entry->referenceTable : "");
  }
  LogDebug("%s", kStars);
}

void PrintAllTableDefns() {
  LogTrace("\n\t@@@@@ Inside PrintAllTableDefns() @@@@@ \n");
  for (VectorNode* node = gv_tableDefnList.head; node; node = node->next) {
    PrintTableDefn(static_cast<TableDefn*>(node->data));
  }
}

ColumnDefnEntry* CreateColumnDefn(const char* name, uint8_t dataType, const char* defaultText,
                                  int32_t defaultTextLength, uint8_t unique,
                                  const char* generatorName, const char* description,
                                  int32_t maxSize, uint8_t nullable, AllowedValues* allowedValues) {
  LogTrace("\n\t@@@@@ Inside CreateColumnDefn() @@@@@ \n");
  auto* column = static_cast<ColumnDefnEntry*>(calloc(1, sizeof(ColumnDefnEntry)));
  if (!column) {
    FreeAllowedValues(allowedValues);
    return nullptr;
  }
  column->allowedValues = allowedValues;
  if (!CopyOptional(&column->name, name) || !CopyOptional(&column->generatorName, generatorName) ||
      !CopyOptional(&column->description, description)) {
    FreeColumnDefn(column);
    return nullptr;
  }
  column->dataType = dataType;
  if (defaultText) {
    int32_t length = defaultTextLength;
    column->defaultValue = ConvertStringToValue(defaultText, &length, dataType);
    column->defaultValueLength = column->defaultValue ? length : 0;
  }
  if ((dataType == KES_SQL_CHAR || dataType == KES_SQL_VARCHAR) && maxSize >= 256) {
    column->dataType = KES_SQL_TEXT;
  }
  column->unique = unique;
  column->maxSize = maxSize;
  column->nullable = nullable;
  return column;
}

TableDefn* CreateTableDefn(const char* name, const char* description, Vector* columns,
                           ConstraintDefn* constraints) {
  LogTrace("\n\t@@@@@ Inside CreateTableDefn() @@@@@ \n");
  auto* defn = static_cast<TableDefn*>(calloc(1, sizeof(TableDefn)));
  if (!defn) return nullptr;
  if (!CopyOptional(&defn->name, name) || !CopyOptional(&defn->description, description)) {
    free(defn->name);
    free(defn);
    return nullptr;
  }
  defn->columns = columns;
  defn->constraints = constraints;
  return defn;
}

ForeignKeyEntry* CreateForeignKeyEntry(const char* localColumn, const char* referenceColumn,
                                       const char* referenceTable, uint8_t cascade,
                                       uint8_t reserved, uint8_t bidirectional) {
  LogTrace("\n\t@@@@@ Inside CreateForeignKeyEntry() @@@@@ \n");
  auto* entry = static_cast<ForeignKeyEntry*>(calloc(1, sizeof(ForeignKeyEntry)));
  if (!entry) return nullptr;
  if (!CopyOptional(&entry->localColumn, localColumn) ||
      !CopyOptional(&entry->referenceColumn, referenceColumn) ||
      !CopyOptional(&entry->referenceTable, referenceTable)) {
    FreeForeignKeyEntry(entry);
    return nullptr;
  }
  entry->cascade = cascade;
  entry->reserved = reserved;
  entry->bidirectional = bidirectional;
  return entry;
}

uint8_t AddForeignKeyEntry(ConstraintDefn* constraints, ForeignKeyEntry* entry) {
  LogTrace("\n\t@@@@@ Inside AddForeignKeyEntry() @@@@@ \n");
  if (!constraints || !entry) return kResultFailure;
  if (!constraints->foreignKeys) {
    constraints->foreignKeys = CreateVector();
    if (!constraints->foreignKeys) return kResultOutOfMemory;
  }
  return AddElementData(constraints->foreignKeys, entry) ? kResultSuccess : kResultOutOfMemory;
}

ConstraintDefn* CreateConstraintDefn(const char* const* primaryKeyColumns, int32_t count) {
  auto* constraints = static_cast<ConstraintDefn*>(calloc(1, sizeof(ConstraintDefn)));
  if (!constraints) return nullptr;
  if (count <= 0 || !primaryKeyColumns) return constraints;
  constraints->primaryKeyColumns =
      static_cast<char**>(calloc(static_cast<size_t>(count), sizeof(char*)));
  if (!constraints->primaryKeyColumns) {
    free(constraints);
    return nullptr;
  }
  constraints->primaryKeyCount = count;
  for (int32_t i = 0; i < count; ++i) {
    if (!CopyOptional(&constraints->primaryKeyColumns[i], primaryKeyColumns[i])) {
      FreeConstraintDefn(constraints);
      return nullptr;
    }
  }
  return constraints;
}

AllowedValues* CreateAllowedValues(const char* const* values, int32_t count, uint8_t isRange) {
  if (count < 0 || (count > 0 && !values) || (isRange && count != 2)) return nullptr;
  auto* allowed = static_cast<AllowedValues*>(calloc(1, sizeof(AllowedValues)));
  if (!allowed) return nullptr;
  allowed->isRange = isRange ? 1 : 0;
  allowed->values = static_cast<char**>(calloc(static_cast<size_t>(count) + 1, sizeof(char*)));
  if (!allowed->values) {
    free(allowed);
    return nullptr;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (!CopyOptional(&allowed->values[i], values[i])) {
      FreeAllowedValues(allowed);
      return nullptr;
    }
  }
  return allowed;
}

void FreeAllowedValues(AllowedValues* values) {
  if (!values) return;
  if (values->values) {
    if (values->isRange) {
      free(values->values[0]);
      free(values->values[1]);
    } else {
      for (char** at = values->values; *at; ++at) free(*at);
    }
  }
  free(values->values);
  free(values);
}

void FreeColumnDefn(ColumnDefnEntry* column) {
  if (!column) return;
  free(column->name);
  free(column->defaultValue);
  free(column->generatorName);
  free(column->description);
  FreeAllowedValues(column->allowedValues);
  free(column);
}

void FreeForeignKeyEntry(ForeignKeyEntry* entry) {
  if (!entry) return;
  free(entry->localColumn);
  free(entry->referenceColumn);
  free(entry->referenceTable);
  free(entry);
}

void FreeConstraintDefn(ConstraintDefn* constraints) {
  if (!constraints) return;
  FreeTexts(constraints->primaryKeyColumns, constraints->primaryKeyCount);
  FreeVectorOf(constraints->foreignKeys,
               [](void* entry) { FreeForeignKeyEntry(static_cast<ForeignKeyEntry*>(entry)); });
  free(constraints);
}

void FreeColumnDefnList(Vector* columns) {
  FreeVectorOf(columns,
               [](void* column) { FreeColumnDefn(static_cast<ColumnDefnEntry*>(column)); });
}

void FreeTableDefn(TableDefn* defn) {
  if (!defn) return;
  free(defn->name);
  free(defn->description);
  FreeColumnDefnList(defn->columns);
  FreeConstraintDefn(defn->constraints);
  free(defn);
}
