// Data objects and personalities on real engines: an order fetched with its
// lines in one select, changed and saved in one transaction, and customers
// retrieved through a personality and its index table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "database/db_provider.h"
#include "database/query_model.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/data_object.h"
#include "datastore/personality.h"
#include "datastore/table_defn.h"
#include "tests/support/log_capture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/table_fixture.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::Engine;

int CountUnits(DataObject* object, const char* table) {
  RowCollection* c = object ? GetRowCollection(object, table) : nullptr;
  int n = 0;
  for (RowUnit* u = c ? c->firstRowUnit : nullptr; u; u = u->next) ++n;
  return n;
}

std::vector<std::string> TableList(DataObject* object) {
  std::vector<std::string> out;
  for (VectorNode* n = GetTableList(object)->head; n; n = n->next) {
    out.emplace_back(static_cast<const char*>(n->data));
  }
  return out;
}

const char* kPersonalities = R"(<?xml version="1.0"?>
<Personalities>
  <DominantTableConfig DOMINANTTABLEID="Customer" isindexed="true" nonindexlimit="10"/>
  <PersonalityConfiguration personalityname="CustomerOrders" description="a customer's orders"
                            dominanttableid="Customer"/>
  <ConstituentTable tableid="Customer" tableindex="1" mandatory="true"/>
  <ConstituentTable tableid="Orders" tableindex="2" fkconstraint_id="c" mandatory="false"/>
  <ConstituentTable tableid="OrderLines" tableindex="3" fkconstraint_id="o" mandatory="false"/>
  <PersonalityConfiguration personalityname="JustOrders" dominanttableid="Orders"/>
  <ConstituentTable tableid="OrderLines" tableindex="1"/>
</Personalities>
)";

class DataObjectEngineTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    hvtest::OdbcTestDirectory();
    details_ = hvtest::EngineDetails(GetParam(), &notRunning_);
    ASSERT_TRUE(notRunning_.empty()) << notRunning_;
    InitSqlDialects();
    hvtest::AddEngineDataSource(details_, "d", {"Customer", "Orders", "OrderLines"});
    SetDSNMapValid(1, 0);
    hvtest::DefineOrderSchema();
    ASSERT_TRUE(EstablishDBConnections()) << log_.Take();
    DropTables();
    ASSERT_TRUE(CreateAllTables()) << log_.Take();
    for (const char* s :
         {"INSERT INTO Customer VALUES (7, 'Ann')", "INSERT INTO Customer VALUES (8, 'Bo')",
          "INSERT INTO Orders VALUES (42, 7, 1, 'rush')",
          "INSERT INTO Orders VALUES (43, 8, 0, NULL)",
          "INSERT INTO OrderLines VALUES (42, 1, 'nut', 10)",
          "INSERT INTO OrderLines VALUES (42, 2, 'bolt', 20)",
          "INSERT INTO OrderLines VALUES (42, 3, 'it''s', 30)",
          "INSERT INTO OrderLines VALUES (43, 1, 'pin', 5)"}) {
      ASSERT_TRUE(Exec(s)) << s << log_.Take();
    }
    log_.Take();
  }
  void TearDown() override {
    // Other suites share the databases (and use these table names).
    if (notRunning_.empty()) DropTables();
    FreeDataObject(object_);
    FreeSelectQuery(query_);
    FreeRowUnit(unit_);
    FreeAllPersonalities();
    FreeAllTableDefns();
    hvtest::RemoveEngineDataSources();
  }

  void DropTables() {
    for (const char* t : {"OrderLines", "Orders", "Customer_IDX", "Customer"}) {
      Exec(std::string("DROP TABLE IF EXISTS ") + t);
    }
  }

  bool Exec(const std::string& sql) { return hvtest::ExecOn("d", sql); }

  // The rows of a query, each as its values' texts joined by ':'.
  std::vector<std::string> Rows(const std::string& sql) {
    ConnectionHandle* c = GetConnectionHandle("d");
    ResultSet* set = ExecuteQuery(c, sql.c_str());
    ReleaseConnectionHandle("d");
    std::vector<std::string> rows;
    while (set && GotoNextResultRow(set)) {
      std::string text;
      int32_t i = 0;
      for (ResultValue* v = set->cursor->values; v; v = v->next, ++i) {
        if (i) text += ":";
        text +=
            hvtest::TakeText(ConvertValueToString(v->data, v->length, set->columns[i]->dataType));
      }
      rows.push_back(text);
    }
    FreeResultSet(set);
    return rows;
  }

  std::vector<std::string> Lines() {
    return Rows(
        "SELECT ORDER_ID, LINE_NO, PRODUCT, QTY FROM OrderLines ORDER BY ORDER_ID, LINE_NO");
  }

  // Order 42 joined to its lines.
  DataObject* Order42() {
    query_ = CreateSelectQuery();
    EXPECT_TRUE(AddJoinToQuery(query_, "Orders", nullptr, "OrderLines", nullptr, kInnerJoin,
                               MakeColumnVectorForJoin(query_->pool, "Orders", 1, "ID"),
                               MakeColumnVectorForJoin(query_->pool, "OrderLines", 1, "ORDER_ID")));
    const int32_t id = 42;
    QueryColumn* column =
        CreateQueryColumn("Orders", nullptr, "ID", nullptr, 0, KES_SQL_INT, 0, query_->pool);
    SetSelectCriteria(query_, CreateQueryCriteriaNode(column, reinterpret_cast<const char*>(&id), 4,
                                                      kOperatorEqual, query_->pool));
    object_ = GetDataObject(query_);
    return object_;
  }

  // A customer row made by hand, in definition order (the unit owns it).
  RowUnit* CustomerUnit(int32_t id) {
    FreeRowUnit(unit_);
    auto** values = static_cast<char**>(calloc(2, sizeof(char*)));
    auto* lengths = static_cast<int32_t*>(calloc(2, sizeof(int32_t)));
    values[0] = static_cast<char*>(malloc(4));
    memcpy(values[0], &id, 4);
    lengths[0] = 4;
    unit_ = CreateRowUnit("Customer", values, lengths, nullptr);
    return unit_;
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 4};
  hvtest::OdbcEngine details_;
  std::string notRunning_;
  DataObject* object_ = nullptr;
  SelectQuery* query_ = nullptr;
  RowUnit* unit_ = nullptr;
};

TEST_P(DataObjectEngineTest, AnOrderWithItsLinesIsChangedAndSavedOnce) {
  ASSERT_NE(Order42(), nullptr) << log_.Take();
  EXPECT_EQ(CountUnits(object_, "Orders"), 1);
  EXPECT_EQ(CountUnits(object_, "OrderLines"), 3);
  EXPECT_TRUE(ContainsHashKey(object_->keyIndex, "Orders42"));
  int32_t length = 0;
  const char* note = GetFirstValue(object_, "NOTE", "Orders", &length);
  EXPECT_EQ(std::string(note, length), "rush");

  // Line 2 changed, line 3 deleted, line 4 new, and the order's note.
  RowUnit* two = GetNthRowUnit(object_, 2, "OrderLines");
  const int32_t qty = 25;
  RowCollection* lines = GetRowCollection(object_, "OrderLines");
  lines->cursor = two;
  ASSERT_TRUE(
      SetValueForAllRowUnits("QTY", "OrderLines", reinterpret_cast<const char*>(&qty), 4, object_));
  ASSERT_TRUE(DeleteRowUnit(GetNthRowUnit(object_, 3, "OrderLines"), object_));
  ASSERT_TRUE(
      InsertStringRowIntoDO(object_, "OrderLines",
                            MakeStringColumnValuesList(object_->pool, 4, "42", "4", "a'b\\", "7")));
  ASSERT_TRUE(SetValueForRowUnit("NOTE", "Orders", "late", 4, object_));
  log_.Take();
  ASSERT_TRUE(SaveDataObject(object_)) << log_.Take();
  const std::string log = log_.Take();
  EXPECT_EQ(TableList(object_), (std::vector<std::string>{"Orders", "OrderLines"}));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"42:1:nut:10", "42:2:bolt:25", "42:4:a'b\\:7",
                                               "43:1:pin:5"}));
  EXPECT_EQ(Rows("SELECT NOTE FROM Orders WHERE ID = 42"), std::vector<std::string>{"late"});
  for (RowUnit* u = lines->firstRowUnit; u; u = u->next) EXPECT_EQ(u->state, kRowInDatabase);
  EXPECT_LT(log.find("update Orders"), log.find("OrderLines")) << log;

  // Nothing changed since: saving again issues no statement.
  ASSERT_TRUE(SaveDataObject(object_));
  EXPECT_EQ(log_.Take().find("Generated"), std::string::npos);
}

TEST_P(DataObjectEngineTest, ASaveFailingOnItsLastStatementChangesNothing) {
  ASSERT_NE(Order42(), nullptr) << log_.Take();
  ASSERT_TRUE(SetValueForRowUnit("NOTE", "Orders", "late", 4, object_));
  ASSERT_TRUE(DeleteRowUnit(GetNthRowUnit(object_, 1, "OrderLines"), object_));
  // Line (43, 1) exists in the database but not in the object: its insert,
  // the last statement but the deletes, fails.
  ASSERT_TRUE(InsertStringRowIntoDO(
      object_, "OrderLines", MakeStringColumnValuesList(object_->pool, 4, "43", "1", "dup", "1")));
  const std::vector<std::string> before = Lines();
  EXPECT_FALSE(SaveDataObject(object_));
  const std::string log = log_.Take();
  EXPECT_NE(log.find("Error in executing update query "), std::string::npos) << log;
  EXPECT_EQ(Lines(), before);
  EXPECT_EQ(Rows("SELECT NOTE FROM Orders WHERE ID = 42"), std::vector<std::string>{"rush"});
  EXPECT_EQ(GetFirstRowUnit(object_, "Orders")->state, kRowInDatabase | kRowModified);
  EXPECT_EQ(GetNthRowUnit(object_, 1, "OrderLines")->state, kRowInDatabase | kRowDeleted);
}

TEST_P(DataObjectEngineTest, PersonalitiesRetrieveWholeCustomers) {
  ASSERT_EQ(InitPersonality(), 1);
  const std::string path = dir_.path() + "/personalities.xml";
  hvtest::WriteFile(path, kPersonalities);
  ASSERT_EQ(CreatePersonalityFromXMLFile(path.c_str()), 1) << log_.Take();
  std::string log = log_.Take();
  EXPECT_NE(log.find("CREATE TABLE Customer_IDX(ID INT,  TABLENAME VARCHAR(40))"),
            std::string::npos)
      << log;
  EXPECT_TRUE(Rows("SELECT * FROM Customer_IDX").empty());

  // A new order of customer 7 enters the index.
  int32_t lengths[4] = {4, 4, 2, 0};
  int32_t id = 44, customer = 7;
  int16_t status = 0;
  char* values[4] = {reinterpret_cast<char*>(&id), reinterpret_cast<char*>(&customer),
                     reinterpret_cast<char*>(&status), nullptr};
  RowObject order{values, lengths, kRowNew, nullptr};
  ASSERT_TRUE(AddEntryToIndexTable("Orders", &order)) << log_.Take();
  EXPECT_NE(log_.Take().find("INSERT INTO Customer_IDX VALUES (7, 'Orders')"), std::string::npos);
  EXPECT_EQ(Rows("SELECT ID, TABLENAME FROM Customer_IDX"), std::vector<std::string>{"7:Orders"});

  // By name: every customer with orders and lines.
  object_ = GetDOFromPersonality("CustomerOrders");
  ASSERT_NE(object_, nullptr) << log_.Take();
  EXPECT_EQ(CountUnits(object_, "Customer"), 2);
  EXPECT_EQ(CountUnits(object_, "Orders"), 2);
  EXPECT_EQ(CountUnits(object_, "OrderLines"), 4);
  FreeDataObject(object_);

  // By a customer row: that customer's entity only.
  object_ = GetDOFromPersonalityByRowUnit("CustomerOrders", CustomerUnit(7));
  ASSERT_NE(object_, nullptr) << log_.Take();
  EXPECT_EQ(CountUnits(object_, "Customer"), 1);
  EXPECT_EQ(CountUnits(object_, "Orders"), 1);
  EXPECT_EQ(CountUnits(object_, "OrderLines"), 3);
  FreeDataObject(object_);

  // By criteria on a constituent.
  SelectQuery* holder = CreateSelectQuery();
  QueryColumn* column = CreateQueryColumn("OrderLines", nullptr, "PRODUCT", nullptr, 0,
                                          KES_SQL_VARCHAR, 0, holder->pool);
  QueryCriteriaNode* pin = CreateQueryCriteriaNode(column, "pin", 3, kOperatorEqual, holder->pool);
  object_ = GetDOFromPersonalityByCriteria("CustomerOrders", pin);
  FreeSelectQuery(holder);
  ASSERT_NE(object_, nullptr) << log_.Take();
  EXPECT_EQ(CountUnits(object_, "Customer"), 1);
  EXPECT_TRUE(ContainsHashKey(object_->keyIndex, "Customer8"));
  FreeDataObject(object_);

  // Deep: only the indexed tables of customer 7.
  object_ = DeepRetrieveDO("Customer", CustomerUnit(7));
  ASSERT_NE(object_, nullptr) << log_.Take();
  EXPECT_TRUE(ContainsTableInDO(object_, "Orders"));
  EXPECT_FALSE(ContainsTableInDO(object_, "OrderLines"));
  EXPECT_EQ(CountUnits(object_, "Orders"), 1);
  FreeDataObject(object_);
  object_ = nullptr;

  // Customer 8 has no index rows.
  EXPECT_EQ(DeepRetrieveDO("Customer", CustomerUnit(8)), nullptr);
  EXPECT_NE(log_.Take().find("No tables indexed.  Cannot deep retrieve DO for Customer"),
            std::string::npos);

  // Two personalities merged into one object.
  Vector* names = CreateVector();
  AddElementData(names, const_cast<char*>("JustOrders"));
  AddElementData(names, const_cast<char*>("CustomerOrders"));
  object_ = GetDOFromPersonalities(names);
  FreeVector(names);
  free(names);
  ASSERT_NE(object_, nullptr) << log_.Take();
  EXPECT_EQ(CountUnits(object_, "Orders"), 2);
  EXPECT_EQ(CountUnits(object_, "OrderLines"), 4);
  EXPECT_EQ(CountUnits(object_, "Customer"), 2);
}

TEST_P(DataObjectEngineTest, SavingAnObjectKeepsTheIndexInTheSameTransaction) {
  ASSERT_EQ(InitPersonality(), 1);
  const std::string path = dir_.path() + "/personalities.xml";
  hvtest::WriteFile(path, kPersonalities);
  ASSERT_EQ(CreatePersonalityFromXMLFile(path.c_str()), 1) << log_.Take();
  // A second load finds the index table and keeps it.
  ASSERT_EQ(CreatePersonalityFromXMLFile(path.c_str()), 1) << log_.Take();

  object_ = GetDOFromPersonalityByRowUnit("CustomerOrders", CustomerUnit(8));
  ASSERT_NE(object_, nullptr) << log_.Take();
  ASSERT_TRUE(InsertStringRowIntoDO(
      object_, "Orders", MakeStringColumnValuesList(object_->pool, 4, "45", "8", "0", "new")));
  ASSERT_TRUE(SaveDataObject(object_)) << log_.Take();
  EXPECT_EQ(Rows("SELECT ID, TABLENAME FROM Customer_IDX"), std::vector<std::string>{"8:Orders"});

  // Deleting one of customer 8's two orders keeps the entry; the last one
  // takes it away.
  ASSERT_TRUE(DeleteRowUnitOnCriteria("Orders", object_, "ID = 45"));
  ASSERT_TRUE(SaveDataObject(object_)) << log_.Take();
  EXPECT_EQ(Rows("SELECT ID, TABLENAME FROM Customer_IDX"), std::vector<std::string>{"8:Orders"});
  ASSERT_TRUE(DeleteRowUnitOnCriteria("OrderLines", object_, "ORDER_ID = 43"));
  ASSERT_TRUE(DeleteRowUnitOnCriteria("Orders", object_, "ID = 43"));
  ASSERT_TRUE(SaveDataObject(object_)) << log_.Take();
  EXPECT_TRUE(Rows("SELECT ID, TABLENAME FROM Customer_IDX").empty());
  EXPECT_TRUE(Rows("SELECT ID FROM Orders WHERE CUSTOMER_ID = 8").empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, DataObjectEngineTest, hvtest::AllEngines(),
                         hvtest::EngineTestName);

}  // namespace
