// CREATE TABLE statements of the four dialects from the table definitions.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/table_defn.h"
#include "runtime/conversions.h"
#include "runtime/log.h"

namespace {

enum class Kind { kMysql, kPgsql, kSqlite, kFirebird };

// The column's type text in a dialect (every code has one, so a dictionary
// with any type creates on every engine).
std::string TypeText(uint8_t type, int32_t size, Kind k) {
  const bool my = k == Kind::kMysql, pg = k == Kind::kPgsql, lite = k == Kind::kSqlite;
  switch (type) {
    case KES_SQL_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_INT:
      return "int";
    case KES_SQL_UNSIGNED_TINYINT:
      // Not tinyint: drivers report tinyint columns as booleans.
      return my ? "smallint unsigned" : "smallint";
    case KES_SQL_UNSIGNED_SMALLINT:
      return my ? "smallint unsigned" : "integer";
    case KES_SQL_UNSIGNED_INT:
      return my ? "int unsigned" : "bigint";
    case KES_SQL_BIGINT:
      return "bigint";
    case KES_SQL_UNSIGNED_LONG_INT:
      return my ? "bigint unsigned" : (pg || lite) ? "bigint" : "numeric(18,0)";
    case KES_SQL_FLOAT:
    case KES_SQL_REAL:
      return my ? "float" : pg ? "real" : lite ? "real" : "float";
    case KES_SQL_DOUBLE:
      return my ? "double" : lite ? "double" : "double precision";
    case KES_SQL_DECIMAL:
      return k == Kind::kFirebird ? "decimal(18,4)" : "decimal(30,10)";
    case KES_SQL_NUMERIC:
      return k == Kind::kFirebird ? "numeric(18,4)" : "numeric(30,10)";
    case KES_SQL_CHAR:
    case KES_SQL_VARCHAR:
      return "varchar(" + std::to_string(size > 0 ? size : 255) + ")";
    case KES_SQL_DATE:
      return lite ? "varchar(30)" : "date";
    case KES_SQL_TIME:
      return lite ? "varchar(30)" : "time";
    case KES_SQL_DATETIME:
      return lite ? "varchar(30)" : my ? "datetime" : "timestamp";
    case KES_SQL_BOOLEAN:
      return my ? "tinyint" : k == Kind::kFirebird ? "SMALLINT" : "boolean";
    case KES_SQL_BLOB:
      return pg ? "bytea" : my ? "blob" : "blob";
    case KES_SQL_CLOB:
      return pg || lite ? "text" : my ? "blob" : "blob sub_type text";
    case KES_SQL_TEXT:
      return k == Kind::kFirebird ? "blob sub_type text" : "text";
    default:
      return lite ? "blob" : pg ? "bytea" : "blob";
  }
}

std::string Escaped(const char* text, size_t n, Kind k) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += text[i];
    if (text[i] == '\'' || (k == Kind::kMysql && text[i] == '\\')) out += text[i];
  }
  return out;
}

// " DEFAULT ..." for a column's default, or "".
std::string DefaultText(const ColumnDefnEntry* c, Kind k) {
  if (!c->defaultValue) return "";
  const char* v = c->defaultValue;
  const int32_t n = c->defaultValueLength;
  switch (c->dataType) {
    case KES_SQL_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_INT:
    case KES_SQL_BIGINT:
      return "DEFAULT " + std::to_string(static_cast<int64_t>(ReadIntegerValue(v, n, c->dataType)));
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_UNSIGNED_SMALLINT:
    case KES_SQL_UNSIGNED_INT:
    case KES_SQL_UNSIGNED_LONG_INT:
      return "DEFAULT " + std::to_string(ReadIntegerValue(v, n, c->dataType));
    case KES_SQL_CHAR:
    case KES_SQL_VARCHAR:
    case KES_SQL_BLOB:
    case KES_SQL_CLOB:
      if (k != Kind::kMysql && (c->dataType == KES_SQL_BLOB || c->dataType == KES_SQL_CLOB))
        return "";
      return "DEFAULT '" + Escaped(v, strnlen(v, static_cast<size_t>(n > 0 ? n : 0)), k) + "'";
    case KES_SQL_BOOLEAN: {
      const bool yes = n > 0 && v[0] == 1;
      if (k == Kind::kMysql || k == Kind::kFirebird) return yes ? "DEFAULT 1" : "DEFAULT 0";
      return yes ? "DEFAULT 't'" : "DEFAULT 'f'";
    }
    default:
      return "";
  }
}

// Foreign keys gathered into groups: consecutive entries to the same
// reference table (case ignored) with a reference column other than the
// group's first.
struct ForeignGroup {
  std::string locals, table, references;
};

std::vector<ForeignGroup> Groups(Vector* keys) {
  std::vector<ForeignGroup> groups;
  const ForeignKeyEntry* first = nullptr;
  for (VectorNode* n = keys ? keys->head : nullptr; n; n = n->next) {
    const auto* fk = static_cast<ForeignKeyEntry*>(n->data);
    const bool joins = first && fk->referenceTable && first->referenceTable &&
                       CompareStringNoCase(fk->referenceTable, first->referenceTable) == 0 &&
                       fk->referenceColumn && first->referenceColumn &&
                       CompareStringNoCase(fk->referenceColumn, first->referenceColumn) != 0;
    if (joins) {
      groups.back().locals += std::string(",") + (fk->localColumn ? fk->localColumn : "");
      groups.back().references +=
          std::string(",") + (fk->referenceColumn ? fk->referenceColumn : "");
      continue;
    }
    first = fk;
    groups.push_back({fk->localColumn ? fk->localColumn : "",
                      fk->referenceTable ? fk->referenceTable : "",
                      fk->referenceColumn ? fk->referenceColumn : ""});
  }
  return groups;
}

char* GenCreate(const char* tableName, Kind k) {
  TableDefn* defn = GetTableDefn(tableName);
  if (!defn || !defn->columns || defn->columns->count == 0) return nullptr;
  const ConstraintDefn* constraints = defn->constraints;
  const bool hasKey = constraints && constraints->primaryKeyCount > 0;
  std::string text = std::string("CREATE TABLE ") + defn->name + "(\n";
  LogTrace("Create table %s: %d columns\n", defn->name, defn->columns->count);
  for (VectorNode* n = defn->columns->head; n; n = n->next) {
    const auto* c = static_cast<ColumnDefnEntry*>(n->data);
    LogTrace("  column %s type %d\n", c->name, c->dataType);
    // The line's form by type: dates and times take no default, text ends
    // in a blank, booleans put a blank after their default, all others
    // write their default or a single blank.
    const std::string type = TypeText(c->dataType, c->maxSize, k);
    const std::string fallback = DefaultText(c, k);
    const std::string d = fallback.empty() ? " " : fallback;
    text += std::string("\t") + c->name + " " + type;
    if (c->dataType == KES_SQL_TEXT) {
      text += " ";
    } else if (c->dataType == KES_SQL_BOOLEAN) {
      text += " " + d + " ";
    } else if (c->dataType != KES_SQL_DATE && c->dataType != KES_SQL_TIME &&
               c->dataType != KES_SQL_DATETIME) {
      text += " " + d;
    }
    if (!c->nullable) text += " NOT NULL";
    if (c->unique) text += " UNIQUE";
    if (n->next || hasKey) {
      text += ",\n";
    } else {
      text += "\n";
    }
  }
  if (hasKey) {
    text += "\tPRIMARY KEY(";
    bool firstKey = true;
    for (int32_t i = 0; i < constraints->primaryKeyCount; ++i) {
      if (!constraints->primaryKeyColumns[i]) continue;
      text += std::string(firstKey ? "" : ", ") + constraints->primaryKeyColumns[i];
      firstKey = false;
    }
    text += ")";
  }
  const std::vector<ForeignGroup> groups = Groups(constraints ? constraints->foreignKeys : nullptr);
  if (!groups.empty()) {
    text += ",\n";
    for (size_t g = 0; g < groups.size(); ++g) {
      if (g > 0) text += ",\n";
      text += "\tFOREIGN KEY(" + groups[g].locals + ") REFERENCES " + groups[g].table + " (" +
              groups[g].references + ") ON DELETE CASCADE";
      if (k == Kind::kMysql) {
        text += ",\n\tINDEX " + std::string(defn->name) + "_IDX" + std::to_string(g) + " (" +
                groups[g].locals + ")";
      }
    }
  }
  text += k == Kind::kMysql ? "\n) ENGINE = InnoDB;\n\n" : "\n);\n\n";
  char* copy = static_cast<char*>(malloc(text.size() + 1));
  if (!copy) {
    LogError("@@@ Query String Copy falied @@@\n");
    return nullptr;
  }
  memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

}  // namespace

char* MysqlGenCreateQuery(const char* tableName) { return GenCreate(tableName, Kind::kMysql); }
char* PgsqlGenCreateQuery(const char* tableName) { return GenCreate(tableName, Kind::kPgsql); }
char* SqliteGenCreateQuery(const char* tableName) { return GenCreate(tableName, Kind::kSqlite); }
char* FirebirdGenCreateQuery(const char* tableName) {
  return GenCreate(tableName, Kind::kFirebird);
}
