#include "visible_parts.h"

#include <algorithm>

namespace kiln::gui {

namespace {

using Run = VisibleParts::Run;

// Columns [left, right) as the bits of a row's 64-pixel words.
struct Columns {
  Columns(int left, int right)
      : left(left), right(right), firstWord(left >> 6), lastWord((right - 1) >> 6),
        firstBits(Bits(firstWord, left, right)), lastBits(Bits(lastWord, left, right)) {}
  static uint64_t Bits(int word, int left, int right) {
    const int low = std::max(left - word * 64, 0), high = std::min(right - word * 64, 64);
    const uint64_t below = high == 64 ? ~uint64_t{0} : (uint64_t{1} << high) - 1;
    return below & ~((uint64_t{1} << low) - 1);
  }
  uint64_t Bits(int word) const {
    return (word == firstWord ? firstBits : ~uint64_t{0}) & (word == lastWord ? lastBits : ~uint64_t{0});
  }
  int left, right, firstWord, lastWord;
  uint64_t firstBits, lastBits;
};

bool Hidden(const uint64_t *row, const Columns &columns) {
  for (int word = columns.firstWord; word <= columns.lastWord; ++word) {
    const uint64_t bits = columns.Bits(word);
    if ((row[word] & bits) != bits) return false;
  }
  return true;
}

// The uncovered runs of the row within the columns.
void FreeRuns(const uint64_t *row, const Columns &columns, std::vector<Run> &runs) {
  runs.clear();
  int start = -1;  // the open run's first column
  for (int word = columns.firstWord; word <= columns.lastWord; ++word) {
    const uint64_t free = ~row[word] & columns.Bits(word);
    int bit = 0;
    while (bit < 64) {
      if (start < 0) {
        const uint64_t ahead = free >> bit;
        if (!ahead) break;
        bit += __builtin_ctzll(ahead);
        start = word * 64 + bit;
      }
      const uint64_t taken = ~free >> bit;
      if (!taken) break;  // the run goes on into the next word
      bit += __builtin_ctzll(taken);
      runs.push_back({start, word * 64 + bit});
      start = -1;
    }
  }
  if (start >= 0) runs.push_back({start, columns.right});
}

void Cover(uint64_t *row, const Columns &columns) {
  for (int word = columns.firstWord; word <= columns.lastWord; ++word) row[word] |= columns.Bits(word);
}

}  // namespace

void VisibleParts::Find(const QBlitQueue::Entry *entries, int count, int windowWidth, int windowHeight) {
  words = (std::max(windowWidth, 0) + 63) / 64;
  covered.assign(static_cast<std::size_t>(words) * static_cast<std::size_t>(std::max(windowHeight, 0)), 0);
  parts.clear();
  firstPart.assign(static_cast<std::size_t>(count), 0);
  lastPart.assign(static_cast<std::size_t>(count), 0);
  std::vector<Run> runs, open;
  int openSince = 0;
  // From the last entry back, each covering what the earlier ones drew.
  for (int i = count - 1; i >= 0; --i) {
    const QBlitQueue::Entry &entry = entries[i];
    firstPart[static_cast<std::size_t>(i)] = static_cast<int>(parts.size());
    const int left = std::max(entry.dx, 0), right = std::min(entry.dx + entry.width, windowWidth);
    const int bottom = std::max(entry.dy, 0), top = std::min(entry.dy + entry.height, windowHeight);
    if (!(entry.flags & QBlitQueue::SKIP) && left < right && bottom < top) {
      const bool opaque = !(entry.flags & QBlitQueue::BLEND);
      const Columns columns(left, right);
      // Rows with the same runs as the row below make one part a run.
      const auto close = [&](int y) {
        for (const Run &run : open) parts.push_back({run.left - entry.dx, openSince - entry.dy, run.right - run.left, y - openSince});
      };
      open.clear();
      for (int y = bottom; y < top; ++y) {
        uint64_t *row = covered.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(words);
        // Most rows of an entry drawn over again are hidden whole.
        if (Hidden(row, columns)) {
          runs.clear();
        } else {
          FreeRuns(row, columns, runs);
          if (opaque) Cover(row, columns);
        }
        if (runs == open) continue;
        close(y);
        open.swap(runs);
        openSince = y;
      }
      close(top);
    }
    lastPart[static_cast<std::size_t>(i)] = static_cast<int>(parts.size());
  }
}

VisibleParts::Range VisibleParts::Of(int index) const {
  const Part *base = parts.data();
  return {base + firstPart[static_cast<std::size_t>(index)], base + lastPart[static_cast<std::size_t>(index)]};
}

}  // namespace kiln::gui
