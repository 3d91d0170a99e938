// The ODBC provider inside the Windows program: ODBC32 as Wine offers it,
// which hands the calls to the host's driver manager and its SQLite driver.
// A connection, statements, a query with its value conversions, and a blob
// streamed both ways in pieces.  The database file is the host's (its Unix
// path comes in HV_WINE_SQLITE_DB from tests/wine/run.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "datastore/column_value.h"
#include "datastore/result_set.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_support.h"

namespace {

struct Pieces {
  const std::string* data;
  size_t offset = 0;
  static uint8_t Next(char** out, int32_t* length, void* context) {
    auto* self = static_cast<Pieces*>(context);
    if (self->offset >= self->data->size()) return kNoMoreData;
    const size_t n = std::min<size_t>(700, self->data->size() - self->offset);
    *out = const_cast<char*>(self->data->data() + self->offset);
    *length = static_cast<int32_t>(n);
    self->offset += n;
    return 1;
  }
};

struct Collected {
  std::string value;
  int32_t largest = 0;
  static uint8_t Take(const char* data, int32_t length, void* context) {
    auto* self = static_cast<Collected*>(context);
    if (data && length > 0) {
      self->value.append(data, static_cast<size_t>(length));
      self->largest = std::max(self->largest, length);
    }
    return 0;
  }
};

TEST(WineOdbc, ConnectsRunsStatementsQueriesAndStreamsBlobs) {
  const char* database = std::getenv("HV_WINE_SQLITE_DB");
  ASSERT_NE(database, nullptr) << "HV_WINE_SQLITE_DB names the SQLite file (tests/wine/run.sh)";
  hvtest::TempDir dir;
  hvtest::LogCapture log(dir.path(), 3);
  ASSERT_TRUE(RegisterODBCProvider());
  ASSERT_TRUE(LoadProvider("ODBC"));
  InitConnectionLists();
  const std::string connection = std::string("DRIVER={SQLite3};Database=") + database;
  ASSERT_TRUE(AddConnParamsEntry(CreateConnParamsEntry("wine", nullptr, nullptr, "w", 1,
                                                       connection.c_str(), "ODBC", "SQLITE")));
  ASSERT_TRUE(EstablishDBConnections()) << log.Take();
  ConnectionHandle* c = GetConnectionHandle("w");
  ASSERT_NE(c, nullptr);

  ASSERT_EQ(ExecuteUpdate(c, "DROP TABLE IF EXISTS wt"), 1) << log.Take();
  ASSERT_EQ(ExecuteUpdate(c, "CREATE TABLE wt (id INTEGER, name VARCHAR(20), data BLOB)"), 1);
  ASSERT_EQ(ExecuteUpdate(c, "INSERT INTO wt (id, name) VALUES (1, 'it''s')"), 1);
  EXPECT_EQ(ExecuteUpdate(c, "INSERT INTO no_such_table VALUES (1)"), 0);

  ResultSet* set = ExecuteQuery(c, "SELECT id, name FROM wt");
  ASSERT_NE(set, nullptr) << log.Take();
  ASSERT_EQ(set->rowCount, 1);
  ASSERT_NE(GotoNextResultRow(set), nullptr);
  int32_t length = 0;
  const char* id = GetResultValueByName("id", &length, set);
  EXPECT_EQ(hvtest::TakeText(ConvertValueToString(id, length, GetResultColumnType("id", set))),
            "1");
  const char* name = GetResultValueByName("name", &length, set);
  EXPECT_EQ(std::string(name, length), "it's");
  FreeResultSet(set);

  std::string blob(5000, '\0');
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<char>((i * 131) & 0xFF);
  Pieces pieces{&blob};
  ASSERT_EQ(ExecuteUpdateBlob(c, "INSERT INTO wt (id, name, data) VALUES (2, 'b', ?)", Pieces::Next,
                              &pieces),
            1)
      << log.Take();
  Collected collected;
  set = ExecuteQueryBlob(c, "SELECT data FROM wt WHERE id = 2", Collected::Take, &collected);
  ASSERT_NE(set, nullptr) << log.Take();
  EXPECT_EQ(set->rowCount, 1);
  FreeResultSet(set);
  EXPECT_TRUE(collected.value == blob) << collected.value.size();
  EXPECT_LE(collected.largest, 1024);

  ReleaseConnectionHandle("w");
  CloseAllConnections();
  FreeAllConnParamsEntries();
}

}  // namespace
