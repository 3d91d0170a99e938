// The FIREBIRD dialect's statements run on Firebird's embedded engine: the
// test writes them into a script for isql-fb against a database file it
// creates, and reads the rows back from isql-fb's listing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "database/odbc_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/table_defn.h"
#include "tests/support/test_support.h"

namespace {

std::string Take(char* text) { return hvtest::TakeText(text); }

RowObject* Row(const std::vector<uint8_t>& types, const std::vector<const char*>& texts) {
  auto** values = static_cast<char**>(calloc(types.size(), sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(calloc(types.size(), sizeof(int32_t)));
  for (size_t i = 0; i < types.size(); ++i) {
    if (strcmp(texts[i], "-") == 0) continue;
    if (types[i] >= KES_SQL_DATE && types[i] <= KES_SQL_DATETIME) {
      values[i] = ODBCConvertDateTime(texts[i], &lengths[i], types[i]);
    } else {
      lengths[i] = static_cast<int32_t>(strlen(texts[i]));
      values[i] = ConvertStringToValue(texts[i], &lengths[i], types[i]);
    }
  }
  return CreateNewRowObject(values, lengths);
}

class FirebirdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTableDefnList();
    const std::vector<std::pair<const char*, uint8_t>> columns = {
        {"ID", KES_SQL_INT},
        {"BIG", KES_SQL_BIGINT},
        {"FLT", KES_SQL_FLOAT},
        {"NAME", KES_SQL_VARCHAR},
        {"DAY_", KES_SQL_DATE},
        {"AT_", KES_SQL_TIME},
        {"TS", KES_SQL_DATETIME},
        {"FLAG", KES_SQL_BOOLEAN},
        {"TXT", KES_SQL_TEXT},
        {"U8", KES_SQL_UNSIGNED_LONG_INT},
        {"R", KES_SQL_REAL},
        {"DECI", KES_SQL_DECIMAL},
        {"NUM", KES_SQL_NUMERIC},
        {"B", KES_SQL_BLOB},
        {"C", KES_SQL_CLOB},
        {"U1", KES_SQL_UNSIGNED_TINYINT},
        {"U2", KES_SQL_UNSIGNED_SMALLINT},
        {"U4", KES_SQL_UNSIGNED_INT},
        {"D", KES_SQL_DOUBLE},
    };
    Vector* list = CreateVector();
    for (const auto& [name, type] : columns) {
      AddElementData(list, CreateColumnDefn(name, type, nullptr, 0, 0, nullptr, nullptr, 80,
                                            type == KES_SQL_INT ? 0 : 1, nullptr));
      types_.push_back(type);
    }
    const char* key[] = {"ID"};
    AddTableDefn(CreateTableDefn("Item", nullptr, list, CreateConstraintDefn(key, 1)));
  }
  void TearDown() override { FreeAllTableDefns(); }

  // Runs the statements on a new database; isql-fb's output.
  std::string Run(const std::vector<std::string>& statements) {
    const std::string database = dir_.Sub("test.fdb");
    std::string script = "SET SQL DIALECT 3;\nCREATE DATABASE '" + database + "' USER 'SYSDBA';\n";
    for (const std::string& s : statements)
      script += s + (s.back() == ';' || s.back() == '\n' ? "\n" : ";\n");
    script +=
        "COMMIT;\nSET LIST ON;\nSELECT ID, NAME, FLAG, DAY_, AT_, TS, BIG FROM Item ORDER BY ID;\n";
    hvtest::WriteFile(dir_.Sub("script.sql"), script);
    hvtest::MakeDirs(dir_.Sub("lock"));
    const hvtest::RunResult result =
        hvtest::RunProgram("/usr/bin/isql-fb", {"-q", "-b", "-i", dir_.Sub("script.sql")},
                           dir_.path(), {{"FIREBIRD_LOCK", dir_.Sub("lock")}});
    EXPECT_EQ(result.status, 0) << result.out << "\nscript:\n" << script;
    return result.out;
  }

  hvtest::TempDir dir_;
  std::vector<uint8_t> types_;
};

TEST_F(FirebirdTest, GeneratedStatementsRunOnTheEmbeddedEngine) {
  ASSERT_TRUE(hvtest::FileExists("/usr/bin/isql-fb"))
      << "isql-fb is missing: scripts/setup.sh installs it";
  std::vector<std::string> statements = {Take(FirebirdGenCreateQuery("Item"))};
  RowObject* first = Row(types_, {"1", "-9000000000", "2.5", "it's a \\ 'quoted' h\xC3\xA9llo",
                                  "2020-01-31", "08:05:09", "2020-01-31 08:05:09", "TRUE",
                                  "long text", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"});
  RowObject* second =
      Row(types_, {"2", "4", "0.5", "x' OR '1'='1", "1999-12-31", "23:59:59", "1999-12-31 23:59:59",
                   "FALSE", "y", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"});
  RowObject* third = Row(types_, {"3", "-", "-", "gone", "-", "-", "-", "-", "-", "-", "-", "-",
                                  "-", "-", "-", "-", "-", "-", "-"});
  for (RowObject* row : {first, second, third})
    statements.push_back(Take(FirebirdGenInsertQuery("Item", row)));
  // Change the second row's name and flag, delete the third.
  int32_t length = 7;
  free(second->values[3]);
  second->values[3] = ConvertStringToValue("renamed", &length, KES_SQL_VARCHAR);
  second->lengths[3] = length;
  second->values[7][0] = 1;
  statements.push_back(Take(FirebirdGenUpdateQuery("Item", second)));
  statements.push_back(Take(FirebirdGenDeleteQuery("Item", third)));

  SelectQuery* q = CreateSelectQuery();
  AddSelectTable(q, CreateTableEntry("Item", "i", q->pool));
  QueryColumn* name =
      CreateQueryColumn(nullptr, "i", "NAME", nullptr, 0, KES_SQL_VARCHAR, 0, q->pool);
  SetSelectCriteria(q, CreateQueryCriteriaNode(name, "renamed", 7, kOperatorEqual, q->pool));
  q->rowLimit = 5;
  const std::string select = Take(FirebirdGenSelectQuery(q));
  FreeSelectQuery(q);
  EXPECT_EQ(select, "select first 5  * from Item i \nwhere  i.NAME =  'renamed' ");
  statements.push_back(select);
  for (RowObject* row : {first, second, third})
    FreeRowObject(row, static_cast<int32_t>(types_.size()));

  const std::string out = Run(statements);
  EXPECT_EQ(
      hvtest::FirstMissingInOrder(
          out, {"renamed",  // the select's row
                "ID                              1", "it's a \\ 'quoted' h\xC3\xA9llo",
                "FLAG                            1", "DAY_                            2020-01-31",
                "AT_                             08:05:09",
                "TS                              2020-01-31 08:05:09",
                "BIG                             -9000000000", "ID                              2",
                "NAME                            renamed", "FLAG                            1"}),
      "")
      << out;
  EXPECT_EQ(out.find("gone"), std::string::npos) << out;
}

}  // namespace
