// Generating insert statements for a ten-column row through the dialect,
// against formatting the same texts with one snprintf each into a fresh
// buffer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/ratio_reporter.h"
#include "database/sql_dialect.h"
#include "datastore/column_value.h"
#include "datastore/table_defn.h"

namespace {

const uint8_t kTypes[10] = {KES_SQL_INT,     KES_SQL_VARCHAR, KES_SQL_INT,     KES_SQL_DOUBLE,
                            KES_SQL_VARCHAR, KES_SQL_BIGINT,  KES_SQL_BOOLEAN, KES_SQL_VARCHAR,
                            KES_SQL_INT,     KES_SQL_VARCHAR};
const char* const kTexts[10] = {"42",      "a customer", "7",    "12.5", "street 1",
                                "9000000", "TRUE",       "city", "1234", "a note"};

RowObject* MakeRow() {
  static bool defined = [] {
    InitTableDefnList();
    Vector* columns = CreateVector();
    for (int i = 0; i < 10; ++i) {
      const std::string name = "C" + std::to_string(i);
      AddElementData(columns, CreateColumnDefn(name.c_str(), kTypes[i], nullptr, 0, 0, nullptr,
                                               nullptr, 40, 1, nullptr));
    }
    const char* key[] = {"C0"};
    AddTableDefn(CreateTableDefn("Customer", nullptr, columns, CreateConstraintDefn(key, 1)));
    return true;
  }();
  (void)defined;
  auto** values = static_cast<char**>(calloc(10, sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(calloc(10, sizeof(int32_t)));
  for (int i = 0; i < 10; ++i) {
    lengths[i] = static_cast<int32_t>(strlen(kTexts[i]));
    values[i] = ConvertStringToValue(kTexts[i], &lengths[i], kTypes[i]);
  }
  return CreateNewRowObject(values, lengths);
}

void BM_GenerateInsert(benchmark::State& state) {
  RowObject* row = MakeRow();
  for (auto _ : state) {
    for (int i = 0; i < 100000; ++i) {
      char* text = MysqlGenInsertQuery("Customer", row);
      benchmark::DoNotOptimize(text);
      free(text);
    }
  }
  FreeRowObject(row, 10);
}
BENCHMARK(BM_GenerateInsert)->Unit(benchmark::kMillisecond);

void BM_Snprintf(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < 100000; ++i) {
      char* text = static_cast<char*>(malloc(512));
      snprintf(text, 512, "insert into  %s values(%d,'%s',%d,%f,'%s',%lld,%d,'%s',%d,'%s')",
               "Customer", 42, "a customer", 7, 12.5, "street 1", 9000000LL, 1, "city", 1234,
               "a note");
      benchmark::DoNotOptimize(text);
      free(text);
    }
  }
}
BENCHMARK(BM_Snprintf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  hvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios({{"BM_GenerateInsert", "BM_Snprintf"}});
  benchmark::Shutdown();
  return 0;
}
