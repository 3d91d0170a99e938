// Table data from XML documents.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "datastore/column_value.h"
#include "datastore/sequence.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "datastore/xml_import.h"
#include "tests/support/log_capture.h"
#include "tests/support/table_fixture.h"
#include "tests/support/test_support.h"

namespace {

ColumnDefnEntry* Column(const char* name, uint8_t type, const char* generator = nullptr,
                        const char* defaultText = nullptr) {
  return CreateColumnDefn(name, type, defaultText,
                          defaultText ? static_cast<int32_t>(strlen(defaultText)) : 0, 0, generator,
                          nullptr, 80, 1, nullptr);
}

using hvtest::DefineTable;

class XmlImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTableDefnList();
    InitSequenceState();
    auto* state = static_cast<SequenceState*>(malloc(sizeof(SequenceState)));
    *state = SequenceState{1, 300};
    PutHashEntry(GetSequenceState(), "T_SEQ", state);
    // T: ID generated, NAME text, QTY int default 7, FLAG boolean, AT datetime.
    DefineTable("T",
                {Column("ID", KES_SQL_INT, "T_SEQ"), Column("NAME", KES_SQL_VARCHAR),
                 Column("QTY", KES_SQL_INT, nullptr, "7"), Column("FLAG", KES_SQL_BOOLEAN),
                 Column("AT", KES_SQL_DATETIME)},
                {"ID"});
    // C: a child of T through T_ID.
    DefineTable(
        "C",
        {Column("CID", KES_SQL_INT), Column("T_ID", KES_SQL_INT), Column("NOTE", KES_SQL_VARCHAR)},
        {"CID"}, {CreateForeignKeyEntry("T_ID", "ID", "T", 1, 0, 0)});
    // P and Q refer to each other.
    DefineTable("P", {Column("PID", KES_SQL_INT), Column("Q_ID", KES_SQL_INT)}, {"PID"},
                {CreateForeignKeyEntry("Q_ID", "QID", "Q", 1, 0, 0)});
    DefineTable("Q", {Column("QID", KES_SQL_INT), Column("P_ID", KES_SQL_INT)}, {"QID"},
                {CreateForeignKeyEntry("P_ID", "PID", "P", 1, 0, 0)});
    log_.Take();
  }
  void TearDown() override {
    UnLoadAllTable();
    FreeAllTableDefns();
    FreeSequenceState();
  }

  bool Import(const std::string& xml) {
    return LoadTableDataFromXMLBuffer(xml.c_str(), static_cast<int32_t>(xml.size()));
  }

  // The rows of a table as texts of their values, "-" for NULL.
  std::vector<std::string> Rows(const char* table) {
    std::vector<std::string> rows;
    TableData* data = GetTableDataByName(table);
    if (!data) return rows;
    for (RowObject* r = data->firstRow; r; r = r->next) {
      std::string text;
      int32_t i = 0;
      for (VectorNode* n = data->tableDefn->columns->head; n; n = n->next, ++i) {
        const auto* c = static_cast<ColumnDefnEntry*>(n->data);
        text += (i ? "|" : "") + (r->values[i] ? hvtest::TakeText(ConvertValueToString(
                                                     r->values[i], r->lengths[i], c->dataType))
                                               : std::string("-"));
      }
      rows.push_back(text);
    }
    return rows;
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 3};
};

TEST_F(XmlImportTest, RowsDefaultsSymbolsAndValueForms) {
  ASSERT_TRUE(
      Import("<List>"
             "<T NAME=\"plain\" FLAG=\"No\"/>"
             "<T ID=\"T:ID:1\" NAME=\"x:y:Hello\" FLAG=\"FALSE\" AT=\"2020-05-01 10:20:30\"/>"
             "<T ID=\"T:ID:1\" NAME=\"x:y:a:b\" QTY=\"3\"/>"
             "<T ID=\"T:ID:2\" NAME=\"it's\"/>"
             "</List>"))
      << log_.Take();
  EXPECT_EQ(Rows("T"), (std::vector<std::string>{
                           "1|plain|7|'t'|-",
                           "2|Hello|7|'f'|2020-05-01 10:20:30",
                           "2|a:b|3|-|-",
                           "3|it's|7|-|-",
                       }));
}

TEST_F(XmlImportTest, ChildrenInheritTheirParentsKeys) {
  ASSERT_TRUE(
      Import("<List><T ID=\"41\" NAME=\"parent\">\n  <C CID=\"1\" NOTE=\"child\"/>\n</T></List>"))
      << log_.Take();
  EXPECT_EQ(Rows("T"), std::vector<std::string>{"41|parent|7|-|-"});
  EXPECT_EQ(Rows("C"), std::vector<std::string>{"1|41|child"});
  // A parent's key written as a symbol gives the child the identifier it named.
  ASSERT_TRUE(
      Import("<List><T ID=\"T:ID:7\" NAME=\"symbolic\">\n  <C CID=\"2\" "
             "NOTE=\"inherits\"/>\n</T></List>"));
  EXPECT_EQ(Rows("T").back(), "1|symbolic|7|-|-");
  EXPECT_EQ(Rows("C").back(), "2|1|inherits");
  // Keys that refer to each other end the search instead of walking on.
  ASSERT_TRUE(Import("<List><P PID=\"1\"><Q QID=\"2\"><P PID=\"3\"/></Q></P></List>"));
  EXPECT_EQ(Rows("P").size(), 2u);
}

TEST_F(XmlImportTest, UndefinedElementsAndBrokenDocuments) {
  EXPECT_TRUE(Import("<Root><OrderList><T NAME=\"in a list\"/></OrderList></Root>"));
  EXPECT_EQ(Rows("T").size(), 1u);
  EXPECT_FALSE(Import("<Root><T NAME=\"before\"/><Order/><T NAME=\"after\"/></Root>"));
  std::string log = log_.Take();
  EXPECT_NE(
      log.find(
          "[ERROR] Cannot create and add a new row while constructing tabledata from XML file.\n"),
      std::string::npos);
  EXPECT_NE(log.find("[ERROR] Cannot construct table data from XML buffer.\n"), std::string::npos);
  EXPECT_EQ(Rows("T").size(), 2u);  // the rows before stay
  for (const char* broken :
       {"<List><T NAME=\"x\"></List>", "", "not xml", "<List><T NAME='x' NAME='y'/></List>"}) {
    EXPECT_FALSE(Import(broken)) << broken;
  }
  EXPECT_FALSE(LoadTableDataFromXMLFile(dir_.Sub("missing.xml").c_str()));
  EXPECT_NE(log_.Take().find("[ERROR] error: could not parse file file.xml\n"), std::string::npos);
}

TEST(AllocateAndCopyColumnValue, ConvertsByType) {
  struct Case {
    uint8_t type;
    const char* text;
    int32_t length;
    const char* shown;
  };
  const std::vector<Case> cases = {
      {KES_SQL_SMALLINT, "-12", 4, "-12"},
      {KES_SQL_BIGINT, "9000000000", 8, "9000000000"},
      {KES_SQL_INT, "12abc", 4, "0"},
      {KES_SQL_BOOLEAN, "FaLsE", 1, "'f'"},
      {KES_SQL_BOOLEAN, "No", 1, "'t'"},
      {KES_SQL_DATE, "2020-01-31", 11, "2020-01-31"},
      {KES_SQL_TIME, "08:05:09", 11, "08:05:09"},
      {KES_SQL_VARCHAR, "h\xC3\xA9", 3, "h\xC3\xA9"},
  };
  for (const Case& c : cases) {
    char* value = nullptr;
    int32_t length = 0;
    EXPECT_EQ(AllocateAndCopyColumnValue(&value, &length, c.type, c.text), 1) << c.text;
    ASSERT_NE(value, nullptr) << c.text;
    EXPECT_EQ(length, c.length) << c.text;
    EXPECT_EQ(hvtest::TakeText(ConvertValueToString(value, length, c.type)), c.shown) << c.text;
    free(value);
  }
  char* value = nullptr;
  int32_t length = 0;
  EXPECT_EQ(AllocateAndCopyColumnValue(&value, &length, KES_SQL_INT, nullptr), 0);
  EXPECT_EQ(AllocateAndCopyColumnValue(&value, &length, KES_SQL_NOT_SUPPORTED_TYPE, "x"), 1);
  EXPECT_EQ(value, nullptr);
}

}  // namespace
