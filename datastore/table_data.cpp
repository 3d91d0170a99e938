#include "datastore/table_data.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "datastore/column_value.h"
#include "datastore/notification.h"
#include "datastore/sequence.h"
#include "runtime/conversions.h"
#include "runtime/datetime.h"
#include "runtime/locktable.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

Vector gs_tables;  // of TableData*, in creation order
char gs_storeLock;

// The columns of a table (ColumnDefnEntry*) or of a view (ViewColumnDefn*).
Vector* ColumnList(const TableData* table) {
  if (table->kind == kTableKind) return table->tableDefn ? table->tableDefn->columns : nullptr;
  return table->viewDefn ? table->viewDefn->columns : nullptr;
}

Vector* ColumnList(const ResultData* result) {
  if (result->kind == kTableKind) return result->tableDefn ? result->tableDefn->columns : nullptr;
  return result->viewDefn ? result->viewDefn->columns : nullptr;
}

// Name and type of a column list's element.
const char* ColumnName(uint8_t kind, const void* element) {
  if (kind == kTableKind) return static_cast<const ColumnDefnEntry*>(element)->name;
  return static_cast<const ViewColumnDefn*>(element)->name;
}

uint8_t ColumnType(uint8_t kind, const void* element) {
  if (kind == kTableKind) return static_cast<const ColumnDefnEntry*>(element)->dataType;
  const ColumnDefnEntry* source = static_cast<const ViewColumnDefn*>(element)->column;
  return source ? source->dataType : 0;
}

// Position of a column by name (case ignored), or -1.
int32_t FindColumn(uint8_t kind, Vector* columns, const char* name) {
  if (!columns || !name) return -1;
  int32_t i = 0;
  for (VectorNode* node = columns->head; node; node = node->next, ++i) {
    const char* columnName = ColumnName(kind, node->data);
    if (columnName && CompareStringNoCase(columnName, name) == 0) return i;
  }
  return -1;
}

bool IsPrimaryKeyColumn(const TableDefn* defn, const char* column) {
  if (!defn || !defn->constraints || !defn->constraints->primaryKeyColumns) return false;
  for (int32_t i = 0; i < defn->constraints->primaryKeyCount; ++i) {
    const char* key = defn->constraints->primaryKeyColumns[i];
    if (key && CompareStringNoCase(key, column) == 0) return true;
  }
  return false;
}

// Unlinks a row from its table's list; false when it is not there.
bool UnlinkRow(TableData* table, RowObject* row) {
  RowObject* previous = nullptr;
  for (RowObject* at = table->firstRow; at; previous = at, at = at->next) {
    if (at != row) continue;
    if (previous) {
      previous->next = at->next;
    } else {
      table->firstRow = at->next;
    }
    if (table->lastRow == at) table->lastRow = previous;
    at->next = nullptr;
    --table->rowCount;
    return true;
  }
  return false;
}

// --- criteria -----------------------------------------------------------

// A criteria tree bound to a table's columns, flattened, with each leaf's
// value converted once to its column's type.
struct Compiled {
  uint8_t op;
  int32_t column;  // leaves
  uint8_t type;
  bool usable;  // the value converted; a leaf that is not never matches
  int64_t signedValue;
  uint64_t unsignedValue;
  float floatValue;
  std::string text;  // text types: the criteria text without its first and last character
  int32_t left;
  int32_t right;
};

bool IsDigits(const char* text) {
  if (!*text) return false;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return false;
  }
  return true;
}

// The number text of a criteria value (digits, or digits.digits).
bool IsNumber(const char* text) {
  const char* dot = strchr(text, '.');
  if (!dot) return IsDigits(text);
  const std::string whole(text, dot);
  return IsDigits(whole.c_str()) && IsDigits(dot + 1);
}

void CompileLeaf(const CriteriaNode* node, Compiled* out) {
  out->column = node->columnIndex;
  out->type = node->columnType;
  const char* text = node->value;
  switch (node->columnType) {
    case KES_SQL_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_INT:
    case KES_SQL_BIGINT:
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_UNSIGNED_SMALLINT:
    case KES_SQL_UNSIGNED_INT: {
      if (!IsDigits(text)) return;
      char scratch[kValueScratchSize];
      const char* bytes = nullptr;
      int32_t length = static_cast<int32_t>(strlen(text));
      if (!ConvertStringToValueBytes(text, &length, node->columnType, scratch, &bytes)) return;
      const uint64_t v = ReadIntegerValue(bytes, length, node->columnType);
      out->signedValue = static_cast<int64_t>(v);
      out->unsignedValue = v;
      out->usable = true;
      return;
    }
    case KES_SQL_FLOAT: {
      if (!IsNumber(text)) return;
      char scratch[kValueScratchSize];
      const char* bytes = nullptr;
      int32_t length = static_cast<int32_t>(strlen(text));
      if (!ConvertStringToValueBytes(text, &length, node->columnType, scratch, &bytes)) return;
      memcpy(&out->floatValue, bytes, sizeof(float));
      out->usable = true;
      return;
    }
    case KES_SQL_CHAR:
    case KES_SQL_VARCHAR:
    case KES_SQL_TEXT: {
      const size_t n = strlen(text);
      out->text = n >= 2 ? std::string(text + 1, n - 2) : std::string();
      out->usable = true;
      return;
    }
    default:
      return;  // other types never match
  }
}

// Binds the leaves to the table's columns (first name match, case ignored;
// no match: index 0, type 0) and flattens the tree; returns the root's slot.
int32_t Compile(CriteriaNode* node, const TableData* table, std::vector<Compiled>* program) {
  const int32_t slot = static_cast<int32_t>(program->size());
  program->push_back(Compiled{node->operatorIndex, 0, 0, false, 0, 0, 0.0f, {}, -1, -1});
  if (node->operatorIndex == kOperatorAnd || node->operatorIndex == kOperatorOr) {
    const int32_t left = node->left ? Compile(node->left, table, program) : -1;
    const int32_t right = node->right ? Compile(node->right, table, program) : -1;
    (*program)[slot].left = left;
    (*program)[slot].right = right;
    return slot;
  }
  if (!node->columnName || !node->value) return slot;
  Vector* columns = ColumnList(table);
  const int32_t index = FindColumn(table->kind, columns, node->columnName);
  if (index >= 0) {
    // The node's byte fields reach the first 256 columns; the compiled leaf
    // keeps the whole index, and a leaf past them matches nothing.
    if (index < 256) {
      node->columnIndex = static_cast<uint8_t>(index);
      node->columnType = ColumnType(table->kind, ElementAt(columns, index)->data);
    }
  } else {
    node->columnIndex = 0;
    node->columnType = 0;
  }
  if (index >= 0 && index < 256) CompileLeaf(node, &(*program)[slot]);
  return slot;
}

template <typename T>
bool Compare(T row, T criteria, uint8_t op) {
  switch (op) {
    case kOperatorLess:
      return row < criteria;
    case kOperatorGreater:
      return row > criteria;
    case kOperatorLessOrEqual:
      return row <= criteria;
    case kOperatorGreaterOrEqual:
      return row >= criteria;
    case kOperatorEqual:
      return row == criteria;
    case kOperatorNotEqual:
      return row != criteria;
    default:
      return false;
  }
}

bool Matches(const std::vector<Compiled>& program, int32_t slot, const RowObject* row,
             int32_t columnCount) {
  if (slot < 0) return false;
  const Compiled& node = program[slot];
  if (node.op == kOperatorAnd) {
    return Matches(program, node.left, row, columnCount) &&
           Matches(program, node.right, row, columnCount);
  }
  if (node.op == kOperatorOr) {
    return Matches(program, node.left, row, columnCount) ||
           Matches(program, node.right, row, columnCount);
  }
  if (!node.usable || node.column >= columnCount) return false;
  const char* value = row->values[node.column];
  const int32_t length = row->lengths[node.column];
  if (!value) return false;  // NULL matches nothing
  switch (node.type) {
    case KES_SQL_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_INT:
    case KES_SQL_BIGINT:
      return Compare(static_cast<int64_t>(ReadIntegerValue(value, length, node.type)),
                     node.signedValue, node.op);
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_UNSIGNED_SMALLINT:
    case KES_SQL_UNSIGNED_INT:
      return Compare(ReadIntegerValue(value, length, node.type), node.unsignedValue, node.op);
    case KES_SQL_FLOAT: {
      float f = 0;
      if (length < 4) return false;
      memcpy(&f, value, sizeof(float));
      return Compare(f, node.floatValue, node.op);
    }
    case KES_SQL_CHAR:
    case KES_SQL_VARCHAR:
    case KES_SQL_TEXT: {
      const size_t n = static_cast<size_t>(std::max(length, 0));
      const size_t m = node.text.size();
      int c = memcmp(value, node.text.data(), std::min(n, m));
      if (c == 0) c = n < m ? -1 : (n > m ? 1 : 0);
      return Compare(c, 0, node.op);
    }
    default:
      return false;
  }
}

// Parses and binds criteria for a table; false for a view, a table without
// columns or a parse failure.  Caller holds the store lock.
bool CompileCriteria(const TableData* table, const char* criteria, std::vector<Compiled>* program) {
  CriteriaNode* tree = ParseCriteria(criteria);
  if (!tree) return false;
  Vector* columns = ColumnList(table);
  if (table->kind != kTableKind || !columns || columns->count == 0) {
    FreeCriteriaTree(tree);
    return false;
  }
  Compile(tree, table, program);
  FreeCriteriaTree(tree);
  return true;
}

// --- diagnostics ------------------------------------------------------------

void AppendFormat(std::string* out, const char* format, ...) HV_PRINTF_FORMAT(2, 3);
void AppendFormat(std::string* out, const char* format, ...) {
  char buffer[64];
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  if (n > 0) out->append(buffer, static_cast<size_t>(std::min(n, 63)));
}

// One value and its tab, in the text form of its type.
void AppendValue(std::string* out, const char* value, int32_t length, uint8_t type) {
  if (!value) {
    out->append("NULL\t");
    return;
  }
  switch (type) {
    case KES_SQL_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_INT:
      AppendFormat(out, "%d\t", static_cast<int>(ReadIntegerValue(value, length, type)));
      return;
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_UNSIGNED_SMALLINT:
    case KES_SQL_UNSIGNED_INT:
      AppendFormat(out, "%u\t", static_cast<unsigned>(ReadIntegerValue(value, length, type)));
      return;
    case KES_SQL_BIGINT:
      AppendFormat(out, "%lld\t", static_cast<long long>(ReadIntegerValue(value, length, type)));
      return;
    case KES_SQL_UNSIGNED_LONG_INT:
      AppendFormat(out, "%llu\t",
                   static_cast<unsigned long long>(ReadIntegerValue(value, length, type)));
      return;
    case KES_SQL_FLOAT:
    case KES_SQL_REAL: {
      float f = 0;
      if (length >= 4) memcpy(&f, value, sizeof(f));
      AppendFormat(out, "%f\t", static_cast<double>(f));
      return;
    }
    case KES_SQL_DOUBLE: {
      double d = 0;
      if (length >= 8) memcpy(&d, value, sizeof(d));
      AppendFormat(out, "%f\t", d);
      return;
    }
    case KES_SQL_DATE:
    case KES_SQL_TIME:
    case KES_SQL_DATETIME: {
      KesDateTime* parts = UnpackDateValue(value, length);
      char* text = ConvertKesDateTimeToString(parts);
      FreeKesDateTime(parts);
      out->append(text ? text : "");
      out->append("\t");
      free(text);
      return;
    }
    case KES_SQL_BOOLEAN:
      AppendFormat(out, "%d\t", length > 0 ? static_cast<unsigned char>(value[0]) : 0);
      return;
    default:
      out->append(value, strnlen(value, static_cast<size_t>(std::max(length, 0))));
      out->append("\t");
      return;
  }
}

struct Layout {
  uint8_t kind;
  Vector* columns;
};

std::string HeaderLine(const Layout& layout) {
  std::string line;
  for (VectorNode* node = layout.columns ? layout.columns->head : nullptr; node;
       node = node->next) {
    const char* name = ColumnName(layout.kind, node->data);
    line += name ? name : "";
    line += "\t";
  }
  return line;
}

std::string RowLine(const Layout& layout, const RowObject* row) {
  std::string line;
  int32_t i = 0;
  for (VectorNode* node = layout.columns ? layout.columns->head : nullptr; node;
       node = node->next, ++i) {
    AppendValue(&line, row->values[i], row->lengths[i], ColumnType(layout.kind, node->data));
  }
  return line;
}

// The table as text: the header line, then one line per row.
std::string TableText(const TableData* table) {
  const Layout layout{table->kind, ColumnList(table)};
  std::string text = HeaderLine(layout) + "\n";
  for (const RowObject* row = table->firstRow; row; row = row->next) {
    text += RowLine(layout, row) + "\n";
  }
  return text;
}

void LogTable(const TableData* table) {
  const Layout layout{table->kind, ColumnList(table)};
  LogDebug("%s\n", HeaderLine(layout).c_str());
  for (const RowObject* row = table->firstRow; row; row = row->next) {
    LogDebug("%s\n", RowLine(layout, row).c_str());
  }
}

char* TextCopy(const std::string& text) {
  char* copy = nullptr;
  if (AllocateAndCopyBytes(&copy, text.data(), static_cast<int32_t>(text.size())) != 1) {
    return nullptr;
  }
  LogTrace("String Value of Relvar Data\n %s\n", copy);
  return copy;
}

// --- sorting --------------------------------------------------------------

// Orders two values of a column: integers by their type, floats, texts
// byte by byte, dates by their fields; NULL first.
int CompareValues(const char* a, int32_t aLength, const char* b, int32_t bLength, uint8_t type) {
  if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
  switch (type) {
    case KES_SQL_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_INT:
    case KES_SQL_BIGINT: {
      const auto x = static_cast<int64_t>(ReadIntegerValue(a, aLength, type));
      const auto y = static_cast<int64_t>(ReadIntegerValue(b, bLength, type));
      return (x > y) - (x < y);
    }
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_UNSIGNED_SMALLINT:
    case KES_SQL_UNSIGNED_INT:
    case KES_SQL_UNSIGNED_LONG_INT: {
      const uint64_t x = ReadIntegerValue(a, aLength, type);
      const uint64_t y = ReadIntegerValue(b, bLength, type);
      return (x > y) - (x < y);
    }
    case KES_SQL_FLOAT:
    case KES_SQL_REAL:
    case KES_SQL_DOUBLE: {
      double x = 0, y = 0;
      if (type == KES_SQL_DOUBLE) {
        if (aLength >= 8) memcpy(&x, a, 8);
        if (bLength >= 8) memcpy(&y, b, 8);
      } else {
        float f = 0, g = 0;
        if (aLength >= 4) memcpy(&f, a, 4);
        if (bLength >= 4) memcpy(&g, b, 4);
        x = f;
        y = g;
      }
      return (x > y) - (x < y);
    }
    case KES_SQL_DATE:
    case KES_SQL_TIME:
    case KES_SQL_DATETIME: {
      // Year (little-endian), month, day, hour, minute, second.
      auto key = [](const char* v, int32_t n) {
        uint64_t k = 0;
        if (n < kDateValueSize) return k;
        const auto* u = reinterpret_cast<const unsigned char*>(v);
        k = static_cast<uint64_t>(u[0] | (u[1] << 8));
        for (int i = 2; i <= 6; ++i) k = (k << 8) | u[i];
        return k;
      };
      const uint64_t x = key(a, aLength), y = key(b, bLength);
      return (x > y) - (x < y);
    }
    default: {
      const size_t n = static_cast<size_t>(std::max(aLength, 0));
      const size_t m = static_cast<size_t>(std::max(bLength, 0));
      const int c = memcmp(a, b, std::min(n, m));
      if (c != 0) return c < 0 ? -1 : 1;
      return (n > m) - (n < m);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Tables and rows

const void* GetStoreLockKey() { return &gs_storeLock; }

Vector* GetTableDataList() { return &gs_tables; }

TableData* GetTableDataByName(const char* name) {
  if (!name) return nullptr;
  for (VectorNode* node = gs_tables.head; node; node = node->next) {
    auto* table = static_cast<TableData*>(node->data);
    if (table->name && CompareStringNoCase(table->name, name) == 0) return table;
  }
  return nullptr;
}

bool CreateTable(const char* tableName) {
  LogTrace("\n\t@@@@@ Inside CreateTable() @@@@@ \n");
  TableDefn* defn = GetTableDefn(tableName);
  if (!defn || GetTableDataByName(tableName)) return false;
  auto* table = static_cast<TableData*>(calloc(1, sizeof(TableData)));
  if (!table || AllocateAndCopyString(&table->name, tableName) != 1) {
    free(table);
    return false;
  }
  table->kind = kTableKind;
  table->tableDefn = defn;
  table->columnCount = defn->columns ? defn->columns->count : 0;
  if (AddElementData(&gs_tables, table) != 1) {
    free(table->name);
    free(table);
    return false;
  }
  return true;
}

bool CreateCustomViewData(const char* viewName, CustomViewDefn* viewDefn) {
  LogTrace("\n\t@@@@@ Inside CreateCustomViewData() @@@@@ \n");
  if (!viewName || !viewDefn || GetTableDataByName(viewName)) return false;
  auto* table = static_cast<TableData*>(calloc(1, sizeof(TableData)));
  if (!table || AllocateAndCopyString(&table->name, viewName) != 1) {
    free(table);
    return false;
  }
  table->kind = kViewKind;
  table->viewDefn = viewDefn;
  table->columnCount = viewDefn->columns ? viewDefn->columns->count : 0;
  if (AddElementData(&gs_tables, table) != 1) {
    free(table->name);
    free(table);
    return false;
  }
  return true;
}

RowObject* CreateNewRowObject(char** values, int32_t* lengths) {
  LogTrace("\n\t@@@@@ Inside CreateNewRowObject() @@@@@ \n");
  if (!values || !lengths) return nullptr;
  auto* row = static_cast<RowObject*>(calloc(1, sizeof(RowObject)));
  if (!row) return nullptr;
  row->values = values;
  row->lengths = lengths;
  row->state = kRowNew;
  return row;
}

bool AddNewRow(const char* name, RowObject* row) {
  LogTrace("\n\t@@@@@ Inside AddNewRow() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (!table || !row) return false;
  Vector* columns = ColumnList(table);
  if (!columns || columns->count == 0) return false;
  if (table->kind == kTableKind) {
    int32_t i = 0;
    for (VectorNode* node = columns->head; node && i < table->columnCount; node = node->next, ++i) {
      auto* column = static_cast<ColumnDefnEntry*>(node->data);
      if (!row->values[i] && column->generatorName) {
        const int32_t id = GenerateID(table->name, column);
        char* value = nullptr;
        if (AllocateAndCopyBytes(&value, reinterpret_cast<const char*>(&id), 4) == 1) {
          row->values[i] = value;
          row->lengths[i] = 4;
        }
      }
      if (!row->values[i] && column->defaultValue) {
        char* value = nullptr;
        if (AllocateAndCopyBytes(&value, column->defaultValue, column->defaultValueLength) == 1) {
          row->values[i] = value;
          row->lengths[i] = column->defaultValueLength;
        }
      }
    }
  }
  row->next = nullptr;
  if (table->lastRow) {
    table->lastRow->next = row;
  } else {
    table->firstRow = row;
  }
  table->lastRow = row;
  ++table->rowCount;
  SendNotification(row, table->name);
  return true;
}

bool UpdateRowObject(const char* name, RowObject* row, const char* columnName, const char* value,
                     int32_t length) {
  LogTrace("\n\t@@@@@ Inside UpdateRowObject() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (!table) return false;
  if (!row) {
    LogError("\t@@@@@ rowPtr passed as parameter in NULL @@@@@ \n");
    return false;
  }
  if (!columnName) return false;
  if (table->kind == kTableKind && IsPrimaryKeyColumn(table->tableDefn, columnName)) {
    LogError("@@@ UpdateRowObject Failed as PrimaryKey is being updated @@@\n");
    return false;
  }
  const int32_t index = FindColumn(table->kind, ColumnList(table), columnName);
  if (index < 0 || index >= table->columnCount || length < 0 || (length > 0 && !value)) {
    return false;
  }
  char* copy = nullptr;
  if (AllocateAndCopyBytes(&copy, value, length) != 1) return false;
  char* old = row->values[index];
  row->values[index] = copy;
  row->lengths[index] = length;
  row->state |= kRowModified;
  SendNotification(row, table->name);
  free(old);
  return true;
}

bool DeleteRowObject(const char* name, RowObject* row) {
  LogTrace("\n\t@@@@@ Inside DeleteRowObject() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (!table || !row) return false;
  if (row->state & kRowInDatabase) {
    row->state |= kRowDeleted;
    return true;
  }
  if (!UnlinkRow(table, row)) return false;
  SendNotification(row, table->name);
  FreeRowObject(row, table->columnCount);
  return true;
}

bool DeleteRowObjectByCriteria(const char* name, const char* criteria) {
  LogTrace("\n\t@@@@@ Inside DeleteRowObjectByCriteria() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (!table || !criteria) return false;
  LockObject(&gs_storeLock);
  std::vector<Compiled> program;
  if (!CompileCriteria(table, criteria, &program)) {
    UnlockObject(&gs_storeLock);
    return false;
  }
  for (RowObject* row = table->firstRow; row;) {
    RowObject* next = row->next;
    if (Matches(program, 0, row, table->columnCount)) DeleteRowObject(table->name, row);
    row = next;
  }
  UnlockObject(&gs_storeLock);
  return true;
}

bool DeleteAllTableRowObjects(const char* name) {
  LogTrace("\n\t@@@@@ Inside DeleteAllTableRowObjects() @@@@@ \n");
  if (!name) {
    LogError("\t tableName NULL \n");
    return false;
  }
  TableData* table = GetTableDataByName(name);
  if (!table) {
    LogError("\t GetTableDataByName returned NULL \n");
    return false;
  }
  Vector* columns = ColumnList(table);
  if (table->kind != kTableKind || !columns || columns->count == 0) return false;
  for (RowObject* row = table->firstRow; row;) {
    RowObject* next = row->next;
    DeleteRowObject(table->name, row);
    row = next;
  }
  return true;
}

void FreeRowObject(RowObject* row, int32_t columnCount) {
  if (!row) return;
  for (int32_t i = 0; row->values && i < columnCount; ++i) free(row->values[i]);
  free(row->values);
  free(row->lengths);
  free(row);
}

void FreeTableData(TableData* table) {
  LogTrace("\n\t@@@@@ Inside FreeTableData() @@@@@ \n");
  if (!table) return;
  for (RowObject* row = table->firstRow; row;) {
    RowObject* next = row->next;
    FreeRowObject(row, table->columnCount);
    row = next;
  }
  table->firstRow = nullptr;
  table->lastRow = nullptr;
  table->rowCount = 0;
  if (table->kind == kViewKind) FreeCustomViewDefn(table->viewDefn);
  table->viewDefn = nullptr;
  free(table->name);
  table->name = nullptr;
}

bool UnLoadTable(const char* name) {
  LogTrace("\n\t@@@@@ Inside UnLoadTable() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (!table) return false;
  int32_t position = 0;
  for (VectorNode* node = gs_tables.head; node && node->data != table; node = node->next) {
    ++position;
  }
  DeleteElementAt(&gs_tables, position);
  FreeTableData(table);
  free(table);
  return true;
}

uint8_t UnLoadAllTable() {
  LogTrace("\n\t@@@@@ Inside UnLoadAllTable() @@@@@ \n");
  while (gs_tables.count > 0) {
    auto* table = static_cast<TableData*>(gs_tables.head->data);
    DeleteElementAt(&gs_tables, 0);
    FreeTableData(table);
    free(table);
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Selection and results

ResultData* CreateResultData(int32_t rowCount, int32_t columnCount, TableData* table) {
  (void)rowCount;
  auto* result = static_cast<ResultData*>(calloc(1, sizeof(ResultData)));
  if (!result) return nullptr;
  result->columnCount = columnCount;
  if (table) {
    result->kind = table->kind;
    result->tableDefn = table->tableDefn;
    result->viewDefn = table->viewDefn;
  }
  return result;
}

bool AddRowToResultData(RowObject* row, ResultData* result) {
  if (!row || !result) return false;
  auto* node = static_cast<ResultNode*>(calloc(1, sizeof(ResultNode)));
  if (!node) return false;
  node->row = row;
  // While the result is being built the cursor follows the last node; a
  // cursor a reader has moved stays where it is.
  const bool building = !result->first || result->cursor == result->last;
  if (result->last) {
    result->last->next = node;
  } else {
    result->first = node;
  }
  result->last = node;
  if (building) result->cursor = node;
  ++result->rowCount;
  return true;
}

RowObject* GotoNextRowObject(ResultData* result) {
  if (!result) return nullptr;
  result->cursor = result->cursor ? result->cursor->next : result->first;
  return result->cursor ? result->cursor->row : nullptr;
}

void ResetResultDataCursor(ResultData* result) {
  if (result) result->cursor = nullptr;
}

void FreeResultData(ResultData* result) {
  if (!result) return;
  for (ResultNode* node = result->first; node;) {
    ResultNode* next = node->next;
    free(node);
    node = next;
  }
  free(result);
}

ResultData* SelectRows(const char* name, const char* criteria) {
  LogTrace("\n\t@@@@@ Inside SelectRows() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (!table) return nullptr;
  ResultData* result = CreateResultData(0, table->columnCount, table);
  if (!result) return nullptr;
  if (!criteria) {
    for (RowObject* row = table->firstRow; row; row = row->next) {
      if (!AddRowToResultData(row, result)) {
        LogError("not able to Add row \n");
        FreeResultData(result);
        return nullptr;
      }
    }
    ResetResultDataCursor(result);
    return result;
  }
  LockObject(&gs_storeLock);
  std::vector<Compiled> program;
  if (!CompileCriteria(table, criteria, &program)) {
    UnlockObject(&gs_storeLock);
    FreeResultData(result);
    return nullptr;
  }
  for (RowObject* row = table->firstRow; row; row = row->next) {
    if (!Matches(program, 0, row, table->columnCount)) continue;
    if (!AddRowToResultData(row, result)) {
      LogError("not able to Add row \n");
      UnlockObject(&gs_storeLock);
      FreeResultData(result);
      return nullptr;
    }
  }
  ResetResultDataCursor(result);
  UnlockObject(&gs_storeLock);
  return result;
}

ResultData* SelectRowByRowIdx(const char* name, int32_t position) {
  LogTrace("\n\t@@@@@ Inside SelectRowByRowIdx() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (!table || position > table->rowCount || !table->firstRow) return nullptr;
  RowObject* row = table->firstRow;
  for (int32_t i = 1; i < position && row->next; ++i) row = row->next;
  ResultData* result = CreateResultData(0, table->columnCount, table);
  if (!result) return nullptr;
  if (!AddRowToResultData(row, result)) {
    FreeResultData(result);
    return nullptr;
  }
  ResetResultDataCursor(result);
  return result;
}

char* GetColumnValue(const char* tableName, const char* columnName, const char* criteria,
                     int32_t* length) {
  LogTrace("\n\t@@@@@ Inside GetColumnValue() @@@@@ \n");
  ResultData* result = SelectRows(tableName, criteria);
  if (!result) {
    LogError("Error in executing SelectRows(%s,%s)\n", tableName ? tableName : "(null)",
             criteria ? criteria : "(null)");
    return nullptr;
  }
  if (!GotoNextRowObject(result)) {
    LogTrace("No such row available in the %s for %s", tableName, criteria ? criteria : "(null)");
    FreeResultData(result);
    return nullptr;
  }
  int32_t found = 0;
  char* value = GetColumnValueByName(columnName, &found, result);
  FreeResultData(result);
  if (!value) {
    LogError("columnValue is NULL for :%s\n", columnName ? columnName : "(null)");
    return nullptr;
  }
  if (length) *length = found;
  return value;
}

char* GetColumnValueByName(const char* columnName, int32_t* length, ResultData* result) {
  if (!result || !result->cursor || !columnName) return nullptr;
  const int32_t index = FindColumn(result->kind, ColumnList(result), columnName);
  if (index < 0 || index >= result->columnCount) return nullptr;
  RowObject* row = result->cursor->row;
  if (length) *length = row->lengths[index];
  return row->values[index];
}

uint8_t GetColumnTypeByName(const char* columnName, ResultData* result) {
  if (!result || !columnName) return 0;
  Vector* columns = ColumnList(result);
  for (VectorNode* node = columns ? columns->head : nullptr; node; node = node->next) {
    const char* name = nullptr;
    if (result->kind == kTableKind) {
      name = static_cast<ColumnDefnEntry*>(node->data)->name;
    } else {
      const ColumnDefnEntry* source = static_cast<ViewColumnDefn*>(node->data)->column;
      name = source ? source->name : nullptr;
    }
    if (name && CompareStringNoCase(name, columnName) == 0)
      return ColumnType(result->kind, node->data);
  }
  return 0;
}

const char* GetColumnNameByIndex(int32_t index, ResultData* result) {
  if (!result) return nullptr;
  VectorNode* node = ElementAt(ColumnList(result), index);
  return node ? ColumnName(result->kind, node->data) : nullptr;
}

const char* GetTableNameFromResultData(ResultData* result) {
  if (!result) return nullptr;
  if (result->kind == kTableKind) return result->tableDefn ? result->tableDefn->name : nullptr;
  if (!result->viewDefn || result->viewDefn->baseTableCount == 0) return nullptr;
  return result->viewDefn->baseTables[0];
}

const char* GetTableNameOfView(const char* name) {
  TableData* table = GetTableDataByName(name);
  if (table && table->kind == kViewKind && table->viewDefn && table->viewDefn->baseTableCount > 0) {
    return table->viewDefn->baseTables[0];
  }
  return name;
}

bool SortResultSet(ResultData* result, const char* columnName, uint8_t order) {
  LogTrace("\n\t@@@@@ Inside SortResultSet() @@@@@ \n");
  if (!result || !columnName) return false;
  Vector* columns = ColumnList(result);
  if (!columns || columns->count == 0) return false;
  const int32_t index = FindColumn(result->kind, columns, columnName);
  if (index < 0 || index >= result->columnCount) return false;
  if (!result->first || !result->first->next) {
    if (result->rowCount == 1) {
      LogDebug("Number of Rows is 1 for the Relvar to be Sorted \n");
      return true;
    }
    return false;
  }
  const uint8_t type = ColumnType(result->kind, ElementAt(columns, index)->data);
  std::vector<ResultNode*> nodes;
  for (ResultNode* node = result->first; node; node = node->next) nodes.push_back(node);
  // Stable: equal keys keep their order, as the exchange sort of adjacent
  // pairs would, in O(n log n).
  std::stable_sort(nodes.begin(), nodes.end(), [&](const ResultNode* a, const ResultNode* b) {
    const int c = CompareValues(a->row->values[index], a->row->lengths[index],
                                b->row->values[index], b->row->lengths[index], type);
    return order == 1 ? c < 0 : c > 0;
  });
  for (size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i]->next = nodes[i + 1];
  nodes.back()->next = nullptr;
  result->first = nodes.front();
  result->last = nodes.back();
  return true;
}

// ---------------------------------------------------------------------------
// Custom views

CustomViewDefn* CreateCustomViewDefn(uint8_t baseTableCount, char** baseTables, Vector* columns) {
  auto* view = static_cast<CustomViewDefn*>(calloc(1, sizeof(CustomViewDefn)));
  if (!view) {
    LogError("Could not allocate memory for CustomViewDefn\n");
    return nullptr;
  }
  view->baseTableCount = baseTableCount;
  view->baseTables = baseTables;
  view->columns = columns;
  return view;
}

ViewColumnDefn* CreateViewColumnDefn(const char* name, int32_t number, uint8_t flag,
                                     ColumnDefnEntry* column) {
  auto* viewColumn = static_cast<ViewColumnDefn*>(calloc(1, sizeof(ViewColumnDefn)));
  if (!viewColumn) {
    LogError("Could not allocate memory for ViewColumnDefn\n");
    return nullptr;
  }
  viewColumn->name = name;
  viewColumn->number = number;
  viewColumn->flag = flag;
  viewColumn->column = column;
  return viewColumn;
}

void FreeCustomViewDefn(CustomViewDefn* viewDefn) {
  if (!viewDefn) return;
  if (viewDefn->columns) {
    for (VectorNode* node = viewDefn->columns->head; node; node = node->next) free(node->data);
    FreeVector(viewDefn->columns);
    free(viewDefn->columns);
  }
  for (int32_t i = 0; viewDefn->baseTables && i < viewDefn->baseTableCount; ++i) {
    free(viewDefn->baseTables[i]);
  }
  free(viewDefn->baseTables);
  free(viewDefn);
}

// ---------------------------------------------------------------------------
// Diagnostics

void PrintTableData(const char* name) {
  LogTrace("\n\t@@@@@ Inside PrintTableData() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (table) LogTable(table);
}

void PrintCustomViewData(const char* name) {
  LogTrace("\n\t@@@@@ Inside PrintCustomViewData() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  if (table && table->kind == kViewKind) LogTable(table);
}

void PrintResultData(ResultData* result) {
  LogTrace("\n\t@@@@@ Inside PrintResultData() @@@@@ \n");
  if (!result) return;
  const Layout layout{result->kind, ColumnList(result)};
  LogDebug("%s\n", HeaderLine(layout).c_str());
  for (ResultNode* node = result->first; node; node = node->next) {
    if (node->row->state & kRowDeleted) continue;
    LogDebug("%s\n", RowLine(layout, node->row).c_str());
  }
}

char* ToStringTableData(const char* name) {
  LogTrace("\n\t@@@@@ Inside ToStringTableData() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  return table ? TextCopy(TableText(table)) : nullptr;
}

char* ToStringCustomViewData(const char* name) {
  LogTrace("\n\t@@@@@ Inside ToStringCustomViewData() @@@@@ \n");
  TableData* table = GetTableDataByName(name);
  return table && table->kind == kViewKind ? TextCopy(TableText(table)) : nullptr;
}

struct BoundCriteria {
  std::vector<Compiled> program;
  int32_t columnCount;
};

BoundCriteria* BindCriteria(TableDefn* defn, const char* criteria) {
  if (!defn || !defn->columns || !criteria) return nullptr;
  TableData table{};
  table.name = defn->name;
  table.kind = kTableKind;
  table.tableDefn = defn;
  table.columnCount = defn->columns->count;
  auto* bound = new (std::nothrow) BoundCriteria();
  if (!bound) return nullptr;
  bound->columnCount = table.columnCount;
  if (!CompileCriteria(&table, criteria, &bound->program)) {
    delete bound;
    return nullptr;
  }
  return bound;
}

bool CriteriaMatchRow(const BoundCriteria* criteria, const RowObject* row) {
  return criteria && row && Matches(criteria->program, 0, row, criteria->columnCount);
}

void FreeBoundCriteria(BoundCriteria* criteria) { delete criteria; }
