// Timing a whole job (a file loaded, a model imported) the way a user meets
// it: from the page cache, as the median of several runs, each checked
// against the first before its time counts.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace kiln::bench {

// The median of `runs` timed runs after one untimed one (which fills the
// page cache) goes to `seconds`, the first run's result to `result`; false,
// with a line saying so, when a run fails or gives another result.
template <typename Result>
bool MedianOfRuns(const char *name, int runs, const std::function<bool(Result &)> &run, Result &result,
                  double &seconds) {
  if (!run(result)) {
    std::printf("%s: failed\n", name);
    return false;
  }
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    Result again;
    const auto start = std::chrono::steady_clock::now();
    const bool done = run(again);
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!done || !(again == result)) {
      std::printf("%s: run %d failed or gave another result\n", name, i + 1);
      return false;
    }
  }
  std::sort(times.begin(), times.end());
  seconds = times[times.size() / 2];
  return true;
}

}  // namespace kiln::bench
