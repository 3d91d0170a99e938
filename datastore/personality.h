// Personalities: a business entity named with its dominant table (whose
// primary key identifies the entity) and the constituent tables whose rows
// refer to it, read from an XML file, so that a whole entity is fetched as
// one data object by name, by a row of the dominant table, or by criteria.
// Dominant tables marked as indexed get an index table "<table>_IDX" in the
// database recording which tables hold rows for each dominant key, which a
// deep retrieval uses to fetch only the tables that matter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../database/query_model.h"
#include "../runtime/vector.h"
#include "data_object.h"
#include "table_data.h"

struct ConstituentTable {
  char* dominantTableName;  // shared with the personality
  char* tableName;
  int32_t tableIndex;
  uint8_t mandatory;
  char* fkConstraintId;
};

struct PersonalityDefn {
  char* name;
  char* dominantTableName;
  char* description;
  Vector* constituentTables;  // of ConstituentTable, in document order
};

// One element of a personality file: its name and its attributes in
// document order (owned texts).
struct XmlAttributePair {
  char* name;
  char* value;
};
struct XmlElementInfo {
  char* name;
  Vector* attributes;  // of XmlAttributePair
};

// The registry, in load order.
extern Vector* gv_personalityDefnVect;

uint8_t InitPersonality();
// The personalities of a file's element records (in document order) added
// to the registry: 1, 0 or 99.
uint8_t CreateAndAddPersonalityDefn(Vector* elements);
void FreeXmlElement(XmlElementInfo* element);
// Frees a vector of element records and the records.
void FreeXmlElements(Vector* elements);
// Frees every personality and forgets the index tables.
void FreeAllPersonalities();
uint8_t CreatePersonalityFromXMLFile(const char* path);
// The same for a document in memory (source names it in the log).
uint8_t CreatePersonalityFromXMLBuffer(const char* buffer, int32_t size, const char* source);
PersonalityDefn* GetPersonalityDefn(const char* name);
uint8_t PrintPersonalityDefn(const char* name);
// New arrays of copied texts ended by none: free each text and the array.
char** GetConstituentTables(const char* personalityName);
char** GetDominantTables();
char** GetPersonalityNames();
bool IsDominantTable(const char* tableName);

// Key columns and index tables.
// A new vector of the key columns' definitions (borrowed), in key order.
Vector* GetPKColumnInfo(const char* tableName);
// The index table's key columns ("ID INT, "); a new text to free, or none
// when a key column has a type an index table cannot hold.
char* ConstructPKColumnString(Vector* keyColumns);
// The key condition of a unit of the table ("ID = 7 "); a new text to free.
char* ConstructPKValueString(const char* tableName, RowUnit* unit);
bool CreateIndexTable(Vector* elements);
bool AddEntryToIndexTable(const char* tableName, RowObject* row);
// The root tables (without foreign keys) that the table's foreign keys lead
// to, following the column when one is given; each root once per column.
// Names are borrowed from the definitions.
void FindRootTable(const char* tableName, const char* columnName, Vector* roots,
                   Vector* rootColumns);
int32_t GetColIndex(const char* columnName, const char* tableName, TableDefn* defn);
// Whether (referencedTable, referencedColumn) is (table, column) or leads
// to it through the referenced table's own foreign keys.
void CompareRootRefTable(const char* referencedTable, const char* referencedColumn,
                         const char* table, const char* column, bool* found);
// The index-table statements that keep an indexed dominant table's index
// for a row of the table being inserted or deleted (none for other rows).
bool IndexStatementsForRow(const char* tableName, RowObject* row,
                           std::vector<std::string>* statements);

// Retrieval.  The objects carry no select query.
DataObject* GetDOFromPersonality(const char* personalityName);
DataObject* GetDOFromPersonalities(Vector* personalityNames);
DataObject* GetDOFromPersonalityByRowUnit(const char* personalityName, RowUnit* unit);
DataObject* GetDOFromPersonalitiesByRowUnit(Vector* personalityNames, RowUnit* unit);
// The condition is borrowed (it may live in any pool).
DataObject* GetDOFromPersonalityByCriteria(const char* personalityName,
                                           QueryCriteriaNode* condition);
DataObject* GetDOFromPersonalitiesByCriteria(Vector* personalityNames,
                                             QueryCriteriaNode* condition);
DataObject* DeepRetrieveDO(const char* dominantTableName, RowUnit* unit);
DataObject* GetDataObjectByRowUnit(Vector* tableNames, RowUnit* unit);
DataObject* GetDataObjectByCriteria(Vector* tableNames, QueryCriteriaNode* condition);
