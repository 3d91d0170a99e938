// Statement texts of the four dialects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "database/criteria_parser.h"
#include "database/db_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/table_defn.h"
#include "tests/support/log_capture.h"
#include "tests/support/table_fixture.h"
#include "tests/support/test_support.h"

namespace {

using Generator = char* (*)(const char*, RowObject*);

struct DialectOps {
  const char* name;
  char* (*select)(SelectQuery*);
  Generator update;
  Generator insert;
  Generator remove;
  char* (*create)(const char*);
};

const DialectOps kDialects[4] = {
    {"MYSQL", MysqlGenSelectQuery, MysqlGenUpdateQuery, MysqlGenInsertQuery, MysqlGenDelteQuery,
     MysqlGenCreateQuery},
    {"PGSQL", PgsqlGenSelectQuery, PgsqlGenUpdateQuery, PgsqlGenInsertQuery, PgsqlGenDeleteQuery,
     PgsqlGenCreateQuery},
    {"SQLITE", SqliteGenSelectQuery, SqliteGenUpdateQuery, SqliteGenInsertQuery,
     SqliteGenDeleteQuery, SqliteGenCreateQuery},
    {"FIREBIRD", FirebirdGenSelectQuery, FirebirdGenUpdateQuery, FirebirdGenInsertQuery,
     FirebirdGenDeleteQuery, FirebirdGenCreateQuery},
};

ColumnDefnEntry* Column(const char* name, uint8_t type, const char* defaultText = nullptr,
                        int32_t size = 0, uint8_t nullable = 1) {
  return CreateColumnDefn(name, type, defaultText,
                          defaultText ? static_cast<int32_t>(strlen(defaultText)) : 0, 0, nullptr,
                          nullptr, size, nullable, nullptr);
}

using hvtest::DefineTable;

// A row of texts converted by the given types ("-" is NULL).
RowObject* Row(const std::vector<std::pair<uint8_t, const char*>>& cells) {
  const size_t n = cells.size();
  auto** values = static_cast<char**>(calloc(n, sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(calloc(n, sizeof(int32_t)));
  for (size_t i = 0; i < n; ++i) {
    if (strcmp(cells[i].second, "-") == 0) continue;
    lengths[i] = static_cast<int32_t>(strlen(cells[i].second));
    values[i] = ConvertStringToValue(cells[i].second, &lengths[i], cells[i].first);
  }
  auto* row = static_cast<RowObject*>(calloc(1, sizeof(RowObject)));
  row->values = values;
  row->lengths = lengths;
  return row;
}

std::string Take(char* text) { return hvtest::TakeText(text); }

class SqlTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTableDefnList();
    // Item: ID int key, NAME varchar(40), FLAG boolean, DAY date.
    DefineTable("Item",
                {Column("ID", KES_SQL_INT), Column("NAME", KES_SQL_VARCHAR, nullptr, 40),
                 Column("FLAG", KES_SQL_BOOLEAN), Column("DAY", KES_SQL_DATE)},
                {"ID"});
    // Visit: DAY date key, NOTE varchar(20).
    DefineTable("Visit",
                {Column("DAY", KES_SQL_DATE), Column("NOTE", KES_SQL_VARCHAR, nullptr, 20)},
                {"DAY"});
    DefineTable("Loose", {Column("A", KES_SQL_INT)}, {});
    log_.Take();
  }
  void TearDown() override { FreeAllTableDefns(); }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 3};
};

TEST_F(SqlTextTest, RowStatementsInEveryDialect) {
  RowObject* row = Row({{KES_SQL_INT, "7"},
                        {KES_SQL_VARCHAR, "it's a \\ name"},
                        {KES_SQL_BOOLEAN, "TRUE"},
                        {KES_SQL_DATE, "2020-01-31"}});
  struct Case {
    const char* dialect;
    std::string update, insert, remove;
  };
  const std::vector<Case> cases = {
      {"MYSQL",
       "update Item set NAME='it''s a \\\\ name',FLAG=1,DAY='2020-01-31 00:00:00' where ID='7'",
       "insert into  Item values(7,'it''s a \\\\ name',1,'2020-01-31 00:00:00')",
       "delete from Item  where ID=7"},
      {"PGSQL",
       "update Item set NAME='it''s a \\ name',FLAG='t',DAY='2020-01-31 00:00:00' where ID=7",
       "insert into  Item values(7,'it''s a \\ name','t','2020-01-31 00:00:00');",
       "delete from Item  where ID=7"},
      {"SQLITE",
       "update Item set NAME='it''s a \\ name',FLAG=1,DAY='2020-01-31 00:00:00' where ID=7",
       "insert into  Item values(7,'it''s a \\ name',1,'2020-01-31 00:00:00');",
       "delete from Item  where ID=7"},
      {"FIREBIRD",
       "update Item set NAME='it''s a \\ name',FLAG=1,DAY='2020-01-31 00:00:00' where ID=7",
       "insert into  Item values(7,'it''s a \\ name',1,'2020-01-31 00:00:00');",
       "delete from Item  where ID=7"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const DialectOps& d = kDialects[i];
    EXPECT_EQ(Take(d.update("Item", row)), cases[i].update) << d.name;
    EXPECT_EQ(Take(d.insert("Item", row)), cases[i].insert) << d.name;
    EXPECT_EQ(Take(d.remove("Item", row)), cases[i].remove) << d.name;
  }
  FreeRowObject(row, 4);

  // A date key is quoted in every dialect; a hostile key stays one literal.
  RowObject* visit = Row({{KES_SQL_DATE, "2020-01-31"}, {KES_SQL_VARCHAR, "x' OR '1'='1"}});
  for (const DialectOps& d : kDialects) {
    EXPECT_EQ(Take(d.remove("Visit", visit)), "delete from Visit  where DAY='2020-01-31 00:00:00'")
        << d.name;
    EXPECT_NE(Take(d.update("Visit", visit)).find("NOTE='x'' OR ''1''=''1' where DAY='2020-01-31"),
              std::string::npos)
        << d.name;
  }
  FreeRowObject(visit, 2);

  // No complete key: no statement that could reach other rows.
  RowObject* loose = Row({{KES_SQL_INT, "1"}});
  RowObject* keyless = Row({{KES_SQL_INT, "-"},
                            {KES_SQL_VARCHAR, "n"},
                            {KES_SQL_BOOLEAN, "FALSE"},
                            {KES_SQL_DATE, "-"}});
  for (const DialectOps& d : kDialects) {
    EXPECT_EQ(d.update("Loose", loose), nullptr) << d.name;
    EXPECT_EQ(d.remove("Loose", loose), nullptr) << d.name;
    EXPECT_EQ(d.update("Item", keyless), nullptr) << d.name;
    EXPECT_EQ(d.insert("Nowhere", loose), nullptr) << d.name;
  }
  EXPECT_NE(log_.Take().find("[ERROR] No complete key for a row of Loose: no update statement\n"),
            std::string::npos);
  FreeRowObject(loose, 1);
  FreeRowObject(keyless, 4);
}

TEST_F(SqlTextTest, SelectsInEveryDialect) {
  SelectQuery* q = CreateSelectQuery();
  // No tables and no joins: none.
  for (const DialectOps& d : kDialects) EXPECT_EQ(d.select(q), nullptr) << d.name;
  EXPECT_NE(log_.Take().find("[ERROR] \nNo Tables To Be Selected\n"), std::string::npos);

  AddSelectTable(q, CreateTableEntry("Item", "i", q->pool));
  AddColumnToQuery(q, "Item", "i", "NAME", "n", 0, KES_SQL_VARCHAR, kFunctionNone);
  AddColumnToQuery(q, nullptr, nullptr, nullptr, "ignored", 0, KES_SQL_INT, kFunctionCount);
  QueryColumn* a = CreateQueryColumn(nullptr, nullptr, "a", nullptr, 0, KES_SQL_INT, 0, q->pool);
  QueryColumn* b =
      CreateQueryColumn(nullptr, nullptr, "b", nullptr, 0, KES_SQL_VARCHAR, 0, q->pool);
  const int32_t one = 1, three = 3;
  QueryCriteriaNode* tree = CreateAndNode(
      CreateOrNode(CreateQueryCriteriaNode(a, reinterpret_cast<const char*>(&one), 4,
                                           kOperatorEqual, q->pool),
                   CreateQueryCriteriaNode(b, "it's", 4, kOperatorEqual, q->pool), q->pool),
      CreateQueryCriteriaNode(a, reinterpret_cast<const char*>(&three), 4, kOperatorGreater,
                              q->pool),
      q->pool);
  SetSelectCriteria(q, tree);
  q->rowLimit = 10;
  q->rowOffset = 5;
  const std::vector<std::string> expected = {
      "select i.NAME as n , COUNT(*) \nfrom Item as i \nwhere a =  1  OR b =  'it''s'  AND a >  3 "
      "limit 5 , 10",
      "select i.NAME as n , COUNT(*) \nfrom Item as i \nwhere a =  1  OR b =  'it''s'  AND a >  3 "
      "limit 10 offset 5",
      "select i.NAME as n , COUNT(*) \nfrom Item as i \nwhere a =  1  OR b =  'it''s'  AND a >  3 "
      "limit 10 offset 5",
      "select first 10 skip 5 i.NAME as n , COUNT(*) \nfrom Item i \nwhere a =  1  OR b =  'it''s' "
      " AND a >  3 ",
  };
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(Take(kDialects[i].select(q)), expected[i]) << kDialects[i].name;

  // The clause builders give their pieces, made in the query's pool.
  EXPECT_STREQ(SqliteGenerateTableListStr(q->tables, q->pool), "Item as i \n");
  EXPECT_STREQ(FirebirdGenerateTableListStr(q->tables, q->pool), "Item i \n");
  EXPECT_STREQ(PgsqlGenerateColumnsStr(q->columns, q->pool), "i.NAME as n , COUNT(*) \n");
  EXPECT_STREQ(MysqlGenCriteriaString(tree->left, q->pool), "a =  1  OR b =  'it''s' ");
  Vector* sortColumns = MakeColumnVectorForJoin(q->pool, "Item", 2, "ID", "NAME");
  EXPECT_STREQ(
      MysqlGenerateSortColumnStr(CreateSort(sortColumns, kSortDescending, q->pool), q->pool),
      "order by Item.ID,Item.NAME  desc ");
  SelectQuery* bad = CreateSelectQuery();
  AddJoinToQuery(bad, "A", nullptr, "B", nullptr, 7, nullptr, nullptr);
  EXPECT_EQ(MysqlGenerateJoinsStr(bad->joins, bad->pool), nullptr);
  FreeSelectQuery(bad);
  EXPECT_NE(log_.Take().find("[ERROR] Invalid Join Type\n"), std::string::npos);

  // An offset without a limit: only the first-and-skip form writes it.
  q->rowLimit = 0;
  EXPECT_EQ(Take(MysqlGenSelectQuery(q)).find("limit"), std::string::npos);
  EXPECT_NE(Take(FirebirdGenSelectQuery(q)).find("select skip 5 "), std::string::npos);
  FreeSelectQuery(q);
}

TEST_F(SqlTextTest, CreateTableTexts) {
  const char zero[] = "0";
  DefineTable("Small",
              {Column("id", KES_SQL_INT, zero, 0, 0), Column("name", KES_SQL_VARCHAR, nullptr, 40)},
              {"id"});
  EXPECT_EQ(Take(MysqlGenCreateQuery("Small")),
            "CREATE TABLE Small(\n\tid int DEFAULT 0 NOT NULL,\n\tname varchar(40)  ,\n"
            "\tPRIMARY KEY(id)\n) ENGINE = InnoDB;\n\n");
  EXPECT_EQ(Take(SqliteGenCreateQuery("Loose")), "CREATE TABLE Loose(\n\tA int  \n\n);\n\n");

  const char yes[] = "TRUE";
  DefineTable("Flags",
              {Column("f", KES_SQL_BOOLEAN, yes), Column("t", KES_SQL_VARCHAR, nullptr, 300)}, {});
  EXPECT_NE(Take(MysqlGenCreateQuery("Flags")).find("\tf tinyint DEFAULT 1 ,"), std::string::npos);
  EXPECT_NE(Take(PgsqlGenCreateQuery("Flags")).find("\tf boolean DEFAULT 't' ,"),
            std::string::npos);
  EXPECT_NE(Take(FirebirdGenCreateQuery("Flags")).find("\tf SMALLINT DEFAULT 1 ,"),
            std::string::npos);
  EXPECT_NE(Take(PgsqlGenCreateQuery("Flags")).find("\tt text \n"), std::string::npos);

  DefineTable("Child",
              {Column("a", KES_SQL_INT), Column("b", KES_SQL_INT), Column("c", KES_SQL_INT)}, {"a"},
              {CreateForeignKeyEntry("a", "x", "Parent", 1, 0, 0),
               CreateForeignKeyEntry("b", "y", "parent", 1, 0, 0),
               CreateForeignKeyEntry("c", "x", "Parent", 1, 0, 0)});
  const std::string child = Take(MysqlGenCreateQuery("Child"));
  EXPECT_NE(child.find("\tFOREIGN KEY(a,b) REFERENCES Parent (x,y) ON DELETE CASCADE,\n\tINDEX "
                       "Child_IDX0 (a,b),"),
            std::string::npos)
      << child;
  EXPECT_NE(
      child.find(
          "\tFOREIGN KEY(c) REFERENCES Parent (x) ON DELETE CASCADE,\n\tINDEX Child_IDX1 (c)"),
      std::string::npos)
      << child;
}

}  // namespace

namespace {

TEST_F(SqlTextTest, DispatchChoosesTheDialectByDataSourceOrDefault) {
  InitSqlDialects();
  InitConnectionLists();
  RowObject* row = Row(
      {{KES_SQL_INT, "1"}, {KES_SQL_VARCHAR, "n"}, {KES_SQL_BOOLEAN, "TRUE"}, {KES_SQL_DATE, "-"}});

  SetDSNMapValid(0, 1);  // PGSQL for every table
  EXPECT_EQ(Take(GenerateInsertQuery("Item", row)), "insert into  Item values(1,'n','t',NULL);");
  EXPECT_NE(log_.Take().find(
                "[DEBUG] Generated Insert Query: insert into  Item values(1,'n','t',NULL);\n"),
            std::string::npos);
  SetDSNMapValid(7, 0);
  EXPECT_NE(log_.Take().find("[ERROR] \nInvalid Status\n"), std::string::npos);
  EXPECT_EQ(gv_defaultDialect, 1);

  // Through the map: a table without entry yields none, after the map's message.
  SetDSNMapValid(1, 0);
  AddConnParamsEntry(
      CreateConnParamsEntry("d", nullptr, nullptr, "lite", 0, nullptr, "ODBC", "sqlite"));
  AddDataSourceMapEntry(CreateDataSourceMapEntry("Item", "lite"));
  EXPECT_EQ(Take(GenerateInsertQuery("Item", row)), "insert into  Item values(1,'n',1,NULL);");
  EXPECT_EQ(GenerateDeleteQuery("Visit", row), nullptr);
  std::string log = log_.Take();
  EXPECT_NE(log.find("[ERROR] No DataSourceMap Entry for Table name Visit \n"), std::string::npos);
  EXPECT_NE(log.find("[DEBUG] Generated Delete Query: (null)\n"), std::string::npos);
  SelectQuery* q = CreateSelectQuery();
  EXPECT_EQ(GenerateSelectQuery(q), nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] No Tables selected in select query.\n"), std::string::npos);
  FreeSelectQuery(q);

  EXPECT_EQ(FindSqlDialect("firebird"), GetFirebirdDialect());
  EXPECT_EQ(FindSqlDialect("ORACLE"), nullptr);
  FreeRowObject(row, 4);
  FreeAllDataSourceMapEntries();
  FreeAllConnParamsEntries();
  SetDSNMapValid(0, 0);
  FreeSqlDialects();
}

}  // namespace
