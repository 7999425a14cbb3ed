// Ratios between benchmarks of one run, printed after the usual table: the console
// reporter keeps each run's real time per iteration, and the program names the pairs
// to compare, each with the bound it is meant to stay within.  A benchmark repeated
// (Repetitions(n)) counts with the median of its repetitions, which one slow spell of
// a shared machine does not move.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred && run.iterations > 0 && run.run_type == Run::RT_Iteration)
        times_[run.benchmark_name()].push_back(run.real_accumulated_time / static_cast<double>(run.iterations) * 1e9);
    ConsoleReporter::ReportRuns(runs);
  }

  // Real time per iteration in nanoseconds (the median over repetitions), or a
  // negative number for a benchmark that did not run (filtered out or failed).
  double nanoseconds(const std::string& name) const {
    auto it = times_.find(name);
    if (it == times_.end() || it->second.empty()) return -1.0;
    std::vector<double> times = it->second;
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    return n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  }

  // Prints time(a) / time(b), with the bound when one is given: "at most" for a
  // cost that must stay low, "at least" for a speed-up (then the ratio printed is
  // time(b) / time(a), how many times faster a is).
  void ratio(const char* what, const std::string& a, const std::string& b, double atMost = 0) const {
    const double x = nanoseconds(a), y = nanoseconds(b);
    if (x <= 0 || y <= 0) return;
    const double r = x / y;
    if (atMost > 0)
      std::printf("  %-62s %7.2f   (at most %.2f: %s)\n", what, r, atMost, r <= atMost ? "met" : "NOT MET");
    else
      std::printf("  %-62s %7.2f\n", what, r);
  }
  void speedup(const char* what, const std::string& ours, const std::string& theirs, double atLeast) const {
    const double x = nanoseconds(ours), y = nanoseconds(theirs);
    if (x <= 0 || y <= 0) return;
    const double r = y / x;
    std::printf("  %-62s %7.2fx  (at least %.1fx: %s)\n", what, r, atLeast, r >= atLeast ? "met" : "NOT MET");
  }
  void heading(const char* text) const { std::printf("\n%s\n", text); }

 private:
  std::map<std::string, std::vector<double>> times_;  // per repetition
};

}  // namespace bench
