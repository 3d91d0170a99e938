#include "datastore/persistence.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "database/db_provider.h"
#include "database/sql_dialect.h"
#include "database/text_reader.h"
#include "datastore/data_files.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "datastore/table_source.h"
#include "runtime/locktable.h"
#include "runtime/log.h"

namespace {

constexpr size_t kMaxListLine = 254;

// Runs a query on the table's connection, released right after.
ResultSet* RunQuery(const char* table, const std::string& statement, TableSource* source) {
  if (!OpenTableSource(table, false, source)) return nullptr;
  ResultSet* set = ExecuteQuery(source->handle, statement.c_str());
  CloseTableSource(source);
  return set;
}

int32_t DefinitionColumns(const TableDefn* defn) {
  return defn && defn->columns ? defn->columns->count : 0;
}

bool Mismatch(const char* table, const ResultSet* set, const TableDefn* defn) {
  if (set->columnCount == DefinitionColumns(defn)) return false;
  LogError(
      "\nLoadTable Failed for %s table as there is mismatch between table definition in "
      "datadictionary and actual table in database\n",
      table);
  return true;
}

// Converts every row of the result into the table (or view) in order.
bool AddRows(const char* target, const char* typesOf, ResultSet* set, const char* dialect) {
  while (GotoNextResultRow(set)) {
    RowObject* row = ConvertResultsetToRowobject(set, dialect, typesOf);
    if (!row) return false;
    if (!AddNewRow(target, row)) {
      TableData* table = GetTableDataByName(target);
      FreeRowObject(row, table ? table->columnCount : set->columnCount);
      return false;
    }
  }
  return true;
}

// One line of a table list: the name and, when the rest holds a select, the
// statement.
void LoadListLine(const std::string& line) {
  const size_t blank = line.find(' ');
  if (blank == std::string::npos) {
    if (!line.empty()) LoadTable(line.c_str());
    return;
  }
  const std::string name = line.substr(0, blank);
  const std::string rest = line.substr(blank + 1);
  if (rest.find("select") != std::string::npos || rest.find("SELECT") != std::string::npos) {
    LogTrace("LOADTABLE_QUERY : %s\n", rest.c_str());
    LoadTableByQuery(name.c_str(), rest.c_str());
    return;
  }
  LogTrace("LOADTABLE : %s\n", name.c_str());
  LoadTable(name.c_str());
}

void LoadList(FILE* file, const char* path) {
  std::string line;
  for (;;) {
    const TextRead read = ReadRestOfLine(file, &line, kMaxListLine);
    if (read == TextRead::kEnd) break;
    if (read == TextRead::kTooLong) {
      LogError("%s: a line longer than %zu characters is left out\n", path, kMaxListLine);
      continue;
    }
    LoadListLine(line);
  }
  fclose(file);
}

// What saving does for a row in its state: nothing, or the statement kind.
enum class Change { kNone, kUpdate, kDelete, kInsert };

Change ChangeOf(const RowObject* row) {
  if (row->state == (kRowInDatabase | kRowModified)) return Change::kUpdate;
  if ((row->state & kRowInDatabase) && (row->state & kRowDeleted)) return Change::kDelete;
  if (row->state == kRowNew || row->state == (kRowNew | kRowModified)) return Change::kInsert;
  return Change::kNone;
}

}  // namespace

bool LoadTable(const char* tableName) {
  LogTrace("\nLoading Table : %s\n", tableName ? tableName : "(null)");
  if (!tableName) return false;
  TableSource source;
  ResultSet* set = RunQuery(tableName, std::string("select * from ") + tableName, &source);
  if (!set) {
    LogError("Error in executing select query for %s\n", tableName);
    return false;
  }
  TableDefn* defn = GetTableDefn(tableName);
  bool ok = false;
  if (!defn) {
    LogError("Error in getting Table Definition for %s\n", tableName);
  } else if (!Mismatch(tableName, set, defn)) {
    if (!CreateTable(tableName)) {
      LogError("CreateTable Failed \n");
    } else {
      ok = AddRows(tableName, tableName, set, source.dialect);
    }
  }
  FreeResultSet(set);
  return ok;
}

bool LoadTableByQuery(const char* tableName, const char* query) {
  LogTrace("\nLoading Table : %s\n", tableName ? tableName : "(null)");
  LogTrace("\nSelect Query  : %s\n", query ? query : "(null)");
  if (!tableName || !query) return false;
  TableSource source;
  ResultSet* set = RunQuery(tableName, query, &source);
  if (!set) LogError("Error in executing select query \n");
  TableDefn* defn = GetTableDefn(tableName);
  if (set && (!defn || Mismatch(tableName, set, defn))) {
    FreeResultSet(set);
    return false;
  }
  if (!CreateTable(tableName)) {
    FreeResultSet(set);
    return false;
  }
  const bool ok = !set || AddRows(tableName, tableName, set, source.dialect);
  FreeResultSet(set);
  return ok;
}

bool LoadViewByQuery(const char* viewName, const char* baseTableName, const char* query) {
  LogTrace("\nLoading View Data : %s\n", viewName ? viewName : "(null)");
  if (!viewName || !baseTableName || !query) return false;
  TableSource source;
  ResultSet* set = RunQuery(baseTableName, query, &source);
  if (!set) LogError("Error in executing select query \n");
  TableDefn* defn = GetTableDefn(baseTableName);
  if (!defn || !defn->columns || (set && Mismatch(viewName, set, defn))) {
    FreeResultSet(set);
    return false;
  }
  Vector* columns = CreateVector();
  for (VectorNode* n = defn->columns->head; columns && n; n = n->next) {
    auto* column = static_cast<ColumnDefnEntry*>(n->data);
    LogTrace("%s\t", column->name);
    ViewColumnDefn* viewColumn = CreateViewColumnDefn(column->name, 0, 0, column);
    if (viewColumn) AddElementData(columns, viewColumn);
  }
  auto** bases = static_cast<char**>(calloc(1, sizeof(char*)));
  if (bases) bases[0] = strdup(baseTableName);
  CustomViewDefn* view =
      columns && bases && bases[0] ? CreateCustomViewDefn(1, bases, columns) : nullptr;
  if (!view || !CreateCustomViewData(viewName, view)) {
    if (view) {
      FreeCustomViewDefn(view);
    } else {
      if (bases) free(bases[0]);
      free(bases);
      if (columns) {
        for (VectorNode* n = columns->head; n; n = n->next) free(n->data);
        FreeVector(columns);
        free(columns);
      }
    }
    FreeResultSet(set);
    return false;
  }
  const bool ok = !set || AddRows(viewName, baseTableName, set, source.dialect);
  FreeResultSet(set);
  return ok;
}

bool LoadTablesFromFile(const char* path) {
  FILE* file = path ? fopen(path, "r") : nullptr;
  if (!file) return false;
  LoadList(file, path);
  return true;
}

bool LoadAllTables() {
  FILE* file = fopen((RelativeDataDirectory() + "loadtablelist.txt").c_str(), "r");
  if (!file) file = OpenRootedDataFile("loadtablelist.txt", nullptr);
  if (!file) {
    LogError("Cannot open LoadTableList Entry File.\n");
    return false;
  }
  LoadList(file, "loadtablelist.txt");
  return true;
}

bool ReloadTableData() {
  UnLoadAllTable();
  return LoadAllTables();
}

bool SaveTable(const char* tableName) {
  LogTrace("\n\t@@@@@ Inside SaveTable() @@@@@ \n");
  TableData* table = GetTableDataByName(tableName);
  if (!table) return false;
  LockObject(GetStoreLockKey());
  TableSource source;
  if (!OpenTableSource(table->name, true, &source)) {
    UnlockObject(GetStoreLockKey());
    return false;
  }
  // Every statement in one transaction; the rows take their new states only
  // once it is committed.
  std::vector<std::pair<RowObject*, Change>> saved;
  bool ok = BeginTransaction(source.handle) == 1;
  for (RowObject* row = table->firstRow; ok && row; row = row->next) {
    const Change change = ChangeOf(row);
    if (change == Change::kNone) continue;
    char* statement = change == Change::kUpdate   ? GenerateUpdateQuery(table->name, row)
                      : change == Change::kDelete ? GenerateDeleteQuery(table->name, row)
                                                  : GenerateInsertQuery(table->name, row);
    if (!statement || ExecuteUpdate(source.handle, statement) != 1) {
      LogError("Error in executing update query \n");
      LogError("QUERY : %s\n", statement ? statement : "(null)");
      ok = false;
    } else {
      saved.emplace_back(row, change);
    }
    free(statement);
  }
  if (ok) {
    ok = CommitTransaction(source.handle) == 1;
  } else {
    RollbackTransaction(source.handle);
  }
  CloseTableSource(&source);
  if (ok) {
    for (auto& [row, change] : saved) {
      if (change == Change::kDelete) {
        row->state = kRowDeleted;
        DeleteRowObject(table->name, row);
      } else {
        row->state = kRowInDatabase;
      }
    }
  }
  UnlockObject(GetStoreLockKey());
  return ok;
}

bool SaveAllTables() {
  Vector* tables = GetTableDataList();
  std::vector<std::string> names;
  for (VectorNode* n = tables->head; n; n = n->next)
    names.push_back(static_cast<TableData*>(n->data)->name);
  for (const std::string& name : names) SaveTable(name.c_str());
  return true;
}

bool SaveTablesFromList() {
  FILE* file = OpenRootedDataFile("savetableslist.txt", nullptr);
  if (!file) {
    LogError("No tables to be saved.\n");
    return true;
  }
  std::string line;
  for (;;) {
    const TextRead read = ReadRestOfLine(file, &line, kMaxListLine);
    if (read == TextRead::kEnd) break;
    if (read == TextRead::kTooLong) continue;
    const std::string name = line.substr(0, line.find(' '));
    if (!name.empty()) SaveTable(name.c_str());
  }
  fclose(file);
  return true;
}
