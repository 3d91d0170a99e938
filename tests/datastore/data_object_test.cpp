// Data objects without a database: building from a delivered result,
// key strings and partial column sets, inserting, reading, criteria, full-
// width rows, save order, cloning and merging; and the personality files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "database/query_model.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/data_object.h"
#include "datastore/personality.h"
#include "datastore/result_set.h"
#include "datastore/table_defn.h"
#include "tests/support/log_capture.h"
#include "tests/support/table_fixture.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::DefineOrderSchema;

std::string Int(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

int32_t IntOf(const char* value) {
  int32_t v = 0;
  if (value) memcpy(&v, value, 4);
  return v;
}

// A delivered result: column names and types, rows of cells ("" with
// null=true marks NULL).
struct Cell {
  std::string bytes;
  bool null = false;
};
ResultSet* MakeResult(const std::vector<std::pair<const char*, uint8_t>>& columns,
                      const std::vector<std::vector<Cell>>& rows) {
  auto** infos = static_cast<ColumnInfo**>(calloc(columns.size(), sizeof(ColumnInfo*)));
  for (size_t i = 0; i < columns.size(); ++i) {
    infos[i] = CreateColumnInfo(columns[i].first, columns[i].second);
  }
  ResultRow* list = nullptr;
  for (const auto& row : rows) {
    ResultValue* values = nullptr;
    for (const Cell& c : row) {
      values = AppendResultValue(values, c.null ? 0 : static_cast<int32_t>(c.bytes.size()),
                                 c.null ? nullptr : c.bytes.data());
    }
    list = AppendResultRow(list, values);
  }
  return CreateResultSet(list, infos, static_cast<int32_t>(columns.size()));
}

Cell Text(const char* t) { return Cell{t}; }
Cell Num(int32_t v) { return Cell{Int(v)}; }
Cell Null() { return Cell{"", true}; }

std::vector<std::string> Names(Vector* v) {
  std::vector<std::string> out;
  for (VectorNode* n = v ? v->head : nullptr; n; n = n->next) {
    out.emplace_back(static_cast<const char*>(n->data));
  }
  return out;
}

int CountUnits(DataObject* object, const char* table) {
  RowCollection* c = GetRowCollection(object, table);
  int n = 0;
  for (RowUnit* u = c ? c->firstRowUnit : nullptr; u; u = u->next) ++n;
  return n;
}

class DataObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSqlDialects();
    DefineOrderSchema();
  }
  void TearDown() override {
    FreeDataObject(object_);
    FreeSelectQuery(query_);
    FreeAllPersonalities();
    FreeAllTableDefns();
    FreeSqlDialects();
  }

  // Orders 42 joined to its three lines, every column selected.
  DataObject* OrderWithLines() {
    query_ = CreateSelectQuery();
    EXPECT_TRUE(AddJoinOnColumns(query_, "Orders", nullptr, "OrderLines", nullptr, kLeftJoin, 0));
    ResultSet* set = MakeResult({{"ID", KES_SQL_INT},
                                 {"CUSTOMER_ID", KES_SQL_INT},
                                 {"STATUS", KES_SQL_SMALLINT},
                                 {"NOTE", KES_SQL_VARCHAR},
                                 {"ORDER_ID", KES_SQL_INT},
                                 {"LINE_NO", KES_SQL_INT},
                                 {"PRODUCT", KES_SQL_VARCHAR},
                                 {"QTY", KES_SQL_INT}},
                                {{Num(42), Num(7), Cell{std::string("\1\0", 2)}, Text("rush"),
                                  Num(42), Num(1), Text("nut"), Num(10)},
                                 {Num(42), Num(7), Cell{std::string("\1\0", 2)}, Text("rush"),
                                  Num(42), Num(2), Text("bolt"), Num(20)},
                                 {Num(42), Num(7), Cell{std::string("\1\0", 2)}, Text("rush"),
                                  Num(42), Num(3), Text("it's"), Num(30)}});
    object_ = CreateDataObjectFromResultSet(set, query_);
    return object_;
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 4};
  DataObject* object_ = nullptr;
  SelectQuery* query_ = nullptr;
};

TEST_F(DataObjectTest, AJoinGivesOneUnitPerKeyAndKeyStrings) {
  ASSERT_NE(OrderWithLines(), nullptr) << log_.Take();
  EXPECT_EQ(CountUnits(object_, "Orders"), 1);
  EXPECT_EQ(CountUnits(object_, "OrderLines"), 3);
  EXPECT_EQ(Names(GetTableList(object_)), (std::vector<std::string>{"Orders", "OrderLines"}));
  const std::string log = log_.Take();
  EXPECT_EQ(hvtest::CountOf(log, "HashKey Orders42 Not Inserted"), 2u) << log;
  EXPECT_NE(log.find("KeyStr OrderLines423"), std::string::npos);
  EXPECT_TRUE(ContainsHashKey(object_->keyIndex, "Orders42"));
  EXPECT_TRUE(ContainsHashKey(object_->keyIndex, "OrderLines421"));

  int32_t length = 0;
  const char* first = GetFirstValue(object_, "PRODUCT", "OrderLines", &length);
  EXPECT_EQ(std::string(first, length), "nut");
  char* third = GetColumnValueFromDO(object_, "OrderLines", "PRODUCT", 3, &length);
  EXPECT_EQ(std::string(third, length), "it's");
  EXPECT_EQ(GetNthRowUnit(object_, 4, "OrderLines"), nullptr);
  EXPECT_NE(log_.Take().find("Cannot get 4 row. "), std::string::npos);
  Vector* quantities = GetColumnValuesFromDO(object_, "QTY", "OrderLines");
  ASSERT_NE(quantities, nullptr);
  std::vector<int32_t> q;
  for (VectorNode* n = quantities->head; n; n = n->next) {
    q.push_back(IntOf(static_cast<ColumnValue*>(n->data)->data));
  }
  EXPECT_EQ(q, (std::vector<int32_t>{10, 20, 30}));

  // Past the end once gives none, and the next call starts over.
  RowCollection* lines = GetRowCollection(object_, "OrderLines");
  for (int i = 0; i < 3; ++i) ASSERT_NE(GotoNextRowUnit(lines), nullptr);
  EXPECT_EQ(GotoNextRowUnit(lines), nullptr);
  EXPECT_NE(log_.Take().find("Reached end of rowUnits."), std::string::npos);
  EXPECT_EQ(GotoNextRowUnit(lines), lines->firstRowUnit);
}

TEST_F(DataObjectTest, APartialSelectListMapsDefinitionPositions) {
  query_ = CreateSelectQuery();
  // Selected out of definition order, and a key column missing for Orders.
  ASSERT_TRUE(AddColumnToQuery(query_, "OrderLines", nullptr, "PRODUCT", nullptr, 0, 0, 0));
  ASSERT_TRUE(AddColumnToQuery(query_, "OrderLines", nullptr, "LINE_NO", nullptr, 0, 0, 0));
  ASSERT_TRUE(AddColumnToQuery(query_, "OrderLines", nullptr, "ORDER_ID", nullptr, 0, 0, 0));
  ASSERT_TRUE(AddColumnToQuery(query_, "Orders", nullptr, "NOTE", nullptr, 0, 0, 0));
  ASSERT_TRUE(AddJoinOnColumns(query_, "Orders", nullptr, "OrderLines", nullptr, kInnerJoin, 0));
  ResultSet* set = MakeResult({{"PRODUCT", KES_SQL_VARCHAR},
                               {"LINE_NO", KES_SQL_INT},
                               {"ORDER_ID", KES_SQL_INT},
                               {"NOTE", KES_SQL_VARCHAR}},
                              {{Text("nut"), Num(5), Num(42), Text("n")}});
  object_ = CreateDataObjectFromResultSet(set, query_);
  ASSERT_NE(object_, nullptr) << log_.Take();
  RowCollection* lines = GetRowCollection(object_, "OrderLines");
  ASSERT_EQ(lines->columnCount, 3);
  EXPECT_STREQ(lines->columnNames[0], "ORDER_ID");  // definition order
  EXPECT_STREQ(lines->columnNames[2], "PRODUCT");
  EXPECT_TRUE(ContainsHashKey(object_->keyIndex, "OrderLines425"));
  int32_t length = 0;
  EXPECT_EQ(IntOf(GetFirstValue(object_, "LINE_NO", "OrderLines", &length)), 5);
  EXPECT_EQ(GetFirstValue(object_, "QTY", "OrderLines", &length), nullptr);  // not held
  EXPECT_EQ(GetFirstValue(object_, "NOPE", "OrderLines", &length), nullptr);
  EXPECT_EQ(CountUnits(object_, "Orders"), 0);
  const std::string log = log_.Take();
  EXPECT_NE(log.find("ALL PRIMARY KEY COLUMNS SHOULD BE SELECTED FOR Orders"), std::string::npos);
  EXPECT_NE(log.find("Invalid Column Entered."), std::string::npos);
}

TEST_F(DataObjectTest, ALeftJoinWithoutMatchAddsNoEmptyRow) {
  query_ = CreateSelectQuery();
  ASSERT_TRUE(AddJoinOnColumns(query_, "Customer", nullptr, "Orders", nullptr, kLeftJoin, 0));
  ResultSet* set = MakeResult({{"ID", KES_SQL_INT},
                               {"NAME", KES_SQL_VARCHAR},
                               {"ID", KES_SQL_INT},
                               {"CUSTOMER_ID", KES_SQL_INT},
                               {"STATUS", KES_SQL_SMALLINT},
                               {"NOTE", KES_SQL_VARCHAR}},
                              {{Num(9), Text("Bo"), Null(), Null(), Null(), Null()}});
  object_ = CreateDataObjectFromResultSet(set, query_);
  ASSERT_NE(object_, nullptr);
  EXPECT_EQ(CountUnits(object_, "Customer"), 1);
  EXPECT_EQ(CountUnits(object_, "Orders"), 0);
}

TEST_F(DataObjectTest, InsertingFillsGeneratedAndDefaultValuesAndRefusesAKnownKey) {
  object_ = CreateDataObject();
  ASSERT_TRUE(AddTableToDO(object_, "Orders", nullptr));
  ASSERT_TRUE(AddTableToDO(object_, "OrderLines",
                           MakeColumnList(object_->pool, 3, "LINE_NO", "ORDER_ID", "PRODUCT")));
  char* texts[] = {const_cast<char*>("42"), const_cast<char*>("7"), nullptr,
                   const_cast<char*>("urgent")};
  ASSERT_TRUE(InsertStringRowIntoDO(object_, "Orders", texts)) << log_.Take();
  RowUnit* order = GetFirstRowUnit(object_, "Orders");
  EXPECT_EQ(order->state, kRowNew);
  int32_t length = 0;
  EXPECT_EQ(ReadIntegerValue(GetFirstValue(object_, "STATUS", "Orders", &length), length,
                             KES_SQL_SMALLINT),
            0u);  // the default

  // The same key again: refused, the object unchanged.
  EXPECT_FALSE(InsertStringRowIntoDO(object_, "Orders", texts));
  EXPECT_NE(log_.Take().find("Row with keyStr Orders42 already exists."), std::string::npos);
  EXPECT_EQ(CountUnits(object_, "Orders"), 1);

  // A partial collection takes values in its own (definition) order.
  char** line = MakeStringColumnValuesList(object_->pool, 3, "42", "1", "nut");
  ASSERT_TRUE(InsertStringRowIntoDO(object_, "OrderLines", line));
  EXPECT_TRUE(ContainsHashKey(object_->keyIndex, "OrderLines421"));
  EXPECT_FALSE(InsertStringRowIntoDO(object_, "Customer", line));
  EXPECT_NE(log_.Take().find("The RowUnit belongs to Table Customer, which is not in DO"),
            std::string::npos);

  // Values set on the last unit, then on all from the cursor on.
  const std::string note = "late";
  ASSERT_TRUE(SetValueForRowUnit("NOTE", "Orders", note.data(), 4, object_));
  EXPECT_EQ(order->state, kRowNew | kRowModified);
  EXPECT_FALSE(SetValueForRowUnit("QTY", "OrderLines", note.data(), 4, object_));
  EXPECT_NE(log_.Take().find("Passed column QTY is not present in DO."), std::string::npos);
  EXPECT_FALSE(SetValueForAllRowUnits("NOTE", "Nope", note.data(), 4, object_));
  EXPECT_NE(log_.Take().find(" Table Nope is not present in DO"), std::string::npos);
}

TEST_F(DataObjectTest, FullWidthRowsTakeDefaultsAndRefuseAMissingRequiredValue) {
  object_ = CreateDataObject();
  ASSERT_TRUE(
      AddTableToDO(object_, "OrderLines", MakeColumnList(object_->pool, 2, "ORDER_ID", "LINE_NO")));
  ASSERT_TRUE(InsertStringRowIntoDO(object_, "OrderLines",
                                    MakeStringColumnValuesList(object_->pool, 2, "42", "1")));
  RowObject* row = GetRowObjectFromRowUnit(GetFirstRowUnit(object_, "OrderLines"), object_);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(IntOf(row->values[0]), 42);
  EXPECT_EQ(row->values[2], nullptr);   // nullable, no default
  EXPECT_EQ(IntOf(row->values[3]), 1);  // the default
  EXPECT_EQ(row->state, kRowNew);

  ASSERT_TRUE(AddTableToDO(object_, "Orders", MakeColumnList(object_->pool, 1, "ID")));
  ASSERT_TRUE(
      InsertStringRowIntoDO(object_, "Orders", MakeStringColumnValuesList(object_->pool, 1, "5")));
  EXPECT_EQ(GetRowObjectFromRowUnit(GetFirstRowUnit(object_, "Orders"), object_), nullptr);
  EXPECT_NE(log_.Take().find("Cannot save RowUnit. Column CUSTOMER_ID is not not nullable and "
                             "does not have a default value"),
            std::string::npos);
}

TEST_F(DataObjectTest, CriteriaSelectAndDeleteRowUnits) {
  ASSERT_NE(OrderWithLines(), nullptr);
  RowUnit* bolt = GetRowUnitOnCriteria("OrderLines", object_, "PRODUCT = 'bolt'");
  ASSERT_NE(bolt, nullptr);
  EXPECT_EQ(bolt, GetNthRowUnit(object_, 2, "OrderLines"));
  EXPECT_EQ(GetRowUnitOnCriteria("OrderLines", object_, "QTY > 100"), nullptr);
  EXPECT_EQ(GetRowUnitOnCriteria("OrderLines", object_, "QTY >"), nullptr);  // no parse

  ASSERT_TRUE(DeleteRowUnitOnCriteria("OrderLines", object_, "QTY >= 20"));
  std::vector<uint8_t> states;
  for (RowUnit* u = GetFirstRowUnit(object_, "OrderLines"); u; u = u->next)
    states.push_back(u->state);
  EXPECT_EQ(states, (std::vector<uint8_t>{1, 9, 9}));
  EXPECT_FALSE(DeleteRowUnitOnCriteria("Nope", object_, "QTY >= 20"));
}

TEST_F(DataObjectTest, UpdatingFindsTheUnitByItsKey) {
  ASSERT_NE(OrderWithLines(), nullptr);
  // A unit made by hand, in definition order, names the second line.
  int32_t lengths[4] = {4, 4, 3, 4};
  std::string order = Int(42), no = Int(2), qty = Int(99);
  char* values[4] = {order.data(), no.data(), const_cast<char*>("pin"), qty.data()};
  RowUnit* probe = CreateRowUnit("OrderLines", values, lengths, nullptr);
  RowUnit* found = FindRowUnit(probe, object_);
  ASSERT_EQ(found, GetNthRowUnit(object_, 2, "OrderLines"));
  ASSERT_TRUE(UpdateRowUnit(probe, object_));
  EXPECT_EQ(found->state, kRowInDatabase | kRowModified);
  EXPECT_EQ(IntOf(found->values[3]), 99);
  std::string other = Int(8);
  values[1] = other.data();
  EXPECT_FALSE(UpdateRowUnit(probe, object_));
  EXPECT_NE(log_.Take().find("Row to be updated is not present in DO. "), std::string::npos);
  // The object holds copies: the caller's unit and arrays may go.
  probe->values = nullptr;
  probe->lengths = nullptr;
  FreeRowUnit(probe);
  values[3] = other.data();
  EXPECT_EQ(IntOf(found->values[3]), 99);
}

TEST_F(DataObjectTest, SaveOrderPutsReferencedTablesFirst) {
  hvtest::DefineTable("A", {hvtest::MakeColumn("ID", KES_SQL_INT)}, {"ID"},
                      {CreateForeignKeyEntry("ID", "ID", "B", 0, 0, 0)});
  hvtest::DefineTable("B", {hvtest::MakeColumn("ID", KES_SQL_INT)}, {"ID"},
                      {CreateForeignKeyEntry("ID", "ID", "A", 0, 0, 0)});
  const struct {
    std::vector<const char*> in;
    std::vector<std::string> out;
  } cases[] = {
      {{"OrderLines", "Orders"}, {"Orders", "OrderLines"}},
      {{"OrderLines", "Orders", "Customer"}, {"Customer", "Orders", "OrderLines"}},
      {{"Customer", "OrderLines", "Orders"}, {"Customer", "Orders", "OrderLines"}},
      {{"Unknown", "OrderLines", "Orders"}, {"Unknown", "Orders", "OrderLines"}},
      {{"A", "B"}, {"B", "A"}},  // a cycle ends the walk
      {{}, {}},
  };
  for (const auto& c : cases) {
    Vector* in = CreateVector();
    for (const char* name : c.in) AddElementData(in, const_cast<char*>(name));
    Vector* out = SortTableByFK(in, nullptr);
    EXPECT_EQ(Names(out), c.out) << (c.in.empty() ? "" : c.in[0]);
    FreeVector(out);
    free(out);
    FreeVector(in);
    free(in);
  }
}

// States of source units and what the merge makes of them in a target that
// holds order 42 unchanged.
TEST_F(DataObjectTest, MergeFollowsTheStateOfEachSourceUnit) {
  ASSERT_NE(OrderWithLines(), nullptr);
  DataObject* target = CloneDataObject(object_);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(Names(GetTableList(target)), Names(GetTableList(object_)));
  EXPECT_EQ(CountUnits(target, "OrderLines"), 3);

  // The source: line 1 updated, line 2 deleted, line 4 new, line 5 new and
  // deleted again, line 3 unchanged; and a Customer table the target lacks.
  RowUnit* one = GetNthRowUnit(object_, 1, "OrderLines");
  std::string qty = Int(11);
  ASSERT_TRUE(
      SetValueForRowUnit("QTY", "OrderLines", qty.data(), 4, object_));  // last unit: line 3
  GetNthRowUnit(object_, 3, "OrderLines")->state = kRowInDatabase;
  one->values[3] = qty.data();
  one->state = kRowInDatabase | kRowModified;
  GetNthRowUnit(object_, 2, "OrderLines")->state = kRowInDatabase | kRowDeleted;
  ASSERT_TRUE(InsertStringRowIntoDO(
      object_, "OrderLines", MakeStringColumnValuesList(object_->pool, 4, "42", "4", "new", "4")));
  ASSERT_TRUE(InsertStringRowIntoDO(
      object_, "OrderLines", MakeStringColumnValuesList(object_->pool, 4, "42", "5", "gone", "5")));
  GetLastRowUnit(object_, "OrderLines")->state = kRowNew | kRowDeleted;
  ASSERT_TRUE(AddTableToDO(object_, "Customer", nullptr));
  ASSERT_TRUE(InsertStringRowIntoDO(object_, "Customer",
                                    MakeStringColumnValuesList(object_->pool, 2, "7", "Ann")));

  ASSERT_EQ(MergeDataObject(target, object_), target);
  std::vector<std::pair<int32_t, int>> lines;  // line number, state
  for (RowUnit* u = GetFirstRowUnit(target, "OrderLines"); u; u = u->next) {
    lines.emplace_back(IntOf(u->values[1]), u->state);
  }
  EXPECT_EQ(lines, (std::vector<std::pair<int32_t, int>>{{1, 5}, {2, 9}, {3, 1}, {4, 2}}));
  EXPECT_EQ(IntOf(GetNthRowUnit(target, 1, "OrderLines")->values[3]), 11);
  EXPECT_EQ(IntOf(GetNthRowUnit(target, 3, "OrderLines")->values[3]), 30);  // target's own
  EXPECT_EQ(CountUnits(target, "Customer"), 1);
  EXPECT_TRUE(ContainsHashKey(target->keyIndex, "Customer7"));
  EXPECT_EQ(Names(GetTableList(target)),
            (std::vector<std::string>{"Orders", "OrderLines", "Customer"}));
  // The target owns its copies: the source can go.
  FreeDataObject(object_);
  object_ = nullptr;
  EXPECT_STREQ(GetNthRowUnit(target, 4, "OrderLines")->values[2], "new");
  FreeDataObject(target);
}

TEST_F(DataObjectTest, PrintingListsTablesColumnsValuesAndStates) {
  ASSERT_NE(OrderWithLines(), nullptr);
  log_.Take();
  ASSERT_TRUE(PrintDataObject(object_));
  const std::string log = log_.Take();
  EXPECT_EQ(
      hvtest::FirstMissingInOrder(
          log, {"Tables selected in DataObject: \nOrders\nOrderLines\n*************\n",
                "Table Name: Orders\n", " ID\t CUSTOMER_ID\t STATUS\t NOTE\tRowState\n",
                " 42\t 7\t 1\t rush\t1\n", "Table Name: OrderLines\n", " 42\t 3\t it's\t 30\t1\n"}),
      "")
      << log;
  EXPECT_FALSE(PrintDataObject(nullptr));
}

// --- personality files --------------------------------------------------------

class PersonalityFileTest : public DataObjectTest {
 protected:
  uint8_t Load(const std::string& xml) {
    return CreatePersonalityFromXMLBuffer(xml.data(), static_cast<int32_t>(xml.size()), "p.xml");
  }
};

TEST_F(PersonalityFileTest, PersonalitiesAndTheirConstituents) {
  ASSERT_EQ(InitPersonality(), 1);
  ASSERT_EQ(Load(R"(<Personalities>
    <PersonalityConfiguration personalityname="CustomerOrders" description="all of it"
                              dominanttableid="Customer">
    </PersonalityConfiguration>
    <ConstituentTable tableid="Orders" tableindex=" +2x" fkconstraint_id="fk1" mandatory="TRUE"/>
    <ConstituentTable tableid="customer" tableindex="1"/>
    <ConstituentTable tableid="OrderLines" tableindex="0" mandatory="false"/>
    <PersonalityConfiguration personalityname="Lonely" dominanttableid="Orders"/>
    <ConstituentTable tableid="OrderLines" mandatory="false"/>
  </Personalities>)"),
            1)
      << log_.Take();
  PersonalityDefn* p = GetPersonalityDefn("CustomerOrders");
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->description, "all of it");
  char** tables = GetConstituentTables("CustomerOrders");
  std::vector<std::string> names;
  for (char** t = tables; t && *t; ++t) {
    names.emplace_back(*t);
    free(*t);
  }
  free(tables);
  // The dominant table named as a constituent comes first.
  EXPECT_EQ(names, (std::vector<std::string>{"customer", "Orders", "OrderLines"}));
  auto* orders = static_cast<ConstituentTable*>(ElementAt(p->constituentTables, 1)->data);
  EXPECT_EQ(orders->tableIndex, 2);
  EXPECT_EQ(orders->mandatory, 1);
  EXPECT_STREQ(orders->fkConstraintId, "fk1");
  // "0" as index stops reading the element: mandatory="false" is not seen.
  auto* lines = static_cast<ConstituentTable*>(ElementAt(p->constituentTables, 2)->data);
  EXPECT_EQ(lines->mandatory, 0);
  EXPECT_EQ(lines->tableIndex, 0);

  EXPECT_EQ(GetPersonalityDefn("customerorders"), nullptr);
  EXPECT_NE(log_.Take().find("Personality customerorders not found in gv_personalityDefnVect"),
            std::string::npos);
  EXPECT_TRUE(IsDominantTable("ORDERS"));
  EXPECT_FALSE(IsDominantTable("OrderLines"));
  char** dominant = GetDominantTables();
  EXPECT_STREQ(dominant[0], "Customer");
  EXPECT_STREQ(dominant[1], "Orders");
  EXPECT_EQ(dominant[2], nullptr);
  for (char** t = dominant; *t; ++t) free(*t);
  free(dominant);

  ASSERT_EQ(PrintPersonalityDefn("CustomerOrders"), 1);
  EXPECT_EQ(hvtest::FirstMissingInOrder(
                log_.Take(), {"\nPersonality Name: CustomerOrders\n", "Description: all of it\n",
                              "Dominant Table: Customer\n\n", "Constituent Table Information\n",
                              "Constituent Table Name: Orders\n", "Constituent Table Index: 2\n",
                              "Foreign Key: fk1\n", "Mandatory Status: 1\n\n"}),
            "");
}

TEST_F(PersonalityFileTest, MalformedFilesAreRefusedOrPassedOverWithAMessage) {
  const struct {
    const char* xml;
    uint8_t result;
    const char* message;
    int personalities;
  } cases[] = {
      {"<a><b>", 0, "Could not parse file p.xml", 0},
      {"", 0, "Could not parse file p.xml", 0},
      {"<P><PersonalityConfiguration dominanttableid='Customer'/></P>", 1,
       "Personality without personalityname passed over.", 0},
      {"<P><PersonalityConfiguration personalityname='x'/></P>", 1,
       "Personality without dominanttableid passed over.", 0},
      {"<P><ConstituentTable tableid='Orders'/></P>", 1, "", 0},
      {"<P><PersonalityConfiguration personalityname='x' dominanttableid='Customer'/>"
       "<ConstituentTable mandatory='x'/></P>",
       1, "", 1},
      {"<!DOCTYPE P [<!ENTITY e SYSTEM 'http://example.invalid/x'>]><P>&e;</P>", 1, "", 0},
  };
  for (const auto& c : cases) {
    FreeAllPersonalities();
    EXPECT_EQ(Load(c.xml), c.result) << c.xml;
    const std::string log = log_.Take();
    EXPECT_NE(log.find(c.message), std::string::npos) << c.xml << "\n" << log;
    EXPECT_EQ(gv_personalityDefnVect ? gv_personalityDefnVect->count : 0, c.personalities) << c.xml;
  }
  EXPECT_EQ(CreatePersonalityFromXMLFile((dir_.path() + "/missing.xml").c_str()), 0);
}

TEST_F(PersonalityFileTest, KeyTextsAndRootTables) {
  Vector* keys = GetPKColumnInfo("OrderLines");
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(hvtest::TakeText(ConstructPKColumnString(keys)), "ORDER_ID INT, LINE_NO INT, ");
  FreeVector(keys);
  free(keys);
  EXPECT_EQ(GetPKColumnInfo("Nope"), nullptr);
  EXPECT_NE(log_.Take().find("No table definition found for Nope."), std::string::npos);

  // Key conditions: numbers plain, texts quoted with quotes doubled.
  hvtest::DefineTable("Tag", {hvtest::MakeColumn("CODE", KES_SQL_VARCHAR, false, nullptr, 10)},
                      {"CODE"});
  int32_t lengths[1] = {4};
  char* values[1] = {const_cast<char*>("o'k;")};
  RowUnit* tag = CreateRowUnit("Tag", values, lengths, nullptr);
  EXPECT_EQ(hvtest::TakeText(ConstructPKValueString("Tag", tag)), "CODE = 'o''k;' ");
  tag->values = nullptr;
  tag->lengths = nullptr;
  FreeRowUnit(tag);

  Vector* roots = CreateVector();
  Vector* columns = CreateVector();
  FindRootTable("OrderLines", nullptr, roots, columns);
  EXPECT_EQ(Names(roots), std::vector<std::string>{});  // Orders.ID is not a key chain
  FindRootTable("Orders", "CUSTOMER_ID", roots, columns);
  EXPECT_EQ(Names(roots), std::vector<std::string>{"Customer"});
  EXPECT_EQ(Names(columns), std::vector<std::string>{"ID"});
  FreeVector(roots);
  free(roots);
  FreeVector(columns);
  free(columns);

  bool found = false;
  CompareRootRefTable("Customer", "ID", "Customer", "ID", &found);
  EXPECT_TRUE(found);
  CompareRootRefTable("Orders", "ID", "Customer", "ID", &found);
  EXPECT_FALSE(found);
  hvtest::DefineTable("A", {hvtest::MakeColumn("ID", KES_SQL_INT)}, {"ID"},
                      {CreateForeignKeyEntry("ID", "ID", "B", 0, 0, 0)});
  hvtest::DefineTable("B", {hvtest::MakeColumn("ID", KES_SQL_INT)}, {"ID"},
                      {CreateForeignKeyEntry("ID", "ID", "A", 0, 0, 0)});
  CompareRootRefTable("A", "ID", "Customer", "ID", &found);  // a cycle ends
  EXPECT_FALSE(found);
  roots = CreateVector();
  columns = CreateVector();
  FindRootTable("A", "ID", roots, columns);
  EXPECT_EQ(roots->count, 0);
  FreeVector(roots);
  free(roots);
  FreeVector(columns);
  free(columns);
  EXPECT_EQ(GetColIndex("CUSTOMER_ID", "Orders", nullptr), 1);
  EXPECT_EQ(GetColIndex("customer_id", "Orders", nullptr), -1);
}

}  // namespace
