#include "datastore/result_set.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "datastore/column_value.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_support.h"

namespace {

// ID (INT), NAME (VARCHAR), SEEN (DATETIME); rows (1, "ann", a date) and
// (2, NULL, NULL).
ResultSet* MakeSet() {
  auto** columns = static_cast<ColumnInfo**>(calloc(3, sizeof(ColumnInfo*)));
  columns[0] = CreateColumnInfo("ID", KES_SQL_INT);
  columns[1] = CreateColumnInfo("NAME", KES_SQL_VARCHAR);
  columns[2] = CreateColumnInfo("SEEN", KES_SQL_DATETIME);
  const char one[4] = {1, 0, 0, 0};
  const char two[4] = {2, 0, 0, 0};
  int32_t length = 0;
  char* seen = ConvertStringToValue("2026-12-11 08:00:00", &length, KES_SQL_DATETIME);
  ResultValue* first = AppendResultValue(nullptr, 4, one);
  first = AppendResultValue(first, 3, "ann");
  first = AppendResultValue(first, length, seen);
  free(seen);
  ResultValue* second = AppendResultValue(nullptr, 4, two);
  second = AppendResultValue(second, 0, nullptr);
  second = AppendResultValue(second, 0, nullptr);
  ResultRow* rows = AppendResultRow(nullptr, first);
  rows = AppendResultRow(rows, second);
  return CreateResultSet(rows, columns, 3);
}

TEST(ResultSetTest, WalksReadsByNameAndResets) {
  ResultSet* set = MakeSet();
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->rowCount, 2);
  int32_t length = -1;
  EXPECT_EQ(GetResultValueByName("id", &length, set), nullptr) << "no row before the first move";
  EXPECT_EQ(length, 0);

  ASSERT_NE(GotoNextResultRow(set), nullptr);
  char* id = GetResultValueByName("id", &length, set);
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(id[0], 1);
  EXPECT_STREQ(GetResultValueByName("Name", &length, set), "ann");
  EXPECT_EQ(length, 3);

  ASSERT_NE(GotoNextResultRow(set), nullptr);
  EXPECT_EQ(GetResultValueByName("NAME", &length, set), nullptr) << "SQL NULL";
  EXPECT_EQ(length, 0);
  EXPECT_EQ(GetResultValueByName("missing", &length, set), nullptr);
  EXPECT_EQ(GotoNextResultRow(set), nullptr) << "after the last row";

  ResetResultSetCursor(set);
  ASSERT_NE(GotoNextResultRow(set), nullptr);
  EXPECT_EQ(GetResultValueByName("ID", &length, set)[0], 1) << "first row again";
  FreeResultSet(set);
}

TEST(ResultSetTest, ColumnNamesAndTypes) {
  ResultSet* set = MakeSet();
  EXPECT_STREQ(GetResultColumnName(0, set), "ID");
  EXPECT_STREQ(GetResultColumnName(2, set), "SEEN");
  EXPECT_EQ(GetResultColumnName(3, set), nullptr) << "index at the column count";
  EXPECT_EQ(GetResultColumnName(-1, set), nullptr);
  EXPECT_EQ(GetResultColumnType("seen", set), KES_SQL_DATETIME);
  EXPECT_EQ(GetResultColumnType("other", set), 0);
  FreeResultSet(set);
}

TEST(ResultSetTest, RowShorterThanTheColumnsReadsAsMissing) {
  auto** columns = static_cast<ColumnInfo**>(calloc(2, sizeof(ColumnInfo*)));
  columns[0] = CreateColumnInfo("A", KES_SQL_INT);
  columns[1] = CreateColumnInfo("B", KES_SQL_INT);
  const char one[4] = {1, 0, 0, 0};
  ResultSet* set =
      CreateResultSet(AppendResultRow(nullptr, AppendResultValue(nullptr, 4, one)), columns, 2);
  GotoNextResultRow(set);
  int32_t length = 0;
  EXPECT_EQ(GetResultValueByName("B", &length, set), nullptr);
  PrintResultSet(set);
  FreeResultSet(set);
}

TEST(ResultSetTest, BadAppendLeavesTheListAlone) {
  ResultValue* values = AppendResultValue(nullptr, 1, "x");
  EXPECT_EQ(AppendResultValue(values, -5, "y"), nullptr);
  EXPECT_EQ(values->next, nullptr);
  FreeResultValues(values);
  EXPECT_EQ(CreateResultSet(nullptr, nullptr, -1), nullptr);
}

TEST(ResultSetTest, PrintsNamesAndValuesWithNullForAbsent) {
  hvtest::TempDir dir;
  hvtest::LogCapture log(dir.path(), 3);
  ResultSet* set = MakeSet();
  PrintResultSet(set);
  FreeResultSet(set);
  const std::string text = log.Take();
  EXPECT_EQ(hvtest::FirstMissingInOrder(
                text, {"[DEBUG] ID\tNAME\tSEEN\t\n", "[DEBUG] 1\tann\t2026-12-11 08:00:00\t\n",
                       "[DEBUG] 2\tNULL\tNULL\t\n"}),
            "");
}

}  // namespace
