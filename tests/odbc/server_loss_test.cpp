// A database server that goes away under an open connection, and comes
// back: statements fail with their step named, a failed commit logs the
// driver's diagnostics, nothing crashes, and a replaced or new connection
// works again.
#include <gtest/gtest.h>

#include <string>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "tests/support/log_capture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

// The PostgreSQL server of the tests as a data source; fails the test
// when the server is not running.
ConnParamsEntry* PostgresSource(const char* name) {
  std::string notRunning;
  const hvtest::OdbcEngine pg = hvtest::EngineDetails(hvtest::Engine::kPostgres, &notRunning);
  EXPECT_TRUE(notRunning.empty()) << notRunning;
  if (!notRunning.empty()) return nullptr;
  RegisterODBCProvider();
  if (FindProviderIndex("ODBC") < 0) LoadProvider("ODBC");
  return CreateConnParamsEntry(pg.dsn, pg.user.c_str(), nullptr, name, 0, nullptr, "ODBC", "PGSQL");
}

// Brings the server back whatever the test's outcome.
struct PostgresBack {
  ~PostgresBack() { hvtest::StartPostgres(); }
};

TEST(OdbcServerLoss, StatementsFailWhileTheServerIsDownAndWorkAfterItsReturn) {
  hvtest::TempDir dir;
  hvtest::LogCapture log(dir.path(), 3);
  ConnParamsEntry* source = PostgresSource("pg");
  ASSERT_NE(source, nullptr);
  InitConnectionLists();
  ASSERT_TRUE(AddConnParamsEntry(source));
  ASSERT_TRUE(EstablishDBConnections()) << log.Take();
  ConnectionHandle* connection = GetConnectionHandle("pg");
  ASSERT_NE(connection, nullptr);
  ASSERT_EQ(ExecuteUpdate(connection, "DROP TABLE IF EXISTS loss"), 1);
  ASSERT_EQ(ExecuteUpdate(connection, "CREATE TABLE loss (id INTEGER)"), 1);
  ASSERT_EQ(BeginTransaction(connection), 1);
  ASSERT_EQ(ExecuteUpdate(connection, "INSERT INTO loss VALUES (1)"), 1);
  log.Take();

  {
    PostgresBack back;
    ASSERT_TRUE(hvtest::StopPostgres());
    EXPECT_EQ(CommitTransaction(connection), 0);
    EXPECT_EQ(connection->inTransaction, 0);
    std::string text = log.Take();
    EXPECT_EQ(
        hvtest::FirstMissingInOrder(text, {"[ERROR] Error in commiting transaction\n",
                                           "[ERROR] Error in starting transaction\n",
                                           "[ERROR] STATE: ", "[ERROR] NAT: ", "[ERROR] MSG: "}),
        "")
        << text;

    EXPECT_EQ(ExecuteUpdate(connection, "INSERT INTO loss VALUES (2)"), 0);
    text = log.Take();
    EXPECT_TRUE(text.find("[ERROR] SQLPrepare failed\n") != std::string::npos ||
                text.find("[ERROR] SQLExecute failed\n") != std::string::npos)
        << text;
    EXPECT_EQ(ExecuteQuery(connection, "SELECT id FROM loss"), nullptr);
    EXPECT_NE(log.Take().find("[ERROR] SQLExecDirect failed\n"), std::string::npos);
  }

  // Back: the pool replaces the old connection once it is stale, and the
  // replacement works.
  connection->openedAt = 0;
  ConnectionHandle* replaced = GetConnectionHandle("pg");
  ASSERT_NE(replaced, nullptr) << log.Take();
  EXPECT_EQ(ExecuteUpdate(replaced, "INSERT INTO loss VALUES (3)"), 1) << log.Take();
  ResultSet* rows = ExecuteQuery(replaced, "SELECT id FROM loss");
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->rowCount, 1);  // the insert of the lost transaction never landed
  FreeResultSet(rows);
  EXPECT_EQ(ExecuteUpdate(replaced, "DROP TABLE loss"), 1);

  CloseAllConnections();
  FreeAllConnParamsEntries();
}

// A driver's warning is success, never a failure: a statement that took
// effect must not be reported as failed (callers would write it again).
TEST(OdbcWarnings, AStatementTheDriverWarnsAboutSucceedsWithTheWarningLogged) {
  hvtest::TempDir dir;
  hvtest::LogCapture log(dir.path(), 3);
  ConnParamsEntry* source = PostgresSource("pg");
  ASSERT_NE(source, nullptr);
  ConnectionHandle* connection = OpenDBConnection(source);
  ASSERT_NE(connection, nullptr) << log.Take();
  log.Take();
  // PostgreSQL sends a notice, which the driver reports as a warning.
  EXPECT_EQ(ExecuteUpdate(connection, "DO $$ BEGIN RAISE NOTICE 'careful now'; END $$"), 1);
  const std::string text = log.Take();
  EXPECT_NE(text.find("careful now"), std::string::npos) << text;
  EXPECT_EQ(text.find("[ERROR]"), std::string::npos) << text;
  CloseDBConnection(connection);
  FreeConnParamsEntry(source);
}

}  // namespace
