#include "datastore/data_dictionary.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "datastore/column_value.h"
#include "datastore/startup.h"
#include "datastore/table_defn.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_support.h"

namespace {

const std::string kFull = std::string(HV_SOURCE_DIR) + "/tests/fuzz/corpus-dictionary/full.xml";

// A dictionary document around the given table elements.
std::string Doc(const std::string& tables) {
  return "<?xml version=\"1.0\"?>\n<data-dictionary>\n" + tables + "\n</data-dictionary>\n";
}

// One table with one column of the given properties.
std::string OneColumn(const std::string& table, const std::string& properties) {
  return "<table name=\"" + table + "\"><columns><column name=\"C\">" + properties +
         "</column></columns></table>";
}

class DictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override { InitTableDefnList(); }
  void TearDown() override {
    FreeAllTableDefns();
    SetTavrixRoot(nullptr);
  }

  // Loads text as a dictionary file; the log lines it wrote.
  std::string Load(const std::string& text) {
    const std::string path = dir_.Sub("dict" + std::to_string(files_++) + ".xml");
    hvtest::WriteFile(path, text);
    EXPECT_TRUE(LoadDataDictFromXMLFile(path.c_str()));
    return log_.Take();
  }
  ColumnDefnEntry* Column(const char* table, const char* column) {
    return GetColumnDefnEntry(table, column);
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 4};
  int files_ = 0;
};

TEST_F(DictionaryTest, FullFixtureGivesEveryField) {
  ASSERT_TRUE(LoadDataDictFromXMLFile(kFull.c_str()));
  const std::string log = log_.Take();
  EXPECT_EQ(hvtest::CountOf(log, "[ERROR]"), 0u) << log;

  TableDefn* customer = GetTableDefn("customer");
  ASSERT_NE(customer, nullptr);
  EXPECT_STREQ(customer->name, "Customer");
  EXPECT_STREQ(customer->description, "People who order");
  ASSERT_EQ(customer->columns->count, 7);

  ColumnDefnEntry* id = Column("Customer", "CustomerId");
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->dataType, KES_SQL_BIGINT);
  EXPECT_EQ(id->nullable, 0);
  EXPECT_EQ(id->unique, 1);
  EXPECT_STREQ(id->generatorName, "CustomerSeq");
  EXPECT_STREQ(id->description, "Key");
  EXPECT_EQ(id->defaultValue, nullptr);

  ColumnDefnEntry* name = Column("Customer", "Name");
  EXPECT_EQ(name->dataType, KES_SQL_VARCHAR);
  EXPECT_EQ(name->maxSize, 80);
  EXPECT_EQ(name->nullable, 1);
  EXPECT_STREQ(name->defaultValue, "anonymous");
  EXPECT_EQ(name->defaultValueLength, 9);
  EXPECT_EQ(Column("Customer", "Notes")->dataType, KES_SQL_TEXT) << "CHAR of 300 is TEXT";

  ColumnDefnEntry* status = Column("Customer", "Status");
  EXPECT_EQ(status->defaultValueLength, 4);
  EXPECT_EQ(memcmp(status->defaultValue, "\0\0\0\0", 4), 0) << "12abc is 0";
  ASSERT_NE(status->allowedValues, nullptr);
  EXPECT_EQ(status->allowedValues->isRange, 0);
  EXPECT_STREQ(status->allowedValues->values[0], "1");
  EXPECT_STREQ(status->allowedValues->values[2], "3");
  EXPECT_EQ(status->allowedValues->values[3], nullptr);

  ColumnDefnEntry* rating = Column("Customer", "Rating");
  ASSERT_NE(rating->allowedValues, nullptr);
  EXPECT_EQ(rating->allowedValues->isRange, 1);
  EXPECT_STREQ(rating->allowedValues->values[0], "1");
  EXPECT_STREQ(rating->allowedValues->values[1], "5");

  ColumnDefnEntry* active = Column("Customer", "Active");
  EXPECT_EQ(active->defaultValueLength, 1);
  EXPECT_EQ(active->defaultValue[0], 0);
  ColumnDefnEntry* since = Column("Customer", "Since");
  EXPECT_EQ(since->defaultValueLength, 11);
  EXPECT_EQ(hvtest::TakeText(ConvertValueToString(since->defaultValue, 11, KES_SQL_DATE)),
            "2020-01-31 00:00:00");

  ASSERT_EQ(customer->constraints->primaryKeyCount, 1);
  EXPECT_STREQ(customer->constraints->primaryKeyColumns[0], "CustomerId");
  EXPECT_EQ(customer->constraints->foreignKeys, nullptr);

  TableDefn* orders = GetTableDefn("ORDERS");
  ASSERT_NE(orders, nullptr);
  EXPECT_EQ(orders->description, nullptr);
  ASSERT_NE(orders->constraints->foreignKeys, nullptr);
  ASSERT_EQ(orders->constraints->foreignKeys->count, 3);
  ForeignKeyEntry* toCustomer = GetForeignKeyEntry(orders, "customerid");
  ASSERT_NE(toCustomer, nullptr);
  EXPECT_STREQ(toCustomer->referenceTable, "Customer");
  EXPECT_EQ(toCustomer->cascade, 1);
  EXPECT_EQ(toCustomer->bidirectional, 1);
  ForeignKeyEntry* code = GetForeignKeyEntry(orders, "RegionCode");
  ForeignKeyEntry* country = GetForeignKeyEntry(orders, "RegionCountry");
  ASSERT_NE(country, nullptr);
  EXPECT_STREQ(code->referenceColumn, "Code");
  EXPECT_STREQ(country->referenceColumn, "Country");
  EXPECT_STREQ(country->referenceTable, "Region");
  EXPECT_EQ(code->cascade, 0);
  EXPECT_EQ(country->bidirectional, 0);
}

TEST_F(DictionaryTest, ColumnProperties) {
  struct Case {
    const char* properties;
    uint8_t type;
    uint8_t nullable;
    uint8_t unique;
    int32_t defaultLength;  // -1: no default
  } cases[] = {
      {"<data-type>bigint</data-type>", KES_SQL_BIGINT, 1, 0, -1},
      {"<data-type>varchar</data-type>", 0, 1, 0, -1},
      {"<data-type>KES_SQL_CHAR</data-type><max-size>255</max-size>", KES_SQL_CHAR, 1, 0, -1},
      {"<data-type>CHAR</data-type><max-size>256</max-size>", KES_SQL_TEXT, 1, 0, -1},
      {"<data-type>CHAR</data-type><nullable>TRUE</nullable>", KES_SQL_VARCHAR, 1, 0, -1},
      {"<data-type>CHAR</data-type><nullable>no</nullable>", KES_SQL_VARCHAR, 0, 0, -1},
      {"<data-type>CHAR</data-type><unique>TRUE</unique>", KES_SQL_VARCHAR, 1, 0, -1},
      {"<unique>true</unique><data-type>CHAR</data-type>", KES_SQL_VARCHAR, 1, 1, -1},
      {"<data-type>INT</data-type><default-value>12abc</default-value>", 0, 1, 0, 5},
      {"<data-type>INTEGER</data-type><default-value>12abc</default-value>", KES_SQL_INT, 1, 0, 4},
      {"<data-type>BOOLEAN</data-type><default-value>yes</default-value>", KES_SQL_BOOLEAN, 1, 0,
       -1},
      {"<data-type>BOOLEAN</data-type><default-value>FALSE</default-value>", KES_SQL_BOOLEAN, 1, 0,
       1},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string table = "T" + std::to_string(n++);
    const std::string log = Load(Doc(OneColumn(table, c.properties)));
    ColumnDefnEntry* column = Column(table.c_str(), "C");
    ASSERT_NE(column, nullptr) << c.properties;
    EXPECT_EQ(column->dataType, c.type) << c.properties;
    EXPECT_EQ(column->nullable, c.nullable) << c.properties;
    EXPECT_EQ(column->unique, c.unique) << c.properties;
    EXPECT_EQ(column->defaultValue ? column->defaultValueLength : -1, c.defaultLength)
        << c.properties;
    EXPECT_EQ(hvtest::CountOf(log, "[ERROR]"), 0u) << c.properties << log;
  }
}

TEST_F(DictionaryTest, ColumnWithoutDataTypeIsLoggedAndGetsCodeZero) {
  const std::string log = Load(Doc(OneColumn("T", "<max-size>4</max-size>")));
  EXPECT_NE(log.find("Column data type not supported - Error while creating column definition.\n"),
            std::string::npos);
  EXPECT_EQ(GetColumnDataType("T", "C"), 0);
  EXPECT_EQ(Column("T", "C")->maxSize, 4);
}

TEST_F(DictionaryTest, FromWithoutToDropsOnlyThatTable) {
  const std::string log =
      Load(Doc(OneColumn("Bad",
                         "<data-type>INTEGER</data-type><allowed-values><from>1</from>"
                         "</allowed-values>") +
               OneColumn("Good", "<data-type>INTEGER</data-type>")));
  EXPECT_NE(log.find("In the allowed values attribute, 'to' tag is missing.\n"), std::string::npos);
  EXPECT_EQ(GetTableDefn("Bad"), nullptr);
  EXPECT_NE(GetTableDefn("Good"), nullptr);
}

TEST_F(DictionaryTest, TablesWithoutColumnsAreLeftOutSilently) {
  const std::string log =
      Load(Doc("<table name=\"NoColumns\"><description>x</description></table>"
               "<table name=\"Empty\"><columns></columns></table>"
               "<table name=\"Bare\"/>"
               "<table name=\"EmptyDescription\"><description/><columns/></table>"));
  for (const char* name : {"NoColumns", "Empty", "Bare", "EmptyDescription"}) {
    EXPECT_EQ(GetTableDefn(name), nullptr) << name;
  }
  EXPECT_EQ(hvtest::CountOf(log, "[ERROR]"), 0u) << log;
}

TEST_F(DictionaryTest, TwoFilesDefiningOneTableKeepBothAndTheFirstWins) {
  Load(Doc(OneColumn("Twice", "<data-type>BIGINT</data-type>")));
  Load(Doc(OneColumn("twice", "<data-type>CHAR</data-type>")));
  EXPECT_EQ(GetTableDefnList()->count, 2);
  EXPECT_EQ(GetColumnDataType("TWICE", "C"), KES_SQL_BIGINT);
  RemoveTableDefn("Twice");
  EXPECT_EQ(GetColumnDataType("TWICE", "C"), KES_SQL_VARCHAR);
  RemoveTableDefn("unknown");
  EXPECT_EQ(GetTableDefnList()->count, 1);
}

TEST_F(DictionaryTest, ExtraAttributeIsReportedAndTheColumnKeepsItsName) {
  const std::string log = Load(
      Doc("<table name=\"T\"><columns><column width=\"3\" name=\"C\"><data-type>INTEGER</data-type>"
          "</column></columns></table>"));
  EXPECT_EQ(hvtest::CountOf(log, "\n Not all Attributes were read\n"), 1u);
  EXPECT_NE(Column("T", "C"), nullptr);
}

TEST_F(DictionaryTest, UnsoundForeignKeysAreDroppedAndTheTableKept) {
  const std::string pair =
      "<fk-column><fk-local-column>A</fk-local-column>"
      "<fk-reference-column>B</fk-reference-column></fk-column>";
  const std::string log = Load(Doc(
      "<table name=\"T\"><columns><column name=\"A\"><data-type>INTEGER</data-type></column>"
      "</columns><foreign-keys>"
      "<foreign-key><fk-columns>" +
      pair +
      "</fk-columns></foreign-key>"
      "<foreign-key reference-table-name=\"X\"><fk-constraints>ON-DELETE-CASCADE</fk-constraints>"
      "<fk-columns>" +
      pair +
      "</fk-columns></foreign-key>"
      "<foreign-key reference-table-name=\"Y\"><fk-columns>" +
      pair +
      "</fk-columns></foreign-key>"
      "</foreign-keys></table>"));
  TableDefn* table = GetTableDefn("T");
  ASSERT_NE(table, nullptr);
  ASSERT_NE(table->constraints->foreignKeys, nullptr);
  EXPECT_EQ(table->constraints->foreignKeys->count, 1);
  EXPECT_STREQ(GetForeignKeyEntry(table, "A")->referenceTable, "Y");
  EXPECT_NE(log.find("[DEBUG] fk-columns tag not found \n"), std::string::npos);
  EXPECT_EQ(hvtest::CountOf(log, "[ERROR]"), 2u) << log;
}

TEST_F(DictionaryTest, MissingEndTagsAreReportedEach) {
  struct Case {
    std::string table;
    const char* message;
  } cases[] = {
      {OneColumn("T", "<allowed-values><from>1<x/></from><to>2</to></allowed-values>"),
       "\nNo Ending FROM tag \n"},
      {OneColumn("T", "<allowed-values><from>1</from><to>2<x/></to></allowed-values>"),
       "\nNo ending TO tag \n"},
      {OneColumn("T", "<allowed-values><value>1<x/></value></allowed-values>"),
       "\n No ending Value tag\n"},
      {"<table name=\"T\"><columns><column name=\"C\"/></columns><primary-key>"
       "<primary-key-column>C<x/></primary-key-column></primary-key></table>",
       "\nMissing primary-key-column end tag\n"},
      {"<table name=\"T\"><columns><column name=\"C\"/></columns><foreign-keys>"
       "<foreign-key reference-table-name=\"R\"><fk-columns><fk-column>"
       "<fk-local-column>C<x/></fk-local-column></fk-column></fk-columns></foreign-key>"
       "</foreign-keys></table>",
       "\n Missing endof FK-LOCAL-COLUMN tag\n"},
      {"<table name=\"T\"><columns><column name=\"C\"/></columns><foreign-keys>"
       "<foreign-key reference-table-name=\"R\"><fk-columns><fk-column>"
       "<fk-local-column>C</fk-local-column><fk-reference-column>D<x/></fk-reference-column>"
       "</fk-column></fk-columns></foreign-key></foreign-keys></table>",
       "\nMissing endof FK-REFERENCE-COLUMN\n"},
      {"<table name=\"T\"><columns><column name=\"C\"/></columns><foreign-keys>"
       "<foreign-key reference-table-name=\"R\"><fk-columns><other/></fk-columns></foreign-key>"
       "</foreign-keys></table>",
       "\nMissing end FK-COLUMNS\n"},
      {"<table name=\"T\"><columns><column name=\"C\"/></columns><foreign-keys>"
       "<foreign-key reference-table-name=\"R\"><fk-columns/><fk-constraints>x<y/>"
       "</fk-constraints></foreign-key></foreign-keys></table>",
       "\nMissing endof FK-CONSTRAINTS tag\n"},
  };
  for (const Case& c : cases) {
    const std::string log =
        Load(Doc(c.table + OneColumn("After", "<data-type>BIGINT</data-type>")));
    EXPECT_EQ(hvtest::CountOf(log, c.message), 1u) << c.message << log;
    EXPECT_NE(GetTableDefn("After"), nullptr) << "the rest of the file still loads";
    FreeAllTableDefns();
  }
}

TEST_F(DictionaryTest, BrokenFilesNeverCrashAndKeepWhatLoaded) {
  // The reader parses ahead in chunks, so a table stays loaded when the
  // fault lies a few kilobytes after it.
  const std::string good =
      OneColumn("Good", "<data-type>BIGINT</data-type>") + "<!--" + std::string(8192, 'p') + " -->";
  const std::string cut = Doc(good + "<table name=\"Cut\"><columns><column name=\"C\">");
  struct Case {
    const char* what;
    std::string text;
    bool goodLoads;
    const char* message;
  } cases[] = {
      {"truncated", Doc(good).substr(0, Doc(good).size() - 10), true, " : failed to parse\n"},
      {"cut inside a table", cut.substr(0, cut.rfind("<column name=\"C\">") + 9), true,
       " : failed to parse\n"},
      {"wrong nesting", Doc(good + "<table name=\"X\"><columns></table></columns>"), true,
       " : failed to parse\n"},
      {"empty", "", false, " : failed to parse\n"},
      {"binary", std::string("\x00\xff\xfe\x01garbage\x7f", 12), false, " : failed to parse\n"},
      {"description without end", "<data-dictionary><description>text", false,
       "\nNo Description end tag\n"},
  };
  for (const Case& c : cases) {
    const std::string log = Load(c.text);
    EXPECT_EQ(GetTableDefn("Good") != nullptr, c.goodLoads) << c.what;
    EXPECT_EQ(GetTableDefn("Cut"), nullptr) << c.what;
    EXPECT_NE(log.find(c.message), std::string::npos) << c.what << log;
    FreeAllTableDefns();
  }
  EXPECT_TRUE(LoadDataDictFromXMLFile(dir_.Sub("absent.xml").c_str()));
  EXPECT_NE(log_.Take().find("Unable to open " + dir_.Sub("absent.xml")), std::string::npos);
  EXPECT_FALSE(LoadDataDictFromXMLFile(nullptr));
}

TEST_F(DictionaryTest, MegabyteAttributeIsKeptWhole) {
  const std::string big(1 << 20, 'n');
  Load(Doc(OneColumn(big, "<data-type>BIGINT</data-type>")));
  TableDefn* table = GetTableDefn(big.c_str());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(strlen(table->name), big.size());
}

TEST_F(DictionaryTest, ListFileRelativeThenUnderTheRoot) {
  // Relative: ../data/datadictionary.txt from a working directory bin/.
  hvtest::MakeDirs(dir_.Sub("work/bin"));
  hvtest::MakeDirs(dir_.Sub("work/data"));
  hvtest::WriteFile(dir_.Sub("work/data/a.xml"),
                    Doc(OneColumn("A", "<data-type>BIGINT</data-type>")));
  hvtest::WriteFile(dir_.Sub("work/data/b.xml"),
                    Doc(OneColumn("B", "<data-type>BIGINT</data-type>")));
  hvtest::WriteFile(dir_.Sub("work/data/datadictionary.txt"),
                    "a.xml\n  missing.xml\tb.xml " + std::string(128, 'x') + "\n");
  // Under the root: root/data/datadictionary.txt.
  hvtest::MakeDirs(dir_.Sub("root/data"));
  hvtest::WriteFile(dir_.Sub("root/data/c.xml"),
                    Doc(OneColumn("C", "<data-type>BIGINT</data-type>")));
  hvtest::WriteFile(dir_.Sub("root/data/datadictionary.txt"), "c.xml");

  char* cwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(dir_.Sub("work/bin").c_str()), 0);
  const std::string root = dir_.Sub("root");
  SetTavrixRoot(root.c_str());
  EXPECT_TRUE(LoadAllDataDictFiles());
  std::string log = log_.Take();
  EXPECT_NE(GetTableDefn("A"), nullptr);
  EXPECT_NE(GetTableDefn("B"), nullptr);
  EXPECT_EQ(GetTableDefn("C"), nullptr) << "the relative list wins";
#if defined(_WIN32)
  const std::string up = "..\\data\\";  // the paths the system writes, as Windows has them
#else
  const std::string up = "../data/";
#endif
  EXPECT_NE(log.find("Opening " + up + "a.xml"), std::string::npos) << log;
  EXPECT_NE(log.find("Unable to open " + up + "missing.xml"), std::string::npos);
  EXPECT_EQ(hvtest::CountOf(log, "longer than 127 characters refused"), 1u) << log;

  FreeAllTableDefns();
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  EXPECT_TRUE(LoadAllDataDictFiles());
  log = log_.Take();
  EXPECT_NE(GetTableDefn("C"), nullptr);
  EXPECT_NE(log.find("Opening " + root + "/data/datadictionary.txt"), std::string::npos) << log;
  EXPECT_NE(log.find("Opening " + root + "/data/c.xml"), std::string::npos) << log;

  SetTavrixRoot(nullptr);
  EXPECT_FALSE(LoadAllDataDictFiles());
  EXPECT_NE(log_.Take().find("Cannot open DataDictionary File.\n"), std::string::npos);

  FreeAllTableDefns();
  EXPECT_TRUE(LoadDataDictFiles(dir_.Sub("work/data").c_str()));
  EXPECT_NE(GetTableDefn("B"), nullptr);
  EXPECT_FALSE(LoadDataDictFiles(dir_.Sub("nowhere").c_str()));
  EXPECT_FALSE(LoadDataDictFiles(std::string(300, 'd').c_str()));
  ASSERT_EQ(chdir(cwd), 0);
  free(cwd);
}

TEST_F(DictionaryTest, LookupMessages) {
  EXPECT_EQ(GetTableDefn("T"), nullptr);
  EXPECT_EQ(log_.Take().find("[ERROR]"), std::string::npos) << "empty registry: silent";
  ASSERT_TRUE(LoadDataDictFromXMLFile(kFull.c_str()));
  log_.Take();
  EXPECT_EQ(GetTableDefn(nullptr), nullptr);
  EXPECT_NE(log_.Take().find("Table Name is NULL.\n"), std::string::npos);
  EXPECT_EQ(GetColumnDefnEntry("Customer", nullptr), nullptr);
  EXPECT_NE(log_.Take().find("Cannot fetch default value;\n"), std::string::npos);
  EXPECT_EQ(GetColumnDataType("Nope", "C"), 0);
  EXPECT_NE(log_.Take().find("No definition found for table Nope\n"), std::string::npos);
  EXPECT_EQ(GetColumnDefnEntry("Customer", "name"), nullptr) << "column names compare exactly";

  int32_t found = 0;
  EXPECT_EQ(GetDefaultValue("Customer", "CustomerId", &found), nullptr);
  EXPECT_EQ(found, 1);
  found = 0;
  EXPECT_STREQ(GetDefaultValue("Customer", "Name", &found), "anonymous");
  found = 7;
  EXPECT_EQ(GetDefaultValue("Customer", "Nope", &found), nullptr);
  EXPECT_EQ(found, 7) << "left alone when the column is unknown";

  EXPECT_EQ(GetForeignKeyEntry(GetTableDefn("Customer"), "CustomerId"), nullptr);
  EXPECT_NE(log_.Take().find("No Foreignkey Entries in Definition \n"), std::string::npos);
  TableDefn bare{};
  EXPECT_EQ(GetForeignKeyEntry(&bare, "x"), nullptr);
  EXPECT_NE(log_.Take().find("No constraint Definition \n"), std::string::npos);
}

TEST_F(DictionaryTest, PrintsTheDefinition) {
  ASSERT_TRUE(LoadDataDictFromXMLFile(kFull.c_str()));
  log_.Take();
  PrintTableDefn(GetTableDefn("Orders"));
  const std::string log = log_.Take();
  EXPECT_EQ(hvtest::FirstMissingInOrder(
                log, {"Table Name : Orders\n", "Description: \n",
                      "---------------------------------------\n\n", "Column Name : OrderId\n",
                      "Column Type : 5\n", "Unique Flag : FALSE\n", "Description : \n",
                      "Primary key : OrderId\n\n", "Foreign key Constraints\n",
                      "********************************\n", "Column Name : CustomerId\n",
                      "Ref Column  : CustomerId\n", "Tablename : Customer\n",
                      "Column Name : RegionCountry\n", "********************************\n"}),
            "");
  TableDefn empty{};
  PrintTableDefn(&empty);
  EXPECT_EQ(log_.Take().find("[DEBUG]"), std::string::npos) << "no columns: nothing printed";
}

TEST_F(DictionaryTest, DefinitionsBuiltInCode) {
  const char* keys[] = {"Id"};
  ConstraintDefn* constraints = CreateConstraintDefn(keys, 1);
  ASSERT_EQ(
      AddForeignKeyEntry(constraints, CreateForeignKeyEntry("Parent", "Id", "Other", 1, 0, 0)), 1);
  Vector* columns = CreateVector();
  const char* range[] = {"0", "9"};
  AddElementData(columns, CreateColumnDefn("Id", KES_SQL_INT, "42", 2, 1, "Seq", "key", 0, 0,
                                           CreateAllowedValues(range, 2, 1)));
  AddElementData(columns, CreateColumnDefn("Text", KES_SQL_CHAR, "abc", 3, 0, nullptr, nullptr,
                                           1000, 1, nullptr));
  ASSERT_EQ(AddTableDefn(CreateTableDefn("Coded", "made in code", columns, constraints)), 1);
  EXPECT_EQ(GetColumnDataType("Coded", "Text"), KES_SQL_TEXT);
  ColumnDefnEntry* id = GetColumnDefnEntry("Coded", "Id");
  EXPECT_EQ(id->defaultValueLength, 4);
  EXPECT_EQ(id->defaultValue[0], 42);
  EXPECT_EQ(CreateAllowedValues(range, 1, 1), nullptr) << "a range has two bounds";
}

}  // namespace
