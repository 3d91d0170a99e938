// The ODBC provider on real engines: SQLite through its driver (a file
// database), PostgreSQL and MariaDB servers on Unix sockets.  Every test
// runs on each engine.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "datastore/column_value.h"
#include "tests/support/log_capture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::Engine;

struct ResultSetDeleter {
  void operator()(ResultSet* set) const { FreeResultSet(set); }
};
using ResultSetPtr = std::unique_ptr<ResultSet, ResultSetDeleter>;

// A value as text for comparison: the library's own text for the scalar
// and date types, the bytes for the text-kept types.
std::string Show(const ResultValue* value, uint8_t type) {
  if (!value->data) return "(null)";
  if (type == KES_SQL_NOT_SUPPORTED_TYPE || type == KES_SQL_NUMERIC || type == KES_SQL_DECIMAL ||
      type == KES_SQL_BLOB) {
    return std::string(value->data, value->length);
  }
  return hvtest::TakeText(ConvertValueToString(value->data, value->length, type));
}

const ResultValue* ValueAt(const ResultRow* row, int index) {
  const ResultValue* value = row->values;
  for (int i = 0; i < index && value; ++i) value = value->next;
  return value;
}

// One column of the type test: its declaration and literal per engine, and
// what the query must deliver.
struct TypeCase {
  const char* name;
  const char* declaration;
  const char* literal;
  uint8_t type;
  const char* shown;
};

std::vector<TypeCase> TypeCases(Engine engine) {
  switch (engine) {
    case Engine::kSqlite:
      return {
          {"i", "INTEGER", "-2147483648", KES_SQL_INT, "-2147483648"},
          {"s", "SMALLINT", "-32768", KES_SQL_SMALLINT, "-32768"},
          {"b", "BIGINT", "9007199254740993", KES_SQL_BIGINT, "9007199254740993"},
          {"t1", "TINYINT", "1", KES_SQL_BOOLEAN, "'t'"},
          {"t2", "TINYINT", "2", KES_SQL_BOOLEAN, "'f'"},
          {"t0", "TINYINT", "0", KES_SQL_BOOLEAN, "'f'"},
          {"bit", "BIT", "1", KES_SQL_NOT_SUPPORTED_TYPE, "1"},
          {"d", "DOUBLE", "1.25", KES_SQL_DOUBLE, "1.250000"},
          {"v", "VARCHAR(40)", "'h\xC3\xA9llo, it''s'", KES_SQL_VARCHAR, "h\xC3\xA9llo, it's"},
          {"txt", "TEXT", "'long text'", KES_SQL_BLOB, "long text"},
          {"dt", "DATE", "'2020-01-31'", KES_SQL_DATE, "2020-01-31"},
          {"ts", "TIMESTAMP", "'2020-01-31 08:05:09'", KES_SQL_DATETIME, "2020-01-31 08:05:09"},
          {"tm", "TIME", "'08:05:09'", KES_SQL_TIME, "08:05:09"},
          {"n", "INTEGER", "NULL", KES_SQL_INT, "(null)"},
      };
    case Engine::kPostgres:
      return {
          {"i", "INTEGER", "-2147483648", KES_SQL_INT, "-2147483648"},
          {"s", "SMALLINT", "-32768", KES_SQL_SMALLINT, "-32768"},
          {"b", "BIGINT", "9007199254740993", KES_SQL_BIGINT, "9007199254740993"},
          {"amount", "DECIMAL(10,2)", "12.50", KES_SQL_NUMERIC, "12.50"},
          {"r", "REAL", "2.5", KES_SQL_NOT_SUPPORTED_TYPE, "2.5"},
          {"v", "VARCHAR(40)", "'h\xC3\xA9llo, it''s'", KES_SQL_VARCHAR, "h\xC3\xA9llo, it's"},
          {"c", "CHAR(4)", "'ab'", KES_SQL_CHAR, "ab  "},
          {"txt", "TEXT", "'long text'", KES_SQL_BLOB, "long text"},
          {"dt", "DATE", "'2020-01-31'", KES_SQL_DATE, "2020-01-31"},
          {"ts", "TIMESTAMP", "'2020-01-31 08:05:09'", KES_SQL_DATETIME, "2020-01-31 08:05:09"},
          {"tm", "TIME", "'08:05:09'", KES_SQL_TIME, "08:05:09"},
          {"n", "INTEGER", "NULL", KES_SQL_INT, "(null)"},
      };
    case Engine::kMariaDb:
      return {
          {"i", "INTEGER", "-2147483648", KES_SQL_INT, "-2147483648"},
          {"s", "SMALLINT", "-32768", KES_SQL_SMALLINT, "-32768"},
          {"b", "BIGINT", "9007199254740993", KES_SQL_BIGINT, "9007199254740993"},
          {"t1", "TINYINT", "1", KES_SQL_BOOLEAN, "'t'"},
          {"t2", "TINYINT", "2", KES_SQL_BOOLEAN, "'f'"},
          // The driver hands a BIT(1) over as its one raw byte.
          {"bit", "BIT(1)", "b'1'", KES_SQL_NOT_SUPPORTED_TYPE, "\x01"},
          {"amount", "DECIMAL(10,2)", "12.50", KES_SQL_NOT_SUPPORTED_TYPE, "12.50"},
          {"d", "DOUBLE", "1.25", KES_SQL_DOUBLE, "1.250000"},
          {"v", "VARCHAR(40)", "'h\xC3\xA9llo, it''s'", KES_SQL_VARCHAR, "h\xC3\xA9llo, it's"},
          {"txt", "TEXT", "'long text'", KES_SQL_BLOB, "long text"},
          {"dt", "DATE", "'2020-01-31'", KES_SQL_DATE, "2020-01-31"},
          {"ts", "DATETIME", "'2020-01-31 08:05:09'", KES_SQL_DATETIME, "2020-01-31 08:05:09"},
          {"tm", "TIME", "'08:05:09'", KES_SQL_TIME, "08:05:09"},
          {"n", "INTEGER", "NULL", KES_SQL_INT, "(null)"},
      };
  }
  return {};
}

const char* BlobType(Engine engine) {
  switch (engine) {
    case Engine::kSqlite:
      return "BLOB";
    case Engine::kPostgres:
      return "BYTEA";
    case Engine::kMariaDb:
      return "LONGBLOB";
  }
  return "BLOB";
}

// Hands out a buffer in pieces of a fixed size.
struct Supplier {
  const std::string* data;
  size_t piece;
  size_t offset = 0;
  int calls = 0;

  static uint8_t Next(char** out, int32_t* length, void* context) {
    auto* self = static_cast<Supplier*>(context);
    ++self->calls;
    if (self->offset >= self->data->size()) return kNoMoreData;
    const size_t n = std::min(self->piece, self->data->size() - self->offset);
    *out = const_cast<char*>(self->data->data() + self->offset);
    *length = static_cast<int32_t>(n);
    self->offset += n;
    return 1;
  }
};

// Collects what a streamed column delivers, value by value.
struct Consumer {
  std::vector<std::string> values;  // one per closing call
  std::vector<int32_t> lengths;     // every length received
  std::string current;
  int32_t largestPiece = 0;

  static uint8_t Take(const char* data, int32_t length, void* context) {
    auto* self = static_cast<Consumer*>(context);
    self->lengths.push_back(length);
    if (!data) {
      self->values.push_back(self->current);
      self->current.clear();
    } else if (length > 0) {
      self->current.append(data, static_cast<size_t>(length));
      self->largestPiece = std::max(self->largestPiece, length);
    }
    return 0;
  }
};

class OdbcEngineTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    hvtest::OdbcTestDirectory();
    details_ = hvtest::EngineDetails(GetParam(), &notRunning_);
    ASSERT_TRUE(notRunning_.empty()) << notRunning_;
    RegisterODBCProvider();
    if (FindProviderIndex("ODBC") < 0) {
      ASSERT_TRUE(LoadProvider("ODBC"));
    }
    entry_ = NewEntry(false);
    connection_ = OpenDBConnection(entry_);
    ASSERT_NE(connection_, nullptr) << log_.Take();
    ASSERT_EQ(Exec("DROP TABLE IF EXISTS tv"), 1) << log_.Take();
  }

  void TearDown() override {
    if (connection_) {
      Exec("DROP TABLE IF EXISTS tv");
      CloseDBConnection(connection_);
    }
    FreeConnParamsEntry(entry_);
  }

  ConnParamsEntry* NewEntry(bool useConnectionString) {
    return CreateConnParamsEntry(
        details_.dsn, details_.user.empty() ? nullptr : details_.user.c_str(),
        details_.password.empty() ? nullptr : details_.password.c_str(), "test",
        useConnectionString ? 1 : 0, details_.connectionString.c_str(), "ODBC", details_.dbType);
  }

  uint8_t Exec(const std::string& sql) { return ExecuteUpdate(connection_, sql.c_str()); }
  ResultSetPtr Query(const std::string& sql) {
    return ResultSetPtr(ExecuteQuery(connection_, sql.c_str()));
  }
  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 3};
  hvtest::OdbcEngine details_;
  std::string notRunning_;
  ConnParamsEntry* entry_ = nullptr;
  ConnectionHandle* connection_ = nullptr;
};

TEST_P(OdbcEngineTest, ConnectsThroughItsDataSourceAndThroughAConnectionString) {
  for (bool useConnectionString : {false, true}) {
    ConnParamsEntry* entry = NewEntry(useConnectionString);
    ConnectionHandle* connection = OpenDBConnection(entry);
    ASSERT_NE(connection, nullptr) << useConnectionString << log_.Take();
    EXPECT_STREQ(connection->connectionName, "test");
    EXPECT_EQ(connection->owner, kConnectionFree);
    ResultSetPtr set(ExecuteQuery(connection, "SELECT 1"));
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->rowCount, 1);
    EXPECT_TRUE(CloseDBConnection(connection));
    FreeConnParamsEntry(entry);
  }
}

TEST_P(OdbcEngineTest, QueryMapsColumnTypesAndConvertsValues) {
  const std::vector<TypeCase> cases = TypeCases(GetParam());
  std::string create = "CREATE TABLE tv (";
  std::string insert = "INSERT INTO tv VALUES (";
  for (size_t i = 0; i < cases.size(); ++i) {
    create += std::string(i ? ", " : "") + cases[i].name + " " + cases[i].declaration;
    insert += std::string(i ? ", " : "") + cases[i].literal;
  }
  ASSERT_EQ(Exec(create + ")"), 1) << log_.Take();
  ASSERT_EQ(Exec(insert + ")"), 1) << log_.Take();

  ResultSetPtr set = Query("SELECT * FROM tv");
  ASSERT_NE(set, nullptr) << log_.Take();
  ASSERT_EQ(set->columnCount, static_cast<int32_t>(cases.size()));
  ASSERT_EQ(set->rowCount, 1);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_STREQ(set->columns[i]->name, cases[i].name);
    EXPECT_EQ(GetDataTypeName(set->columns[i]->dataType), GetDataTypeName(cases[i].type));
    const ResultValue* value = ValueAt(set->rows, static_cast<int>(i));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(Show(value, set->columns[i]->dataType), cases[i].shown);
    if (!value->data) {
      EXPECT_EQ(value->length, 0);
    }
    if (cases[i].type >= KES_SQL_DATE && cases[i].type <= KES_SQL_DATETIME) {
      EXPECT_EQ(value->length, kDateValueSize);
    }
  }
}

TEST_P(OdbcEngineTest, AQueryMatchingNothingIsAnEmptyResultNotAFailure) {
  ASSERT_EQ(Exec("CREATE TABLE tv (id INTEGER)"), 1);
  ResultSetPtr set = Query("SELECT id FROM tv WHERE id = 7");
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->rowCount, 0);
  EXPECT_EQ(set->columnCount, 1);
}

TEST_P(OdbcEngineTest, StatementsSucceedTouchingNoRowAndFailWithTheStepNamed) {
  ASSERT_EQ(Exec("CREATE TABLE tv (id INTEGER)"), 1);
  EXPECT_EQ(Exec("UPDATE tv SET id = 3 WHERE id = 99"), 1);
  EXPECT_EQ(Exec("DELETE FROM tv WHERE id = 99"), 1);
  log_.Take();
  EXPECT_EQ(Exec("INSERT INTO no_such_table VALUES (1)"), 0);
  const std::string log = log_.Take();
  EXPECT_TRUE(log.find("[ERROR] SQLPrepare failed\n") != std::string::npos ||
              log.find("[ERROR] SQLExecute failed\n") != std::string::npos)
      << log;
  EXPECT_EQ(Query("SELECT * FROM no_such_table"), nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] SQLExecDirect failed\n"), std::string::npos);
  // The connection stays usable.
  EXPECT_EQ(Exec("INSERT INTO tv VALUES (1)"), 1);
  // A statement run as a query takes effect and yields no columns, no rows.
  ResultSetPtr none = Query("UPDATE tv SET id = 5");
  ASSERT_NE(none, nullptr) << log_.Take();
  EXPECT_EQ(none->columnCount, 0);
  EXPECT_EQ(none->rowCount, 0);
  ResultSetPtr five = Query("SELECT id FROM tv WHERE id = 5");
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->rowCount, 1);
}

TEST_P(OdbcEngineTest, TransactionsCommitAndRollBack) {
  ASSERT_EQ(Exec("CREATE TABLE tv (id INTEGER)"), 1);
  ASSERT_EQ(BeginTransaction(connection_), 1);
  EXPECT_EQ(connection_->inTransaction, 1);
  ASSERT_EQ(Exec("INSERT INTO tv VALUES (1)"), 1);
  ASSERT_EQ(RollbackTransaction(connection_), 1) << log_.Take();
  EXPECT_EQ(connection_->inTransaction, 0);
  EXPECT_EQ(Query("SELECT id FROM tv")->rowCount, 0);

  ASSERT_EQ(BeginTransaction(connection_), 1);
  ASSERT_EQ(Exec("INSERT INTO tv VALUES (2)"), 1);
  ASSERT_EQ(CommitTransaction(connection_), 1) << log_.Take();
  // Automatic commit is on again: a second connection sees both inserts.
  ASSERT_EQ(Exec("INSERT INTO tv VALUES (3)"), 1);
  ConnectionHandle* other = OpenDBConnection(entry_);
  ASSERT_NE(other, nullptr);
  ResultSetPtr seen(ExecuteQuery(other, "SELECT id FROM tv"));
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(seen->rowCount, 2);
  CloseDBConnection(other);

  // Without a transaction begun, neither reaches the provider.
  log_.Take();
  EXPECT_EQ(CommitTransaction(connection_), 0);
  EXPECT_EQ(RollbackTransaction(connection_), 0);
  EXPECT_EQ(log_.Take().find("ODBCCommit"), std::string::npos);
}

TEST_P(OdbcEngineTest, BlobsTravelThroughSupplierAndConsumerByteForByte) {
  ASSERT_EQ(Exec(std::string("CREATE TABLE tv (id INTEGER, name VARCHAR(20), data ") +
                 BlobType(GetParam()) + ")"),
            1);
  std::string blob(100 * 1024, '\0');
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);

  struct Case {
    const char* label;
    int id;
    size_t piece;
    std::string data;
  };
  const std::vector<Case> cases = {
      {"100 KB in pieces of 1000", 1, 1000, blob},
      {"one piece of 3 bytes", 2, 4096, std::string("a\0b", 3)},
      {"empty", 3, 10, std::string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Supplier supplier{&c.data, c.piece};
    const std::string sql =
        "INSERT INTO tv (id, name, data) VALUES (" + std::to_string(c.id) + ", 'n', ?)";
    ASSERT_EQ(ExecuteUpdateBlob(connection_, sql.c_str(), Supplier::Next, &supplier), 1)
        << log_.Take();
  }
  ASSERT_EQ(Exec("INSERT INTO tv (id, name, data) VALUES (4, NULL, NULL)"), 1);

  Consumer consumer;
  ResultSetPtr set(ExecuteQueryBlob(connection_, "SELECT id, name, data FROM tv ORDER BY id",
                                    Consumer::Take, &consumer));
  ASSERT_NE(set, nullptr) << log_.Take();
  ASSERT_EQ(set->rowCount, 4);
  ASSERT_EQ(consumer.values.size(), 4u);
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(consumer.values[i].size(), cases[i].data.size()) << cases[i].label;
    EXPECT_TRUE(consumer.values[i] == cases[i].data) << cases[i].label;
  }
  EXPECT_LE(consumer.largestPiece, 1024);
  // The NULL blob: one call with length -1, then the closing call.
  ASSERT_GE(consumer.lengths.size(), 2u);
  EXPECT_EQ(consumer.lengths[consumer.lengths.size() - 2], -1);
  EXPECT_EQ(consumer.lengths.back(), 0);
  EXPECT_EQ(consumer.values[3], "");
  // Streamed columns are absent in the rows; the others are converted, and
  // a NULL one is absent too.
  const ResultRow* last = set->rows;
  while (last->next) last = last->next;
  EXPECT_EQ(ValueAt(set->rows, 2)->data, nullptr);
  EXPECT_EQ(Show(ValueAt(set->rows, 1), set->columns[1]->dataType), "n");
  EXPECT_EQ(ValueAt(last, 1)->data, nullptr);
}

TEST_P(OdbcEngineTest, ABlobStatementThatFailsIsReportedAsFailed) {
  std::string data = "xyz";
  Supplier supplier{&data, 10};
  EXPECT_EQ(ExecuteUpdateBlob(connection_, "INSERT INTO no_such_table VALUES (?)", Supplier::Next,
                              &supplier),
            0);
  const std::string log = log_.Take();
  EXPECT_TRUE(log.find("[ERROR] SQLPrepare failed\n") != std::string::npos ||
              log.find("[ERROR] SQLExecute failed\n") != std::string::npos)
      << log;
}

INSTANTIATE_TEST_SUITE_P(Engines, OdbcEngineTest, hvtest::AllEngines(), hvtest::EngineTestName);

}  // namespace
