// kiln-ar as a whole process against gzip on the mixed corpus of the codec
// benchmark: compression to a file (kiln-ar c against gzip -1) and
// decompression to a file (kiln-ar p and kiln-ar x against gzip -dc), the
// median of 5 runs each, with the peak resident memory of every command as
// /usr/bin/time -f %M reports it. (The benchmark's own figure from wait4
// would not do: a spawned child inherits its parent's high-water mark.)
// Then p and x once more on an entry of 1 GB: their memory must not grow
// with the entry.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "archive_corpus.h"

extern char **environ;

namespace {

constexpr int kRepetitions = 5;

struct Outcome {
  double seconds = 0;
  long peakKilobytes = 0;
};

[[noreturn]] void Fail(const std::string &message) {
  std::printf("benchmark failed: %s\n", message.c_str());
  std::exit(1);
}

// Runs the command with its standard output sent to `output`; ends the
// benchmark when the command fails.
Outcome RunCommand(const std::vector<std::string> &args, const std::string &output) {
  std::vector<std::string> timed = {"/usr/bin/time", "-f", "%M", "-o", "peak"};
  timed.insert(timed.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (const std::string &arg : timed) argv.push_back(const_cast<char *>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  auto start = std::chrono::steady_clock::now();
  pid_t child;
  int status = 0;
  bool ran = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
             waitpid(child, &status, 0) == child;
  Outcome outcome;
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  if (FILE *peak = std::fopen("peak", "r")) {
    if (std::fscanf(peak, "%ld", &outcome.peakKilobytes) != 1) outcome.peakKilobytes = 0;
    std::fclose(peak);
  }
  if (!ran || !WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail(args[0] + " " + args[1] + " did not succeed");
  return outcome;
}

bool SameFile(const std::string &a, const std::string &b) {
  FILE *x = std::fopen(a.c_str(), "rb"), *y = std::fopen(b.c_str(), "rb");
  bool same = x && y;
  std::vector<char> p(1 << 20), q(1 << 20);
  while (same) {
    std::size_t m = std::fread(p.data(), 1, p.size(), x), n = std::fread(q.data(), 1, q.size(), y);
    same = m == n && std::memcmp(p.data(), q.data(), m) == 0;
    if (m == 0) break;
  }
  if (x) std::fclose(x);
  if (y) std::fclose(y);
  return same;
}

long FileSize(const std::string &path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? static_cast<long>(status.st_size) : -1;
}

// The median time and the highest peak memory of 5 runs, each of which
// must leave `expected` in `result`.
Outcome Measure(const std::vector<std::string> &args, const std::string &output, const std::string &result,
                const std::string &expected) {
  std::vector<double> times;
  Outcome worst;
  for (int i = 0; i < kRepetitions; ++i) {
    Outcome run = RunCommand(args, output);
    if (!expected.empty() && !SameFile(result, expected)) Fail(args[0] + " " + args[1] + " gave other bytes");
    times.push_back(run.seconds);
    worst.peakKilobytes = std::max(worst.peakKilobytes, run.peakKilobytes);
  }
  std::sort(times.begin(), times.end());
  worst.seconds = times[times.size() / 2];
  return worst;
}

void Print(const char *label, const Outcome &outcome, double megabytes) {
  std::printf("%-34s %8.3f s %8.1f MB/s %8.1f MB peak memory\n", label, outcome.seconds, megabytes / outcome.seconds,
              outcome.peakKilobytes / 1024.0);
}

}  // namespace

int main() {
  const std::string kilnAr = KILN_AR_PATH, gzip = "/bin/gzip";
  char pattern[] = "/tmp/kiln-ar-bench-XXXXXX";
  if (!mkdtemp(pattern)) Fail("no scratch directory");
  const std::string work = pattern;
  struct Cleanup {
    std::string path;
    ~Cleanup() {
      std::string command = "rm -rf '" + path + "'";
      if (std::system(command.c_str()) != 0) std::printf("can't remove %s\n", path.c_str());
    }
  } cleanup{work};
  if (chdir(work.c_str()) != 0) Fail("can't enter " + work);

  {
    std::string corpus = kiln::bench::MixedCorpus(KILN_SOURCE_DIR);
    FILE *file = std::fopen("corpus", "wb");
    if (!file || std::fwrite(corpus.data(), 1, corpus.size(), file) != corpus.size() || std::fclose(file) != 0) {
      Fail("can't write the corpus");
    }
  }
  const double megabytes = FileSize("corpus") / 1e6;
  mkdir("out", 0777);

  Outcome arC = Measure({kilnAr, "c", "corpus.ar", "corpus"}, "/dev/null", "", "");
  Outcome gzipC = Measure({gzip, "-1", "-c", "corpus"}, "corpus.gz", "", "");
  Outcome arP = Measure({kilnAr, "p", "corpus.ar", "corpus"}, "printed", "printed", "corpus");
  Outcome arX = Measure({kilnAr, "x", "corpus.ar", "-C", "out"}, "/dev/null", "out/corpus", "corpus");
  Outcome gzipD = Measure({gzip, "-dc", "corpus.gz"}, "unzipped", "unzipped", "corpus");

  std::printf("\ncorpus %.1f MB; kiln-ar archive %.1f MB, gzip -1 %.1f MB\n", megabytes, FileSize("corpus.ar") / 1e6,
              FileSize("corpus.gz") / 1e6);
  Print("kiln-ar c", arC, megabytes);
  Print("gzip -1", gzipC, megabytes);
  Print("kiln-ar p (to a file)", arP, megabytes);
  Print("kiln-ar x", arX, megabytes);
  Print("gzip -dc (to a file)", gzipD, megabytes);
  std::printf("\nkiln-ar c vs gzip -1:  %.2f times as fast (goal: at least 2.5)\n", gzipC.seconds / arC.seconds);
  std::printf("kiln-ar p vs gzip -dc: %.2f times as fast (goal: at least 2)\n", gzipD.seconds / arP.seconds);
  std::printf("kiln-ar x vs gzip -dc: %.2f times as fast (goal: at least 2)\n", gzipD.seconds / arX.seconds);

  // An entry of 1 GB, the corpus over and over.
  {
    FILE *big = std::fopen("big", "wb");
    FILE *corpus = std::fopen("corpus", "rb");
    std::vector<char> bytes(static_cast<std::size_t>(FileSize("corpus")));
    if (!big || !corpus || std::fread(bytes.data(), 1, bytes.size(), corpus) != bytes.size()) Fail("no big entry");
    for (long written = 0; written < 1000000000L;) {
      std::size_t n = std::min(bytes.size(), static_cast<std::size_t>(1000000000L - written));
      if (std::fwrite(bytes.data(), 1, n, big) != n) Fail("can't write the big entry");
      written += static_cast<long>(n);
    }
    std::fclose(corpus);
    if (std::fclose(big) != 0) Fail("can't write the big entry");
  }
  std::remove("corpus.ar");
  std::remove("out/corpus");
  std::remove("printed");
  RunCommand({kilnAr, "c", "big.ar", "big"}, "/dev/null");
  Outcome bigP = RunCommand({kilnAr, "p", "big.ar", "big"}, "/dev/null");
  Outcome bigX = RunCommand({kilnAr, "x", "big.ar", "-C", "out"}, "/dev/null");
  if (!SameFile("out/big", "big")) Fail("kiln-ar x gave other bytes for the big entry");
  std::printf("\nentry of 1000 MB: peak memory of kiln-ar p %.1f MB, kiln-ar x %.1f MB (goal: under 8)\n",
              bigP.peakKilobytes / 1024.0, bigX.peakKilobytes / 1024.0);
  return 0;
}
