// Walks arbitrary bytes as the top-level chunks of a model file, as
// kiln-model info does before loading: every chunk found must lie within
// the bytes, one after another, and a walk that ends sound ends at "EDOF".
#include <cstdint>
#include <string>

#include "chunk_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  const kiln::model::ChunkWalk walk = kiln::model::WalkChunks(bytes);
  long next = 8;
  for (const kiln::model::ChunkPlace &chunk : walk.chunks) {
    if (chunk.offset != next || chunk.tag.size() != 4) __builtin_trap();
    if (chunk.length < 0) {
      if (chunk.tag != "EDOF" || &chunk != &walk.chunks.back()) __builtin_trap();
      break;
    }
    next = chunk.offset + 8 + chunk.length;
    if (next > static_cast<long>(size)) __builtin_trap();
  }
  if (walk.damage.empty() && (walk.chunks.empty() || walk.chunks.back().tag != "EDOF")) __builtin_trap();
  return 0;
}
