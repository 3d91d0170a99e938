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

#include "bench/ratio_reporter.h"
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

// Four threads, each locking an address of its own, against four threads
// each on a std::mutex of its own.
void BM_LockTableFourThreads(benchmark::State& state) {
  static int objects[4][16];
  if (state.thread_index() == 0 && !gv_lockTableMutex) InitMutex();
  const void* object = objects[state.thread_index()];
  for (auto _ : state) {
    LockObject(object);
    UnlockObject(object);
  }
}
BENCHMARK(BM_LockTableFourThreads)->Threads(4)->UseRealTime();

void BM_StdMutexFourThreads(benchmark::State& state) {
  static std::mutex mutexes[4];
  std::mutex& m = mutexes[state.thread_index()];
  for (auto _ : state) {
    m.lock();
    m.unlock();
  }
}
BENCHMARK(BM_StdMutexFourThreads)->Threads(4)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  hvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios({
      {"BM_PoolAllocAndClear", "BM_MallocAndFree"},
      {"BM_VectorAppendAndWalkByPosition", "BM_StdListAppendAndWalk"},
      {"BM_LockTableLockUnlock", "BM_StdMutexLockUnlock"},
      {"BM_LockTableFourThreads/real_time/threads:4", "BM_StdMutexFourThreads/real_time/threads:4"},
  });
  benchmark::Shutdown();
  return 0;
}
