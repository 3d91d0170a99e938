// Sequences reserved in the SeqGenState table of each real engine: fresh
// sequences, existing batch ends, and processes and threads drawing from one
// sequence at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "datastore/column_value.h"
#include "datastore/sequence.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"
#include "tests/support/log_capture.h"
#include "tests/support/odbc_env.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::Engine;

void DefineOrders() {
  Vector* columns = CreateVector();
  AddElementData(columns, CreateColumnDefn("ID", KES_SQL_INT, nullptr, 0, 0, "ORDER_SEQ", nullptr,
                                           0, 0, nullptr));
  AddElementData(columns, CreateColumnDefn("NAME", KES_SQL_VARCHAR, nullptr, 0, 0, nullptr, nullptr,
                                           0, 1, nullptr));
  AddTableDefn(CreateTableDefn("Orders", nullptr, columns, nullptr));
}

// The data source "seq" for the table Orders, its pool, and the table of
// definitions; false when the data source does not open.
bool SetUpLibrary(const char* dsn, const char* user, const char* password) {
  RegisterODBCProvider();
  if (FindProviderIndex("ODBC") < 0) LoadProvider("ODBC");
  InitConnectionLists();
  AddConnParamsEntry(CreateConnParamsEntry(dsn, user && *user ? user : nullptr,
                                           password && *password ? password : nullptr, "seq", 0,
                                           nullptr, "ODBC", "X"));
  AddDataSourceMapEntry(CreateDataSourceMapEntry("Orders", "seq"));
  InitTableDefnList();
  DefineOrders();
  InitSequenceState();
  return EstablishDBConnections();
}

void TearDownLibrary() {
  FreeSequenceState();
  FreeAllTableDefns();
  CloseAllConnections();
  FreeAllConnParamsEntries();
  FreeAllDataSourceMapEntries();
}

// A worker process: draws HV_SEQ_DRAWS identifiers on each of HV_SEQ_THREADS
// threads and writes them to HV_SEQ_OUT, one a line; its log goes to
// HV_SEQ_LOGDIR.  Runs before main when
// the test program is started as a worker.
int RunWorkerIfAsked() {
  const char* out = getenv("HV_SEQ_OUT");
  if (!out) return 0;
  InitLogDefaults();
  SetLogParams("worker.log", getenv("HV_SEQ_LOGDIR"), 0, nullptr, 3);
  OpenLogFile();
  const int threads = atoi(getenv("HV_SEQ_THREADS"));
  const int draws = atoi(getenv("HV_SEQ_DRAWS"));
  if (!SetUpLibrary(getenv("HV_SEQ_DSN"), getenv("HV_SEQ_USER"), getenv("HV_SEQ_PASSWORD")) ||
      !SequenceGenerator()) {
    _exit(3);
  }
  ColumnDefnEntry* id = GetColumnDefnEntry("Orders", "ID");
  std::vector<std::vector<int32_t>> drawn(threads);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < draws; ++i) drawn[t].push_back(GenerateID("Orders", id));
    });
  }
  for (auto& w : workers) w.join();
  std::ofstream file(out);
  for (const auto& list : drawn) {
    for (int32_t v : list) file << v << "\n";
  }
  file.close();
  TearDownLibrary();
  _exit(0);
}
const int g_worker = RunWorkerIfAsked();

class SequenceTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    (void)g_worker;
    hvtest::OdbcTestDirectory();
    details_ = hvtest::EngineDetails(GetParam(), &notRunning_);
    ASSERT_TRUE(notRunning_.empty()) << notRunning_;
    ASSERT_TRUE(SetUpLibrary(details_.dsn, details_.user.c_str(), details_.password.c_str()))
        << log_.Take();
    connection_ = GetConnectionHandle("seq");
    ASSERT_NE(connection_, nullptr);
    ExecuteUpdate(connection_, "DROP TABLE IF EXISTS SeqGenState");
    ASSERT_EQ(ExecuteUpdate(connection_,
                            "CREATE TABLE SeqGenState (SEQNAME VARCHAR(64) PRIMARY KEY, "
                            "CURRENTBATCHEND INTEGER)"),
              1)
        << log_.Take();
    ReleaseConnectionHandle("seq");
  }
  void TearDown() override { TearDownLibrary(); }

  int64_t BatchEnd() {
    ConnectionHandle* c = GetConnectionHandle("seq");
    ResultSet* rows =
        ExecuteQuery(c, "SELECT CURRENTBATCHEND FROM SeqGenState WHERE SEQNAME = 'ORDER_SEQ'");
    ReleaseConnectionHandle("seq");
    if (!rows || rows->rowCount != 1) {
      FreeResultSet(rows);
      return -1;
    }
    int32_t v = 0;
    memcpy(&v, rows->rows->values->data, 4);
    FreeResultSet(rows);
    return v;
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 3};
  hvtest::OdbcEngine details_;
  std::string notRunning_;
  ConnectionHandle* connection_ = nullptr;
};

TEST_P(SequenceTest, AFreshSequenceStartsAtOneAndRefillsAfter300) {
  ASSERT_TRUE(SequenceGenerator()) << log_.Take();
  EXPECT_EQ(BatchEnd(), 300);
  ColumnDefnEntry* id = GetColumnDefnEntry("Orders", "ID");
  for (int32_t expected = 1; expected <= 300; ++expected) {
    ASSERT_EQ(GenerateID("Orders", id), expected);
  }
  EXPECT_EQ(GenerateID("Orders", id), 301);
  EXPECT_EQ(BatchEnd(), 600);
}

TEST_P(SequenceTest, AnExistingBatchEndIsContinued) {
  ConnectionHandle* c = GetConnectionHandle("seq");
  ASSERT_EQ(ExecuteUpdate(c, "INSERT INTO SeqGenState VALUES ('ORDER_SEQ', 900)"), 1);
  ReleaseConnectionHandle("seq");
  ASSERT_TRUE(SequenceGenerator());
  EXPECT_EQ(BatchEnd(), 1200);
  EXPECT_EQ(GenerateID("Orders", GetColumnDefnEntry("Orders", "ID")), 901);
  // Unknown sequences and a missing instance sequence answer -1.
  ColumnDefnEntry* name = GetColumnDefnEntry("Orders", "NAME");
  EXPECT_EQ(GenerateID("Orders", name), -1);
  EXPECT_EQ(GenerateInstanceID(), -1);
  ASSERT_TRUE(UpdateSeqGen(nullptr, "INSTANCE_ID"));
  EXPECT_EQ(GenerateInstanceID(), 1);
}

TEST_P(SequenceTest, AUsedUpBatchThatCannotBeRefilledAnswersMinusOne) {
  ASSERT_TRUE(SequenceGenerator());
  auto* state = static_cast<SequenceState*>(GetHashValue(GetSequenceState(), "ORDER_SEQ"));
  ASSERT_NE(state, nullptr);
  state->next = state->end + 1;
  ConnectionHandle* c = GetConnectionHandle("seq");
  ASSERT_EQ(ExecuteUpdate(c, "DROP TABLE SeqGenState"), 1);
  ReleaseConnectionHandle("seq");
  log_.Take();
  EXPECT_EQ(GenerateID("Orders", GetColumnDefnEntry("Orders", "ID")), -1);
  EXPECT_NE(log_.Take().find("[ERROR] Cannot reserve a new batch for AutoId key ORDER_SEQ\n"),
            std::string::npos);
}

TEST_P(SequenceTest, ProcessesAndThreadsDrawingAtOnceNeverShareAnIdentifier) {
  constexpr int kProcesses = 4;
  constexpr int kThreads = 2;
  constexpr int kDraws = 2000;
  std::vector<pid_t> children;
  std::vector<std::string> outputs;
  for (int p = 0; p < kProcesses; ++p) {
    outputs.push_back(dir_.Sub("ids" + std::to_string(p)));
    const std::string logs = dir_.Sub("log" + std::to_string(p));
    hvtest::MakeDirs(logs);
    const pid_t pid = hvtest::SpawnSelf(
        {"HV_SEQ_OUT=" + outputs.back(), "HV_SEQ_THREADS=" + std::to_string(kThreads),
         "HV_SEQ_LOGDIR=" + logs, "HV_SEQ_DRAWS=" + std::to_string(kDraws),
         std::string("HV_SEQ_DSN=") + details_.dsn, "HV_SEQ_USER=" + details_.user,
         "HV_SEQ_PASSWORD=" + details_.password});
    ASSERT_GT(pid, 0);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  std::vector<int32_t> all;
  for (const std::string& path : outputs) {
    std::ifstream in(path);
    int32_t v = 0;
    while (in >> v) all.push_back(v);
  }
  ASSERT_EQ(all.size(), static_cast<size_t>(kProcesses * kThreads * kDraws));
  const std::set<int32_t> distinct(all.begin(), all.end());
  EXPECT_EQ(distinct.size(), all.size()) << "an identifier was handed out twice";
  EXPECT_GE(*distinct.begin(), 1);
  const int64_t end = BatchEnd();
  EXPECT_LE(*distinct.rbegin(), end);
  // What is missing are the unused ends of each process's last batch.
  EXPECT_LE(end - static_cast<int64_t>(all.size()), kProcesses * (kSequenceBatch - 1));
}

INSTANTIATE_TEST_SUITE_P(Engines, SequenceTest, hvtest::AllEngines(), hvtest::EngineTestName);

}  // namespace
