// A process killed (SIGKILL) in the middle of saving 10,000 rows: the table
// afterwards holds all of the save or none of it, on every engine.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "database/db_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/persistence.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::Engine;

constexpr int kRows = 10000;

void SetUpLibrary(const hvtest::OdbcEngine& engine) {
  InitSqlDialects();
  hvtest::AddEngineDataSource(engine, "k", {"KillRows"});
  SetDSNMapValid(1, 0);
  InitTableDefnList();
  Vector* columns = CreateVector();
  AddElementData(
      columns, CreateColumnDefn("ID", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0, 0, nullptr));
  AddElementData(columns, CreateColumnDefn("NAME", KES_SQL_VARCHAR, nullptr, 0, 0, nullptr, nullptr,
                                           40, 1, nullptr));
  const char* key[] = {"ID"};
  AddTableDefn(CreateTableDefn("KillRows", nullptr, columns, CreateConstraintDefn(key, 1)));
}

// The worker: 10,000 new rows saved in one SaveTable; the marker file is
// written just before the save starts.
int RunWorkerIfAsked() {
  const char* marker = getenv("HV_KILL_MARKER");
  if (!marker) return 0;
  hvtest::OdbcEngine engine{};
  engine.dsn = getenv("HV_KILL_DSN");
  engine.user = getenv("HV_KILL_USER");
  engine.password = getenv("HV_KILL_PASSWORD");
  engine.dbType = getenv("HV_KILL_TYPE");
  SetUpLibrary(engine);
  if (!EstablishDBConnections() || !CreateTable("KillRows")) _exit(3);
  for (int32_t i = 1; i <= kRows; ++i) {
    auto** values = static_cast<char**>(calloc(2, sizeof(char*)));
    auto* lengths = static_cast<int32_t*>(calloc(2, sizeof(int32_t)));
    values[0] = static_cast<char*>(malloc(4));
    memcpy(values[0], &i, 4);
    lengths[0] = 4;
    values[1] = strdup("row");
    lengths[1] = 3;
    AddNewRow("KillRows", CreateNewRowObject(values, lengths));
  }
  hvtest::WriteFile(marker, "saving");
  _exit(SaveTable("KillRows") ? 0 : 4);
}
const int g_worker = RunWorkerIfAsked();

class SaveKillTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    (void)g_worker;
    hvtest::OdbcTestDirectory();
    details_ = hvtest::EngineDetails(GetParam(), &notRunning_);
    ASSERT_TRUE(notRunning_.empty()) << notRunning_;
    SetUpLibrary(details_);
    ASSERT_TRUE(EstablishDBConnections());
  }
  void TearDown() override {
    FreeAllTableDefns();
    hvtest::RemoveEngineDataSources();
  }

  int64_t Count() {
    ConnectionHandle* c = GetConnectionHandle("k");
    ResultSet* set = ExecuteQuery(c, "SELECT ID FROM KillRows");
    ReleaseConnectionHandle("k");
    const int64_t rows = set ? set->rowCount : -1;
    FreeResultSet(set);
    return rows;
  }

  hvtest::TempDir dir_;
  hvtest::OdbcEngine details_;
  std::string notRunning_;
};

TEST_P(SaveKillTest, AKilledSaveLeavesAllOrNothing) {
  // Killed at once, a little later, and late: each time all or nothing.
  for (int delayMs : {0, 15, 60}) {
    SCOPED_TRACE(delayMs);
    ConnectionHandle* c = GetConnectionHandle("k");
    ExecuteUpdate(c, "DROP TABLE IF EXISTS KillRows");
    ReleaseConnectionHandle("k");
    ASSERT_TRUE(CreateAllTables());
    const std::string marker = dir_.Sub("saving" + std::to_string(delayMs));
    const pid_t pid =
        hvtest::SpawnSelf({"HV_KILL_MARKER=" + marker, std::string("HV_KILL_DSN=") + details_.dsn,
                           "HV_KILL_USER=" + details_.user, "HV_KILL_PASSWORD=" + details_.password,
                           std::string("HV_KILL_TYPE=") + details_.dbType});
    ASSERT_GT(pid, 0);
    // Wait for the save to start (or the worker to end).
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 30000 && !hvtest::FileExists(marker); ++i) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!ended) {
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      kill(pid, SIGKILL);
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }
    const int64_t rows = Count();
    EXPECT_TRUE(rows == 0 || rows == kRows) << rows << " rows after the kill";
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, SaveKillTest, hvtest::AllEngines(), hvtest::EngineTestName);

}  // namespace
