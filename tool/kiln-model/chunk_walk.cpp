#include "chunk_walk.h"

namespace kiln::model {

namespace {

bool ReadLE32(const std::string &bytes, std::size_t at, long *value) {
  if (at + 4 > bytes.size()) return false;
  uint32_t word = 0;
  for (int i = 3; i >= 0; --i) word = word << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  *value = static_cast<int32_t>(word);
  return true;
}

}  // namespace

ChunkWalk WalkChunks(const std::string &bytes) {
  ChunkWalk walk;
  long length = 0;
  if (bytes.compare(0, 4, "DOF1") != 0 || !ReadLE32(bytes, 4, &length)) {
    walk.damage = "not a model file (no \"DOF1\" container)";
    return walk;
  }
  walk.container = true;
  for (std::size_t at = 8;;) {
    if (at == bytes.size()) {
      walk.damage = "the file ends without its \"EDOF\" chunk";
      return walk;
    }
    if (at + 4 > bytes.size()) {
      walk.damage = "a chunk tag cut at offset " + std::to_string(at);
      return walk;
    }
    ChunkPlace place{bytes.substr(at, 4), static_cast<long>(at), -1};
    if (place.tag == "EDOF") {
      walk.chunks.push_back(place);
      return walk;
    }
    if (!ReadLE32(bytes, at + 4, &place.length) || place.length < 0 ||
        static_cast<std::size_t>(place.length) > bytes.size() - at - 8) {
      walk.damage = "the '" + place.tag + "' chunk at offset " + std::to_string(at) + " runs past the end";
      return walk;
    }
    if (place.length >= 4 && place.tag == "MATS") ReadLE32(bytes, at + 8, &walk.materials);
    if (place.length >= 4 && place.tag == "GEOB") ReadLE32(bytes, at + 8, &walk.geobs);
    walk.chunks.push_back(place);
    at += 8 + static_cast<std::size_t>(place.length);
  }
}

}  // namespace kiln::model
