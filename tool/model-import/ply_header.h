// A PLY file's header checked line by line before Assimp reads it: Debian's
// Assimp (5.2.5) never returns from some damaged headers and writes past its
// memory on others.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kiln::model {

// Why `head`, the first bytes of a file of `fileSize` bytes, is no sound
// PLY header (or declares more items than the file can hold), or "" when it
// is one or is no PLY: neither `named` so (by a ".ply" name or hint) nor
// starting with "ply" in any case, as Assimp would take it.
std::string PlyHeaderProblem(std::string_view head, std::uint64_t fileSize, bool named);

// The same for the start of a file (a header is never longer than 1 MB).
std::string PlyFileProblem(const std::string &file);

}  // namespace kiln::model
