// Loading tables from real engines into the store and saving their changes,
// each save in one transaction.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "database/db_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/notification.h"
#include "datastore/persistence.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "tests/support/log_capture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::Engine;

std::vector<uint8_t> g_deletedStates;

void HearDelete(IMDSNotification* notification, const char*) {
  g_deletedStates.push_back(notification->row->state);
}

class PersistenceTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    hvtest::OdbcTestDirectory();
    details_ = hvtest::EngineDetails(GetParam(), &notRunning_);
    ASSERT_TRUE(notRunning_.empty()) << notRunning_;
    InitSqlDialects();
    hvtest::AddEngineDataSource(details_, "p", {"Stock"});
    SetDSNMapValid(1, 0);
    InitTableDefnList();
    Vector* columns = CreateVector();
    AddElementData(columns, CreateColumnDefn("ID", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0,
                                             0, nullptr));
    AddElementData(columns, CreateColumnDefn("NAME", KES_SQL_VARCHAR, nullptr, 0, 0, nullptr,
                                             nullptr, 40, 1, nullptr));
    AddElementData(columns, CreateColumnDefn("QTY", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0,
                                             1, nullptr));
    const char* key[] = {"ID"};
    AddTableDefn(CreateTableDefn("Stock", nullptr, columns, CreateConstraintDefn(key, 1)));
    ASSERT_TRUE(EstablishDBConnections()) << log_.Take();
    Exec("DROP TABLE IF EXISTS Stock");
    ASSERT_TRUE(CreateAllTables()) << log_.Take();
    for (const char* row : {"(1, 'one', 10)", "(2, 'two', 20)", "(3, 'three', 30)"}) {
      ASSERT_TRUE(Exec(std::string("INSERT INTO Stock VALUES ") + row));
    }
    log_.Take();
  }
  void TearDown() override {
    DeInitNotification();
    UnLoadAllTable();
    FreeAllTableDefns();
    hvtest::RemoveEngineDataSources();
  }

  bool Exec(const std::string& sql) { return hvtest::ExecOn("p", sql); }

  // The database's rows as "id:name:qty", by id.
  std::vector<std::string> Database() {
    ConnectionHandle* c = GetConnectionHandle("p");
    ResultSet* set = ExecuteQuery(c, "SELECT ID, NAME, QTY FROM Stock ORDER BY ID");
    ReleaseConnectionHandle("p");
    std::vector<std::string> rows;
    while (set && GotoNextResultRow(set)) {
      std::string text;
      int32_t n = 0;
      const char* id = GetResultValueByName("ID", &n, set);
      text += hvtest::TakeText(ConvertValueToString(id, n, GetResultColumnType("ID", set))) + ":";
      const char* name = GetResultValueByName("NAME", &n, set);
      text += std::string(name ? name : "NULL", name ? n : 4) + ":";
      const char* qty = GetResultValueByName("QTY", &n, set);
      text += hvtest::TakeText(ConvertValueToString(qty, n, GetResultColumnType("QTY", set)));
      rows.push_back(text);
    }
    FreeResultSet(set);
    return rows;
  }

  RowObject* RowWithId(int32_t id) {
    for (RowObject* r = GetTableDataByName("Stock")->firstRow; r; r = r->next) {
      int32_t v = 0;
      memcpy(&v, r->values[0], 4);
      if (v == id) return r;
    }
    return nullptr;
  }

  void SetQty(int32_t id, int32_t qty) {
    ASSERT_TRUE(
        UpdateRowObject("Stock", RowWithId(id), "QTY", reinterpret_cast<const char*>(&qty), 4));
  }

  RowObject* NewRow(int32_t id, const char* name, int32_t qty) {
    auto** values = static_cast<char**>(calloc(3, sizeof(char*)));
    auto* lengths = static_cast<int32_t*>(calloc(3, sizeof(int32_t)));
    values[0] = static_cast<char*>(malloc(4));
    memcpy(values[0], &id, 4);
    lengths[0] = 4;
    values[1] = strdup(name);
    lengths[1] = static_cast<int32_t>(strlen(name));
    values[2] = static_cast<char*>(malloc(4));
    memcpy(values[2], &qty, 4);
    lengths[2] = 4;
    return CreateNewRowObject(values, lengths);
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 3};
  hvtest::OdbcEngine details_;
  std::string notRunning_;
};

TEST_P(PersistenceTest, ChangesAreSavedOnceAndAFailedSaveWritesNothing) {
  ASSERT_TRUE(LoadTable("Stock")) << log_.Take();
  EXPECT_EQ(GetTableDataByName("Stock")->rowCount, 3);
  EXPECT_EQ(RowWithId(2)->state, kRowInDatabase);

  char listener[] = "deletes";
  char stock[] = "Stock";
  char* tables[] = {stock, nullptr};
  ASSERT_TRUE(AddNotificationListener(strdup(listener), kRowDeleted, HearDelete, 1, tables));
  g_deletedStates.clear();

  // An update, a delete and an insert, saved together.
  SetQty(1, 11);
  ASSERT_TRUE(DeleteRowObject("Stock", RowWithId(2)));
  ASSERT_TRUE(AddNewRow("Stock", NewRow(4, "four", 40)));
  ASSERT_TRUE(SaveTable("Stock")) << log_.Take();
  EXPECT_EQ(Database(), (std::vector<std::string>{"1:one:11", "3:three:30", "4:four:40"}));
  EXPECT_EQ(GetTableDataByName("Stock")->rowCount, 3);
  EXPECT_EQ(RowWithId(2), nullptr);
  EXPECT_EQ(RowWithId(1)->state, kRowInDatabase);
  EXPECT_EQ(RowWithId(4)->state, kRowInDatabase);
  EXPECT_EQ(g_deletedStates, std::vector<uint8_t>{kRowDeleted});

  // The third statement fails (a duplicate key): nothing is written and
  // every row keeps its state.
  SetQty(1, 12);
  SetQty(3, 33);
  ASSERT_TRUE(AddNewRow("Stock", NewRow(4, "again", 44)));
  EXPECT_FALSE(SaveTable("Stock"));
  const std::string log = log_.Take();
  EXPECT_NE(log.find("[ERROR] Error in executing update query \n"), std::string::npos) << log;
  EXPECT_NE(log.find("[ERROR] QUERY : insert into  Stock values(4,'again',44)"), std::string::npos)
      << log;
  EXPECT_EQ(Database(), (std::vector<std::string>{"1:one:11", "3:three:30", "4:four:40"}));
  EXPECT_EQ(RowWithId(1)->state, kRowInDatabase | kRowModified);

  // With the cause gone, one more save writes each row exactly once.
  RowObject* again = GetTableDataByName("Stock")->lastRow;
  const int32_t five = 5;
  memcpy(again->values[0], &five, 4);
  ASSERT_TRUE(SaveTable("Stock")) << log_.Take();
  EXPECT_EQ(Database(),
            (std::vector<std::string>{"1:one:12", "3:three:33", "4:four:40", "5:again:44"}));
  for (RowObject* r = GetTableDataByName("Stock")->firstRow; r; r = r->next)
    EXPECT_EQ(r->state, kRowInDatabase);
  EXPECT_FALSE(SaveTable("NotLoaded"));
}

TEST_P(PersistenceTest, LoadListsQueriesViewsAndMismatches) {
  const std::string list = dir_.Sub("loadtablelist.txt");
  hvtest::WriteFile(list, "Stock select * from Stock where ID > 1\n");
  ASSERT_TRUE(LoadTablesFromFile(list.c_str()));
  EXPECT_EQ(GetTableDataByName("Stock")->rowCount, 2);
  UnLoadAllTable();
  hvtest::WriteFile(list, "Stock a remark\n");
  ASSERT_TRUE(LoadTablesFromFile(list.c_str()));
  EXPECT_EQ(GetTableDataByName("Stock")->rowCount, 3);
  EXPECT_FALSE(LoadTablesFromFile(dir_.Sub("missing.txt").c_str()));
  UnLoadAllTable();

  // A query returning other columns than the definition is refused.
  EXPECT_FALSE(LoadTableByQuery("Stock", "select ID, NAME from Stock"));
  EXPECT_NE(
      log_.Take().find("mismatch between table definition in datadictionary and actual table"),
      std::string::npos);
  EXPECT_EQ(GetTableDataByName("Stock"), nullptr);

  ASSERT_TRUE(LoadViewByQuery("BigStock", "Stock", "select * from Stock where QTY >= 20"))
      << log_.Take();
  TableData* view = GetTableDataByName("BigStock");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->kind, kViewKind);
  EXPECT_EQ(view->rowCount, 2);
  EXPECT_STREQ(GetTableNameOfView("BigStock"), "Stock");

  // One column more in the database than in the definition.
  ASSERT_TRUE(Exec("ALTER TABLE Stock ADD EXTRA INTEGER"));
  EXPECT_FALSE(LoadTable("Stock"));
  EXPECT_NE(log_.Take().find("[ERROR] \nLoadTable Failed for Stock table as there is mismatch"),
            std::string::npos);
  EXPECT_EQ(GetTableDataByName("Stock"), nullptr);

  // Without a root the saving list cannot be found: nothing to save.
  EXPECT_TRUE(SaveTablesFromList());
  const std::string log = log_.Take();
  EXPECT_NE(log.find("[ERROR] No tables to be saved.\n"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Engines, PersistenceTest, hvtest::AllEngines(), hvtest::EngineTestName);

}  // namespace
