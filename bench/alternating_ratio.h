// Two sides timed one frame each in turn, so that a machine whose speed
// drifts (a shared host) slows both alike: the ratio of their median frame
// times, printed in the reporter's style. As with the reporter, a ratio is
// only printed when both sides showed the same picture; otherwise the
// program ends with a message and status 1.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace kiln::bench {

struct FrameSide {
  std::function<void()> frame;      // one whole frame, finished (glFinish)
  std::function<double()> picture;  // a checksum of what the last frame showed
};

inline void PrintAlternatingRatio(const char *label, const FrameSide &ours, const FrameSide &peer, int rounds,
                                  const char *goal) {
  std::vector<double> oursTimes, peerTimes;
  const auto time = [](const FrameSide &side, std::vector<double> &times) {
    const auto start = std::chrono::steady_clock::now();
    side.frame();
    times.push_back(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
  };
  ours.frame();  // warmed up: caches, textures made on first use
  peer.frame();
  for (int i = 0; i < rounds; ++i) {
    time(ours, oursTimes);
    const double oursPicture = ours.picture();
    time(peer, peerTimes);
    if (peer.picture() != oursPicture) {
      std::printf("%s: the two sides showed different pictures; no ratio\n", label);
      std::exit(1);
    }
  }
  const auto median = [](std::vector<double> &times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  };
  const double x = median(oursTimes), y = median(peerTimes);
  std::printf("%-44s %10.1f ns / %10.1f ns = %6.2f  %s (median of %d alternating frames)\n", label, x, y, x / y,
              goal, rounds);
}

}  // namespace kiln::bench
