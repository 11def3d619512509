// The archive codec against zlib level 1 and LZ4 on the same 16384-byte
// chunks of a mixed corpus: text (sources and headers), programs, and
// images (the system's own and uncompressed photograph-like bitmaps).
#include <kiln/qarchive.h>

#include <lz4.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "archive_corpus.h"

namespace {

constexpr std::size_t kChunk = 16384;
constexpr int kRepetitions = 5;

using Clock = std::chrono::steady_clock;

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
  std::string corpus = kiln::bench::MixedCorpus(argc > 1 ? argv[1] : ".");
  std::size_t chunks = (corpus.size() + kChunk - 1) / kChunk;
  std::printf("in %zu chunks of %zu bytes\n", chunks, kChunk);

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
