// The runtime primitives against their natural peers, measured in the same
// run; after the table each pair's ratio is printed (ours / peer time).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "database/mempool.h"
#include "runtime/locktable.h"
#include "runtime/vector.h"

namespace {

constexpr int kPieces = 1000;
constexpr size_t kPieceSize = 24;
constexpr int kElements = 1000;

void BM_PoolAllocAndClear(benchmark::State& state) {
  MemAllocator* allocator = nullptr;
  CreateMemAllocator(&allocator);
  MemPool* pool = nullptr;
  CreateMemPool(&pool, nullptr, allocator);
  for (auto _ : state) {
    for (int i = 0; i < kPieces; ++i) benchmark::DoNotOptimize(PoolAlloc(pool, kPieceSize));
    ClearMemPool(pool);
  }
  DestroyMemPool(pool);
  DestroyMemAllocator(allocator);
}
BENCHMARK(BM_PoolAllocAndClear);

void BM_MallocAndFree(benchmark::State& state) {
  std::vector<void*> pieces(kPieces);
  for (auto _ : state) {
    for (int i = 0; i < kPieces; ++i) benchmark::DoNotOptimize(pieces[i] = malloc(kPieceSize));
    for (void* p : pieces) free(p);
  }
}
BENCHMARK(BM_MallocAndFree);

void BM_VectorAppendAndWalkByPosition(benchmark::State& state) {
  static int data[kElements];
  for (auto _ : state) {
    Vector v{};
    for (int i = 0; i < kElements; ++i) AddElementData(&v, &data[i]);
    long sum = 0;
    for (int i = 0; i < kElements; ++i) sum += static_cast<int*>(ElementAt(&v, i)->data) - data;
    benchmark::DoNotOptimize(sum);
    FreeVector(&v);
  }
}
BENCHMARK(BM_VectorAppendAndWalkByPosition);

void BM_StdListAppendAndWalk(benchmark::State& state) {
  static int data[kElements];
  for (auto _ : state) {
    std::list<void*> l;
    for (int i = 0; i < kElements; ++i) l.push_back(&data[i]);
    long sum = 0;
    for (void* p : l) sum += static_cast<int*>(p) - data;
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_StdListAppendAndWalk);

void BM_LockTableLockUnlock(benchmark::State& state) {
  if (!gv_lockTableMutex) InitMutex();
  int object = 0;
  for (auto _ : state) {
    LockObject(&object);
    UnlockObject(&object);
  }
}
BENCHMARK(BM_LockTableLockUnlock);

void BM_StdMutexLockUnlock(benchmark::State& state) {
  std::mutex m;
  for (auto _ : state) {
    m.lock();
    m.unlock();
  }
}
BENCHMARK(BM_StdMutexLockUnlock);

// Keeps each benchmark's time so that the pairs can be compared at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Ratios() const {
    const std::pair<const char*, const char*> pairs[] = {
        {"BM_PoolAllocAndClear", "BM_MallocAndFree"},
        {"BM_VectorAppendAndWalkByPosition", "BM_StdListAppendAndWalk"},
        {"BM_LockTableLockUnlock", "BM_StdMutexLockUnlock"},
    };
    std::printf("\nratio (ours / peer, time per iteration; below 1 is faster)\n");
    for (const auto& [ours, peer] : pairs) {
      auto a = times_.find(ours), b = times_.find(peer);
      if (a == times_.end() || b == times_.end() || b->second == 0) continue;
      std::printf("  %-34s / %-26s %6.2f\n", ours, peer, a->second / b->second);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios();
  benchmark::Shutdown();
  return 0;
}
