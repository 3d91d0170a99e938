// The in-memory store: adding rows (time per row at 1,000 and 100,000 rows,
// to show it is linear), selecting with a two-leaf criteria over 100,000
// rows against SQLite running the same WHERE over the same rows in an
// in-memory table without index, and parsing a ten-leaf criteria text.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/ratio_reporter.h"
#include "database/criteria_parser.h"
#include "datastore/column_value.h"
#include "datastore/table_data.h"
#include "datastore/table_defn.h"

namespace {

const char* const kCriteria = "QTY > 500 and NAME = 'name 742'";
const char* const kSql = "SELECT ID, NAME, QTY FROM rows WHERE QTY > 500 AND NAME = 'name 742'";

void Define() {
  static bool defined = [] {
    InitTableDefnList();
    Vector* columns = CreateVector();
    AddElementData(columns, CreateColumnDefn("ID", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0,
                                             0, nullptr));
    AddElementData(columns, CreateColumnDefn("NAME", KES_SQL_VARCHAR, nullptr, 0, 0, nullptr,
                                             nullptr, 0, 1, nullptr));
    AddElementData(columns, CreateColumnDefn("QTY", KES_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0,
                                             1, nullptr));
    AddTableDefn(CreateTableDefn("Rows", nullptr, columns, nullptr));
    return true;
  }();
  (void)defined;
}

// Row i: ID i, NAME "name <i % 1000>", QTY i % 1000.
RowObject* MakeRow(int i) {
  auto** values = static_cast<char**>(malloc(3 * sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(malloc(3 * sizeof(int32_t)));
  const int32_t qty = i % 1000;
  const std::string name = "name " + std::to_string(qty);
  values[0] = static_cast<char*>(malloc(5));
  memcpy(values[0], &i, 4);
  lengths[0] = 4;
  values[1] = strdup(name.c_str());
  lengths[1] = static_cast<int32_t>(name.size());
  values[2] = static_cast<char*>(malloc(5));
  memcpy(values[2], &qty, 4);
  lengths[2] = 4;
  return CreateNewRowObject(values, lengths);
}

void FillTable(int rows) {
  Define();
  UnLoadTable("Rows");
  CreateTable("Rows");
  for (int i = 0; i < rows; ++i) AddNewRow("Rows", MakeRow(i));
}

void BM_AddNewRow(benchmark::State& state) {
  Define();
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    UnLoadTable("Rows");
    CreateTable("Rows");
    std::vector<RowObject*> made;
    for (int i = 0; i < rows; ++i) made.push_back(MakeRow(i));
    state.ResumeTiming();
    for (RowObject* row : made) AddNewRow("Rows", row);
  }
  state.SetItemsProcessed(state.iterations() * rows);
  UnLoadTable("Rows");
}
BENCHMARK(BM_AddNewRow)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_SelectRows(benchmark::State& state) {
  FillTable(100000);
  for (auto _ : state) {
    ResultData* result = SelectRows("Rows", kCriteria);
    if (!result || result->rowCount != 100) state.SkipWithError("wrong selection");
    FreeResultData(result);
  }
  UnLoadTable("Rows");
}
BENCHMARK(BM_SelectRows)->Unit(benchmark::kMillisecond);

void BM_SqliteSelect(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db, "CREATE TABLE rows (ID INTEGER, NAME VARCHAR(40), QTY INTEGER)", nullptr,
               nullptr, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO rows VALUES (?, ?, ?)", -1, &insert, nullptr);
  for (int i = 0; i < 100000; ++i) {
    const std::string name = "name " + std::to_string(i % 1000);
    sqlite3_bind_int(insert, 1, i);
    sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(insert, 3, i % 1000);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  for (auto _ : state) {
    // Prepared each time, as SelectRows parses its criteria each time.
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, kSql, -1, &select, nullptr);
    int rows = 0;
    while (sqlite3_step(select) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_int(select, 0));
      ++rows;
    }
    sqlite3_finalize(select);
    if (rows != 100) state.SkipWithError("wrong selection");
  }
  sqlite3_close(db);
}
BENCHMARK(BM_SqliteSelect)->Unit(benchmark::kMillisecond);

void BM_ParseCriteria(benchmark::State& state) {
  const char* text =
      "a = 1 and b = 'two' or (c < 3 and d >= 4.5) and e != 5 or f > 6 and (g <= 7 or h = 'eight') "
      "and i = 9 or 10 < j";
  for (auto _ : state) {
    CriteriaNode* tree = ParseCriteria(text);
    if (!tree) state.SkipWithError("did not parse");
    FreeCriteriaTree(tree);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseCriteria);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  hvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios(
      {{"BM_AddNewRow/100000", "BM_AddNewRow/1000"}, {"BM_SelectRows", "BM_SqliteSelect"}});
  std::printf(
      "  (AddNewRow: the time of 100,000 rows over 100 times that of 1,000 is the ratio / 100)\n");
  benchmark::Shutdown();
  return 0;
}
