// A geob chunk from arbitrary bytes, read from memory; what reads is checked,
// has each burst's faces flipped, and is written and read back: the second
// writing must give the same bytes as the first.
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/qfile.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

using kiln::fuzz::MemoryFile;

std::vector<char> Written(const DGeob &geob, const MemoryFile &out) {
  {
    QFile file(out.Path(), QFile::WRITE);
    if (!geob.ExportDOF(&file)) __builtin_trap();
  }
  return out.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  static MemoryFile out;
  DGeode geode("fuzz.dof");
  QFile in("fuzz.dof", const_cast<uint8_t *>(data), static_cast<long>(size));
  DGeob geob(&geode);
  if (!geob.ImportDOF(&in)) return 0;
  geob.CheckIndices();
  for (int burst = 0; burst < geob.GetBurstCount(); ++burst) geob.FlipFaces(burst);
  const std::vector<char> first = Written(geob, out);
  DGeob again(&geode);
  {
    QFile reread(out.Path(), QFile::READ);
    if (!again.ImportDOF(&reread)) __builtin_trap();
  }
  if (Written(again, out) != first) __builtin_trap();
  return 0;
}
