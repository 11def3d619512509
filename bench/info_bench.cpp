// Reading a configuration of 20,000 values (trees nested three deep, about
// 1 MB) and looking every value up once: QInfo against inih parsing the
// equivalent INI file into a map.
#include <benchmark/benchmark.h>

#include <kiln/qinfo.h>

#include <ini.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "ratio_reporter.h"

namespace {

constexpr int kTrees = 20, kSubtrees = 20, kValues = 50;

struct Files {
  std::string directory, config, ini;
  std::vector<std::string> paths;  // every value once, shuffled

  Files() {
    char pattern[] = "/tmp/kiln-info-bench-XXXXXX";
    directory = mkdtemp(pattern);
    config = directory + "/bench.cfg";
    ini = directory + "/bench.ini";
    std::string tree, flat;
    for (int t = 0; t < kTrees; ++t) {
      std::string top = "section" + std::to_string(t);
      tree += top + "\n{\n";
      for (int s = 0; s < kSubtrees; ++s) {
        std::string sub = "group" + std::to_string(s);
        tree += "  " + sub + "\n  {\n";
        flat += "[" + top + "." + sub + "]\n";
        for (int v = 0; v < kValues; ++v) {
          std::string key = "value_" + std::to_string(v);
          std::string value = "setting " + std::to_string(t * 1000 + s * 50 + v) + " for the program and its windows";
          tree += "    " + key + "=" + value + "\n";
          flat += key + "=" + value + "\n";
          paths.push_back(top + "." + sub + "." + key);
        }
        tree += "  }\n";
      }
      tree += "}\n";
    }
    Write(config, tree);
    Write(ini, flat);
    std::shuffle(paths.begin(), paths.end(), std::mt19937(7));
    std::printf("configuration: %zu bytes, INI: %zu bytes, %zu values\n", tree.size(), flat.size(), paths.size());
  }
  ~Files() {
    if (getenv("KILN_KEEP_BENCH")) return;
    unlink(config.c_str());
    unlink(ini.c_str());
    rmdir(directory.c_str());
  }
  static void Write(const std::string &path, const std::string &text) {
    FILE *file = std::fopen(path.c_str(), "w");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
};

// Sums the characters of a value, so that both readers must give it whole.
std::size_t Checksum(const char *value) {
  std::size_t sum = 0;
  for (; *value; ++value) sum += static_cast<unsigned char>(*value);
  return sum;
}

Files &TheFiles() {
  static Files files;
  return files;
}

void KilnInfo(benchmark::State &state) {
  Files &files = TheFiles();
  std::size_t total = 0;
  for (auto _ : state) {
    QInfo info(files.config.c_str());
    total = 0;
    char value[1024];
    for (const std::string &path : files.paths) {
      info.GetString(path.c_str(), value);
      total += Checksum(value);
    }
    benchmark::DoNotOptimize(total);
  }
  kiln::bench::SetResult(state, static_cast<double>(total));
}

int StoreValue(void *user, const char *section, const char *name, const char *value) {
  auto *map = static_cast<std::unordered_map<std::string, std::string> *>(user);
  std::string key = section;
  key += '.';
  key += name;
  (*map)[std::move(key)] = value;
  return 1;
}

void Inih(benchmark::State &state) {
  Files &files = TheFiles();
  std::size_t total = 0;
  for (auto _ : state) {
    std::unordered_map<std::string, std::string> map;
    if (ini_parse(files.ini.c_str(), StoreValue, &map) != 0) state.SkipWithError("inih could not read the file");
    total = 0;
    for (const std::string &path : files.paths) {
      auto found = map.find(path);
      if (found != map.end()) total += Checksum(found->second.c_str());
    }
    benchmark::DoNotOptimize(total);
  }
  kiln::bench::SetResult(state, static_cast<double>(total));
}

BENCHMARK(KilnInfo)->Unit(benchmark::kMillisecond);
BENCHMARK(Inih)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  TheFiles();
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("QInfo vs inih, read + 20,000 lookups", "KilnInfo", "Inih", "(goal: at most 1)");
  return 0;
}
