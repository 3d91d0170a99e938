// The library brought up from its data files against each engine: a new
// database gets its tables, sequences and default data; the same database
// a second time keeps its data; a missing data file stops start-up with
// its message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/db_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/default_data.h"
#include "datastore/startup.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::Engine;

const char* const kSeqGen =
    "<?xml version=\"1.0\"?>\n<data-dictionary><table name=\"SeqGenState\"><columns>"
    "<column "
    "name=\"SEQNAME\"><data-type>CHAR</data-type><max-size>64</max-size><nullable>false</"
    "nullable></column>"
    "<column name=\"CURRENTBATCHEND\"><data-type>KES_SQL_INT</data-type></column></columns>"
    "<primary-key><primary-key-column>SEQNAME</primary-key-column></primary-key></table></"
    "data-dictionary>\n";

const char* const kDefaults =
    "<List><Customer CustomerId=\"Customer:CustomerId:1\" Name=\"Ann\">\n"
    "  <Orders OrderId=\"Orders:OrderId:1\" Note=\"first\"/>\n"
    "</Customer></List>\n";

class StartupTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    hvtest::OdbcTestDirectory();
    details_ = hvtest::EngineDetails(GetParam(), &notRunning_);
    ASSERT_TRUE(notRunning_.empty()) << notRunning_;
    const std::string data = root_.Sub("data");
    hvtest::MakeDirs(data);
    hvtest::MakeDirs(root_.Sub("logs"));
    hvtest::WriteFile(
        data + "/orderentry.xml",
        hvtest::ReadFile(std::string(HV_SOURCE_DIR) + "/demo/tavrix/data/orderentry.xml"));
    hvtest::WriteFile(data + "/seqgen.xml", kSeqGen);
    hvtest::WriteFile(data + "/datadictionary.txt", "orderentry.xml seqgen.xml\n");
    hvtest::WriteFile(data + "/dsn_table_map.txt",
                      "Customer demo\nOrders demo\nOrderLine demo\nSeqGenState demo\n");
    hvtest::WriteFile(data + "/connparams.txt",
                      std::string("db 1 ") + details_.dsn + " " +
                          (details_.user.empty() ? "NULL" : details_.user) + " " +
                          (details_.password.empty() ? "NULL" : details_.password) +
                          " x demo ODBC " + details_.dbType + " no\n");
    hvtest::WriteFile(data + "/loadtablelist.txt", "Customer\nOrders a remark\n");
    hvtest::WriteFile(data + "/defaultdata.txt", "defaults.xml\n");
    hvtest::WriteFile(data + "/defaults.xml", kDefaults);
    // A fresh database: the tables of an earlier run are dropped first.
    hvtest::AddEngineDataSource(details_, "drop", {});
    ASSERT_TRUE(EstablishDBConnections());
    ConnectionHandle* c = GetConnectionHandle("drop");
    for (const char* table : {"OrderLine", "Orders", "Customer", "SeqGenState"}) {
      ExecuteUpdate(c, (std::string("DROP TABLE IF EXISTS ") + table).c_str());
    }
    CloseAllConnections();
    FreeAllConnParamsEntries();
    FreeAllDataSourceMapEntries();
  }
  void TearDown() override {
    DeInitTavrix();
    SetDSNMapValid(0, 0);
  }

  // The log of this start-up, and the log file left closed.
  std::string Log() { return hvtest::ReadFile(root_.Sub("logs/tavrix.log")); }

  int64_t Count(const char* table) {
    ConnectionHandle* c = GetConnectionHandle("demo");
    ResultSet* set = ExecuteQuery(c, (std::string("SELECT * FROM ") + table).c_str());
    ReleaseConnectionHandle("demo");
    const int64_t rows = set ? set->rowCount : -1;
    FreeResultSet(set);
    return rows;
  }

  hvtest::TempDir root_;
  hvtest::OdbcEngine details_;
  std::string notRunning_;
};

TEST_P(StartupTest, ANewDatabaseIsBuiltAndTheSameOneIsKeptTheSecondTime) {
  ASSERT_TRUE(InitTavrix(root_.path().c_str())) << Log();
  EXPECT_EQ(Count("Customer"), 1);
  // Only tables of the document's top-level elements are saved: the nested
  // order stays in memory, unsaved.
  EXPECT_EQ(Count("Orders"), 0);
  EXPECT_EQ(Count("SeqGenState"), 2) << "CustomerId and OrderId";
  TableData* orders = GetTableDataByName("Orders");
  ASSERT_NE(orders, nullptr);
  ASSERT_EQ(orders->rowCount, 1);
  TableData* customers = GetTableDataByName("Customer");
  ASSERT_EQ(customers->rowCount, 1);
  // The order inherited its customer's identifier from the element around it.
  EXPECT_EQ(orders->firstRow->values[1][0], customers->firstRow->values[0][0]);
  EXPECT_EQ(orders->firstRow->state, kRowNew);
  EXPECT_EQ(customers->firstRow->state, kRowInDatabase);
  DeInitTavrix();
  DeInitTavrix();  // a second shut-down frees nothing twice
  EXPECT_NE(Log().find("[DEBUG] \nWelcome to Tavrix."), std::string::npos);

  // The same database again: creating its tables fails, start-up goes on,
  // the tables load, and the default data is not written twice.
  ASSERT_TRUE(InitTavrix(root_.path().c_str())) << Log();
  EXPECT_EQ(Count("Customer"), 1);
  EXPECT_EQ(GetTableDataByName("Customer")->rowCount, 1);
  EXPECT_EQ(GetTableDataByName("Orders")->rowCount, 0);
}

TEST_P(StartupTest, AMissingDataFileStopsStartUpWithItsMessage) {
  struct Case {
    const char* file;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"connparams.txt", "[ERROR] LoadConnParamsEntryFromFile failed.\n"},
      {"dsn_table_map.txt", "[ERROR] LoadDataSourceMapEntryFromFile failed.\n"},
      {"datadictionary.txt", "[ERROR] LoadAllDataDictFiles failed.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = root_.Sub(std::string("data/") + c.file);
    const std::string kept = hvtest::ReadFile(path);
    ASSERT_EQ(remove(path.c_str()), 0);
    EXPECT_FALSE(InitTavrix(root_.path().c_str()));
    DeInitTavrix();
    EXPECT_NE(Log().find(c.message), std::string::npos) << Log();
    hvtest::WriteFile(path, kept);
  }
  // After failed start-ups a full one still works.
  EXPECT_TRUE(InitTavrix(root_.path().c_str())) << Log();
}

INSTANTIATE_TEST_SUITE_P(Engines, StartupTest, hvtest::AllEngines(), hvtest::EngineTestName);

}  // namespace

namespace {

// A data file with 120 top-level tables: every one is saved (in groups of
// 50, 50 and 20 names, in order of first appearance).
TEST(SaveDataInXML, SavesEveryTopLevelTable) {
  hvtest::OdbcTestDirectory();
  std::string notRunning;
  const hvtest::OdbcEngine lite = hvtest::EngineDetails(Engine::kSqlite, &notRunning);
  InitSqlDialects();
  std::vector<std::string> names;
  for (int i = 0; i < 120; ++i) names.push_back("Many" + std::to_string(i));
  std::vector<const char*> tables;
  for (const std::string& n : names) tables.push_back(n.c_str());
  hvtest::AddEngineDataSource(lite, "m", tables);
  SetDSNMapValid(1, 3);
  InitTableDefnList();
  std::string xml = "<List>";
  for (const std::string& n : names) {
    Vector* columns = CreateVector();
    AddElementData(columns, CreateColumnDefn("ID", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0,
                                             0, nullptr));
    const char* key[] = {"ID"};
    AddTableDefn(CreateTableDefn(n.c_str(), nullptr, columns, CreateConstraintDefn(key, 1)));
    xml += "<" + n + " ID=\"1\"/><" + n + " ID=\"2\"/>";
  }
  xml += "</List>";
  ASSERT_TRUE(EstablishDBConnections());
  ConnectionHandle* c = GetConnectionHandle("m");
  for (const std::string& n : names) ExecuteUpdate(c, ("DROP TABLE IF EXISTS " + n).c_str());
  ReleaseConnectionHandle("m");
  ASSERT_TRUE(CreateAllTables());
  hvtest::TempDir dir;
  hvtest::WriteFile(dir.Sub("many.xml"), xml);
  EXPECT_TRUE(SaveDataInXML(dir.Sub("many.xml").c_str()));
  c = GetConnectionHandle("m");
  for (const std::string& n : names) {
    ResultSet* rows = ExecuteQuery(c, ("SELECT ID FROM " + n).c_str());
    ASSERT_NE(rows, nullptr) << n;
    EXPECT_EQ(rows->rowCount, 2) << n;
    FreeResultSet(rows);
  }
  ReleaseConnectionHandle("m");
  EXPECT_FALSE(SaveDataInXML(dir.Sub("missing.xml").c_str()));
  UnLoadAllTable();
  FreeAllTableDefns();
  hvtest::RemoveEngineDataSources();
}

}  // namespace
