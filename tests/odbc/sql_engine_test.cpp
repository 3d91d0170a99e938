// The dialects' statements run on their engines: tables of every type
// created with CreateAllTables, rows inserted, selected, updated and deleted
// through generated statements and read back equal; hostile texts as keys
// and values reach exactly the row they name.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/table_defn.h"
#include "tests/support/log_capture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::Engine;

struct ColumnSpec {
  const char* name;
  uint8_t type;
  int32_t size;
};

// Every type the dialects write a value of and read back exactly.
const std::vector<ColumnSpec> kColumns = {
    {"ID", KES_SQL_INT, 0},
    {"TINY", KES_SQL_TINYINT, 0},
    {"UTINY", KES_SQL_UNSIGNED_TINYINT, 0},
    {"SMALL", KES_SQL_SMALLINT, 0},
    {"USMALL", KES_SQL_UNSIGNED_SMALLINT, 0},
    {"UINTC", KES_SQL_UNSIGNED_INT, 0},
    {"BIG", KES_SQL_BIGINT, 0},
    {"FLT", KES_SQL_FLOAT, 0},
    {"DBL", KES_SQL_DOUBLE, 0},
    {"NAME", KES_SQL_VARCHAR, 80},
    {"DAY", KES_SQL_DATE, 0},
    {"AT", KES_SQL_TIME, 0},
    {"TS", KES_SQL_DATETIME, 0},
    {"FLAG", KES_SQL_BOOLEAN, 0},
    {"TXT", KES_SQL_TEXT, 0},
};

void DefineTables() {
  InitTableDefnList();
  Vector* columns = CreateVector();
  for (const ColumnSpec& c : kColumns) {
    AddElementData(columns, CreateColumnDefn(c.name, c.type, nullptr, 0, 0, nullptr, nullptr,
                                             c.size, c.type == KES_SQL_INT ? 0 : 1, nullptr));
  }
  const char* key[] = {"ID"};
  AddTableDefn(CreateTableDefn("AllTypes", nullptr, columns, CreateConstraintDefn(key, 1)));
  // Every remaining code, only created.
  Vector* more = CreateVector();
  const uint8_t others[] = {KES_SQL_UNSIGNED_LONG_INT,
                            KES_SQL_REAL,
                            KES_SQL_DECIMAL,
                            KES_SQL_NUMERIC,
                            KES_SQL_CHAR,
                            KES_SQL_BLOB,
                            KES_SQL_CLOB};
  int i = 0;
  for (uint8_t t : others) {
    const std::string name = "C" + std::to_string(i++);
    AddElementData(
        more, CreateColumnDefn(name.c_str(), t, nullptr, 0, 0, nullptr, nullptr, 10, 1, nullptr));
  }
  AddTableDefn(CreateTableDefn("MoreTypes", nullptr, more, CreateConstraintDefn(nullptr, 0)));
  Vector* keyed = CreateVector();
  AddElementData(keyed, CreateColumnDefn("KEYNAME", KES_SQL_VARCHAR, nullptr, 0, 0, nullptr,
                                         nullptr, 80, 0, nullptr));
  AddElementData(
      keyed, CreateColumnDefn("VAL", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0, 1, nullptr));
  const char* keyName[] = {"KEYNAME"};
  AddTableDefn(CreateTableDefn("Hostile", nullptr, keyed, CreateConstraintDefn(keyName, 1)));
}

// A value from its text for a column type ("-": NULL).
char* Value(uint8_t type, const char* text, int32_t* length) {
  *length = 0;
  if (strcmp(text, "-") == 0) return nullptr;
  if (type == KES_SQL_DATE || type == KES_SQL_TIME || type == KES_SQL_DATETIME) {
    return ODBCConvertDateTime(text, length, type);
  }
  *length = static_cast<int32_t>(strlen(text));
  return ConvertStringToValue(text, length, type);
}

RowObject* MakeRow(const std::vector<uint8_t>& types, const std::vector<const char*>& texts) {
  auto** values = static_cast<char**>(calloc(types.size(), sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(calloc(types.size(), sizeof(int32_t)));
  for (size_t i = 0; i < types.size(); ++i) values[i] = Value(types[i], texts[i], &lengths[i]);
  return CreateNewRowObject(values, lengths);
}

std::vector<uint8_t> AllTypes() {
  std::vector<uint8_t> types;
  for (const ColumnSpec& c : kColumns) types.push_back(c.type);
  return types;
}

std::string Show(const char* value, int32_t length, uint8_t type) {
  if (!value) return "NULL";
  return hvtest::TakeText(ConvertValueToString(value, length, type));
}

class SqlEngineTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    hvtest::OdbcTestDirectory();
    details_ = hvtest::EngineDetails(GetParam(), &notRunning_);
    ASSERT_TRUE(notRunning_.empty()) << notRunning_;
    InitSqlDialects();
    hvtest::AddEngineDataSource(details_, "e", {"AllTypes", "MoreTypes", "Hostile"});
    SetDSNMapValid(1, 0);
    DefineTables();
    ASSERT_TRUE(EstablishDBConnections()) << log_.Take();
    connection_ = GetConnectionHandle("e");
    for (const char* table : {"AllTypes", "MoreTypes", "Hostile"}) {
      ExecuteUpdate(connection_, (std::string("DROP TABLE IF EXISTS ") + table).c_str());
    }
    log_.Take();
  }
  void TearDown() override {
    FreeAllTableDefns();
    hvtest::RemoveEngineDataSources();
  }

  bool Run(char* statement) {
    if (!statement) return false;
    const bool ok = ExecuteUpdate(connection_, statement) == 1;
    free(statement);
    return ok;
  }

  // The rows of a table selected with a criteria tree on one column (or
  // all), as converted row objects in the table's column types.
  std::vector<RowObject*> Select(const char* table,
                                 QueryCriteriaNode* (*criteria)(SelectQuery*) = nullptr) {
    SelectQuery* q = CreateSelectQuery();
    AddSelectTable(q, CreateTableEntry(table, nullptr, q->pool));
    if (criteria) SetSelectCriteria(q, criteria(q));
    char* text = GenerateSelectQuery(q);
    FreeSelectQuery(q);
    std::vector<RowObject*> rows;
    if (!text) return rows;
    ResultSet* set = ExecuteQuery(connection_, text);
    free(text);
    if (!set) return rows;
    while (GotoNextResultRow(set))
      rows.push_back(ConvertResultsetToRowobject(set, details_.dbType, table));
    FreeResultSet(set);
    return rows;
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 3};
  hvtest::OdbcEngine details_;
  std::string notRunning_;
  ConnectionHandle* connection_ = nullptr;
};

TEST_P(SqlEngineTest, TablesOfEveryTypeCreateAndRowsTravelThroughGeneratedStatements) {
  ASSERT_TRUE(CreateAllTables()) << log_.Take();
  // A second time the first table exists: the first failure ends it.
  EXPECT_FALSE(CreateAllTables());
  EXPECT_FALSE(CreateTableInDataSource("Hostile", "e"));
  ExecuteUpdate(connection_, "DROP TABLE Hostile");
  EXPECT_TRUE(CreateTableInDataSource("Hostile", "e")) << log_.Take();

  const std::vector<uint8_t> types = AllTypes();
  const std::vector<std::vector<const char*>> rows = {
      {"1", "-5", "200", "-30000", "60000", "4000000000", "-9000000000", "2.5", "1.25",
       "it's a \\ 'quoted' h\xC3\xA9llo; -- text", "2020-01-31", "08:05:09", "2020-01-31 08:05:09",
       "TRUE", "long text with ' and \\"},
      {"2", "7", "0", "1", "2", "3", "4", "0.5", "-2.75", "second", "1999-12-31", "23:59:59",
       "1999-12-31 23:59:59", "FALSE", "x"},
      {"3", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"},
  };
  for (const auto& texts : rows) {
    RowObject* row = MakeRow(types, texts);
    EXPECT_TRUE(Run(GenerateInsertQuery("AllTypes", row))) << log_.Take();
    FreeRowObject(row, static_cast<int32_t>(types.size()));
  }

  std::vector<RowObject*> read = Select("AllTypes");
  ASSERT_EQ(read.size(), rows.size()) << log_.Take();
  for (size_t r = 0; r < rows.size(); ++r) {
    RowObject* expected = MakeRow(types, rows[r]);
    RowObject* got = nullptr;
    for (RowObject* candidate : read) {
      if (candidate && Show(candidate->values[0], candidate->lengths[0], KES_SQL_INT) == rows[r][0])
        got = candidate;
    }
    std::string ids;
    for (RowObject* candidate : read) {
      ids += candidate ? Show(candidate->values[0], candidate->lengths[0], KES_SQL_INT) + " "
                       : "none ";
    }
    ASSERT_NE(got, nullptr) << rows[r][0] << " among " << ids << log_.Take();
    for (size_t c = 0; c < types.size(); ++c) {
      EXPECT_EQ(Show(got->values[c], got->lengths[c], types[c]),
                Show(expected->values[c], expected->lengths[c], types[c]))
          << "row " << rows[r][0] << " column " << kColumns[c].name;
    }
    FreeRowObject(expected, static_cast<int32_t>(types.size()));
  }

  // Update row 2 and delete row 1 through their generated statements.
  RowObject* second = nullptr;
  for (RowObject* row : read) {
    if (Show(row->values[0], row->lengths[0], KES_SQL_INT) == "2") second = row;
  }
  ASSERT_NE(second, nullptr);
  int32_t length = 0;
  char* changed = Value(KES_SQL_VARCHAR, "changed 'again'", &length);
  free(second->values[9]);
  second->values[9] = changed;
  second->lengths[9] = length;
  second->values[13][0] = 1;
  EXPECT_TRUE(Run(GenerateUpdateQuery("AllTypes", second))) << log_.Take();
  for (RowObject* row : read) {
    if (Show(row->values[0], row->lengths[0], KES_SQL_INT) == "1") {
      EXPECT_TRUE(Run(GenerateDeleteQuery("AllTypes", row)));
    }
  }
  for (RowObject* row : read) FreeRowObject(row, static_cast<int32_t>(types.size()));

  // Criteria on a text and a boolean column reach the changed row only.
  read = Select("AllTypes", [](SelectQuery* q) {
    QueryColumn* name =
        CreateQueryColumn(nullptr, nullptr, "NAME", nullptr, 0, KES_SQL_VARCHAR, 0, q->pool);
    QueryColumn* flag =
        CreateQueryColumn(nullptr, nullptr, "FLAG", nullptr, 0, KES_SQL_BOOLEAN, 0, q->pool);
    const char yes = 1;
    const char* text = "changed 'again'";
    return CreateAndNode(CreateQueryCriteriaNode(name, text, static_cast<int32_t>(strlen(text)),
                                                 kOperatorEqual, q->pool),
                         CreateQueryCriteriaNode(flag, &yes, 1, kOperatorEqual, q->pool), q->pool);
  });
  ASSERT_EQ(read.size(), 1u) << log_.Take();
  EXPECT_EQ(Show(read[0]->values[0], read[0]->lengths[0], KES_SQL_INT), "2");
  EXPECT_EQ(read[0]->values[13][0], 1);
  for (RowObject* row : read) FreeRowObject(row, static_cast<int32_t>(types.size()));
  read = Select("AllTypes");
  EXPECT_EQ(read.size(), 2u);
  for (RowObject* row : read) FreeRowObject(row, static_cast<int32_t>(types.size()));
}

TEST_P(SqlEngineTest, HostileTextsNameExactlyTheirRow) {
  ASSERT_TRUE(CreateAllTables()) << log_.Take();
  const std::vector<const char*> keys = {
      "plain",      "x' OR '1'='1", "back\\slash", "end\\",        "--comment",
      "semi;colon", "quote''s",     "/* c */",     "h\xC3\xA9llo",
  };
  const std::vector<uint8_t> types = {KES_SQL_VARCHAR, KES_SQL_INT};
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string number = std::to_string(i);
    RowObject* row = MakeRow(types, {keys[i], number.c_str()});
    ASSERT_TRUE(Run(GenerateInsertQuery("Hostile", row))) << keys[i] << log_.Take();
    FreeRowObject(row, 2);
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    RowObject* row = MakeRow(types, {keys[i], "100"});
    ASSERT_TRUE(Run(GenerateUpdateQuery("Hostile", row))) << keys[i];
    ASSERT_TRUE(Run(GenerateDeleteQuery("Hostile", row))) << keys[i];
    FreeRowObject(row, 2);
    std::vector<RowObject*> left = Select("Hostile");
    EXPECT_EQ(left.size(), keys.size() - i - 1) << "after " << keys[i];
    for (RowObject* r : left) {
      EXPECT_NE(Show(r->values[1], r->lengths[1], KES_SQL_INT), "100") << "after " << keys[i];
      FreeRowObject(r, 2);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, SqlEngineTest, hvtest::AllEngines(), hvtest::EngineTestName);

}  // namespace

namespace {

TEST_P(SqlEngineTest, CreateDBMakesADatabaseOnce) {
  if (GetParam() == Engine::kSqlite) {
    // SQLite has no statement that creates a database: the call fails.
    EXPECT_FALSE(CreateDB("anything"));
    EXPECT_NE(log_.Take().find("[ERROR] Cannot create database anything.\n"), std::string::npos);
    return;
  }
  ReleaseConnectionHandle("e");
  const std::string name = "tavrix_made_" + std::to_string(getpid());
  EXPECT_TRUE(CreateDB(name.c_str())) << log_.Take();
  EXPECT_FALSE(CreateDB(name.c_str()));
  EXPECT_NE(log_.Take().find("[ERROR] Cannot create database " + name + ".\n"), std::string::npos);
  ConnectionHandle* c = GetConnectionHandle(nullptr);
  EXPECT_EQ(ExecuteUpdate(c, ("drop database " + name).c_str()), 1);
  ReleaseConnectionHandle(nullptr);
}

}  // namespace

namespace {

TEST_P(SqlEngineTest, RangesSortingGroupingAndJoinsRunOnTheEngine) {
  ASSERT_TRUE(CreateAllTables()) << log_.Take();
  const std::vector<uint8_t> types = AllTypes();
  for (const char* id : {"4", "1", "3", "2", "5"}) {
    const std::string name = std::string("n") + (id[0] % 2 ? "odd" : "even");
    RowObject* row =
        MakeRow(types, {id, "1", "2", "3", "4", "5", "6", "1.5", "2.5", name.c_str(), "2020-01-31",
                        "08:05:09", "2020-01-31 08:05:09", id[0] % 2 ? "TRUE" : "FALSE", "t"});
    ASSERT_TRUE(Run(GenerateInsertQuery("AllTypes", row))) << log_.Take();
    FreeRowObject(row, static_cast<int32_t>(types.size()));
    RowObject* hostile = MakeRow({KES_SQL_VARCHAR, KES_SQL_INT}, {name.c_str(), id});
    Run(GenerateInsertQuery("Hostile", hostile));  // the second of each name is refused
    FreeRowObject(hostile, 2);
  }
  // Sorted by ID, two rows after the first.
  SelectQuery* q = CreateSelectQuery();
  AddSelectTable(q, CreateTableEntry("AllTypes", "a", q->pool));
  AddColumnToQuery(q, nullptr, "a", "ID", nullptr, 0, KES_SQL_INT, kFunctionNone);
  Vector* sortColumns = CreateColumnList(q->pool);
  AddToColumnList(q->pool,
                  CreateListColumn(nullptr, "a", "ID", nullptr, 0, KES_SQL_INT, 0, q->pool),
                  sortColumns);
  SetSelectSort(q, CreateSort(sortColumns, kSortAscending, q->pool));
  q->rowLimit = 2;
  q->rowOffset = 1;
  char* text = GenerateSelectQuery(q);
  FreeSelectQuery(q);
  ResultSet* set = ExecuteQuery(connection_, text);
  ASSERT_NE(set, nullptr) << text << log_.Take();
  std::vector<std::string> ids;
  while (GotoNextResultRow(set))
    ids.push_back(
        Show(set->cursor->values->data, set->cursor->values->length, set->columns[0]->dataType));
  EXPECT_EQ(ids, (std::vector<std::string>{"2", "3"})) << text;
  FreeResultSet(set);
  free(text);

  // Grouped by name with a count, joined to Hostile on the name.
  q = CreateSelectQuery();
  AddColumnToQuery(q, nullptr, "a", "NAME", nullptr, 0, KES_SQL_VARCHAR, kFunctionNone);
  AddColumnToQuery(q, nullptr, nullptr, nullptr, nullptr, 0, KES_SQL_INT, kFunctionCount);
  Vector* base = MakeColumnVectorForJoin(q->pool, "AllTypes", 1, "NAME");
  Vector* reference = MakeColumnVectorForJoin(q->pool, "Hostile", 1, "KEYNAME");
  AddJoinToQuery(q, "AllTypes", "a", "Hostile", "h", kInnerJoin, base, reference);
  Vector* groupColumns = CreateColumnList(q->pool);
  AddToColumnList(q->pool,
                  CreateListColumn("a", nullptr, "NAME", nullptr, 0, KES_SQL_VARCHAR, 0, q->pool),
                  groupColumns);
  SetSelectGroupBy(q, CreateGroupBy(groupColumns, nullptr, q->pool));
  Vector* byName = CreateColumnList(q->pool);
  AddToColumnList(q->pool,
                  CreateListColumn(nullptr, "a", "NAME", nullptr, 0, KES_SQL_VARCHAR, 0, q->pool),
                  byName);
  SetSelectSort(q, CreateSort(byName, kSortDescending, q->pool));
  text = GenerateSelectQuery(q);
  FreeSelectQuery(q);
  set = ExecuteQuery(connection_, text);
  ASSERT_NE(set, nullptr) << text << log_.Take();
  ASSERT_EQ(set->rowCount, 2) << text;
  GotoNextResultRow(set);
  EXPECT_EQ(std::string(set->cursor->values->data, set->cursor->values->length), "nodd");
  EXPECT_EQ(Show(set->cursor->values->next->data, set->cursor->values->next->length,
                 set->columns[1]->dataType),
            "3");
  FreeResultSet(set);
  free(text);
}

}  // namespace
