#include "datastore/data_object.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "database/db_provider.h"
#include "database/pool_list.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/personality.h"
#include "datastore/sequence.h"
#include "datastore/table_source.h"
#include "runtime/conversions.h"
#include "runtime/datetime.h"
#include "runtime/locktable.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

int32_t ColumnCountOf(const TableDefn* defn) {
  return defn && defn->columns ? defn->columns->count : 0;
}

ColumnDefnEntry* DefnColumn(TableDefn* defn, int32_t position) {
  VectorNode* node = defn && defn->columns ? ElementAt(defn->columns, position) : nullptr;
  return node ? static_cast<ColumnDefnEntry*>(node->data) : nullptr;
}

// The definition position of a column (names compare without case), or -1.
int32_t DefnPosition(const TableDefn* defn, const char* name) {
  if (!defn || !defn->columns || !name) return -1;
  int32_t i = 0;
  for (VectorNode* n = defn->columns->head; n; n = n->next, ++i) {
    const auto* c = static_cast<ColumnDefnEntry*>(n->data);
    if (c->name && CompareStringNoCase(c->name, name) == 0) return i;
  }
  return -1;
}

bool IsKeyColumn(const TableDefn* defn, const char* name) {
  const ConstraintDefn* k = defn ? defn->constraints : nullptr;
  for (int32_t i = 0; k && i < k->primaryKeyCount; ++i) {
    if (k->primaryKeyColumns[i] && CompareStringNoCase(k->primaryKeyColumns[i], name) == 0) {
      return true;
    }
  }
  return false;
}

// A pool copy of a value (with a NUL after it); none for an absent value.
bool PoolBytes(const char* value, int32_t length, char** out, MemPool* pool) {
  *out = nullptr;
  if (!value) return true;
  const size_t n = static_cast<size_t>(std::max(length, 0));
  *out = static_cast<char*>(PoolAlloc(pool, n + 1));
  if (!*out) return false;
  if (n) memcpy(*out, value, n);
  (*out)[n] = '\0';
  return true;
}

// The slot of a collection holding a definition position, or -1.
int32_t SlotOf(const RowCollection* c, int32_t position) {
  for (int32_t i = 0; i < c->columnCount; ++i) {
    if (c->positions[i] == position) return i;
  }
  return -1;
}

RowCollection* FindCollection(DataObject* object, const char* tableName) {
  if (!object || !tableName) return nullptr;
  for (RowCollection* c = object->firstCollection; c; c = c->next) {
    if (CompareStringNoCase(c->tableName, tableName) == 0) return c;
  }
  return nullptr;
}

// The definition position of a unit's slot i, read against the collection
// when the unit has no positions of its own yet.
int32_t PositionIn(const RowUnit* unit, const RowCollection* c, int32_t i) {
  if (unit->positions) return unit->positions[i];
  return c ? c->positions[i] : i;
}

// How many value slots of a unit to read against a collection.
int32_t SlotCount(const RowUnit* unit, const RowCollection* c) {
  if (unit->positions || !c) return unit->valueCount;
  return unit->valueCount > 0 ? std::min(unit->valueCount, c->columnCount) : c->columnCount;
}

// The text of the unit's key: the table name and each key value's text.
bool AppendKey(const RowUnit* unit, const RowCollection* c, TableDefn* defn, std::string* key) {
  key->assign(unit->tableName ? unit->tableName : "");
  const ConstraintDefn* k = defn->constraints;
  for (int32_t i = 0; i < k->primaryKeyCount; ++i) {
    const int32_t position = DefnPosition(defn, k->primaryKeyColumns[i]);
    const ColumnDefnEntry* column = DefnColumn(defn, position);
    const char* value = nullptr;
    int32_t length = 0;
    const int32_t count = SlotCount(unit, c);
    for (int32_t s = 0; s < count; ++s) {
      if (PositionIn(unit, c, s) == position) {
        value = unit->values[s];
        length = unit->lengths[s];
        break;
      }
    }
    if (!value || !column || !AppendValueText(value, length, column->dataType, key)) {
      key->append("NULL");
    }
  }
  return true;
}

// The key string of a unit against a collection's layout, in the pool.
char* KeyOf(const RowUnit* unit, const RowCollection* c, MemPool* pool) {
  TableDefn* defn = c ? c->tableDefn : GetTableDefn(unit->tableName);
  if (!defn) {
    LogError("No Table Definition found for table %s.\n", unit->tableName);
    return nullptr;
  }
  if (!defn->constraints || defn->constraints->primaryKeyCount <= 0) {
    LogError("No Primary Keys mentioned for table %s. \n", unit->tableName);
    return nullptr;
  }
  std::string key;
  AppendKey(unit, c, defn, &key);
  LogTrace("KeyStr %s\n", key.c_str());
  char* copy = nullptr;
  PoolStrdup(&copy, key.c_str(), pool);
  return copy;
}

// A left join that found no row gives a unit without any key value.
bool HasNoKey(const RowUnit* unit, const RowCollection* c) {
  for (int32_t s = 0; s < c->columnCount; ++s) {
    if (IsKeyColumn(c->tableDefn, c->columnNames[s]) && unit->values[s]) return false;
  }
  return true;
}

void AppendUnit(RowCollection* c, RowUnit* unit) {
  unit->next = nullptr;
  unit->positions = c->positions;
  if (c->lastRowUnit) {
    c->lastRowUnit->next = unit;
  } else {
    c->firstRowUnit = unit;
  }
  c->lastRowUnit = unit;
}

// A collection of the given definition positions (in any order, repeats
// dropped) laid out in definition order; order receives, for each kept
// column, the index of the position it came from.
RowCollection* MakeCollection(const char* tableName, TableDefn* defn,
                              const std::vector<int32_t>& positions, MemPool* pool,
                              std::vector<size_t>* order) {
  std::vector<std::pair<int32_t, size_t>> sorted;
  for (size_t i = 0; i < positions.size(); ++i) sorted.emplace_back(positions[i], i);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  sorted.erase(std::unique(sorted.begin(), sorted.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               sorted.end());
  auto* c = PoolNew<RowCollection>(pool);
  if (!c || !PoolCopy(tableName, &c->tableName, pool)) return nullptr;
  c->tableDefn = defn;
  c->columnCount = static_cast<int32_t>(sorted.size());
  c->columnNames = PoolNewArray<char*>(pool, sorted.size() + 1);
  c->columnTypes = PoolNewArray<uint8_t>(pool, sorted.size());
  c->positions = PoolNewArray<int32_t>(pool, sorted.size());
  if (!c->columnNames || !c->columnTypes || !c->positions) return nullptr;
  if (order) order->clear();
  for (size_t i = 0; i < sorted.size(); ++i) {
    const ColumnDefnEntry* column = DefnColumn(defn, sorted[i].first);
    if (!column || !PoolCopy(column->name, &c->columnNames[i], pool)) return nullptr;
    c->columnTypes[i] = column->dataType;
    c->positions[i] = sorted[i].first;
    if (order) order->push_back(sorted[i].second);
  }
  return c;
}

// The select-list entries of a table: their column names and their places
// in a result row.  Without a select list every column of the definition,
// placed after the columns of the tables before it in the object's list.
bool SelectedColumns(const char* tableName, SelectQuery* query, Vector* tableList,
                     std::vector<std::string>* names, std::vector<int32_t>* places) {
  TableDefn* defn = GetTableDefn(tableName);
  if (!query || !query->columns || query->columns->count == 0) {
    int32_t offset = 0;
    for (VectorNode* n = tableList ? tableList->head : nullptr; n; n = n->next) {
      const char* name = static_cast<const char*>(n->data);
      if (CompareStringNoCase(name, tableName) == 0) break;
      offset += ColumnCountOf(GetTableDefn(name));
    }
    int32_t i = 0;
    for (VectorNode* n = defn && defn->columns ? defn->columns->head : nullptr; n;
         n = n->next, ++i) {
      names->emplace_back(static_cast<ColumnDefnEntry*>(n->data)->name);
      places->push_back(offset + i);
    }
    return true;
  }
  int32_t place = 0;
  for (VectorNode* n = query->columns->head; n; n = n->next, ++place) {
    const auto* c = static_cast<QueryColumn*>(n->data);
    if (!c->columnName || c->function != kFunctionNone) continue;
    const bool mine = c->tableName ? CompareStringNoCase(c->tableName, tableName) == 0
                                   : DefnPosition(defn, c->columnName) >= 0;
    if (!mine) continue;
    names->emplace_back(c->columnName);
    places->push_back(place);
  }
  return true;
}

// The unit's full width: one value per definition column, borrowed from the
// unit or from the column defaults.  False (with the message) when a column
// that may not be NULL has neither.
bool FullWidth(const RowUnit* unit, const RowCollection* c, std::vector<char*>* values,
               std::vector<int32_t>* lengths) {
  TableDefn* defn = c->tableDefn;
  const int32_t count = ColumnCountOf(defn);
  values->assign(static_cast<size_t>(count), nullptr);
  lengths->assign(static_cast<size_t>(count), 0);
  std::vector<bool> held(static_cast<size_t>(count), false);
  for (int32_t s = 0; s < SlotCount(unit, c); ++s) {
    const int32_t p = PositionIn(unit, c, s);
    if (p < 0 || p >= count || !unit->values[s]) continue;
    (*values)[static_cast<size_t>(p)] = unit->values[s];
    (*lengths)[static_cast<size_t>(p)] = unit->lengths[s];
    held[static_cast<size_t>(p)] = true;
  }
  int32_t p = 0;
  for (VectorNode* n = defn->columns->head; n; n = n->next, ++p) {
    if (held[static_cast<size_t>(p)]) continue;
    const auto* column = static_cast<ColumnDefnEntry*>(n->data);
    if (column->defaultValue) {
      (*values)[static_cast<size_t>(p)] = column->defaultValue;
      (*lengths)[static_cast<size_t>(p)] = column->defaultValueLength;
    } else if (!column->nullable) {
      LogError(
          "Cannot save RowUnit. Column %s is not not nullable and does not have a default "
          "value\n",
          column->name);
      return false;
    }
  }
  return true;
}

RowCollection* CollectionOfUnit(DataObject* object, const RowUnit* unit) {
  if (!unit) return nullptr;
  for (RowCollection* c = object ? object->firstCollection : nullptr; c; c = c->next) {
    if (unit->positions == c->positions ||
        CompareStringNoCase(c->tableName, unit->tableName) == 0) {
      return c;
    }
  }
  return nullptr;
}

// A deep copy of a unit into a collection's layout and pool: each value of
// the target's columns taken from the source unit's value at the same
// definition position.
RowUnit* CopyUnit(const RowUnit* from, const RowCollection* fromCollection, const RowCollection* to,
                  MemPool* pool) {
  auto* unit = PoolNew<RowUnit>(pool);
  if (!unit || !PoolCopy(to->tableName, &unit->tableName, pool)) return nullptr;
  unit->valueCount = to->columnCount;
  unit->values = PoolNewArray<char*>(pool, static_cast<size_t>(to->columnCount));
  unit->lengths = PoolNewArray<int32_t>(pool, static_cast<size_t>(to->columnCount));
  if (!unit->values || !unit->lengths) return nullptr;
  for (int32_t s = 0; s < to->columnCount; ++s) {
    for (int32_t f = 0; f < SlotCount(from, fromCollection); ++f) {
      if (PositionIn(from, fromCollection, f) != to->positions[s]) continue;
      if (!PoolBytes(from->values[f], from->lengths[f], &unit->values[s], pool)) return nullptr;
      unit->lengths[s] = from->values[f] ? from->lengths[f] : 0;
      break;
    }
  }
  unit->state = from->state;
  unit->positions = to->positions;
  return unit;
}

}  // namespace

const char* RowUnitValueAt(const RowUnit* unit, int32_t position, int32_t* length) {
  *length = 0;
  if (!unit || !unit->values) return nullptr;
  for (int32_t s = 0; s < unit->valueCount; ++s) {
    if (RowUnitPosition(unit, s) == position) {
      *length = unit->values[s] ? unit->lengths[s] : 0;
      return unit->values[s];
    }
  }
  return nullptr;
}

// --- building from the database ----------------------------------------------

DataObject* GetDataObject(SelectQuery* query) {
  LogTrace("\n\t@@@@@ Inside GetDataObject() @@@@@ \n");
  if (!query) {
    LogError("Cannot construct DO. Select Query pointer is NULL.\n");
    return nullptr;
  }
  const char* table = nullptr;
  if (query->tables && query->tables->head) {
    table = static_cast<QueryTableEntry*>(query->tables->head->data)->name;
  } else if (query->joins && query->joins->head) {
    table = static_cast<QueryJoin*>(query->joins->head->data)->baseTable;
  }
  char* statement = GenerateSelectQuery(query);
  if (!statement) return nullptr;
  ResultSet* set = nullptr;
  TableSource source;
  if (OpenTableSource(table, false, &source)) {
    set = ExecuteQuery(source.handle, statement);
    CloseTableSource(&source);
  }
  free(statement);
  if (!set) {
    LogError("Cannot create DataObject.  No entries returned for SelectQuery\n");
    return nullptr;
  }
  return CreateDataObjectFromResultSet(set, query);
}

DataObject* CreateDataObjectFromResultSet(ResultSet* set, SelectQuery* query) {
  LogTrace("\n\t@@@@@ Inside CreateDataObjectFromResultSet() @@@@@ \n");
  DataObject* object = set ? CreateDataObject() : nullptr;
  if (!object) {
    FreeResultSet(set);
    return nullptr;
  }
  Vector* tables = CreateTableListForDO(query, object->pool);
  if (!tables) {
    FreeResultSet(set);
    FreeDataObject(object);
    return nullptr;
  }
  object->tableCount = tables->count;
  object->tableList = SortTableByFK(tables, object->pool);
  object->selectQuery = query;
  bool ok = object->tableList != nullptr;
  for (VectorNode* n = tables->head; ok && n; n = n->next) {
    const char* name = static_cast<const char*>(n->data);
    LogTrace("TableName %s\n", name);
    RowCollection* c = CreateRowCollectionFromResultSet(set, name, query, object);
    ok = c && AddRowCollectionToDO(object, c);
  }
  FreeResultSet(set);
  if (!ok) {
    FreeDataObject(object);
    return nullptr;
  }
  return object;
}

Vector* CreateTableListForDO(SelectQuery* query, MemPool* pool) {
  Vector* list = PoolVector(pool);
  if (!list || !query) return list;
  auto add = [&](const char* name) {
    if (!name) return true;
    for (VectorNode* n = list->head; n; n = n->next) {
      if (CompareStringNoCase(static_cast<const char*>(n->data), name) == 0) return true;
    }
    char* copy = nullptr;
    return PoolCopy(name, &copy, pool) && PoolAppend(list, copy, pool);
  };
  bool ok = true;
  bool leftDone = false;
  for (VectorNode* n = query->joins ? query->joins->head : nullptr; ok && n; n = n->next) {
    const auto* j = static_cast<QueryJoin*>(n->data);
    if (!leftDone && j->baseTable) {
      ok = add(j->baseTable);
      leftDone = true;
    }
    ok = ok && add(j->referenceTable);
  }
  for (VectorNode* n = query->tables ? query->tables->head : nullptr; ok && n; n = n->next) {
    ok = add(static_cast<QueryTableEntry*>(n->data)->name);
  }
  return ok ? list : nullptr;
}

char** GetColumnListFromSelectQuery(const char* tableName, SelectQuery* query, MemPool* pool) {
  std::vector<std::string> names;
  std::vector<int32_t> places;
  if (!tableName || !SelectedColumns(tableName, query, nullptr, &names, &places)) return nullptr;
  auto** list = PoolNewArray<char*>(pool, names.size() + 1);
  for (size_t i = 0; list && i < names.size(); ++i) {
    if (!PoolCopy(names[i].c_str(), &list[i], pool)) return nullptr;
  }
  return list;
}

int32_t* GetColumnIndex(TableDefn* defn, char** columnNames, MemPool* pool) {
  if (!defn || !columnNames) return nullptr;
  size_t count = 0;
  while (columnNames[count]) ++count;
  auto* positions = PoolNewArray<int32_t>(pool, count);
  for (size_t i = 0; positions && i < count; ++i) {
    positions[i] = DefnPosition(defn, columnNames[i]);
  }
  return positions;
}

bool CheckSelectedColumnsForPK(TableDefn* defn, char** columnNames) {
  const ConstraintDefn* k = defn ? defn->constraints : nullptr;
  for (int32_t i = 0; k && i < k->primaryKeyCount; ++i) {
    bool found = false;
    for (char** c = columnNames; c && *c && !found; ++c) {
      found = k->primaryKeyColumns[i] && CompareStringNoCase(*c, k->primaryKeyColumns[i]) == 0;
    }
    if (!found) {
      LogError("\nALL PRIMARY KEY COLUMNS SHOULD BE SELECTED FOR %s\n", defn->name);
      return false;
    }
  }
  return true;
}

RowCollection* CreateRowCollectionFromResultSet(ResultSet* set, const char* tableName,
                                                SelectQuery* query, DataObject* object) {
  if (!set || !tableName || !object) return nullptr;
  MemPool* pool = object->pool;
  TableDefn* defn = GetTableDefn(tableName);
  if (!defn) {
    LogError("No definition for table %s.\n", tableName);
    return nullptr;
  }
  std::vector<std::string> names;
  std::vector<int32_t> places;
  // Without a select list, the tables' columns follow each other in result
  // rows in the order of the query's (unsorted) table list.
  SelectedColumns(tableName, query, CreateTableListForDO(query, pool), &names, &places);
  std::vector<char*> nameList;
  for (std::string& n : names) nameList.push_back(n.data());
  nameList.push_back(nullptr);
  const bool keysSelected = CheckSelectedColumnsForPK(defn, nameList.data());
  int32_t* positions = GetColumnIndex(defn, nameList.data(), pool);
  if (!positions) {
    LogError("colListPtr is NULL.\n");
    return nullptr;
  }
  std::vector<int32_t> definitionPositions;
  std::vector<int32_t> resultPlaces;
  for (size_t i = 0; i < names.size(); ++i) {
    if (positions[i] < 0) continue;  // a column the definition lacks is not kept
    if (places[i] < 0 || places[i] >= set->columnCount) {
      LogError("masterColListPtr is NULL.\n");
      return nullptr;
    }
    definitionPositions.push_back(positions[i]);
    resultPlaces.push_back(places[i]);
  }
  std::vector<size_t> order;
  RowCollection* c = MakeCollection(tableName, defn, definitionPositions, pool, &order);
  if (!c) return nullptr;
  if (!keysSelected) return c;
  std::vector<int32_t> placeOfSlot;
  for (size_t k : order) placeOfSlot.push_back(resultPlaces[k]);
  for (ResultRow* row = set->rows; row; row = row->next) {
    RowUnit* unit = CreateRowUnitFromResultSet(set, row, c, placeOfSlot.data(), pool);
    if (!unit) return nullptr;
    if (HasNoKey(unit, c)) continue;
    char* key = KeyOf(unit, c, pool);
    if (!key) return nullptr;
    if (CheckForPKEntry(object, key, unit)) AppendUnit(c, unit);
  }
  return c;
}

RowUnit* CreateRowUnitFromResultSet(ResultSet* set, ResultRow* row, RowCollection* collection,
                                    const int32_t* resultPositions, MemPool* pool) {
  if (!set || !row || !collection || !resultPositions) return nullptr;
  std::vector<const ResultValue*> cells;
  cells.reserve(static_cast<size_t>(set->columnCount));
  for (const ResultValue* v = row->values; v; v = v->next) cells.push_back(v);
  auto* unit = PoolNew<RowUnit>(pool);
  if (!unit || !PoolCopy(collection->tableName, &unit->tableName, pool)) return nullptr;
  const auto count = static_cast<size_t>(collection->columnCount);
  unit->valueCount = collection->columnCount;
  unit->values = PoolNewArray<char*>(pool, count);
  unit->lengths = PoolNewArray<int32_t>(pool, count);
  if (!unit->values || !unit->lengths) return nullptr;
  for (size_t s = 0; s < count; ++s) {
    const auto place = static_cast<size_t>(resultPositions[s]);
    if (place >= cells.size() || !cells[place]->data) continue;
    const ResultValue* v = cells[place];
    const uint8_t from = set->columns[place]->dataType;
    const uint8_t to = collection->columnTypes[s];
    bool copied = false;
    if (from == to) {
      copied = PoolBytes(v->data, v->length, &unit->values[s], pool);
      unit->lengths[s] = v->length;
    } else {
      char* converted = nullptr;
      int32_t length = 0;
      if (ConvertResultValue(v, from, to, &converted, &length)) {
        copied = PoolBytes(converted, length, &unit->values[s], pool);
        unit->lengths[s] = length;
      }
      free(converted);
    }
    if (!copied) {
      LogError("Cannot memcopy value.\n");
      return nullptr;
    }
  }
  unit->state = kRowInDatabase;
  unit->positions = collection->positions;
  return unit;
}

char* GenerateKeyString(RowUnit* unit, SelectQuery* query, char** columnList, MemPool* pool) {
  if (!query && !columnList) {
    LogError("Cannot construct keystring.  Both selectQueryPtr and columnList are NULL");
    return nullptr;
  }
  if (!unit || !pool) return nullptr;
  TableDefn* defn = GetTableDefn(unit->tableName);
  if (!defn) {
    LogError("No Table Definition found for table %s.\n", unit->tableName);
    return nullptr;
  }
  char** names =
      columnList ? columnList : GetColumnListFromSelectQuery(unit->tableName, query, pool);
  int32_t* positions = GetColumnIndex(defn, names, pool);
  if (!positions) return nullptr;
  // The unit read through the columns' own layout.
  RowUnit view = *unit;
  view.positions = positions;
  int32_t count = 0;
  while (names[count]) ++count;
  view.valueCount = std::min(count, unit->valueCount > 0 ? unit->valueCount : count);
  RowCollection layout{};
  layout.tableName = unit->tableName;
  layout.tableDefn = defn;
  layout.columnCount = view.valueCount;
  layout.positions = positions;
  return KeyOf(&view, &layout, pool);
}

bool CheckForPKEntry(DataObject* object, const char* key, RowUnit* unit) {
  if (!object || !key) return false;
  if (ContainsHashKey(object->keyIndex, key)) {
    LogDebug("HashKey %s Not Inserted\n", key);
    return false;
  }
  if (!PutHashEntry(object->keyIndex, key, unit)) return false;
  LogTrace("HashKey Inserted\n");
  return true;
}

// --- building by hand ----------------------------------------------------------

DataObject* CreateDataObject() {
  MemPool* pool = CreateStandalonePool();
  auto* object = PoolNew<DataObject>(pool);
  StringHashTable* index = PoolNew<StringHashTable>(pool);
  Vector* tables = PoolVector(pool);
  if (!object || !index || !tables || !InitHashTable(index, kDataObjectKeyBuckets)) {
    LogError("\nMEMORY ALLOCATION FOR DATAOBJECT FAILED\n");
    DestroyMemPool(pool);
    return nullptr;
  }
  object->pool = pool;
  object->keyIndex = index;
  object->tableList = tables;
  return object;
}

bool AddTableToDO(DataObject* object, const char* tableName, char** columnNames) {
  if (!object || !tableName) return false;
  TableDefn* defn = GetTableDefn(tableName);
  if (!defn) {
    LogError("No definition for table %s.\n", tableName);
    return false;
  }
  if (FindCollection(object, tableName)) return false;
  std::vector<int32_t> positions;
  if (columnNames) {
    for (char** c = columnNames; *c; ++c) {
      const int32_t p = DefnPosition(defn, *c);
      if (p < 0) {
        LogError("Passed column %s is not present in DO.\n", *c);
        return false;
      }
      positions.push_back(p);
    }
  } else {
    for (int32_t p = 0; p < ColumnCountOf(defn); ++p) positions.push_back(p);
  }
  RowCollection* c = MakeCollection(tableName, defn, positions, object->pool, nullptr);
  return c && AddRowCollectionToDO(object, c);
}

RowCollection* CreateRowCollection(const char* tableName, char** columnNames, uint8_t* columnTypes,
                                   MemPool* pool) {
  if (!tableName || !columnNames || !pool) return nullptr;
  TableDefn* defn = GetTableDefn(tableName);
  if (!defn) {
    LogError("No Table Definition found for table %s.\n", tableName);
    return nullptr;
  }
  std::vector<int32_t> positions;
  for (char** c = columnNames; *c; ++c) {
    const int32_t p = DefnPosition(defn, *c);
    if (p < 0) {
      LogError("Passed column %s is not present in DO.\n", *c);
      return nullptr;
    }
    positions.push_back(p);
  }
  std::vector<size_t> order;
  RowCollection* c = MakeCollection(tableName, defn, positions, pool, &order);
  // Types the caller gives override the definition's (the listing and
  // conversions use them).
  for (size_t i = 0; c && columnTypes && i < order.size(); ++i) {
    c->columnTypes[i] = columnTypes[order[i]];
  }
  return c;
}

bool AddRowCollectionToDO(DataObject* object, RowCollection* collection) {
  if (!object || !collection) return false;
  collection->next = nullptr;
  if (object->lastCollection) {
    object->lastCollection->next = collection;
  } else {
    object->firstCollection = collection;
  }
  object->lastCollection = collection;
  bool listed = false;
  for (VectorNode* n = object->tableList->head; n && !listed; n = n->next) {
    listed = CompareStringNoCase(static_cast<const char*>(n->data), collection->tableName) == 0;
  }
  if (!listed) {
    if (!PoolAppend(object->tableList, collection->tableName, object->pool)) return false;
    object->tableCount = object->tableList->count;
  }
  return true;
}

RowUnit* CreateRowUnit(const char* tableName, char** values, int32_t* lengths, MemPool* pool) {
  if (!tableName) return nullptr;
  RowUnit* unit = nullptr;
  if (pool) {
    unit = PoolNew<RowUnit>(pool);
    if (!unit || !PoolCopy(tableName, &unit->tableName, pool)) return nullptr;
  } else {
    unit = static_cast<RowUnit*>(calloc(1, sizeof(RowUnit)));
    if (!unit || AllocateAndCopyString(&unit->tableName, tableName) != 1) {
      free(unit);
      return nullptr;
    }
  }
  unit->values = values;
  unit->lengths = lengths;
  // Until it joins an object a unit is read as a row of its definition.
  unit->valueCount = values ? ColumnCountOf(GetTableDefn(tableName)) : 0;
  return unit;
}

bool AddRowUnitToRowCollection(RowUnit* unit, RowCollection* collection) {
  if (!unit || !collection) return false;
  AppendUnit(collection, unit);
  return true;
}

bool InsertRowUnit(RowUnit* unit, DataObject* object) {
  LogTrace("\n\t@@@@@ Inside InsertRowUnit() @@@@@ \n");
  if (!unit || !object) return false;
  RowCollection* c = FindCollection(object, unit->tableName);
  if (!c) {
    LogError("The RowUnit belongs to Table %s, which is not in DO\n", unit->tableName);
    return false;
  }
  LogDebug("Inserting Row\n");
  MemPool* pool = object->pool;
  const auto count = static_cast<size_t>(c->columnCount);
  auto** values = PoolNewArray<char*>(pool, count);
  auto* lengths = PoolNewArray<int32_t>(pool, count);
  if (!values || !lengths) return false;
  for (size_t s = 0; s < count; ++s) {
    const char* given = unit->values ? unit->values[s] : nullptr;
    const int32_t length = given && unit->lengths ? unit->lengths[s] : 0;
    ColumnDefnEntry* column = DefnColumn(c->tableDefn, c->positions[s]);
    if (given) {
      if (!PoolBytes(given, length, &values[s], pool)) return false;
      lengths[s] = length;
    } else if (column && column->generatorName) {
      const int32_t id = GenerateID(c->tableName, column);
      if (!PoolBytes(reinterpret_cast<const char*>(&id), 4, &values[s], pool)) return false;
      lengths[s] = 4;
    } else if (column && column->defaultValue) {
      if (!PoolBytes(column->defaultValue, column->defaultValueLength, &values[s], pool)) {
        return false;
      }
      lengths[s] = column->defaultValueLength;
    }
  }
  RowUnit filled = *unit;
  filled.values = values;
  filled.lengths = lengths;
  filled.valueCount = c->columnCount;
  filled.positions = c->positions;
  char* key = KeyOf(&filled, c, pool);
  if (!key) return false;
  if (ContainsHashKey(object->keyIndex, key)) {
    LogDebug("Row with keyStr %s already exists.\n", key);
    return false;
  }
  if (!PutHashEntry(object->keyIndex, key, unit)) return false;
  unit->values = values;
  unit->lengths = lengths;
  unit->valueCount = c->columnCount;
  unit->state = kRowNew;
  AppendUnit(c, unit);
  return true;
}

namespace {

// A unit over the values (in the collection's order) inserted into the
// object, which copies them; the two messages are the caller's.
bool MakeAndInsert(DataObject* object, const char* tableName, char** values, int32_t* lengths,
                   const char* cannotCreate, const char* cannotInsert) {
  RowUnit* unit = CreateRowUnit(tableName, values, lengths, object->pool);
  if (!unit) {
    LogError("%s", cannotCreate);
    return false;
  }
  if (!InsertRowUnit(unit, object)) {
    LogError("%s", cannotInsert);
    return false;
  }
  return true;
}

}  // namespace

bool InsertRowIntoDO(DataObject* object, const char* tableName, char** values, int32_t* lengths) {
  if (!object) return false;
  return MakeAndInsert(object, tableName, values, lengths, "Cannot create rowUnit.\n",
                       "Cannot Insert RowUnit.\n");
}

bool InsertStringRowIntoDO(DataObject* object, const char* tableName, char** texts) {
  RowCollection* c = FindCollection(object, tableName);
  if (!c) {
    if (object && tableName) {
      LogError("The RowUnit belongs to Table %s, which is not in DO\n", tableName);
    }
    return false;
  }
  // The converted values point into the texts or into scratch space; the
  // insert copies them into the object's pool once.
  const auto count = static_cast<size_t>(c->columnCount);
  std::vector<char*> values(count, nullptr);
  std::vector<int32_t> lengths(count, 4);
  std::vector<std::array<char, kValueScratchSize>> scratch(count);
  for (size_t s = 0; texts && s < count; ++s) {
    if (!texts[s]) continue;
    int32_t n = static_cast<int32_t>(strlen(texts[s]));
    const char* bytes = nullptr;
    if (!ConvertStringToValueBytes(texts[s], &n, c->columnTypes[s], scratch[s].data(), &bytes)) {
      continue;
    }
    values[s] = const_cast<char*>(bytes);
    lengths[s] = n;
  }
  return MakeAndInsert(object, tableName, values.data(), lengths.data(), "Cannot create RowUnit.\n",
                       "Cannot insert RowUnit.\n");
}

char** MakeColumnList(MemPool* pool, int32_t count, ...) {
  if (!pool || count < 0) return nullptr;
  auto** list = PoolNewArray<char*>(pool, static_cast<size_t>(count) + 1);
  va_list args;
  va_start(args, count);
  for (int32_t i = 0; list && i < count; ++i) {
    if (!PoolCopy(va_arg(args, const char*), &list[i], pool)) list = nullptr;
  }
  va_end(args);
  return list;
}

char** MakeStringColumnValuesList(MemPool* pool, int32_t count, ...) {
  if (!pool || count < 0) return nullptr;
  auto** list = PoolNewArray<char*>(pool, static_cast<size_t>(count));
  va_list args;
  va_start(args, count);
  for (int32_t i = 0; list && i < count; ++i) {
    if (!PoolCopy(va_arg(args, const char*), &list[i], pool)) list = nullptr;
  }
  va_end(args);
  return list;
}

int32_t* MakeLengthList(MemPool* pool, int32_t count, ...) {
  if (!pool || count < 0) return nullptr;
  auto* list = PoolNewArray<int32_t>(pool, static_cast<size_t>(count));
  va_list args;
  va_start(args, count);
  for (int32_t i = 0; list && i < count; ++i) list[i] = va_arg(args, int32_t);
  va_end(args);
  return list;
}

// --- reading -------------------------------------------------------------------

Vector* GetTableList(DataObject* object) {
  if (!object) {
    LogError("DataObjectPtr is NULL.\n");
    return nullptr;
  }
  return object->tableList;
}

bool ContainsTableInDO(DataObject* object, const char* tableName) {
  return FindCollection(object, tableName) != nullptr;
}

bool IsDOEmpty(DataObject* object) { return !object || !object->firstCollection; }

RowCollection* GetRowCollection(DataObject* object, const char* tableName) {
  RowCollection* c = FindCollection(object, tableName);
  if (!c) LogError("Table %s is not present in DO.\n", tableName ? tableName : "(null)");
  if (object) object->cursor = c;
  return c;
}

Vector* GetColumnListFromDO(DataObject* object, const char* tableName) {
  RowCollection* c = FindCollection(object, tableName);
  if (!c) {
    LogError("rowCollectionPtr is NULL.\n");
    return nullptr;
  }
  Vector* list = CreateVector();
  for (int32_t i = 0; list && i < c->columnCount; ++i) AddElementData(list, c->columnNames[i]);
  return list;
}

RowUnit* GetFirstRowUnit(DataObject* object, const char* tableName) {
  RowCollection* c = GetRowCollection(object, tableName);
  return c ? c->firstRowUnit : nullptr;
}

RowUnit* GetLastRowUnit(DataObject* object, const char* tableName) {
  RowCollection* c = FindCollection(object, tableName);
  if (!c) {
    LogError("Table %s not present in DO\n", tableName ? tableName : "(null)");
    return nullptr;
  }
  return c->lastRowUnit;
}

RowUnit* GetNthRowUnit(DataObject* object, int32_t n, const char* tableName) {
  RowCollection* c = GetRowCollection(object, tableName);
  if (!c) return nullptr;
  RowUnit* unit = c->firstRowUnit;
  for (int32_t i = 1; unit && i < n; ++i) unit = unit->next;
  if (n < 1 || !unit) {
    LogError("Cannot get %d row. \n", n);
    return nullptr;
  }
  return unit;
}

RowUnit* GotoNextRowUnit(RowCollection* collection) {
  if (!collection) {
    LogError("RowCollectionPtr is NULL.\n");
    return nullptr;
  }
  if (!collection->firstRowUnit) {
    LogError("No RowUnits present in RowCollection.\n");
    return nullptr;
  }
  collection->cursor = collection->cursor ? collection->cursor->next : collection->firstRowUnit;
  if (!collection->cursor) LogDebug("Reached end of rowUnits.\n");
  return collection->cursor;
}

char* GetFirstValue(DataObject* object, const char* columnName, const char* tableName,
                    int32_t* length) {
  if (length) *length = 0;
  RowCollection* c = FindCollection(object, tableName);
  if (!c) {
    LogError(" Table %s is not present in DO\n", tableName ? tableName : "(null)");
    return nullptr;
  }
  const int32_t position = DefnPosition(c->tableDefn, columnName);
  if (position < 0) {
    LogError("Invalid Column Entered.\n");
    return nullptr;
  }
  const int32_t slot = SlotOf(c, position);
  if (slot < 0 || !c->firstRowUnit) return nullptr;
  if (length) *length = c->firstRowUnit->lengths[slot];
  return c->firstRowUnit->values[slot];
}

char* GetColumnValueFromDO(DataObject* object, const char* tableName, const char* columnName,
                           int32_t n, int32_t* length) {
  if (length) *length = 0;
  RowUnit* unit = GetNthRowUnit(object, n, tableName);
  if (!unit) return nullptr;
  RowCollection* c = FindCollection(object, tableName);
  const int32_t slot = SlotOf(c, DefnPosition(c->tableDefn, columnName));
  if (slot < 0) {
    LogError("Passed column %s is not present in DO.\n", columnName ? columnName : "(null)");
    return nullptr;
  }
  char* copy = nullptr;
  if (!PoolBytes(unit->values[slot], unit->lengths[slot], &copy, object->pool)) {
    LogError("Memcpy Failed.\n");
    return nullptr;
  }
  if (length && copy) *length = unit->lengths[slot];
  return copy;
}

Vector* GetColumnValuesFromDO(DataObject* object, const char* columnName, const char* tableName) {
  RowCollection* c = FindCollection(object, tableName);
  if (!c) {
    LogError(" Table %s is not present in DO\n", tableName ? tableName : "(null)");
    return nullptr;
  }
  const int32_t slot = SlotOf(c, DefnPosition(c->tableDefn, columnName));
  if (slot < 0) {
    LogError("Passed column %s is not present in DO.\n", columnName ? columnName : "(null)");
    return nullptr;
  }
  Vector* list = PoolVector(object->pool);
  for (RowUnit* u = c->firstRowUnit; list && u; u = u->next) {
    auto* value = PoolNew<ColumnValue>(object->pool);
    if (!value || !PoolBytes(u->values[slot], u->lengths[slot], &value->data, object->pool) ||
        !PoolAppend(list, value, object->pool)) {
      LogError("Memcpy Failed.\n");
      return nullptr;
    }
    value->length = value->data ? u->lengths[slot] : 0;
  }
  return list;
}

RowUnit* FindRowUnit(RowUnit* unit, DataObject* object) {
  if (!unit || !object) return nullptr;
  RowCollection* c = FindCollection(object, unit->tableName);
  std::string key;
  TableDefn* defn = c ? c->tableDefn : GetTableDefn(unit->tableName);
  if (defn && defn->constraints && defn->constraints->primaryKeyCount > 0) {
    AppendKey(unit, c, defn, &key);
  }
  auto* found =
      static_cast<RowUnit*>(key.empty() ? nullptr : GetHashValue(object->keyIndex, key.c_str()));
  if (!found) LogError("Row to be found is not present in DO. \n");
  return found;
}

namespace {

// Walks the table's units against the criteria under the store lock: each
// match is handed to visit, which returns false to stop.  False when the
// walk could not be made.
template <typename Visit>
bool WalkMatches(const char* tableName, DataObject* object, const char* criteria, Visit visit) {
  RowCollection* c = FindCollection(object, tableName);
  if (!c) {
    LogError(" Table %s is not present in DO\n", tableName ? tableName : "(null)");
    return false;
  }
  LockObject(GetStoreLockKey());
  BoundCriteria* bound = BindCriteria(c->tableDefn, criteria);
  bool ok = bound != nullptr;
  std::vector<char*> values;
  std::vector<int32_t> lengths;
  for (RowUnit* u = c->firstRowUnit; ok && u; u = u->next) {
    if (!FullWidth(u, c, &values, &lengths)) {
      LogError("RowObject is NULL.\n");
      ok = false;
      break;
    }
    RowObject row{values.data(), lengths.data(), u->state, nullptr};
    if (CriteriaMatchRow(bound, &row) && !visit(u)) break;
  }
  FreeBoundCriteria(bound);
  UnlockObject(GetStoreLockKey());
  return ok;
}

}  // namespace

RowUnit* GetRowUnitOnCriteria(const char* tableName, DataObject* object, const char* criteria) {
  RowUnit* found = nullptr;
  const bool ok = WalkMatches(tableName, object, criteria, [&](RowUnit* u) {
    found = u;
    return false;
  });
  return ok ? found : nullptr;
}

bool DeleteRowUnitOnCriteria(const char* tableName, DataObject* object, const char* criteria) {
  return WalkMatches(tableName, object, criteria, [&](RowUnit* u) {
    u->state |= kRowDeleted;
    return true;
  });
}

RowObject* GetRowObjectFromRowUnit(RowUnit* unit, DataObject* object) {
  RowCollection* c = CollectionOfUnit(object, unit);
  if (!c) return nullptr;
  std::vector<char*> values;
  std::vector<int32_t> lengths;
  if (!FullWidth(unit, c, &values, &lengths)) return nullptr;
  MemPool* pool = object->pool;
  auto* row = PoolNew<RowObject>(pool);
  if (!row) return nullptr;
  row->values = PoolNewArray<char*>(pool, values.size());
  row->lengths = PoolNewArray<int32_t>(pool, values.size());
  if (!row->values || !row->lengths) return nullptr;
  for (size_t i = 0; i < values.size(); ++i) {
    if (!PoolBytes(values[i], lengths[i], &row->values[i], pool)) return nullptr;
    row->lengths[i] = lengths[i];
  }
  row->state = unit->state;
  return row;
}

void PrintRowUnitValue(const char* value, int32_t length, uint8_t type, std::string* out) {
  switch (type) {
    case KES_SQL_BOOLEAN: {
      char buffer[16];
      snprintf(buffer, sizeof buffer, " %d\t", value && length > 0 ? value[0] : 0);
      out->append(buffer);
      return;
    }
    case KES_SQL_TINYINT:
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_INT:
    case KES_SQL_UNSIGNED_INT:
    case KES_SQL_FLOAT:
    case KES_SQL_DOUBLE:
      out->append(" ");
      if (value) {
        AppendValueText(value, length, type, out);
      } else {
        out->append(type == KES_SQL_FLOAT || type == KES_SQL_DOUBLE ? "0.000000" : "0");
      }
      out->append("\t");
      return;
    case KES_SQL_CHAR:
    case KES_SQL_VARCHAR:
      out->append(" ");
      if (!value || !AppendValueText(value, length, type, out)) out->append("(null)");
      out->append("\t");
      return;
    case KES_SQL_DATE:
    case KES_SQL_TIME:
    case KES_SQL_DATETIME:
      if (!value || !AppendValueText(value, length, type, out)) out->append("(null)");
      out->append("\t");
      return;
    default:
      return;
  }
}

bool PrintDataObject(DataObject* object) {
  if (!object) {
    LogError("Cannot print DataObject.  dataObjectPtr is NULL\n");
    return false;
  }
  std::string text = "Tables selected in DataObject: \n";
  for (VectorNode* n = object->tableList->head; n; n = n->next) {
    text.append(static_cast<const char*>(n->data)).append("\n");
  }
  text.append("*************\n");
  for (RowCollection* c = object->firstCollection; c; c = c->next) {
    text.append("Table Name: ").append(c->tableName).append("\n");
    if (c->firstRowUnit) {
      for (int32_t i = 0; i < c->columnCount; ++i) {
        text.append(" ").append(c->columnNames[i]).append("\t");
      }
      text.append("RowState\n");
    }
    for (RowUnit* u = c->firstRowUnit; u; u = u->next) {
      for (int32_t i = 0; i < c->columnCount; ++i) {
        PrintRowUnitValue(u->values[i], u->lengths[i], c->columnTypes[i], &text);
      }
      text.append(std::to_string(u->state)).append("\n");
    }
    text.append("\n\n");
  }
  LogDebug("\n%s\n", text.c_str());
  return true;
}

// --- changing -------------------------------------------------------------------

bool UpdateRowUnit(RowUnit* unit, DataObject* object) {
  RowUnit* found = unit ? FindRowUnit(unit, object) : nullptr;
  if (!found) {
    LogError("Row to be updated is not present in DO. \n");
    return false;
  }
  LogDebug("Updating Row\n");
  if (found != unit) {
    // The object takes a copy of the given values: the caller's arrays may
    // go before the object does.
    RowCollection* c = FindCollection(object, found->tableName);
    RowUnit* copy = CopyUnit(unit, c, c, object->pool);
    if (!copy) return false;
    found->values = copy->values;
    found->lengths = copy->lengths;
  }
  found->state |= kRowModified;
  return true;
}

bool DeleteRowUnit(RowUnit* unit, DataObject* object) {
  (void)object;
  if (!unit) return false;
  unit->state |= kRowDeleted;
  return true;
}

namespace {

bool SetValue(RowUnit* unit, int32_t slot, const char* value, int32_t length, MemPool* pool) {
  char* copy = nullptr;
  if (!PoolBytes(value, length, &copy, pool)) {
    LogError("Memcpy Failed.\n");
    return false;
  }
  unit->values[slot] = copy;
  unit->lengths[slot] = copy ? length : 0;
  unit->state |= kRowModified;
  return true;
}

int32_t SlotForChange(DataObject* object, const char* tableName, const char* columnName,
                      RowCollection** collection) {
  RowCollection* c = FindCollection(object, tableName);
  *collection = c;
  if (!c) {
    LogError(" Table %s is not present in DO\n", tableName ? tableName : "(null)");
    return -1;
  }
  if (!columnName) {
    LogError("Passed column is not present in DO.\n");
    return -1;
  }
  const int32_t slot = SlotOf(c, DefnPosition(c->tableDefn, columnName));
  if (slot < 0) LogError("Passed column %s is not present in DO.\n", columnName);
  return slot;
}

}  // namespace

bool SetValueForRowUnit(const char* columnName, const char* tableName, const char* value,
                        int32_t length, DataObject* object) {
  RowCollection* c = nullptr;
  const int32_t slot = SlotForChange(object, tableName, columnName, &c);
  if (slot < 0 || !c->lastRowUnit) return false;
  return SetValue(c->lastRowUnit, slot, value, length, object->pool);
}

bool SetValueForAllRowUnits(const char* columnName, const char* tableName, const char* value,
                            int32_t length, DataObject* object) {
  RowCollection* c = nullptr;
  const int32_t slot = SlotForChange(object, tableName, columnName, &c);
  if (slot < 0) return false;
  for (RowUnit* u = c->cursor ? c->cursor : c->firstRowUnit; u; u = u->next) {
    if (!SetValue(u, slot, value, length, object->pool)) return false;
  }
  return true;
}

// --- saving -----------------------------------------------------------------------

namespace {

enum class Change { kNone, kUpdate, kDelete, kInsert, kInvalid };

Change ChangeOf(uint8_t state) {
  if (state == (kRowInDatabase | kRowModified)) return Change::kUpdate;
  if ((state & kRowInDatabase) && (state & kRowDeleted)) return Change::kDelete;
  if (state == kRowNew || state == (kRowNew | kRowModified)) return Change::kInsert;
  if (state == 0 || state == kRowInDatabase) return Change::kNone;
  if ((state & kRowNew) && (state & kRowDeleted)) return Change::kNone;  // new, deleted again
  return Change::kInvalid;
}

// One statement of a save: the unit, what it does, and the text.
struct Step {
  RowUnit* unit;
  Change change;
  std::string tableName;
  std::string statement;
  std::vector<std::string> indexStatements;
};

// The statement of one unit (and the index-table entries that go with it),
// or false with the messages.  Units without a change add no step.
bool PlanUnit(RowUnit* unit, RowCollection* c, std::vector<Step>* steps) {
  std::vector<char*> values;
  std::vector<int32_t> lengths;
  if (!FullWidth(unit, c, &values, &lengths)) {
    LogError("Cannot convert RowUnit to RowObject.\n");
    return false;
  }
  LogDebug("RowState %d\n", unit->state);
  const Change change = ChangeOf(unit->state);
  if (change == Change::kNone) return true;
  if (change == Change::kInvalid) {
    LogError("Invalid State for keyStr.  Cannot Save.\n");
    return false;
  }
  RowObject row{values.data(), lengths.data(), unit->state, nullptr};
  char* statement = change == Change::kUpdate   ? GenerateUpdateQuery(c->tableName, &row)
                    : change == Change::kDelete ? GenerateDeleteQuery(c->tableName, &row)
                                                : GenerateInsertQuery(c->tableName, &row);
  if (!statement) {
    LogError("QueryPtr is NULL.\n");
    return false;
  }
  Step step{unit, change, c->tableName, statement, {}};
  free(statement);
  if (change != Change::kUpdate &&
      !IndexStatementsForRow(c->tableName, &row, &step.indexStatements)) {
    return false;
  }
  steps->push_back(std::move(step));
  return true;
}

// Runs the steps, each data source's in one transaction; on success every
// unit takes state 1.  On failure nothing is committed and no state moves.
bool RunSteps(std::vector<Step>* steps) {
  struct Open {
    TableSource source;
    std::string key;
  };
  std::vector<Open> open;
  auto sourceFor = [&](const std::string& table) -> TableSource* {
    DataSourceMapEntry* entry = gv_dsnMapValid ? GetDataSourceMapEntry(table.c_str()) : nullptr;
    const std::string key = entry ? entry->connectionName : "";
    for (Open& o : open) {
      if (o.key == key) return &o.source;
    }
    Open o;
    o.key = key;
    if (!OpenTableSource(table.c_str(), false, &o.source)) return nullptr;
    if (BeginTransaction(o.source.handle) != 1) {
      CloseTableSource(&o.source);
      return nullptr;
    }
    open.push_back(o);
    return &open.back().source;
  };
  bool ok = true;
  for (Step& step : *steps) {
    TableSource* source = sourceFor(step.tableName);
    if (!source) {
      ok = false;
      break;
    }
    if (ExecuteUpdate(source->handle, step.statement.c_str()) != 1) {
      LogError("Error in executing update query \n");
      LogError("QUERY : %s\n", step.statement.c_str());
      ok = false;
      break;
    }
    for (const std::string& s : step.indexStatements) {
      if (ExecuteUpdate(source->handle, s.c_str()) != 1) {
        LogError("Cannot Add Entry Into Index Table\n");
        ok = false;
        break;
      }
    }
    if (!ok) break;
  }
  for (Open& o : open) {
    if (ok) {
      ok = CommitTransaction(o.source.handle) == 1;
    } else {
      RollbackTransaction(o.source.handle);
    }
  }
  for (Open& o : open) CloseTableSource(&o.source);
  if (!ok) return false;
  for (Step& step : *steps) step.unit->state = kRowInDatabase;
  return true;
}

// The steps of collections in save order: inserts and updates parents
// first, then deletes children first (a parent row cannot go before its
// children where the engine enforces the foreign keys).
bool PlanAndRun(const std::vector<RowCollection*>& ordered) {
  std::vector<Step> steps;
  std::vector<Step> deletes;
  for (RowCollection* c : ordered) {
    std::vector<Step> planned;
    for (RowUnit* u = c->firstRowUnit; u; u = u->next) {
      if (!PlanUnit(u, c, &planned)) return false;
    }
    for (Step& s : planned) {
      (s.change == Change::kDelete ? deletes : steps).push_back(std::move(s));
    }
  }
  std::vector<Step> all = std::move(steps);
  for (auto it = deletes.rbegin(); it != deletes.rend(); ++it) all.push_back(std::move(*it));
  return all.empty() || RunSteps(&all);
}

}  // namespace

bool SaveDataObject(DataObject* object) {
  LogTrace("\n\t@@@@@ Inside SaveDataObject() @@@@@ \n");
  if (!object) return false;
  SortTablesForDO(object);
  std::vector<RowCollection*> ordered;
  for (VectorNode* n = object->tableList->head; n; n = n->next) {
    RowCollection* c = FindCollection(object, static_cast<const char*>(n->data));
    if (c && std::find(ordered.begin(), ordered.end(), c) == ordered.end()) ordered.push_back(c);
  }
  return PlanAndRun(ordered);
}

bool SaveRowCollection(RowCollection* collection, DataObject* object) {
  (void)object;
  if (!collection) return false;
  return PlanAndRun({collection});
}

bool SaveRowUnit(RowUnit* unit, DataObject* object) {
  RowCollection* c = CollectionOfUnit(object, unit);
  if (!c) return false;
  std::vector<Step> steps;
  if (!PlanUnit(unit, c, &steps)) return false;
  return steps.empty() || RunSteps(&steps);
}

namespace {

void PlaceTable(const char* name, std::vector<const char*>* remaining,
                std::vector<const char*>* placed, std::vector<const char*>* path) {
  path->push_back(name);
  TableDefn* defn = GetTableDefn(name);
  Vector* keys = defn && defn->constraints ? defn->constraints->foreignKeys : nullptr;
  for (VectorNode* n = keys ? keys->head : nullptr; n; n = n->next) {
    const char* ref = static_cast<ForeignKeyEntry*>(n->data)->referenceTable;
    if (!ref) continue;
    bool onPath = false;
    for (const char* p : *path) onPath = onPath || strcmp(p, ref) == 0;
    if (onPath) continue;  // a cycle ends here
    for (size_t i = 1; i < remaining->size(); ++i) {
      if (strcmp((*remaining)[i], ref) == 0) {
        PlaceTable((*remaining)[i], remaining, placed, path);
        break;
      }
    }
  }
  path->pop_back();
  auto at = std::find(remaining->begin(), remaining->end(), name);
  if (at != remaining->end()) {
    remaining->erase(at);
    placed->push_back(name);
  }
}

}  // namespace

Vector* SortTableByFK(Vector* tableNames, MemPool* pool) {
  if (!tableNames) return nullptr;
  std::vector<const char*> remaining;
  for (VectorNode* n = tableNames->head; n; n = n->next) {
    remaining.push_back(static_cast<const char*>(n->data));
  }
  std::vector<const char*> placed;
  std::vector<const char*> path;
  while (!remaining.empty()) PlaceTable(remaining.front(), &remaining, &placed, &path);
  Vector* sorted = pool ? PoolVector(pool) : CreateVector();
  for (const char* name : placed) {
    const bool added = pool ? PoolAppend(sorted, const_cast<char*>(name), pool)
                            : AddElementData(sorted, const_cast<char*>(name)) == 1;
    if (!added) return nullptr;
  }
  return sorted;
}

void SortTablesForDO(DataObject* object) {
  if (!object) return;
  Vector* sorted = SortTableByFK(object->tableList, object->pool);
  if (sorted) object->tableList = sorted;
}

// --- cloning and merging -------------------------------------------------------------

DataObject* CloneDataObject(DataObject* object) {
  if (!object) return nullptr;
  DataObject* copy = CreateDataObject();
  if (!copy) return nullptr;
  MemPool* pool = copy->pool;
  copy->tableCount = object->tableCount;
  copy->selectQuery = object->selectQuery;
  bool ok = true;
  for (VectorNode* n = object->tableList->head; ok && n; n = n->next) {
    char* name = nullptr;
    ok = PoolCopy(static_cast<const char*>(n->data), &name, pool) &&
         PoolAppend(copy->tableList, name, pool);
  }
  for (RowCollection* c = object->firstCollection; ok && c; c = c->next) {
    if (!GetTableDefn(c->tableName)) {
      LogError("No Table Definition found for table %s.\n", c->tableName);
      ok = false;
      break;
    }
    std::vector<int32_t> positions(c->positions, c->positions + c->columnCount);
    RowCollection* clone = MakeCollection(c->tableName, c->tableDefn, positions, pool, nullptr);
    if (!clone) {
      LogError("MEMEORY_ALLOCATION_FAILURE.\n");
      ok = false;
      break;
    }
    memcpy(clone->columnTypes, c->columnTypes, static_cast<size_t>(c->columnCount));
    for (RowUnit* u = c->firstRowUnit; ok && u; u = u->next) {
      RowUnit* unit = CopyUnit(u, c, clone, pool);
      char* key = unit ? KeyOf(unit, clone, pool) : nullptr;
      if (!key || !CheckForPKEntry(copy, key, unit)) {
        LogError("Cannot add the newRowUnit into hash table.\n");
        ok = false;
        break;
      }
      AppendUnit(clone, unit);
    }
    clone->next = nullptr;
    if (copy->lastCollection) {
      copy->lastCollection->next = clone;
    } else {
      copy->firstCollection = clone;
    }
    copy->lastCollection = clone;
  }
  if (!ok) {
    FreeDataObject(copy);
    return nullptr;
  }
  return copy;
}

DataObject* MergeDataObject(DataObject* target, DataObject* source) {
  LogTrace("\n\t@@@@@ Inside MergeDataObject() @@@@@ \n");
  if (!target || !source || !target->pool || !target->keyIndex || !target->tableList) {
    return nullptr;
  }
  MemPool* pool = target->pool;
  for (RowCollection* from = source->firstCollection; from; from = from->next) {
    RowCollection* to = FindCollection(target, from->tableName);
    if (!to) {
      std::vector<int32_t> positions(from->positions, from->positions + from->columnCount);
      to = MakeCollection(from->tableName, from->tableDefn, positions, pool, nullptr);
      if (!to || !AddRowCollectionToDO(target, to)) return nullptr;
      memcpy(to->columnTypes, from->columnTypes, static_cast<size_t>(from->columnCount));
    }
    for (RowUnit* u = from->firstRowUnit; u; u = u->next) {
      if (u->state == (kRowNew | kRowDeleted)) continue;  // never in the database: nothing to merge
      RowUnit* copy = CopyUnit(u, from, to, pool);
      char* key = copy ? KeyOf(copy, to, pool) : nullptr;
      if (!key) return nullptr;
      auto* present = static_cast<RowUnit*>(GetHashValue(target->keyIndex, key));
      if (present && u->state == (kRowInDatabase | kRowModified)) {
        // The source's change replaces the target's values.
        present->values = copy->values;
        present->lengths = copy->lengths;
        present->state |= kRowModified;
      } else if (present && u->state == (kRowInDatabase | kRowDeleted)) {
        present->state |= kRowDeleted;
      } else if (!present) {
        if (!CheckForPKEntry(target, key, copy)) return nullptr;
        AppendUnit(to, copy);
      }
      // A new or unchanged row whose key the target holds already stays the target's.
    }
  }
  target->tableCount = target->tableList->count;
  return target;
}

void FreeDataObject(DataObject* object) {
  if (!object) return;
  FreeHashTable(object->keyIndex);
  DestroyMemPool(object->pool);
}

void FreeRowUnit(RowUnit* unit) {
  if (!unit) return;
  for (int32_t i = 0; unit->values && i < unit->valueCount; ++i) free(unit->values[i]);
  free(unit->values);
  free(unit->lengths);
  free(unit->tableName);
  free(unit);
}
