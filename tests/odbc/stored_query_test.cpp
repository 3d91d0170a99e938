// Stored queries read from their tables in a real database, turned into
// select text and run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "database/sql_dialect.h"
#include "database/stored_query.h"
#include "datastore/column_value.h"
#include "datastore/table_defn.h"
#include "tests/support/log_capture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::Engine;

const char* const kTables[] = {
    "QueryDetails",   "QueryvsColumns", "ColumnDetails", "QueryvsTables",
    "TableDetails",   "QueryvsJoins",   "JoinDetails",   "QueryvsGB",
    "GroupByDetails", "QueryvsSort",    "SortDetails",   "QueryvsCriteria",
    "BooleanExp",     "RelationalExp",  "Client",        "Purchase"};

const char* const kSchema[] = {
    "CREATE TABLE QueryDetails (QUERY_ID INTEGER)",
    "CREATE TABLE QueryvsColumns (QUERY_ID INTEGER, COLUMN_ID INTEGER)",
    "CREATE TABLE ColumnDetails (COLUMN_ID INTEGER, COLUMNNAME VARCHAR(40), COLUMNALIAS "
    "VARCHAR(40), "
    "TABLENAME VARCHAR(40), TABLEALIAS VARCHAR(40), FUNCTIONNAME VARCHAR(20))",
    "CREATE TABLE QueryvsTables (QUERY_ID INTEGER, TABLE_ID INTEGER)",
    "CREATE TABLE TableDetails (TABLE_ID INTEGER, TABLENAME VARCHAR(40), TABLEALIAS VARCHAR(40))",
    "CREATE TABLE QueryvsJoins (QUERY_ID INTEGER, JOIN_ID INTEGER)",
    "CREATE TABLE JoinDetails (JOIN_ID INTEGER, BASETABLENAME VARCHAR(40), BASETABLEALIAS "
    "VARCHAR(40), "
    "REFTABLENAME VARCHAR(40), REFTABLEALIAS VARCHAR(40), BASETABLECOLUMN VARCHAR(40), "
    "REFTABLECOLUMN VARCHAR(40), JOINTYPE VARCHAR(20))",
    "CREATE TABLE QueryvsGB (QUERY_ID INTEGER, GB_ID INTEGER)",
    "CREATE TABLE GroupByDetails (GB_ID INTEGER, TABLENAME VARCHAR(40), COLUMNNAME VARCHAR(40))",
    "CREATE TABLE QueryvsSort (QUERY_ID INTEGER, SORT_ID INTEGER)",
    "CREATE TABLE SortDetails (SORT_ID INTEGER, TABLENAME VARCHAR(40), COLUMNNAME VARCHAR(40), "
    "SORTTYPE INTEGER)",
    "CREATE TABLE QueryvsCriteria (QUERY_ID INTEGER, B_ID INTEGER)",
    "CREATE TABLE BooleanExp (B_ID INTEGER, LEXPRESSION INTEGER, OPERATOR VARCHAR(10), REXPRESSION "
    "INTEGER)",
    "CREATE TABLE RelationalExp (R_ID INTEGER, LIDENTIFIER VARCHAR(40), OPERATOR VARCHAR(10), "
    "RIDENTIFIER VARCHAR(40))",
    "CREATE TABLE Client (ID INTEGER, NAME VARCHAR(40))",
    "CREATE TABLE Purchase (ID INTEGER, CUSTOMER_ID INTEGER, QTY INTEGER)",
    // Query 1: Client c left join Purchase o on c.ID = o.CUSTOMER_ID, the
    // name and COUNT(*), grouped by name, sorted by name descending, where
    // o.QTY > 1 or c.NAME = 'b'.
    "INSERT INTO QueryDetails VALUES (1)",
    "INSERT INTO QueryvsColumns VALUES (1, 10)",
    "INSERT INTO QueryvsColumns VALUES (1, 11)",
    "INSERT INTO ColumnDetails VALUES (10, 'NAME', 'who', 'Client', 'c', NULL)",
    "INSERT INTO ColumnDetails VALUES (11, NULL, NULL, NULL, NULL, 'COUNT')",
    "INSERT INTO QueryvsJoins VALUES (1, 20)",
    "INSERT INTO JoinDetails VALUES (20, 'Client', 'c', 'Purchase', 'o', 'ID', 'CUSTOMER_ID', "
    "'LEFT_JOIN')",
    "INSERT INTO QueryvsGB VALUES (1, 30)",
    "INSERT INTO GroupByDetails VALUES (30, 'c', 'NAME')",
    "INSERT INTO QueryvsSort VALUES (1, 40)",
    "INSERT INTO SortDetails VALUES (40, 'c', 'NAME', 0)",
    "INSERT INTO QueryvsCriteria VALUES (1, 50)",
    "INSERT INTO BooleanExp VALUES (50, 51, 'OR', 52)",
    "INSERT INTO RelationalExp VALUES (51, 'o.QTY', '>', '1')",
    "INSERT INTO RelationalExp VALUES (52, 'c.NAME', '=', 'b')",
    // Query 2: a join type in the wrong case keeps the previous (inner).
    "INSERT INTO QueryDetails VALUES (2)",
    "INSERT INTO QueryvsTables VALUES (2, 60)",
    "INSERT INTO TableDetails VALUES (60, 'Client', NULL)",
    "INSERT INTO QueryvsJoins VALUES (2, 21)",
    "INSERT INTO JoinDetails VALUES (21, 'Purchase', NULL, 'Client', NULL, 'CUSTOMER_ID', 'ID', "
    "'left_join')",
    "INSERT INTO Client VALUES (1, 'a')",
    "INSERT INTO Client VALUES (2, 'b')",
    "INSERT INTO Client VALUES (3, 'c')",
    "INSERT INTO Purchase VALUES (1, 1, 5)",
    "INSERT INTO Purchase VALUES (2, 1, 1)",
    "INSERT INTO Purchase VALUES (3, 3, 1)",
};

class StoredQueryTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    hvtest::OdbcTestDirectory();
    details_ = hvtest::EngineDetails(GetParam(), &notRunning_);
    ASSERT_TRUE(notRunning_.empty()) << notRunning_;
    InitSqlDialects();
    InitTableDefnList();
    hvtest::AddEngineDataSource(details_, "q",
                                std::vector<const char*>(std::begin(kTables), std::end(kTables)));
    SetDSNMapValid(1, 0);
    ASSERT_TRUE(EstablishDBConnections());
    ConnectionHandle* c = GetConnectionHandle("q");
    for (const char* table : kTables)
      ExecuteUpdate(c, (std::string("DROP TABLE IF EXISTS ") + table).c_str());
    for (const char* statement : kSchema)
      ASSERT_EQ(ExecuteUpdate(c, statement), 1) << statement << log_.Take();
    ReleaseConnectionHandle("q");
    log_.Take();
  }
  void TearDown() override {
    FreeAllTableDefns();
    hvtest::RemoveEngineDataSources();
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 3};
  hvtest::OdbcEngine details_;
  std::string notRunning_;
};

TEST_P(StoredQueryTest, AStoredQueryIsReadTurnedIntoTextAndRuns) {
  char* text = BuildStoredQuery(1);
  ASSERT_NE(text, nullptr) << log_.Take();
  const std::string select = text;
  free(text);
  EXPECT_EQ(hvtest::FirstMissingInOrder(
                select, {"select c.NAME as who , COUNT(*) \nfrom ",
                         " Client as c  left join  Purchase as o ", " on c.ID = o.CUSTOMER_ID ",
                         "where o.QTY >  '1'  OR c.NAME =  'b' ", "group by c.NAME\n",
                         "order by c.NAME  desc "}),
            "")
      << select;
  ConnectionHandle* c = GetConnectionHandle("q");
  ResultSet* rows = ExecuteQuery(c, select.c_str());
  ReleaseConnectionHandle("q");
  ASSERT_NE(rows, nullptr) << select << log_.Take();
  // a (one order over 1) and b (no order): descending by name.
  ASSERT_EQ(rows->rowCount, 2);
  GotoNextResultRow(rows);
  int32_t length = 0;
  const char* who = GetResultValueByName("who", &length, rows);
  ASSERT_NE(who, nullptr);
  EXPECT_EQ(std::string(who, length), "b");
  FreeResultSet(rows);

  PrintStoredCriteria(1);
  EXPECT_NE(log_.Take().find("\no.QTY>1ORc.NAME=b\n"), std::string::npos);

  char* second = BuildStoredQuery(2);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(std::string(second).find(" inner join "), std::string::npos) << second;
  free(second);
  EXPECT_EQ(BuildStoredQuery(99), nullptr);  // nothing stored: no tables
}

INSTANTIATE_TEST_SUITE_P(Engines, StoredQueryTest,
                         ::testing::Values(Engine::kSqlite, Engine::kPostgres),
                         [](const ::testing::TestParamInfo<Engine>& info) {
                           return std::string(hvtest::EngineName(info.param));
                         });

}  // namespace
