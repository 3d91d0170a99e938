// Table definitions: the records that describe every table of the store
// and of the database (columns with types, defaults, keys), the process-wide
// registry that holds them in load order, and the lookups the rest of the
// library uses.  Definitions are filled at start-up and only read afterwards;
// lookups take no lock.
#pragma once

#include <cstdint>

#include "../runtime/vector.h"

// Allowed values of a column: with isRange 0 the listed texts followed by
// an absent entry; with isRange 1 exactly two texts, lower and upper bound.
struct AllowedValues {
  char** values;
  uint8_t isRange;
};

struct ColumnDefnEntry {
  char* name;
  uint8_t dataType;
  char* defaultValue;  // binary form of the column type, or none
  int32_t defaultValueLength;
  uint8_t unique;
  char* generatorName;
  char* description;
  int32_t maxSize;  // -1 when the text was not a number, 0 when absent
  uint8_t nullable;
  AllowedValues* allowedValues;
};

struct ForeignKeyEntry {
  char* localColumn;
  char* referenceColumn;
  char* referenceTable;
  uint8_t cascade;
  uint8_t reserved;  // always 0
  uint8_t bidirectional;
};

struct ConstraintDefn {
  char** primaryKeyColumns;  // an element without text leaves its slot absent
  int32_t primaryKeyCount;
  Vector* foreignKeys;  // of ForeignKeyEntry; none when the table has none
};

struct TableDefn {
  char* name;
  char* description;
  Vector* columns;  // of ColumnDefnEntry, in document order: the column index
  ConstraintDefn* constraints;
};

// The registry.
void InitTableDefnList();
uint8_t AddTableDefn(TableDefn* defn);
TableDefn* GetTableDefn(const char* tableName);
Vector* GetTableDefnList();
void RemoveTableDefn(const char* tableName);
void FreeAllTableDefns();

// Lookups (column names compare exactly).
ColumnDefnEntry* GetColumnDefnEntry(const char* tableName, const char* columnName);
uint8_t GetColumnDataType(const char* tableName, const char* columnName);
char* GetDefaultValue(const char* tableName, const char* columnName, int32_t* found);
ForeignKeyEntry* GetForeignKeyEntry(TableDefn* defn, const char* localColumn);
void PrintTableDefn(TableDefn* defn);
void PrintAllTableDefns();

// Construction.  CreateColumnDefn copies the texts, converts the default
// text to the declared type and records codes 14 and 15 with a max size of
// 256 or more as KES_SQL_TEXT; it takes over allowedValues (freed also when
// it fails).
ColumnDefnEntry* CreateColumnDefn(const char* name, uint8_t dataType, const char* defaultText,
                                  int32_t defaultTextLength, uint8_t unique,
                                  const char* generatorName, const char* description,
                                  int32_t maxSize, uint8_t nullable, AllowedValues* allowedValues);
// Copies name and description; takes over columns and constraints.
TableDefn* CreateTableDefn(const char* name, const char* description, Vector* columns,
                           ConstraintDefn* constraints);
ForeignKeyEntry* CreateForeignKeyEntry(const char* localColumn, const char* referenceColumn,
                                       const char* referenceTable, uint8_t cascade,
                                       uint8_t reserved, uint8_t bidirectional);
// Takes over the entry when it succeeds (1); 99 when out of memory.
uint8_t AddForeignKeyEntry(ConstraintDefn* constraints, ForeignKeyEntry* entry);
// Copies of count key column names (absent names stay absent slots).
ConstraintDefn* CreateConstraintDefn(const char* const* primaryKeyColumns, int32_t count);
// Copies of count texts: a list (isRange 0) or the two bounds (isRange 1).
AllowedValues* CreateAllowedValues(const char* const* values, int32_t count, uint8_t isRange);

void FreeTableDefn(TableDefn* defn);
void FreeColumnDefn(ColumnDefnEntry* column);
// Frees a Vector of ColumnDefnEntry made with CreateVector, and the vector.
void FreeColumnDefnList(Vector* columns);
void FreeConstraintDefn(ConstraintDefn* constraints);
void FreeForeignKeyEntry(ForeignKeyEntry* entry);
void FreeAllowedValues(AllowedValues* values);
