// A console reporter that also remembers the time per iteration of every
// benchmark, so that a program can print ratios against its peers measured
// in the same run. A ratio is only printed when both sides did the whole
// work and gave the same result: a benchmark that failed ends the program
// with a message (on standard output, beside the figures) and status 1, and
// so do two sides whose results differ.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace kiln::bench {

// What a side computed (a count, a checksum), compared before a ratio.
inline void SetResult(benchmark::State &state, double result) { state.counters["result"] = result; }

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      // The name without settings such as "/min_time:0.500".
      std::string name = run.run_name.function_name;
      if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
      if (run.error_occurred) {
        failures.push_back(name + ": " + run.error_message);
      } else if (run.iterations > 0) {
        Figures &figures = measured[name];
        figures.nanoseconds = run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
        auto result = run.counters.find("result");
        figures.hasResult = result != run.counters.end();
        if (figures.hasResult) figures.result = result->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The time per iteration, or 0 when the benchmark did not run.
  double Time(const std::string &name) const {
    auto found = measured.find(name);
    return found == measured.end() ? 0.0 : found->second.nanoseconds;
  }

  // Prints "label: ours / peer = ratio (goal)"; nothing when either side was
  // left out of the run (by a filter).
  void PrintRatio(const char *label, const std::string &ours, const std::string &peer, const char *goal = "") const {
    auto a = measured.find(ours), b = measured.find(peer);
    if (a == measured.end() || b == measured.end()) return;
    if (a->second.hasResult != b->second.hasResult ||
        (a->second.hasResult && a->second.result != b->second.result)) {
      std::printf("%s: %s and %s gave different results (%.0f, %.0f); no ratio\n", label, ours.c_str(),
                   peer.c_str(), a->second.result, b->second.result);
      std::exit(1);
    }
    double x = a->second.nanoseconds, y = b->second.nanoseconds;
    std::printf("%-44s %10.1f ns / %10.1f ns = %6.2f  %s\n", label, x, y, x / y, goal);
  }

  // Names every benchmark that failed and ends the program when one did.
  void ExitOnFailure() const {
    if (failures.empty()) return;
    for (const std::string &failure : failures) std::printf("benchmark failed: %s\n", failure.c_str());
    std::exit(1);
  }

private:
  struct Figures {
    double nanoseconds = 0;
    bool hasResult = false;
    double result = 0;
  };
  std::map<std::string, Figures> measured;
  std::vector<std::string> failures;
};

// Runs the registered benchmarks with the reporter, ends the program when
// one of them failed, and returns the reporter for the ratios.
inline RatioReporter &RunAll(int argc, char **argv) {
  static RatioReporter reporter;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.ExitOnFailure();
  std::printf("\nratios (Kiln / peer, below 1 means Kiln is faster):\n");
  return reporter;
}

}  // namespace kiln::bench
