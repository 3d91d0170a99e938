#include "datastore/personality.h"

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "database/db_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/table_source.h"
#include "runtime/conversions.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

Vector* gv_personalityDefnVect = nullptr;

namespace {

// The dominant tables whose index table exists (made or found at load).
std::mutex gs_indexedMutex;
std::set<std::string> gs_indexed;

bool SameName(const char* a, const char* b) { return a && b && CompareStringNoCase(a, b) == 0; }

char* Copy(const char* text) {
  char* copy = nullptr;
  if (text && AllocateAndCopyString(&copy, text) != 1) return nullptr;
  return copy;
}

// --- element records -------------------------------------------------------

}  // namespace

void FreeXmlElement(XmlElementInfo* element) {
  if (!element) return;
  if (element->attributes) {
    for (VectorNode* n = element->attributes->head; n; n = n->next) {
      auto* pair = static_cast<XmlAttributePair*>(n->data);
      free(pair->name);
      free(pair->value);
      free(pair);
    }
    FreeVector(element->attributes);
    free(element->attributes);
  }
  free(element->name);
  free(element);
}

void FreeXmlElements(Vector* elements) {
  if (!elements) return;
  for (VectorNode* n = elements->head; n; n = n->next) {
    FreeXmlElement(static_cast<XmlElementInfo*>(n->data));
  }
  FreeVector(elements);
  free(elements);
}

namespace {

// --- personalities -----------------------------------------------------------

void FreeConstituent(ConstituentTable* c) {
  if (!c) return;
  free(c->tableName);
  free(c->fkConstraintId);
  free(c);
}

void FreePersonality(PersonalityDefn* p) {
  if (!p) return;
  if (p->constituentTables) {
    for (VectorNode* n = p->constituentTables->head; n; n = n->next) {
      FreeConstituent(static_cast<ConstituentTable*>(n->data));
    }
    FreeVector(p->constituentTables);
    free(p->constituentTables);
  }
  free(p->name);
  free(p->dominantTableName);
  free(p->description);
  free(p);
}

// A decimal text as the index reads it: leading blanks and a sign, digits
// up to the first other character, 0 without digits (clamped to 32 bits).
int32_t ReadIndex(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > INT32_MAX) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  return static_cast<int32_t>(value);
}

// A constituent from its element; none when the element is to be passed
// over (it names no table), with *failed set when memory ran out.
ConstituentTable* MakeConstituent(const XmlElementInfo* e, PersonalityDefn* p, bool* failed) {
  auto* c = static_cast<ConstituentTable*>(calloc(1, sizeof(ConstituentTable)));
  if (!c) {
    *failed = true;
    return nullptr;
  }
  c->dominantTableName = p->dominantTableName;
  for (VectorNode* n = e->attributes->head; n; n = n->next) {
    const auto* a = static_cast<XmlAttributePair*>(n->data);
    if (SameName(a->name, "tableid")) {
      free(c->tableName);
      c->tableName = Copy(a->value);
      if (!c->tableName) *failed = true;
    } else if (SameName(a->name, "tableindex")) {
      if (strcmp(a->value, "0") == 0) break;
      c->tableIndex = ReadIndex(a->value);
    } else if (SameName(a->name, "fkconstraint_id")) {
      free(c->fkConstraintId);
      c->fkConstraintId = Copy(a->value);
      if (!c->fkConstraintId) *failed = true;
    } else if (SameName(a->name, "mandatory")) {
      c->mandatory = CompareStringNoCase(a->value, "false") == 0 ? 0 : 1;
    }
  }
  if (*failed || !c->tableName) {
    FreeConstituent(c);
    return nullptr;
  }
  return c;
}

}  // namespace

uint8_t CreateAndAddPersonalityDefn(Vector* elements) {
  for (VectorNode* n = elements->head; n; n = n->next) {
    const auto* e = static_cast<XmlElementInfo*>(n->data);
    if (!SameName(e->name, "PersonalityConfiguration")) continue;
    auto* p = static_cast<PersonalityDefn*>(calloc(1, sizeof(PersonalityDefn)));
    if (!p || !(p->constituentTables = CreateVector())) {
      FreePersonality(p);
      LogError("MEMORY_ALLOCATION_FAILURE\n");
      return 99;
    }
    bool failed = false;
    for (VectorNode* a = e->attributes->head; a; a = a->next) {
      const auto* pair = static_cast<XmlAttributePair*>(a->data);
      char** slot = SameName(pair->name, "personalityname")   ? &p->name
                    : SameName(pair->name, "description")     ? &p->description
                    : SameName(pair->name, "dominanttableid") ? &p->dominantTableName
                                                              : nullptr;
      if (!slot) continue;
      free(*slot);
      *slot = Copy(pair->value);
      if (!*slot) failed = true;
    }
    if (failed) {
      FreePersonality(p);
      LogError("MEMORY_ALLOCATION_FAILURE\n");
      return 99;
    }
    if (!p->name || !p->dominantTableName) {
      LogError("Personality without %s passed over.\n",
               p->name ? "dominanttableid" : "personalityname");
      FreePersonality(p);
      continue;
    }
    // Its constituents follow it; one naming the dominant table is kept as
    // the first entry, so that every reader finds the dominant table there.
    for (VectorNode* m = n->next; m; m = m->next) {
      const auto* ce = static_cast<XmlElementInfo*>(m->data);
      if (!SameName(ce->name, "ConstituentTable")) break;
      ConstituentTable* c = MakeConstituent(ce, p, &failed);
      if (!c && failed) {
        LogError("Cannot Add constituent table %s into constituentTableVect.\n", "(null)");
        FreePersonality(p);
        return 0;
      }
      if (!c) continue;
      const bool dominant = SameName(c->tableName, p->dominantTableName);
      bool added = false;
      if (dominant) {
        const bool already =
            p->constituentTables->head &&
            SameName(static_cast<ConstituentTable*>(p->constituentTables->head->data)->tableName,
                     p->dominantTableName);
        if (already) {
          FreeConstituent(c);
          continue;
        }
        auto* node = static_cast<VectorNode*>(calloc(1, sizeof(VectorNode)));
        if (node) node->data = c;
        added = node && InsertElementAt(p->constituentTables, node, 0);
        if (!added) free(node);
      } else {
        added = AddElementData(p->constituentTables, c) == 1;
      }
      if (!added) {
        LogError("Cannot Add constituent table %s into constituentTableVect.\n", c->tableName);
        FreeConstituent(c);
        FreePersonality(p);
        return 0;
      }
    }
    if (AddElementData(gv_personalityDefnVect, p) != 1) {
      LogError("Cannot Add personality %s into gv_personalityDefnVect.\n", p->name);
      FreePersonality(p);
      return 0;
    }
  }
  return 1;
}

namespace {

char** CopyNames(const std::vector<const char*>& names) {
  auto** list = static_cast<char**>(calloc(names.size() + 1, sizeof(char*)));
  for (size_t i = 0; list && i < names.size(); ++i) {
    list[i] = Copy(names[i]);
    if (!list[i]) {
      for (size_t k = 0; k < i; ++k) free(list[k]);
      free(list);
      return nullptr;
    }
  }
  return list;
}

// Copies of one text of every personality, in load order.
char** CopyOfEach(char* PersonalityDefn::*field) {
  std::vector<const char*> texts;
  for (VectorNode* n = gv_personalityDefnVect ? gv_personalityDefnVect->head : nullptr; n;
       n = n->next) {
    texts.push_back(static_cast<PersonalityDefn*>(n->data)->*field);
  }
  return CopyNames(texts);
}

ConstraintDefn* ConstraintsOf(const char* table) {
  TableDefn* defn = table ? GetTableDefn(table) : nullptr;
  return defn ? defn->constraints : nullptr;
}

Vector* ForeignKeysOf(const char* table) {
  ConstraintDefn* k = ConstraintsOf(table);
  return k && k->foreignKeys && k->foreignKeys->count > 0 ? k->foreignKeys : nullptr;
}

void FindRoots(const char* table, const char* column, std::vector<const char*>* path, Vector* roots,
               Vector* columns) {
  TableDefn* defn = GetTableDefn(table);
  if (!defn) {
    LogError("No table definition found for %s\n", table ? table : "(null)");
    return;
  }
  Vector* keys = ForeignKeysOf(table);
  if (!keys) {
    AddElementData(roots, defn->name);
    AddElementData(columns, const_cast<char*>(column));
    return;
  }
  for (const char* p : *path) {
    if (SameName(p, table)) return;  // a cycle ends the walk
  }
  path->push_back(table);
  for (VectorNode* n = keys->head; n; n = n->next) {
    const auto* fk = static_cast<ForeignKeyEntry*>(n->data);
    if (column && !SameName(fk->localColumn, column)) continue;
    if (fk->referenceTable)
      FindRoots(fk->referenceTable, fk->referenceColumn, path, roots, columns);
  }
  path->pop_back();
}

bool LeadsTo(const char* refTable, const char* refColumn, const char* table, const char* column,
             std::vector<const char*>* path) {
  if (SameName(refTable, table) && SameName(refColumn, column)) return true;
  for (const char* p : *path) {
    if (SameName(p, refTable)) return false;
  }
  Vector* keys = ForeignKeysOf(refTable);
  if (!keys) return false;
  path->push_back(refTable);
  bool found = false;
  for (VectorNode* n = keys->head; n && !found; n = n->next) {
    const auto* fk = static_cast<ForeignKeyEntry*>(n->data);
    if (SameName(fk->localColumn, refColumn)) {
      found = LeadsTo(fk->referenceTable, fk->referenceColumn, table, column, path);
    }
  }
  path->pop_back();
  return found;
}

bool IsIndexed(const char* table) {
  std::lock_guard<std::mutex> guard(gs_indexedMutex);
  for (const std::string& t : gs_indexed) {
    if (SameName(t.c_str(), table)) return true;
  }
  return false;
}

// Runs a statement on the table's data source in its own transaction.
bool RunOnSource(const char* table, const std::string& statement) {
  TableSource source;
  if (!OpenTableSource(table, false, &source)) return false;
  const bool ok = ExecuteUpdate(source.handle, statement.c_str()) == 1;
  CloseTableSource(&source);
  return ok;
}

// The index-table statements for a row: for each foreign key of the table
// that leads (directly or along key columns) to a dominant table with one
// key column, the entry of the row's value there.  onlyIndexed limits them
// to dominant tables whose index table exists.
bool IndexStatements(const char* tableName, RowObject* row, bool onlyIndexed,
                     std::vector<std::string>* out) {
  Vector* keys = ForeignKeysOf(tableName);
  if (!keys) {
    LogTrace("No References.\n");
    return true;
  }
  const bool deleting = (row->state & kRowInDatabase) && (row->state & kRowDeleted);
  const bool inserting = row->state == kRowNew || row->state == (kRowNew | kRowModified);
  if (!deleting && !inserting) return true;
  TableDefn* defn = GetTableDefn(tableName);
  std::set<std::string> done;
  for (VectorNode* n = keys->head; n; n = n->next) {
    const auto* fk = static_cast<ForeignKeyEntry*>(n->data);
    Vector* roots = CreateVector();
    Vector* rootColumns = CreateVector();
    if (!roots || !rootColumns) {
      FreeVector(roots);
      free(roots);
      FreeVector(rootColumns);
      free(rootColumns);
      LogError("MEMORY_ALLOCATION_FAILURE\n");
      return false;
    }
    FindRootTable(fk->referenceTable, fk->referenceColumn, roots, rootColumns);
    VectorNode* rc = rootColumns->head;
    for (VectorNode* r = roots->head; r; r = r->next, rc = rc ? rc->next : nullptr) {
      const char* root = static_cast<const char*>(r->data);
      ConstraintDefn* rootKeys = ConstraintsOf(root);
      if (!IsDominantTable(root) || !rootKeys || rootKeys->primaryKeyCount != 1) continue;
      if (onlyIndexed && !IsIndexed(root)) continue;
      const char* rootKey = rootKeys->primaryKeyColumns[0];
      const int32_t at = GetColIndex(fk->localColumn, tableName, defn);
      ColumnDefnEntry* local = at >= 0 ? GetColumnDefnEntry(tableName, fk->localColumn) : nullptr;
      if (!local || !row->values[at] || !rootKey) continue;
      std::string value;
      if (!AppendSqlLiteral(root, row->values[at], row->lengths[at], local->dataType, &value)) {
        continue;
      }
      std::string name;
      AppendSqlLiteral(root, tableName, static_cast<int32_t>(strlen(tableName)), KES_SQL_VARCHAR,
                       &name);
      if (!done.insert(std::string(root) + "\n" + value).second) continue;
      std::string index = std::string(root) + "_IDX";
      if (inserting) {
        std::string s = "INSERT INTO " + index + " VALUES (" + value + ", " + name + ")";
        LogTrace("Insert Query for %s_IDX: %s\n", root, s.c_str());
        out->push_back(s);
      } else {
        // The table's entry goes, and comes back while other rows of the
        // table still refer to the key.
        out->push_back("DELETE FROM " + index + " WHERE " + rootKey + " = " + value +
                       " AND TABLENAME = " + name);
        out->push_back("INSERT INTO " + index + " SELECT " + fk->localColumn + ", " + name +
                       " FROM " + tableName + " WHERE " + fk->localColumn + " = " + value +
                       " GROUP BY " + fk->localColumn);
      }
    }
    FreeVector(roots);
    free(roots);
    FreeVector(rootColumns);
    free(rootColumns);
  }
  return true;
}

// --- retrieval -----------------------------------------------------------------

uint8_t CriteriaType(uint8_t type) { return type == KES_SQL_TEXT ? KES_SQL_VARCHAR : type; }

// One select over the tables: the anchor, then each table joined (left join)
// to a table already in the query through its foreign keys, or to the
// anchor's key through a chain of key columns.  Tables that cannot be
// joined are left out.  Every column of each table is selected.
SelectQuery* PlanQuery(const char* anchor, const std::vector<std::string>& tables) {
  SelectQuery* query = CreateSelectQuery();
  TableDefn* anchorDefn = GetTableDefn(anchor);
  if (!query || !anchorDefn) {
    if (!anchorDefn) LogError("No table definition found for %s\n", anchor);
    FreeSelectQuery(query);
    return nullptr;
  }
  std::vector<std::string> joined = {anchorDefn->name};
  std::vector<std::string> left;
  for (const std::string& t : tables) {
    bool seen = SameName(t.c_str(), anchor);
    for (const std::string& l : left) seen = seen || SameName(l.c_str(), t.c_str());
    if (!seen) left.push_back(t);
  }
  bool ok = true;
  bool progress = true;
  while (ok && progress && !left.empty()) {
    progress = false;
    for (size_t i = 0; ok && i < left.size(); ++i) {
      const char* table = left[i].c_str();
      Vector* keys = ForeignKeysOf(table);
      if (!keys) continue;
      Vector* base = CreateColumnList(query->pool);
      Vector* reference = CreateColumnList(query->pool);
      // Every key column pair of the first foreign key to a joined table.
      const char* to = nullptr;
      for (VectorNode* n = keys->head; n && !to; n = n->next) {
        const auto* fk = static_cast<ForeignKeyEntry*>(n->data);
        for (const std::string& j : joined) {
          if (SameName(fk->referenceTable, j.c_str())) to = j.c_str();
        }
      }
      for (VectorNode* n = keys->head; to && n; n = n->next) {
        const auto* fk = static_cast<ForeignKeyEntry*>(n->data);
        if (!SameName(fk->referenceTable, to)) continue;
        ok = ok &&
             AddToColumnList(query->pool,
                             CreateListColumn(to, nullptr, fk->referenceColumn, nullptr, 0, 0,
                                              kFunctionNone, query->pool),
                             base) &&
             AddToColumnList(query->pool,
                             CreateListColumn(table, nullptr, fk->localColumn, nullptr, 0, 0,
                                              kFunctionNone, query->pool),
                             reference);
      }
      // Else the foreign keys that lead to the anchor's key columns.
      const ConstraintDefn* k = anchorDefn->constraints;
      for (VectorNode* n = keys->head; !to && n; n = n->next) {
        const auto* fk = static_cast<ForeignKeyEntry*>(n->data);
        for (int32_t c = 0; k && c < k->primaryKeyCount; ++c) {
          bool found = false;
          CompareRootRefTable(fk->referenceTable, fk->referenceColumn, anchor,
                              k->primaryKeyColumns[c], &found);
          if (!found) continue;
          ok = ok &&
               AddToColumnList(query->pool,
                               CreateListColumn(anchorDefn->name, nullptr, k->primaryKeyColumns[c],
                                                nullptr, 0, 0, kFunctionNone, query->pool),
                               base) &&
               AddToColumnList(query->pool,
                               CreateListColumn(table, nullptr, fk->localColumn, nullptr, 0, 0,
                                                kFunctionNone, query->pool),
                               reference);
        }
      }
      if (!ok || !base || base->count == 0) continue;
      TableDefn* defn = GetTableDefn(table);
      if (!defn) continue;
      ok = AddJoinToQuery(query, query->joins->count == 0 ? anchorDefn->name : nullptr, nullptr,
                          defn->name, nullptr, kLeftJoin, base, reference);
      joined.push_back(defn->name);
      left.erase(left.begin() + static_cast<std::ptrdiff_t>(i));
      progress = true;
      break;
    }
  }
  for (const std::string& t : left) {
    if (!ForeignKeysOf(t.c_str())) {
      LogError("No constraints for table %s.\n", t.c_str());
    } else {
      LogError("Table %s does not refer to the other tables of the query; left out.\n", t.c_str());
    }
  }
  if (ok && query->joins->count == 0) {
    ok = AddSelectTable(query, CreateTableEntry(anchorDefn->name, nullptr, query->pool));
  }
  for (const std::string& j : joined) {
    TableDefn* defn = GetTableDefn(j.c_str());
    for (VectorNode* n = defn && defn->columns ? defn->columns->head : nullptr; ok && n;
         n = n->next) {
      ok =
          AddColumnToQuery(query, defn->name, nullptr, static_cast<ColumnDefnEntry*>(n->data)->name,
                           nullptr, 0, 0, kFunctionNone);
    }
  }
  if (!ok) {
    FreeSelectQuery(query);
    return nullptr;
  }
  return query;
}

// Runs a planned query into an object that does not keep the query.
DataObject* RunPlanned(SelectQuery* query) {
  if (!query) return nullptr;
  DataObject* object = GetDataObject(query);
  if (object) object->selectQuery = nullptr;
  FreeSelectQuery(query);
  return object;
}

std::vector<std::string> TableNames(Vector* names) {
  std::vector<std::string> out;
  for (VectorNode* n = names ? names->head : nullptr; n; n = n->next) {
    if (n->data) out.emplace_back(static_cast<const char*>(n->data));
  }
  return out;
}

// The dominant table followed by the constituents (each once).
std::vector<std::string> PersonalityTables(PersonalityDefn* p) {
  std::vector<std::string> out = {p->dominantTableName};
  for (VectorNode* n = p->constituentTables->head; n; n = n->next) {
    out.emplace_back(static_cast<ConstituentTable*>(n->data)->tableName);
  }
  return out;
}

PersonalityDefn* FindPersonality(const char* name) {
  if (!name) {
    LogError("Cannot get Personality.  personalityName is NULL\n");
    return nullptr;
  }
  PersonalityDefn* p = nullptr;
  for (VectorNode* n = gv_personalityDefnVect ? gv_personalityDefnVect->head : nullptr; n && !p;
       n = n->next) {
    auto* each = static_cast<PersonalityDefn*>(n->data);
    if (strcmp(each->name, name) == 0) p = each;
  }
  if (!p) LogError("No personality found for %s\n", name);
  return p;
}

// One object per personality name, merged into the first.
template <typename One>
DataObject* Merged(Vector* names, One one) {
  DataObject* merged = nullptr;
  for (VectorNode* n = names ? names->head : nullptr; n; n = n->next) {
    DataObject* object = one(static_cast<const char*>(n->data));
    if (!object) continue;
    if (!merged) {
      merged = object;
      continue;
    }
    if (!MergeDataObject(merged, object)) {
      LogError("Cannot Merge DO's.\n");
      FreeDataObject(object);
      FreeDataObject(merged);
      return nullptr;
    }
    FreeDataObject(object);
  }
  return merged;
}

}  // namespace

uint8_t InitPersonality() {
  if (gv_personalityDefnVect) return 1;
  gv_personalityDefnVect = CreateVector();
  if (!gv_personalityDefnVect) {
    LogError("MEMORY_ALLOCATION_FAILURE\n");
    return 99;
  }
  return 1;
}

void FreeAllPersonalities() {
  if (gv_personalityDefnVect) {
    for (VectorNode* n = gv_personalityDefnVect->head; n; n = n->next) {
      FreePersonality(static_cast<PersonalityDefn*>(n->data));
    }
    FreeVector(gv_personalityDefnVect);
    free(gv_personalityDefnVect);
    gv_personalityDefnVect = nullptr;
  }
  std::lock_guard<std::mutex> guard(gs_indexedMutex);
  gs_indexed.clear();
}

PersonalityDefn* GetPersonalityDefn(const char* name) {
  if (!name) {
    LogError("Cannot get personality.  Personality name is NULL\n");
    return nullptr;
  }
  for (VectorNode* n = gv_personalityDefnVect ? gv_personalityDefnVect->head : nullptr; n;
       n = n->next) {
    auto* p = static_cast<PersonalityDefn*>(n->data);
    if (strcmp(p->name, name) == 0) return p;
  }
  LogError("Personality %s not found in gv_personalityDefnVect\n", name);
  return nullptr;
}

uint8_t PrintPersonalityDefn(const char* name) {
  if (!name) {
    LogError("Cannot print personality definition.  PersonalityName is NULL\n");
    return 0;
  }
  PersonalityDefn* p = GetPersonalityDefn(name);
  if (!p) {
    LogError("Cannot print PersonalityDefn.  personalityDefnPtr is NULL\n");
    return 0;
  }
  std::string text = "\nPersonality Name: " + std::string(p->name) + "\n";
  text += "Description: " + std::string(p->description ? p->description : "(null)") + "\n";
  text += "Dominant Table: " + std::string(p->dominantTableName) + "\n\n";
  text += "Constituent Table Information\n";
  for (VectorNode* n = p->constituentTables->head; n; n = n->next) {
    const auto* c = static_cast<ConstituentTable*>(n->data);
    text += "Constituent Table Name: " + std::string(c->tableName) + "\n";
    text += "Constituent Table Index: " + std::to_string(c->tableIndex) + "\n";
    text += "Foreign Key: " + std::string(c->fkConstraintId ? c->fkConstraintId : "(null)") + "\n";
    text += "Mandatory Status: " + std::to_string(static_cast<unsigned>(c->mandatory)) + "\n\n";
  }
  LogDebug("\n%s\n", text.c_str());
  return 1;
}

char** GetConstituentTables(const char* personalityName) {
  if (!personalityName) {
    LogError("Cannot get constituent tables list.  PersonalityName is NULL\n");
    return nullptr;
  }
  PersonalityDefn* p = GetPersonalityDefn(personalityName);
  if (!p) {
    LogError("Cannot get constituent tables list.  PersonalityDefn is NULL\n");
    return nullptr;
  }
  if (!p->constituentTables) {
    LogError("Cannot get constituent tables list.  ConstituentTableVect is NULL\n");
    return nullptr;
  }
  std::vector<const char*> names;
  for (VectorNode* n = p->constituentTables->head; n; n = n->next) {
    names.push_back(static_cast<ConstituentTable*>(n->data)->tableName);
  }
  return CopyNames(names);
}

char** GetDominantTables() { return CopyOfEach(&PersonalityDefn::dominantTableName); }

char** GetPersonalityNames() { return CopyOfEach(&PersonalityDefn::name); }

bool IsDominantTable(const char* tableName) {
  for (VectorNode* n = gv_personalityDefnVect ? gv_personalityDefnVect->head : nullptr; n;
       n = n->next) {
    if (SameName(static_cast<PersonalityDefn*>(n->data)->dominantTableName, tableName)) {
      return true;
    }
  }
  return false;
}

Vector* GetPKColumnInfo(const char* tableName) {
  if (!tableName) {
    LogError("Cannot get PKColumnInfo.  TableName is NULL\n");
    return nullptr;
  }
  TableDefn* defn = GetTableDefn(tableName);
  if (!defn) {
    LogError("No table definition found for %s.\n", tableName);
    return nullptr;
  }
  const ConstraintDefn* k = defn->constraints;
  if (!k || k->primaryKeyCount <= 0) {
    LogError("No constraints for table %s\n", tableName);
    return nullptr;
  }
  Vector* columns = CreateVector();
  if (!columns) {
    LogError("MEMORY_ALLOCATION_FAILURE\n");
    return nullptr;
  }
  for (int32_t i = 0; i < k->primaryKeyCount; ++i) {
    for (VectorNode* n = defn->columns ? defn->columns->head : nullptr; n; n = n->next) {
      auto* c = static_cast<ColumnDefnEntry*>(n->data);
      if (k->primaryKeyColumns[i] && strcmp(c->name, k->primaryKeyColumns[i]) == 0) {
        if (AddElementData(columns, c) != 1) {
          FreeVector(columns);
          free(columns);
          LogError("MEMORY_ALLOCATION_FAILURE\n");
          return nullptr;
        }
        break;
      }
    }
  }
  return columns;
}

char* ConstructPKColumnString(Vector* keyColumns) {
  if (!keyColumns) return nullptr;
  std::string text;
  for (VectorNode* n = keyColumns->head; n; n = n->next) {
    const auto* c = static_cast<ColumnDefnEntry*>(n->data);
    text += std::string(c->name) + " ";
    switch (c->dataType) {
      case KES_SQL_TINYINT:
      case KES_SQL_SMALLINT:
      case KES_SQL_INT:
        text += "INT, ";
        break;
      case KES_SQL_BIGINT:
        text += "BIGINT, ";  // an INT column would cut 64-bit keys
        break;
      case KES_SQL_CHAR:
      case KES_SQL_VARCHAR:
        text += "VARCHAR(" + std::to_string(c->maxSize) + "), ";
        break;
      default:
        LogError("Key column %s of type %u cannot be held in an index table\n", c->name,
                 static_cast<unsigned>(c->dataType));
        return nullptr;
    }
  }
  char* copy = nullptr;
  AllocateAndCopyString(&copy, text.c_str());
  return copy;
}

char* ConstructPKValueString(const char* tableName, RowUnit* unit) {
  TableDefn* defn = tableName ? GetTableDefn(tableName) : nullptr;
  if (!defn) {
    LogError("No table definition found for %s\n", tableName ? tableName : "(null)");
    return nullptr;
  }
  const ConstraintDefn* k = defn->constraints;
  if (!k || k->primaryKeyCount <= 0) {
    LogError("No primary columns in the dominant table.\n");
    return nullptr;
  }
  std::string text;
  for (int32_t i = 0; unit && i < k->primaryKeyCount; ++i) {
    const int32_t position = GetColIndex(k->primaryKeyColumns[i], tableName, defn);
    ColumnDefnEntry* column =
        position >= 0 ? GetColumnDefnEntry(defn->name, k->primaryKeyColumns[i]) : nullptr;
    if (!column) continue;
    int32_t length = 0;
    const char* value = RowUnitValueAt(unit, position, &length);
    const uint8_t t = column->dataType;
    const bool number =
        t == KES_SQL_TINYINT || t == KES_SQL_SMALLINT || t == KES_SQL_INT || t == KES_SQL_BIGINT;
    const bool textual = t == KES_SQL_CHAR || t == KES_SQL_VARCHAR;
    if (!value || (!number && !textual)) continue;
    std::string literal;
    if (!AppendSqlLiteral(defn->name, value, length, t, &literal)) continue;
    if (!text.empty()) text += " AND ";
    text += std::string(column->name) + " = " + literal + " ";
  }
  if (text.empty()) return nullptr;
  char* copy = nullptr;
  AllocateAndCopyString(&copy, text.c_str());
  return copy;
}

bool CreateIndexTable(Vector* elements) {
  LogTrace("\n\t@@@@@ Inside CreateIndexTable() @@@@@ \n");
  for (VectorNode* n = elements ? elements->head : nullptr; n; n = n->next) {
    const auto* e = static_cast<XmlElementInfo*>(n->data);
    if (!SameName(e->name, "DominantTableConfig")) continue;
    const char* table = nullptr;
    for (VectorNode* a = e->attributes->head; a; a = a->next) {
      const auto* pair = static_cast<XmlAttributePair*>(a->data);
      if (SameName(pair->name, "DOMINANTTABLEID")) {
        table = pair->value;
        continue;
      }
      if (!SameName(pair->name, "isindexed") || CompareStringNoCase(pair->value, "true") != 0) {
        continue;  // nonindexlimit is accepted and not used
      }
      Vector* keys = GetPKColumnInfo(table);
      char* columns = keys ? ConstructPKColumnString(keys) : nullptr;
      FreeVector(keys);
      free(keys);
      if (!columns) {
        LogError("Cannot create Index Table for %s\n", table ? table : "(null)");
        return false;
      }
      TableDefn* defn = GetTableDefn(table);
      const std::string index = std::string(defn->name) + "_IDX";
      const std::string statement =
          "CREATE TABLE " + index + "(" + columns + " TABLENAME VARCHAR(40))";
      free(columns);
      // A database that has the index table already (a later start) keeps it.
      TableSource source;
      bool exists = false;
      if (OpenTableSource(defn->name, false, &source)) {
        ResultSet* probe = ExecuteQuery(
            source.handle, ("SELECT TABLENAME FROM " + index + " WHERE 1 = 0").c_str());
        exists = probe != nullptr;
        FreeResultSet(probe);
        CloseTableSource(&source);
      }
      if (!exists) {
        LogTrace("Create Query for %s: %s\n", index.c_str(), statement.c_str());
        if (!RunOnSource(defn->name, statement)) return false;
      }
      std::lock_guard<std::mutex> guard(gs_indexedMutex);
      gs_indexed.insert(defn->name);
    }
  }
  return true;
}

bool AddEntryToIndexTable(const char* tableName, RowObject* row) {
  LogTrace("\n\t@@@@@ Inside AddEntryToIndexTable() @@@@@ \n");
  if (!tableName || !row) return false;
  std::vector<std::string> statements;
  if (!IndexStatements(tableName, row, false, &statements)) return false;
  if (statements.empty()) return true;
  TableSource source;
  bool ok = OpenTableSource(tableName, false, &source) && BeginTransaction(source.handle) == 1;
  for (size_t i = 0; ok && i < statements.size(); ++i) {
    ok = ExecuteUpdate(source.handle, statements[i].c_str()) == 1;
  }
  if (source.handle) {
    if (ok) {
      ok = CommitTransaction(source.handle) == 1;
    } else {
      RollbackTransaction(source.handle);
    }
  }
  CloseTableSource(&source);
  if (!ok) LogError("Cannot Add Entry Into Index Table\n");
  return ok;
}

bool IndexStatementsForRow(const char* tableName, RowObject* row,
                           std::vector<std::string>* statements) {
  return IndexStatements(tableName, row, true, statements);
}

void FindRootTable(const char* tableName, const char* columnName, Vector* roots,
                   Vector* rootColumns) {
  if (!roots || !rootColumns) return;
  std::vector<const char*> path;
  FindRoots(tableName, columnName, &path, roots, rootColumns);
}

int32_t GetColIndex(const char* columnName, const char* tableName, TableDefn* defn) {
  if (!defn) defn = tableName ? GetTableDefn(tableName) : nullptr;
  if (!defn || !defn->columns || !columnName) return -1;
  int32_t i = 0;
  for (VectorNode* n = defn->columns->head; n; n = n->next, ++i) {
    if (strcmp(static_cast<ColumnDefnEntry*>(n->data)->name, columnName) == 0) return i;
  }
  return -1;
}

void CompareRootRefTable(const char* referencedTable, const char* referencedColumn,
                         const char* table, const char* column, bool* found) {
  if (!found) return;
  std::vector<const char*> path;
  *found = LeadsTo(referencedTable, referencedColumn, table, column, &path);
}

DataObject* GetDOFromPersonality(const char* personalityName) {
  LogTrace("\n\t@@@@@ Inside GetDOFromPersonality() @@@@@ \n");
  PersonalityDefn* p = FindPersonality(personalityName);
  if (!p) return nullptr;
  DataObject* object = RunPlanned(PlanQuery(p->dominantTableName, PersonalityTables(p)));
  if (!object) LogError("Cannot get DO for personality %s\n", personalityName);
  return object;
}

DataObject* GetDOFromPersonalities(Vector* personalityNames) {
  return Merged(personalityNames, [](const char* name) { return GetDOFromPersonality(name); });
}

DataObject* GetDOFromPersonalityByRowUnit(const char* personalityName, RowUnit* unit) {
  PersonalityDefn* p = FindPersonality(personalityName);
  if (!p) return nullptr;
  std::vector<std::string> tables = PersonalityTables(p);
  Vector* list = CreateVector();
  for (std::string& t : tables) AddElementData(list, t.data());
  DataObject* object = GetDataObjectByRowUnit(list, unit);
  FreeVector(list);
  free(list);
  return object;
}

DataObject* GetDOFromPersonalitiesByRowUnit(Vector* personalityNames, RowUnit* unit) {
  return Merged(personalityNames,
                [unit](const char* name) { return GetDOFromPersonalityByRowUnit(name, unit); });
}

DataObject* GetDOFromPersonalityByCriteria(const char* personalityName,
                                           QueryCriteriaNode* condition) {
  PersonalityDefn* p = FindPersonality(personalityName);
  if (!p) return nullptr;
  std::vector<std::string> tables = PersonalityTables(p);
  Vector* list = CreateVector();
  for (std::string& t : tables) AddElementData(list, t.data());
  DataObject* object = GetDataObjectByCriteria(list, condition);
  FreeVector(list);
  free(list);
  return object;
}

DataObject* GetDOFromPersonalitiesByCriteria(Vector* personalityNames,
                                             QueryCriteriaNode* condition) {
  return Merged(personalityNames, [condition](const char* name) {
    return GetDOFromPersonalityByCriteria(name, condition);
  });
}

DataObject* DeepRetrieveDO(const char* dominantTableName, RowUnit* unit) {
  LogTrace("\n\t@@@@@ Inside DeepRetrieveDO() @@@@@ \n");
  if (!dominantTableName || !unit) return nullptr;
  char* condition = ConstructPKValueString(dominantTableName, unit);
  if (!condition) {
    LogError("No primary keys in dominant table %s\n", dominantTableName);
    return nullptr;
  }
  const std::string query =
      "SELECT TABLENAME FROM " + std::string(dominantTableName) + "_IDX WHERE " + condition;
  free(condition);
  ResultSet* set = nullptr;
  TableSource source;
  if (OpenTableSource(dominantTableName, false, &source)) {
    set = ExecuteQuery(source.handle, query.c_str());
    CloseTableSource(&source);
  }
  if (!set || set->rowCount == 0 || !set->rows) {
    LogError("Query: %s. No tables indexed.  Cannot deep retrieve DO for %s\n", query.c_str(),
             dominantTableName);
    FreeResultSet(set);
    return nullptr;
  }
  std::vector<std::string> tables = {dominantTableName};
  for (ResultRow* r = set->rows; r; r = r->next) {
    if (r->values && r->values->data) tables.emplace_back(r->values->data, r->values->length);
  }
  FreeResultSet(set);
  Vector* list = CreateVector();
  for (std::string& t : tables) AddElementData(list, t.data());
  DataObject* object = GetDataObjectByRowUnit(list, unit);
  FreeVector(list);
  free(list);
  return object;
}

DataObject* GetDataObjectByRowUnit(Vector* tableNames, RowUnit* unit) {
  LogTrace("\n\t@@@@@ Inside GetDataObjectByRowUnit() @@@@@ \n");
  if (!tableNames || !unit || !unit->tableName) return nullptr;
  std::vector<std::string> tables = TableNames(tableNames);
  bool listed = false;
  for (const std::string& t : tables) listed = listed || SameName(t.c_str(), unit->tableName);
  if (!listed) {
    LogError("RowUnit belongs to table %s, which is not present in the tableList.\n",
             unit->tableName);
    return nullptr;
  }
  TableDefn* defn = GetTableDefn(unit->tableName);
  if (!defn || !defn->constraints || defn->constraints->primaryKeyCount <= 0) {
    LogError("No constraints for table %s.\n", unit->tableName);
    return nullptr;
  }
  SelectQuery* query = PlanQuery(unit->tableName, tables);
  if (!query) return nullptr;
  // The unit's key values select the entity.
  QueryCriteriaNode* criteria = nullptr;
  const ConstraintDefn* k = defn->constraints;
  for (int32_t i = 0; i < k->primaryKeyCount; ++i) {
    const int32_t position = GetColIndex(k->primaryKeyColumns[i], defn->name, defn);
    ColumnDefnEntry* column = GetColumnDefnEntry(defn->name, k->primaryKeyColumns[i]);
    int32_t length = 0;
    const char* value = position >= 0 ? RowUnitValueAt(unit, position, &length) : nullptr;
    if (!column || !value) {
      LogError("RowUnit of table %s has no value for key column %s.\n", unit->tableName,
               k->primaryKeyColumns[i] ? k->primaryKeyColumns[i] : "(null)");
      FreeSelectQuery(query);
      return nullptr;
    }
    QueryColumn* qc = CreateQueryColumn(defn->name, nullptr, column->name, nullptr, 0,
                                        CriteriaType(column->dataType), kFunctionNone, query->pool);
    QueryCriteriaNode* leaf =
        qc ? CreateQueryCriteriaNode(qc, value, length, kOperatorEqual, query->pool) : nullptr;
    criteria = criteria && leaf ? CreateAndNode(criteria, leaf, query->pool) : leaf;
    if (!criteria) {
      FreeSelectQuery(query);
      return nullptr;
    }
  }
  SetSelectCriteria(query, criteria);
  return RunPlanned(query);
}

DataObject* GetDataObjectByCriteria(Vector* tableNames, QueryCriteriaNode* condition) {
  std::vector<std::string> tables = TableNames(tableNames);
  if (tables.empty()) return nullptr;
  SelectQuery* query = PlanQuery(tables.front().c_str(), tables);
  if (query && condition) SetSelectCriteria(query, condition);
  DataObject* object = RunPlanned(query);
  if (!object) LogError("Cannot create DataObject.\n");
  return object;
}
