// The archive codec against zlib level 1 and LZ4 on the same 16384-byte
// chunks of a mixed corpus: text (sources and headers), programs, and
// images (the system's own and uncompressed photograph-like bitmaps).
#include <kiln/qarchive.h>

#include <lz4.h>
#include <zlib.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kChunk = 16384;
constexpr int kRepetitions = 5;

using Clock = std::chrono::steady_clock;

void AddFiles(const std::string &directory, const std::vector<std::string> &suffixes, std::size_t budget,
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
void AddPhotographs(std::size_t budget, std::string &corpus) {
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

double MedianSeconds(const std::function<void()> &work) {
  std::vector<double> times;
  for (int i = 0; i < kRepetitions; ++i) {
    auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct Result {
  const char *name;
  double compressSeconds, decompressSeconds;
  std::size_t compressedBytes;
};

}  // namespace

int main(int argc, char **argv) {
  std::string source = argc > 1 ? argv[1] : ".";
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
  std::size_t chunks = (corpus.size() + kChunk - 1) / kChunk;
  std::printf("corpus: %.1f MB (text %.1f, programs %.1f, images %.1f) in %zu chunks of %zu bytes\n",
              corpus.size() / 1e6, text / 1e6, programs / 1e6, images / 1e6, chunks, kChunk);

  auto chunkOf = [&](std::size_t i) {
    return std::pair<const uint8_t *, int>(reinterpret_cast<const uint8_t *>(corpus.data()) + i * kChunk,
                                           static_cast<int>(std::min(kChunk, corpus.size() - i * kChunk)));
  };
  std::vector<std::vector<uint8_t>> packed(chunks);
  std::vector<uint8_t> out(kChunk + 64);
  std::vector<Result> results;
  bool exact = true;

  // Kiln's own codec.
  {
    QArchive archive("/dev/null", AR_CREATE);
    std::size_t total = 0;
    double c = MedianSeconds([&] {
      total = 0;
      for (std::size_t i = 0; i < chunks; ++i) {
        auto [in, n] = chunkOf(i);
        packed[i].resize(static_cast<std::size_t>(n) + 1);
        packed[i].resize(static_cast<std::size_t>(archive.CompressChunk(in, packed[i].data(), n)));
        total += packed[i].size();
      }
    });
    double d = MedianSeconds([&] {
      for (std::size_t i = 0; i < chunks; ++i) {
        archive.DecompressChunk(packed[i].data(), out.data(), static_cast<int>(packed[i].size()), static_cast<int>(out.size()));
      }
    });
    for (std::size_t i = 0; i < chunks; ++i) {
      auto [in, n] = chunkOf(i);
      int got = archive.DecompressChunk(packed[i].data(), out.data(), static_cast<int>(packed[i].size()), static_cast<int>(out.size()));
      if (got != n || std::memcmp(out.data(), in, static_cast<std::size_t>(n)) != 0) exact = false;
    }
    results.push_back({"Kiln LZRW1-KH", c, d, total});
  }

  // zlib level 1, one raw deflate stream per chunk.
  {
    z_stream deflater{}, inflater{};
    deflateInit2(&deflater, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    inflateInit2(&inflater, -15);
    std::size_t total = 0;
    double c = MedianSeconds([&] {
      total = 0;
      for (std::size_t i = 0; i < chunks; ++i) {
        auto [in, n] = chunkOf(i);
        packed[i].resize(deflateBound(&deflater, static_cast<uLong>(n)));
        deflateReset(&deflater);
        deflater.next_in = const_cast<Bytef *>(in);
        deflater.avail_in = static_cast<uInt>(n);
        deflater.next_out = packed[i].data();
        deflater.avail_out = static_cast<uInt>(packed[i].size());
        deflate(&deflater, Z_FINISH);
        packed[i].resize(packed[i].size() - deflater.avail_out);
        total += packed[i].size();
      }
    });
    double d = MedianSeconds([&] {
      for (std::size_t i = 0; i < chunks; ++i) {
        inflateReset(&inflater);
        inflater.next_in = packed[i].data();
        inflater.avail_in = static_cast<uInt>(packed[i].size());
        inflater.next_out = out.data();
        inflater.avail_out = static_cast<uInt>(out.size());
        inflate(&inflater, Z_FINISH);
      }
    });
    deflateEnd(&deflater);
    inflateEnd(&inflater);
    results.push_back({"zlib level 1", c, d, total});
  }

  // LZ4, default speed.
  {
    std::size_t total = 0;
    double c = MedianSeconds([&] {
      total = 0;
      for (std::size_t i = 0; i < chunks; ++i) {
        auto [in, n] = chunkOf(i);
        packed[i].resize(static_cast<std::size_t>(LZ4_compressBound(n)));
        int length = LZ4_compress_default(reinterpret_cast<const char *>(in), reinterpret_cast<char *>(packed[i].data()), n,
                                          static_cast<int>(packed[i].size()));
        packed[i].resize(static_cast<std::size_t>(length));
        total += packed[i].size();
      }
    });
    double d = MedianSeconds([&] {
      for (std::size_t i = 0; i < chunks; ++i) {
        LZ4_decompress_safe(reinterpret_cast<const char *>(packed[i].data()), reinterpret_cast<char *>(out.data()),
                            static_cast<int>(packed[i].size()), static_cast<int>(out.size()));
      }
    });
    results.push_back({"LZ4", c, d, total});
  }

  double megabytes = corpus.size() / 1e6;
  std::printf("\n%-16s %14s %16s %12s\n", "codec", "compress MB/s", "decompress MB/s", "size ratio");
  for (const Result &r : results) {
    std::printf("%-16s %14.1f %16.1f %11.1f%%\n", r.name, megabytes / r.compressSeconds, megabytes / r.decompressSeconds,
                100.0 * static_cast<double>(r.compressedBytes) / static_cast<double>(corpus.size()));
  }
  const Result &kiln = results[0], &zlib = results[1], &lz4 = results[2];
  std::printf("\nKiln vs zlib level 1: compression %.2fx as fast (goal: at least 2.5), decompression %.2fx (goal: at least 2)\n",
              zlib.compressSeconds / kiln.compressSeconds, zlib.decompressSeconds / kiln.decompressSeconds);
  std::printf("Kiln vs LZ4:          compression %.2fx as fast, decompression %.2fx\n",
              lz4.compressSeconds / kiln.compressSeconds, lz4.decompressSeconds / kiln.decompressSeconds);
  std::printf("Kiln round trip exact: %s\n", exact ? "yes" : "NO");
  return exact ? 0 : 1;
}
