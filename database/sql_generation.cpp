// Statement generation in the four dialects, from one implementation and a
// record of where each dialect differs.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "database/criteria_parser.h"
#include "database/odbc_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/table_defn.h"
#include "runtime/conversions.h"
#include "runtime/datetime.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

enum class Range { kLimitOffsetFirst, kLimitThenOffset, kFirstSkip };

struct Dialect {
  const char* name;
  Range range;
  bool tableAliasAs;        // " as %s " (else " %s ")
  const char* trueLiteral;  // booleans in criteria, assignments and inserts
  const char* falseLiteral;
  bool quoteEveryKey;    // update key conditions
  bool escapeBackslash;  // MYSQL reads backslash escapes in literals
  const char* insertEnd;
  const char* createEnd;
};

const Dialect kMysql = {"MYSQL", Range::kLimitOffsetFirst,  true, "1", "0", true, true,
                        ")",     "\n) ENGINE = InnoDB;\n\n"};
const Dialect kPgsql = {"PGSQL",   Range::kLimitThenOffset, true, "'t'", "'f'", false, false, ");",
                        "\n);\n\n"};
const Dialect kSqlite = {"SQLITE",  Range::kLimitThenOffset, true, "1", "0", false, false, ");",
                         "\n);\n\n"};
const Dialect kFirebird = {"FIREBIRD", Range::kFirstSkip, false, "1", "0", false, false,
                           ");",       "\n);\n\n"};

bool IsDateType(uint8_t t) {
  return t == KES_SQL_DATE || t == KES_SQL_TIME || t == KES_SQL_DATETIME;
}
bool IsTextType(uint8_t t) {
  return t == KES_SQL_CHAR || t == KES_SQL_VARCHAR || t == KES_SQL_TEXT || t == KES_SQL_CLOB;
}
// Values written as quoted literals: texts, dates and times, large objects.
bool QuotedInValues(uint8_t t) { return IsTextType(t) || IsDateType(t) || t == KES_SQL_BLOB; }

void AppendQuoted(const std::string& text, const Dialect& d, std::string* out);

// A quoted literal of the text: single quotes doubled, and for dialects
// that read backslash escapes, backslashes doubled too, so the literal
// never ends early.
std::string Quoted(const std::string& text, const Dialect& d) {
  std::string out;
  AppendQuoted(text, d, &out);
  return out;
}

char* HeapCopy(const std::string& text) {
  char* copy = static_cast<char*>(malloc(text.size() + 1));
  if (!copy) {
    LogError("@@@ Query String Copy falied @@@\n");
    return nullptr;
  }
  memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// The text of a value of a column type, or none (types without a text).
bool ValueText(const char* value, int32_t length, uint8_t type, std::string* out) {
  out->clear();
  return AppendValueText(value, length, type, out);
}

void AppendQuoted(const std::string& text, const Dialect& d, std::string* out) {
  out->push_back('\'');
  for (char c : text) {
    out->push_back(c);
    if (c == '\'' || (d.escapeBackslash && c == '\\')) out->push_back(c);
  }
  out->push_back('\'');
}

bool IsTrue(const char* value, int32_t length) { return value && length > 0 && value[0] == 1; }

// --- select ---------------------------------------------------------------

std::string Prefix(const QueryColumn* c) {
  if (c->tableAlias) return std::string(c->tableAlias) + ".";
  if (c->tableName) return std::string(c->tableName) + ".";
  return "";
}

std::string ColumnsText(Vector* columns) {
  std::string out;
  for (VectorNode* n = columns->head; n; n = n->next) {
    const auto* c = static_cast<QueryColumn*>(n->data);
    if (c->function == kFunctionNone || c->function > kFunctionAvg) {
      out += Prefix(c) + (c->columnName ? c->columnName : "");
      if (c->columnAlias) out += std::string(" as ") + c->columnAlias + " ";
    } else if (!c->columnName) {
      out += std::string(" ") + kFunctionNames[c->function] + "(*)";
    } else {
      out += std::string(" ") + kFunctionNames[c->function] + "(" + Prefix(c) + c->columnName + ")";
    }
    out += n->next ? "," : " \n";
  }
  return out;
}

// A join column's prefix: its own alias, else the join's alias for a column
// of the join's own table (engines refuse the name of an aliased table),
// else its own table, else the join's table.
std::string JoinColumn(const QueryColumn* c, const char* alias, const char* table) {
  const bool ofJoinTable =
      alias && (!c->tableName || (table && CompareStringNoCase(c->tableName, table) == 0));
  const char* prefix = c->tableAlias  ? c->tableAlias
                       : ofJoinTable  ? alias
                       : c->tableName ? c->tableName
                                      : table;
  return std::string(prefix ? prefix : "") + "." + (c->columnName ? c->columnName : "");
}

bool JoinsText(Vector* joins, const Dialect& d, std::string* out) {
  const char* as = d.tableAliasAs ? "as " : "";
  for (VectorNode* n = joins->head; n; n = n->next) {
    const auto* j = static_cast<QueryJoin*>(n->data);
    if (n == joins->head) {
      if (j->baseTable) *out += std::string(" ") + j->baseTable + " ";
      if (j->baseAlias) *out += std::string(as) + j->baseAlias + " ";
    }
    if (j->joinType == kInnerJoin) {
      *out += " inner join ";
    } else if (j->joinType == kLeftJoin) {
      *out += " left join ";
    } else {
      LogError("Invalid Join Type\n");
      return false;
    }
    *out += std::string(" ") + (j->referenceTable ? j->referenceTable : "") + " ";
    if (j->referenceAlias) *out += std::string(as) + j->referenceAlias + " ";
    if (j->baseColumns && j->referenceColumns) {
      *out += " on ";
      VectorNode* r = j->referenceColumns->head;
      for (VectorNode* b = j->baseColumns->head; b && r; b = b->next, r = r->next) {
        if (b != j->baseColumns->head) *out += " and ";
        *out +=
            JoinColumn(static_cast<QueryColumn*>(b->data), j->baseAlias, j->baseTable) + " = " +
            JoinColumn(static_cast<QueryColumn*>(r->data), j->referenceAlias, j->referenceTable);
      }
      *out += " ";
    }
  }
  return true;
}

std::string TablesText(Vector* tables, const Dialect& d) {
  std::string out;
  for (VectorNode* n = tables->head; n; n = n->next) {
    const auto* t = static_cast<QueryTableEntry*>(n->data);
    out += t->name ? t->name : "";
    if (t->alias) out += std::string(d.tableAliasAs ? " as " : " ") + t->alias + " ";
    out += n->next ? ", " : "\n";
  }
  return out;
}

void CriteriaText(const QueryCriteriaNode* node, const Dialect& d, std::string* out) {
  if (!node) return;
  CriteriaText(node->left, d, out);
  const uint8_t op = node->operatorIndex <= kOperatorBetween ? node->operatorIndex : 0;
  if (op == kOperatorAnd || op == kOperatorOr) {
    *out += std::string(" ") + kOperatorNames[op] + " ";
  } else if (node->column) {
    const QueryColumn* c = node->column;
    const char* qualifier = c->tableAlias ? c->tableAlias : c->tableName;
    if (qualifier) *out += std::string(" ") + qualifier + ".";
    *out += c->columnName ? c->columnName : "";
    *out += std::string(" ") + kOperatorNames[op] + " ";
    if (node->value) {
      if (op == kOperatorBetween) {
        *out += std::string(" ") + std::string(node->value, node->length) + " ";
      } else if (c->dataType == KES_SQL_BOOLEAN) {
        *out += std::string(" ") +
                (IsTrue(node->value, node->length) ? d.trueLiteral : d.falseLiteral) + " ";
      } else {
        std::string text;
        if (ValueText(node->value, node->length, c->dataType, &text)) {
          const bool quote = QuotedInValues(c->dataType);
          *out += " " + (quote ? Quoted(text, d) : text) + " ";
        }
      }
    }
  }
  CriteriaText(node->right, d, out);
}

std::string GroupByText(const QueryGroupBy* g, const Dialect& d) {
  std::string out = "group by ";
  for (VectorNode* n = g->columns ? g->columns->head : nullptr; n; n = n->next) {
    const auto* c = static_cast<QueryColumn*>(n->data);
    if (c->columnAlias) {
      out += c->columnAlias;
    } else {
      out += std::string(c->tableName ? c->tableName : "") + "." +
             (c->columnName ? c->columnName : "");
    }
    out += n->next ? "," : "\n";
  }
  if (g->having && g->having->column) {
    const QueryColumn* c = g->having->column;
    const uint8_t op = g->having->operatorIndex <= kOperatorBetween ? g->having->operatorIndex : 0;
    out += std::string("having ") + " " +
           kFunctionNames[c->function <= kFunctionAvg ? c->function : 0] + "(" + Prefix(c) +
           (c->columnName ? c->columnName : "") + ") " + " " + kOperatorNames[op] + " ";
    std::string text;
    if (ValueText(g->having->value, g->having->length, c->dataType, &text)) {
      out += " " + (IsTextType(c->dataType) ? Quoted(text, d) : text) + " ";
    }
  }
  return out;
}

std::string SortText(const QuerySort* s) {
  std::string out = "order by ";
  for (VectorNode* n = s->columns ? s->columns->head : nullptr; n; n = n->next) {
    const auto* c = static_cast<QueryColumn*>(n->data);
    out += Prefix(c) + (c->columnName ? c->columnName : "");
    out += n->next ? "," : " ";
  }
  out += s->order == kSortDescending ? " desc " : " asc ";
  return out;
}

char* GenSelect(SelectQuery* q, const Dialect& d) {
  if (!q) return nullptr;
  const bool hasJoins = q->joins && q->joins->count > 0;
  const bool hasTables = q->tables && q->tables->count > 0;
  if (!hasJoins && !hasTables) {
    LogError("\nNo Tables To Be Selected\n");
    return nullptr;
  }
  std::string text = "select ";
  if (d.range == Range::kFirstSkip) {
    if (q->rowLimit != 0) text += "first " + std::to_string(q->rowLimit) + " ";
    if (q->rowOffset != 0) text += "skip " + std::to_string(q->rowOffset) + " ";
  }
  if (q->columns && q->columns->count > 0) {
    text += ColumnsText(q->columns) + "from ";
  } else {
    text += d.range == Range::kFirstSkip ? " * from " : "* from ";
  }
  if (hasJoins) {
    std::string joins;
    if (JoinsText(q->joins, d, &joins)) text += joins;
  }
  if (hasTables) {
    if (hasJoins) text += ",";
    text += TablesText(q->tables, d);
  }
  if (q->criteria) {
    text += "where ";
    CriteriaText(q->criteria, d, &text);
  }
  if (q->groupBy) text += GroupByText(q->groupBy, d);
  if (q->sort) text += SortText(q->sort);
  if (q->rowLimit != 0 && d.range == Range::kLimitOffsetFirst) {
    text += "limit";
    if (q->rowOffset != 0) text += " " + std::to_string(q->rowOffset) + " ,";
    text += " " + std::to_string(q->rowLimit);
  } else if (q->rowLimit != 0 && d.range == Range::kLimitThenOffset) {
    text += "limit " + std::to_string(q->rowLimit);
    if (q->rowOffset != 0) text += " offset " + std::to_string(q->rowOffset);
  }
  return HeapCopy(text);
}

// --- update, insert, delete -------------------------------------------------------

TableDefn* DefinitionWithColumns(const char* tableName) {
  TableDefn* defn = GetTableDefn(tableName);
  return defn && defn->columns && defn->columns->count > 0 ? defn : nullptr;
}

bool IsKey(const TableDefn* defn, const char* name) {
  if (!defn->constraints || !defn->constraints->primaryKeyColumns || !name) return false;
  for (int32_t i = 0; i < defn->constraints->primaryKeyCount; ++i) {
    const char* key = defn->constraints->primaryKeyColumns[i];
    if (key && CompareStringNoCase(key, name) == 0) return true;
  }
  return false;
}

// Appends the key condition of a key column (" and " before all but the
// first) from the value's text; false for an absent value, which leaves the
// key incomplete: such a statement could reach other rows.
bool AppendKeyCondition(const ColumnDefnEntry* c, const char* value, int32_t length,
                        const std::string& text, const Dialect& d, bool quoteAlways,
                        std::string* out) {
  if (!value) return false;
  if (!out->empty()) out->append(" and ");
  out->append(c->name).append("=");
  if (c->dataType == KES_SQL_BOOLEAN) {
    out->append(IsTrue(value, length) ? d.trueLiteral : d.falseLiteral);
  } else if (quoteAlways || QuotedInValues(c->dataType)) {
    AppendQuoted(text, d, out);
  } else {
    out->append(text);
  }
  return true;
}

char* GenUpdate(const char* tableName, RowObject* row, const Dialect& d) {
  TableDefn* defn = DefinitionWithColumns(tableName);
  if (!defn || !row) return nullptr;
  std::string text = std::string("update ") + tableName + " set ";
  std::string keys;
  bool complete = true;
  bool first = true;
  int32_t i = 0;
  for (VectorNode* n = defn->columns->head; n; n = n->next, ++i) {
    const auto* c = static_cast<ColumnDefnEntry*>(n->data);
    std::string value;
    if (!ValueText(row->values[i], row->lengths[i], c->dataType, &value)) {
      LogError("Unsupported Datatype Used in Query generation.\n");
      return nullptr;
    }
    if (IsKey(defn, c->name)) {
      complete = AppendKeyCondition(c, row->values[i], row->lengths[i], value, d, d.quoteEveryKey,
                                    &keys) &&
                 complete;
      continue;
    }
    if (!row->values[i]) {
      value = "NULL";
    } else if (c->dataType == KES_SQL_BOOLEAN) {
      value = IsTrue(row->values[i], row->lengths[i]) ? d.trueLiteral : d.falseLiteral;
    } else if (QuotedInValues(c->dataType)) {
      value = Quoted(value, d);
    }
    if (!first) text.push_back(',');
    text.append(c->name).append("=").append(value);
    first = false;
  }
  if (!complete || keys.empty()) {
    LogError("No complete key for a row of %s: no update statement\n", tableName);
    return nullptr;
  }
  return HeapCopy(text + " where " + keys);
}

char* GenInsert(const char* tableName, RowObject* row, const Dialect& d) {
  TableDefn* defn = DefinitionWithColumns(tableName);
  if (!defn || !row) return nullptr;
  std::string text;
  text.reserve(256);
  text.append("insert into  ").append(tableName).append(" values(");
  std::string value;
  int32_t i = 0;
  for (VectorNode* n = defn->columns->head; n; n = n->next, ++i) {
    const auto* c = static_cast<ColumnDefnEntry*>(n->data);
    if (i > 0) text += ",";
    if (!row->values[i] || !ValueText(row->values[i], row->lengths[i], c->dataType, &value)) {
      text += "NULL";
    } else if (c->dataType == KES_SQL_BOOLEAN) {
      text += IsTrue(row->values[i], row->lengths[i]) ? d.trueLiteral : d.falseLiteral;
    } else if (QuotedInValues(c->dataType)) {
      AppendQuoted(value, d, &text);
    } else {
      text += value;
    }
  }
  return HeapCopy(text + d.insertEnd);
}

char* GenDelete(const char* tableName, RowObject* row, const Dialect& d) {
  TableDefn* defn = DefinitionWithColumns(tableName);
  if (!defn || !row) return nullptr;
  std::string keys;
  std::string text;
  bool complete = true;
  int32_t i = 0;
  for (VectorNode* n = defn->columns->head; n; n = n->next, ++i) {
    const auto* c = static_cast<ColumnDefnEntry*>(n->data);
    if (!ValueText(row->values[i], row->lengths[i], c->dataType, &text)) return nullptr;
    if (IsKey(defn, c->name)) {
      complete =
          AppendKeyCondition(c, row->values[i], row->lengths[i], text, d, false, &keys) && complete;
    }
  }
  if (!complete || keys.empty()) {
    LogError("No complete key for a row of %s: no delete statement\n", tableName);
    return nullptr;
  }
  return HeapCopy(std::string("delete from ") + tableName + "  where " + keys);
}

// --- results to rows --------------------------------------------------------

// A result value as the definition's column type: booleans become one byte
// 1 or 0 whatever the driver delivered, date texts are scanned by the
// column's type, other differing types go through their text.
bool Coerce(const ResultValue* v, uint8_t from, uint8_t to, char** out, int32_t* length) {
  *out = nullptr;
  *length = 0;
  if (!v->data) return true;
  auto copy = [&]() {
    *length = v->length;
    return AllocateAndCopyBytes(out, v->data, v->length) == 1;
  };
  if (from == to) return copy();
  std::string text;
  if (from == KES_SQL_NOT_SUPPORTED_TYPE || from == KES_SQL_NUMERIC || from == KES_SQL_DECIMAL ||
      from == KES_SQL_BLOB || from == KES_SQL_CLOB) {
    text.assign(v->data, v->length);
  } else if (!ValueText(v->data, v->length, from, &text)) {
    return copy();
  }
  if (to == KES_SQL_BOOLEAN) {
    const bool yes = text == "1" || text == "'t'" || CompareStringNoCase(text.c_str(), "t") == 0 ||
                     CompareStringNoCase(text.c_str(), "true") == 0 ||
                     (v->length == 1 && v->data[0] == 1);
    const char b = yes ? 1 : 0;
    *length = 1;
    return AllocateAndCopyBytes(out, &b, 1) == 1;
  }
  if (IsDateType(to)) {
    int32_t n = 0;
    *out = ODBCConvertDateTime(text.c_str(), &n, to);
    *length = n;
    return *out != nullptr;
  }
  int32_t n = static_cast<int32_t>(text.size());
  *out = ConvertStringToValue(text.c_str(), &n, to);
  if (!*out) return copy();
  *length = n;
  return true;
}

RowObject* ConvertRow(ResultSet* set, const char* tableName) {
  if (!set || !set->cursor) return nullptr;
  TableDefn* defn = tableName ? GetTableDefn(tableName) : nullptr;
  const int32_t count = set->columnCount;
  auto** values = static_cast<char**>(calloc(count > 0 ? count : 1, sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(calloc(count > 0 ? count : 1, sizeof(int32_t)));
  bool ok = values && lengths;
  VectorNode* column =
      defn && defn->columns && defn->columns->count == count ? defn->columns->head : nullptr;
  int32_t i = 0;
  for (const ResultValue* v = set->cursor->values; ok && v && i < count; v = v->next, ++i) {
    const uint8_t from = set->columns[i]->dataType;
    const uint8_t to = column ? static_cast<ColumnDefnEntry*>(column->data)->dataType : from;
    ok = Coerce(v, from, to, &values[i], &lengths[i]);
    if (column) column = column->next;
  }
  RowObject* row = ok ? static_cast<RowObject*>(calloc(1, sizeof(RowObject))) : nullptr;
  if (!row) {
    for (int32_t k = 0; values && k < count; ++k) free(values[k]);
    free(values);
    free(lengths);
    return nullptr;
  }
  row->values = values;
  row->lengths = lengths;
  row->state = kRowInDatabase;
  return row;
}

}  // namespace

bool ConvertResultValue(const ResultValue* value, uint8_t from, uint8_t to, char** out,
                        int32_t* length) {
  return Coerce(value, from, to, out, length);
}

bool AppendSqlLiteral(const char* tableName, const char* value, int32_t length, uint8_t type,
                      std::string* out) {
  const SqlDialect* record = GetSqlDialectForTable(tableName);
  if (!record) return false;
  const Dialect* d = &kSqlite;
  for (const Dialect* each : {&kMysql, &kPgsql, &kSqlite, &kFirebird}) {
    if (CompareStringNoCase(each->name, record->name) == 0) d = each;
  }
  if (!value) {
    out->append("NULL");
    return true;
  }
  if (type == KES_SQL_BOOLEAN) {
    out->append(IsTrue(value, length) ? d->trueLiteral : d->falseLiteral);
    return true;
  }
  std::string text;
  if (!ValueText(value, length, type, &text)) return false;
  if (QuotedInValues(type)) {
    AppendQuoted(text, *d, out);
  } else {
    out->append(text);
  }
  return true;
}

char* MysqlGenSelectQuery(SelectQuery* q) { return GenSelect(q, kMysql); }
char* MysqlGenUpdateQuery(const char* t, RowObject* r) { return GenUpdate(t, r, kMysql); }
char* MysqlGenInsertQuery(const char* t, RowObject* r) { return GenInsert(t, r, kMysql); }
char* MysqlGenDelteQuery(const char* t, RowObject* r) { return GenDelete(t, r, kMysql); }
RowObject* MysqlConvResultsetToRowobject(ResultSet* s, const char* t) { return ConvertRow(s, t); }
char* PgsqlGenSelectQuery(SelectQuery* q) { return GenSelect(q, kPgsql); }
char* PgsqlGenUpdateQuery(const char* t, RowObject* r) { return GenUpdate(t, r, kPgsql); }
char* PgsqlGenInsertQuery(const char* t, RowObject* r) { return GenInsert(t, r, kPgsql); }
char* PgsqlGenDeleteQuery(const char* t, RowObject* r) { return GenDelete(t, r, kPgsql); }
RowObject* PgsqlConvResultsetToRowobject(ResultSet* s, const char* t) { return ConvertRow(s, t); }
char* SqliteGenSelectQuery(SelectQuery* q) { return GenSelect(q, kSqlite); }
char* SqliteGenUpdateQuery(const char* t, RowObject* r) { return GenUpdate(t, r, kSqlite); }
char* SqliteGenInsertQuery(const char* t, RowObject* r) { return GenInsert(t, r, kSqlite); }
char* SqliteGenDeleteQuery(const char* t, RowObject* r) { return GenDelete(t, r, kSqlite); }
RowObject* SqliteConvResultsetToRowobject(ResultSet* s, const char* t) { return ConvertRow(s, t); }
char* FirebirdGenSelectQuery(SelectQuery* q) { return GenSelect(q, kFirebird); }
char* FirebirdGenUpdateQuery(const char* t, RowObject* r) { return GenUpdate(t, r, kFirebird); }
char* FirebirdGenInsertQuery(const char* t, RowObject* r) { return GenInsert(t, r, kFirebird); }
char* FirebirdGenDeleteQuery(const char* t, RowObject* r) { return GenDelete(t, r, kFirebird); }
RowObject* FirebirdConvResultsetToRowobject(ResultSet* s, const char* t) {
  return ConvertRow(s, t);
}

// The clause builders of each dialect: the clause's text in the query's pool.
namespace {

char* InPool(const std::string& text, MemPool* pool) {
  char* copy = nullptr;
  return pool && PoolStrdup(&copy, text.c_str(), pool) ? copy : nullptr;
}

char* JoinsInPool(Vector* joins, const Dialect& d, MemPool* pool) {
  std::string text;
  if (!joins || !JoinsText(joins, d, &text)) return nullptr;
  return InPool(text, pool);
}

char* CriteriaInPool(QueryCriteriaNode* criteria, const Dialect& d, MemPool* pool, bool where) {
  if (!criteria) return nullptr;
  std::string text = where ? "where " : "";
  CriteriaText(criteria, d, &text);
  return InPool(text, pool);
}

}  // namespace

#define HV_CLAUSE_BUILDERS(P, D)                                                                  \
  char* P##GenerateColumnsStr(Vector* columns, MemPool* pool) {                                   \
    return columns ? InPool(ColumnsText(columns), pool) : nullptr;                                \
  }                                                                                               \
  char* P##GenerateJoinsStr(Vector* joins, MemPool* pool) { return JoinsInPool(joins, D, pool); } \
  char* P##GenerateTableListStr(Vector* tables, MemPool* pool) {                                  \
    return tables ? InPool(TablesText(tables, D), pool) : nullptr;                                \
  }                                                                                               \
  char* P##GenerateCriteriaStr(QueryCriteriaNode* criteria, MemPool* pool) {                      \
    return CriteriaInPool(criteria, D, pool, true);                                               \
  }                                                                                               \
  char* P##GenCriteriaString(QueryCriteriaNode* node, MemPool* pool) {                            \
    return CriteriaInPool(node, D, pool, false);                                                  \
  }                                                                                               \
  char* P##GenerateGroupByStr(QueryGroupBy* groupBy, MemPool* pool) {                             \
    return groupBy ? InPool(GroupByText(groupBy, D), pool) : nullptr;                             \
  }                                                                                               \
  char* P##GenerateSortColumnStr(QuerySort* sort, MemPool* pool) {                                \
    return sort ? InPool(SortText(sort), pool) : nullptr;                                         \
  }

HV_CLAUSE_BUILDERS(Mysql, kMysql)
HV_CLAUSE_BUILDERS(Pgsql, kPgsql)
HV_CLAUSE_BUILDERS(Sqlite, kSqlite)
HV_CLAUSE_BUILDERS(Firebird, kFirebird)
