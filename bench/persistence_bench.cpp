// Loading a table of 100,000 rows from SQLite into the store against the
// same query through ExecuteQuery alone, and saving 10,000 changed rows
// against a plain ODBC loop running the same statements in one transaction.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "bench/sqlite_source.h"
#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/persistence.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"

#include <sql.h>
#include <sqlext.h>

namespace {

std::string g_connection;

bool SetUp(int rows) {
  static char dir[] = "/tmp/hvpersist.XXXXXX";
  static const char* made = mkdtemp(dir);
  g_connection = hvbench::UseSqliteFile(
      std::string(made ? made : "/tmp") + "/bench" + std::to_string(rows) + ".db", {"Rows"});
  FreeAllTableDefns();
  InitTableDefnList();
  Vector* columns = CreateVector();
  AddElementData(
      columns, CreateColumnDefn("ID", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0, 0, nullptr));
  AddElementData(columns, CreateColumnDefn("NAME", KES_SQL_VARCHAR, nullptr, 0, 0, nullptr, nullptr,
                                           40, 1, nullptr));
  AddElementData(columns, CreateColumnDefn("QTY", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0,
                                           1, nullptr));
  AddElementData(columns, CreateColumnDefn("PRICE", KES_SQL_DOUBLE, nullptr, 0, 0, nullptr, nullptr,
                                           0, 1, nullptr));
  AddElementData(columns, CreateColumnDefn("DAY", KES_SQL_DATE, nullptr, 0, 0, nullptr, nullptr, 0,
                                           1, nullptr));
  const char* key[] = {"ID"};
  AddTableDefn(CreateTableDefn("Rows", nullptr, columns, CreateConstraintDefn(key, 1)));
  if (!EstablishDBConnections()) return false;
  ConnectionHandle* c = GetConnectionHandle("b");
  ExecuteUpdate(c, "DROP TABLE IF EXISTS Rows");
  ReleaseConnectionHandle("b");
  if (!CreateAllTables()) return false;
  c = GetConnectionHandle("b");
  const std::string fill =
      "INSERT INTO Rows WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM g WHERE n < " +
      std::to_string(rows) + ") SELECT n, 'name ' || n, n % 100, n * 1.5, '2020-01-31' FROM g";
  const bool ok = ExecuteUpdate(c, fill.c_str()) == 1;
  ReleaseConnectionHandle("b");
  return ok;
}

void BM_LoadTable(benchmark::State& state) {
  if (!SetUp(100000)) {
    state.SkipWithError("set-up failed");
    return;
  }
  for (auto _ : state) {
    if (!LoadTable("Rows")) state.SkipWithError("load failed");
    UnLoadTable("Rows");
  }
}
BENCHMARK(BM_LoadTable)->Unit(benchmark::kMillisecond);

void BM_ExecuteQueryOnly(benchmark::State& state) {
  if (!SetUp(100000)) {
    state.SkipWithError("set-up failed");
    return;
  }
  for (auto _ : state) {
    ConnectionHandle* c = GetConnectionHandle("b");
    ResultSet* set = ExecuteQuery(c, "select * from Rows");
    ReleaseConnectionHandle("b");
    if (!set || set->rowCount != 100000) state.SkipWithError("query failed");
    FreeResultSet(set);
  }
}
BENCHMARK(BM_ExecuteQueryOnly)->Unit(benchmark::kMillisecond);

// Marks every loaded row changed (QTY + 1), as UpdateRowObject would.
void ChangeAll() {
  for (RowObject* r = GetTableDataByName("Rows")->firstRow; r; r = r->next) {
    int32_t qty = 0;
    std::memcpy(&qty, r->values[2], 4);
    ++qty;
    std::memcpy(r->values[2], &qty, 4);
    r->state = kRowInDatabase | kRowModified;
  }
}

void BM_SaveTable(benchmark::State& state) {
  if (!SetUp(10000) || !LoadTable("Rows")) {
    state.SkipWithError("set-up failed");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    ChangeAll();
    state.ResumeTiming();
    if (!SaveTable("Rows")) state.SkipWithError("save failed");
  }
  UnLoadTable("Rows");
}
BENCHMARK(BM_SaveTable)->Unit(benchmark::kMillisecond);

void BM_PlainOdbcSave(benchmark::State& state) {
  if (!SetUp(10000) || !LoadTable("Rows")) {
    state.SkipWithError("set-up failed");
    return;
  }
  ChangeAll();
  std::vector<std::string> statements;
  for (RowObject* r = GetTableDataByName("Rows")->firstRow; r; r = r->next) {
    char* text = GenerateUpdateQuery("Rows", r);
    statements.emplace_back(text ? text : "");
    std::free(text);
  }
  UnLoadTable("Rows");
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  CloseAllConnections();  // the plain loop has the database alone
  SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(g_connection.data()), SQL_NTS, nullptr,
                   0, nullptr, SQL_DRIVER_NOPROMPT);
  for (auto _ : state) {
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                      SQL_IS_UINTEGER);
    for (std::string& s : statements) {
      SQLHSTMT st = SQL_NULL_HSTMT;
      SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
      SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(s.data()), SQL_NTS);
      SQLFreeHandle(SQL_HANDLE_STMT, st);
    }
    SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT);
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      SQL_IS_UINTEGER);
  }
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
}
BENCHMARK(BM_PlainOdbcSave)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  SetLogLevel(1);
  benchmark::Initialize(&argc, argv);
  hvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios({{"BM_LoadTable", "BM_ExecuteQueryOnly"}, {"BM_SaveTable", "BM_PlainOdbcSave"}});
  benchmark::Shutdown();
  return 0;
}
