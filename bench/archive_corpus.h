// The mixed corpus of the archive benchmarks: text (sources and headers),
// programs, and images (the system's own and uncompressed photograph-like
// bitmaps), the same bytes on every run of the same machine.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace kiln::bench {

inline void AddFiles(const std::string &directory, const std::vector<std::string> &suffixes, std::size_t budget,
              std::string &corpus, std::size_t &taken, int depth = 0) {
  DIR *dir = opendir(directory.c_str());
  if (!dir || depth > 6) {
    if (dir) closedir(dir);
    return;
  }
  std::vector<std::string> names;
  while (const dirent *entry = readdir(dir)) names.push_back(entry->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string &name : names) {
    if (taken >= budget) return;
    if (name == "." || name == "..") continue;
    std::string path = directory + "/" + name;
    struct stat status;
    if (lstat(path.c_str(), &status) != 0) continue;
    if (S_ISDIR(status.st_mode)) {
      AddFiles(path, suffixes, budget, corpus, taken, depth + 1);
      continue;
    }
    if (!S_ISREG(status.st_mode) || status.st_size == 0) continue;
    bool wanted = suffixes.empty();
    for (const std::string &suffix : suffixes) {
      if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) wanted = true;
    }
    if (!wanted) continue;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string content = bytes.str().substr(0, budget - taken);
    corpus += content;
    taken += content.size();
  }
}

// Smooth shading with sensor noise, as in a photograph, 24 bits a pixel.
inline void AddPhotographs(std::size_t budget, std::string &corpus) {
  std::mt19937 random(11);
  std::normal_distribution<double> noise(0.0, 3.0);
  std::size_t made = 0;
  for (int image = 0; made < budget; ++image) {
    for (int y = 0; y < 1024 && made < budget; ++y) {
      for (int x = 0; x < 1024; ++x) {
        for (int channel = 0; channel < 3; ++channel) {
          double value = 128 + 90 * std::sin((x * (channel + 1) + image * 37) / 150.0) * std::cos(y / 200.0) + noise(random);
          corpus += static_cast<char>(std::clamp(static_cast<int>(value), 0, 255));
        }
      }
      made += 3 * 1024;
    }
  }
}

// About 59 MB: the project's sources (`source` is its root), headers and
// programs of the system, its pictures, and photograph-like bitmaps.
inline std::string MixedCorpus(const std::string &source) {
  std::string corpus;
  std::size_t text = 0, programs = 0, images = 0;
  AddFiles(source + "/lib", {".cpp", ".h"}, 4u << 20, corpus, text);
  AddFiles(source + "/tests", {".cpp", ".h"}, 4u << 20, corpus, text);
  AddFiles("/usr/include", {".h", ".hpp", ".tcc", ""}, 22u << 20, corpus, text);
  AddFiles("/usr/bin", {}, 22u << 20, corpus, programs);
  AddFiles("/usr/share", {".png", ".jpg", ".gif", ".bmp", ".svg"}, 2u << 20, corpus, images);
  std::size_t photographs = (56u << 20) - corpus.size();
  AddPhotographs(photographs, corpus);
  images += photographs;
  std::printf("corpus: %.1f MB (text %.1f, programs %.1f, images %.1f)\n", corpus.size() / 1e6, text / 1e6,
              programs / 1e6, images / 1e6);
  return corpus;
}

}  // namespace kiln::bench
