// Building a data object of one order with 1,000 lines from its select (on
// SQLite through ODBC) against ExecuteQuery of the same select alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/ratio_reporter.h"
#include "bench/sqlite_source.h"
#include "database/db_provider.h"
#include "database/odbc_provider.h"
#include "database/query_model.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/data_object.h"
#include "datastore/table_defn.h"
#include "runtime/log.h"
#include "tests/support/table_fixture.h"

namespace {

constexpr int kLines = 1000;

bool SetUp() {
  static bool done = false;
  static bool ok = false;
  if (done) return ok;
  done = true;
  static char dir[] = "/tmp/hvdobench.XXXXXX";
  const char* made = mkdtemp(dir);
  hvbench::UseSqliteFile(std::string(made ? made : "/tmp") + "/orders.db",
                         {"Customer", "Orders", "OrderLines"});
  hvtest::DefineOrderSchema();
  if (!EstablishDBConnections() || !CreateAllTables()) return false;
  ConnectionHandle* c = GetConnectionHandle("b");
  ok = ExecuteUpdate(c, "INSERT INTO Customer VALUES (7, 'Ann')") == 1 &&
       ExecuteUpdate(c, "INSERT INTO Orders VALUES (42, 7, 1, 'rush')") == 1 &&
       ExecuteUpdate(c, ("INSERT INTO OrderLines WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT "
                         "n + 1 FROM g WHERE n < " +
                         std::to_string(kLines) + ") SELECT 42, n, 'part ' || n, n % 9 + 1 FROM g")
                            .c_str()) == 1;
  ReleaseConnectionHandle("b");
  return ok;
}

// Order 42 joined to its lines.
SelectQuery* OrderQuery() {
  SelectQuery* query = CreateSelectQuery();
  AddJoinToQuery(query, "Orders", nullptr, "OrderLines", nullptr, kInnerJoin,
                 MakeColumnVectorForJoin(query->pool, "Orders", 1, "ID"),
                 MakeColumnVectorForJoin(query->pool, "OrderLines", 1, "ORDER_ID"));
  const int32_t id = 42;
  QueryColumn* column =
      CreateQueryColumn("Orders", nullptr, "ID", nullptr, 0, KES_SQL_INT, 0, query->pool);
  SetSelectCriteria(query, CreateQueryCriteriaNode(column, reinterpret_cast<const char*>(&id), 4,
                                                   kOperatorEqual, query->pool));
  return query;
}

void BM_GetDataObject(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("set-up failed");
    return;
  }
  SelectQuery* query = OrderQuery();
  for (auto _ : state) {
    DataObject* object = GetDataObject(query);
    RowCollection* lines = object ? GetRowCollection(object, "OrderLines") : nullptr;
    if (!lines || !lines->lastRowUnit) state.SkipWithError("no object");
    FreeDataObject(object);
  }
  FreeSelectQuery(query);
}
BENCHMARK(BM_GetDataObject)->Unit(benchmark::kMicrosecond);

void BM_ExecuteQueryOnly(benchmark::State& state) {
  if (!SetUp()) {
    state.SkipWithError("set-up failed");
    return;
  }
  SelectQuery* query = OrderQuery();
  char* statement = GenerateSelectQuery(query);
  for (auto _ : state) {
    ConnectionHandle* c = GetConnectionHandle("b");
    ResultSet* set = ExecuteQuery(c, statement);
    ReleaseConnectionHandle("b");
    if (!set || set->rowCount != kLines) state.SkipWithError("query failed");
    FreeResultSet(set);
  }
  std::free(statement);
  FreeSelectQuery(query);
}
BENCHMARK(BM_ExecuteQueryOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  SetLogLevel(1);
  benchmark::Initialize(&argc, argv);
  hvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios({{"BM_GetDataObject", "BM_ExecuteQueryOnly"}});
  benchmark::Shutdown();
  return 0;
}
