// A console reporter that keeps each benchmark's time, so that pairs of
// ours and a peer measured in the same run can be printed as ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace hvbench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  // Prints ours / peer for each pair that ran.
  void Ratios(std::initializer_list<std::pair<const char*, const char*>> pairs) const {
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

}  // namespace hvbench
