// Fetching 100,000 rows of five columns (integer, text, double, date and a
// text that is NULL in every other row) through ExecuteQuery into a result
// set, against a plain ODBC loop (SQLFetch and SQLGetData into local
// buffers) over the same query, on SQLite and on PostgreSQL.
//
// SQLite needs nothing running.  PostgreSQL is the server of the tests:
//   scripts/db-servers.sh start build/release/dbservers
//   build/release/bench/odbc_bench
//   scripts/db-servers.sh stop build/release/dbservers
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "bench/ratio_reporter.h"
#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "runtime/log.h"

#include <sql.h>
#include <sqlext.h>

namespace {

constexpr int kRows = 100000;
const char* const kQuery = "SELECT id, name, amount, born, note FROM bench_rows";

struct Engine {
  ConnectionHandle* connection = nullptr;  // ours
  SQLHENV env = SQL_NULL_HENV;             // the plain loop's
  SQLHDBC dbc = SQL_NULL_HDBC;
  std::string error;
};

std::map<std::string, std::string> ServerState() {
  std::map<std::string, std::string> values;
  std::ifstream in(std::string(HV_DB_STATE_DIR) + "/env");
  std::string line;
  while (std::getline(in, line)) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

bool Fill(ConnectionHandle* c, bool postgres) {
  ExecuteUpdate(c, "DROP TABLE IF EXISTS bench_rows");
  if (postgres) {
    return ExecuteUpdate(c,
                         "CREATE TABLE bench_rows (id INTEGER, name VARCHAR(40), amount DOUBLE "
                         "PRECISION, born DATE, note VARCHAR(40))") &&
           ExecuteUpdate(c,
                         "INSERT INTO bench_rows SELECT g, 'customer ' || g, g * 1.25, "
                         "DATE '2020-01-01' + (g % 3000), CASE WHEN g % 2 = 0 THEN 'note ' || g "
                         "END FROM generate_series(1, 100000) g");
  }
  return ExecuteUpdate(c,
                       "CREATE TABLE bench_rows (id INTEGER, name VARCHAR(40), amount DOUBLE, "
                       "born DATE, note VARCHAR(40))") &&
         ExecuteUpdate(c,
                       "INSERT INTO bench_rows WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT "
                       "n + 1 FROM g WHERE n < 100000) SELECT n, 'customer ' || n, n * 1.25, "
                       "date('2020-01-01', '+' || (n % 3000) || ' days'), CASE WHEN n % 2 = 0 "
                       "THEN 'note ' || n END FROM g");
}

Engine Open(const std::string& connectionString, bool postgres) {
  Engine engine;
  ConnParamsEntry* entry = CreateConnParamsEntry("bench", nullptr, nullptr, "bench", 1,
                                                 connectionString.c_str(), "ODBC", "X");
  engine.connection = OpenDBConnection(entry);
  FreeConnParamsEntry(entry);
  if (!engine.connection) {
    engine.error = "cannot connect with " + connectionString;
    return engine;
  }
  if (!Fill(engine.connection, postgres)) engine.error = "cannot fill the table";
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &engine.env);
  SQLSetEnvAttr(engine.env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, engine.env, &engine.dbc);
  std::string text = connectionString;
  const SQLRETURN r = SQLDriverConnect(engine.dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO) engine.error = "plain connect failed";
  return engine;
}

Engine& Sqlite() {
  static Engine engine = [] {
    static char path[] = "/tmp/hvbench.XXXXXX";
    const char* dir = mkdtemp(path);
    return Open(std::string("DRIVER={SQLite3};Database=") + (dir ? dir : "/tmp") + "/bench.db",
                false);
  }();
  return engine;
}

Engine& Postgres() {
  static Engine engine = [] {
    const auto state = ServerState();
    if (state.empty()) {
      Engine none;
      none.error = "PostgreSQL is not running: scripts/db-servers.sh start " HV_DB_STATE_DIR;
      return none;
    }
    return Open("DRIVER={PostgreSQL ANSI};Servername=" + state.at("PG_SOCKET_DIR") +
                    ";Port=" + state.at("PG_PORT") + ";Database=" + state.at("PG_DATABASE") +
                    ";UID=" + state.at("PG_USER"),
                true);
  }();
  return engine;
}

void Ours(benchmark::State& state, Engine& engine) {
  if (!engine.error.empty()) {
    state.SkipWithError(engine.error.c_str());
    return;
  }
  for (auto _ : state) {
    ResultSet* set = ExecuteQuery(engine.connection, kQuery);
    if (!set || set->rowCount != kRows) {
      state.SkipWithError("the query failed");
      FreeResultSet(set);
      return;
    }
    FreeResultSet(set);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void Plain(benchmark::State& state, Engine& engine) {
  if (!engine.error.empty()) {
    state.SkipWithError(engine.error.c_str());
    return;
  }
  for (auto _ : state) {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, engine.dbc, &statement);
    SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(kQuery)), SQL_NTS);
    SQLINTEGER id = 0;
    char name[64];
    double amount = 0;
    SQL_DATE_STRUCT born{};
    char note[64];
    SQLLEN indicator = 0;
    int rows = 0;
    while (SQLFetch(statement) == SQL_SUCCESS) {
      SQLGetData(statement, 1, SQL_C_SLONG, &id, 0, &indicator);
      SQLGetData(statement, 2, SQL_C_CHAR, name, sizeof(name), &indicator);
      SQLGetData(statement, 3, SQL_C_DOUBLE, &amount, 0, &indicator);
      SQLGetData(statement, 4, SQL_C_TYPE_DATE, &born, 0, &indicator);
      SQLGetData(statement, 5, SQL_C_CHAR, note, sizeof(note), &indicator);
      benchmark::DoNotOptimize(id + amount + born.day + name[0] + note[0]);
      ++rows;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    if (rows != kRows) {
      state.SkipWithError("the plain loop did not see every row");
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_OursSqlite(benchmark::State& state) { Ours(state, Sqlite()); }
void BM_PlainSqlite(benchmark::State& state) { Plain(state, Sqlite()); }
void BM_OursPostgres(benchmark::State& state) { Ours(state, Postgres()); }
void BM_PlainPostgres(benchmark::State& state) { Plain(state, Postgres()); }

BENCHMARK(BM_OursSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursPostgres)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPostgres)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  SetLogLevel(1);  // errors only: the log is not what is measured
  RegisterODBCProvider();
  LoadProvider("ODBC");
  benchmark::Initialize(&argc, argv);
  hvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios({{"BM_OursSqlite", "BM_PlainSqlite"}, {"BM_OursPostgres", "BM_PlainPostgres"}});
  benchmark::Shutdown();
  return 0;
}
