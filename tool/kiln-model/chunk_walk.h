// The chunks of a model file as they lie in its bytes: for telling what a
// file holds, or where it is damaged, without loading it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kiln::model {

struct ChunkPlace {
  std::string tag;
  long offset = 0;  // of the tag
  long length = 0;  // of the body; -1 for the closing "EDOF"
};

struct ChunkWalk {
  bool container = false;  // the file starts with "DOF1" and a length
  std::vector<ChunkPlace> chunks;
  std::string damage;      // empty for a sound walk
  // The counts the "MATS" and "GEOB" chunks declare; -1 without one.
  long materials = -1, geobs = -1;
};

// The top-level chunks of a "DOF1" container.
ChunkWalk WalkChunks(const std::string &bytes);

}  // namespace kiln::model
