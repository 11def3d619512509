// Builds a reproducible directory tree for benchmarks:
//   bench_make_tree DIR ENTRIES DIRECTORIES MAX_DEPTH UPPER_PERCENT [SEED]
// Names are unique within the tree, so lowering them never collides.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct Directory {
  std::string path;
  int depth;
};

std::string MakeName(std::mt19937 &random, long index, int upperPercent) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz";
  std::uniform_int_distribution<int> length(3, 10), letter(0, 25), percent(0, 99);
  std::string name;
  for (int i = length(random); i > 0; --i) name += kLetters[letter(random)];
  name += "_" + std::to_string(index);
  if (percent(random) < upperPercent) {
    for (char &c : name) {
      if (c >= 'a' && c <= 'z' && percent(random) < 40) c = static_cast<char>(c - 32);
    }
    if (name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 32);
  }
  return name;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s DIR ENTRIES DIRECTORIES MAX_DEPTH UPPER_PERCENT [SEED]\n", argv[0]);
    return 2;
  }
  std::string root = argv[1];
  long entries = std::atol(argv[2]);
  long directories = std::atol(argv[3]);
  int maxDepth = std::atoi(argv[4]);
  int upperPercent = std::atoi(argv[5]);
  std::mt19937 random(argc > 6 ? std::atoi(argv[6]) : 1);

  if (mkdir(root.c_str(), 0755) != 0) {
    std::perror(root.c_str());
    return 1;
  }
  std::vector<Directory> made{{root, 0}};
  std::vector<std::size_t> open{0};  // directories that may still get children
  long index = 0;
  for (; index < directories && index < entries; ++index) {
    std::uniform_int_distribution<std::size_t> pick(0, open.size() - 1);
    const Directory parent = made[open[pick(random)]];
    Directory child{parent.path + "/" + MakeName(random, index, upperPercent), parent.depth + 1};
    if (mkdir(child.path.c_str(), 0755) != 0) {
      std::perror(child.path.c_str());
      return 1;
    }
    made.push_back(child);
    if (child.depth < maxDepth) open.push_back(made.size() - 1);
  }
  for (; index < entries; ++index) {
    std::uniform_int_distribution<std::size_t> pick(0, made.size() - 1);
    std::string path = made[pick(random)].path + "/" + MakeName(random, index, upperPercent);
    FILE *file = std::fopen(path.c_str(), "w");
    if (!file) {
      std::perror(path.c_str());
      return 1;
    }
    std::fclose(file);
  }
  return 0;
}
