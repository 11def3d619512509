// A console reporter that also remembers the time per iteration of every
// benchmark, so that a program can print ratios against its peers measured
// in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace kiln::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.iterations > 0) {
        // The name without settings such as "/min_time:0.500".
        std::string name = run.run_name.function_name;
        if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
        nanoseconds[name] = run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  double Time(const std::string &name) const {
    auto found = nanoseconds.find(name);
    return found == nanoseconds.end() ? 0.0 : found->second;
  }

  // Prints "label: ours / peer = ratio (goal)".
  void PrintRatio(const char *label, const std::string &ours, const std::string &peer, const char *goal = "") const {
    double a = Time(ours), b = Time(peer);
    std::printf("%-44s %10.1f ns / %10.1f ns = %6.2f  %s\n", label, a, b, b > 0 ? a / b : 0.0, goal);
  }

private:
  std::map<std::string, double> nanoseconds;
};

// Runs the registered benchmarks with the reporter; returns it for ratios.
inline RatioReporter &RunAll(int argc, char **argv) {
  static RatioReporter reporter;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nratios (Kiln / peer, below 1 means Kiln is faster):\n");
  return reporter;
}

}  // namespace kiln::bench
