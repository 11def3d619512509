// A PLY file's header checked line by line before Assimp reads it: Debian's
// Assimp (5.2.5) never returns from some damaged headers.
#pragma once

#include <string>
#include <string_view>

namespace kiln::model {

// Why the bytes are no sound PLY header, or "" when they are one or are no
// PLY: neither `named` so (by a ".ply" name or hint) nor starting with
// "ply" in any case, as Assimp would take them.
std::string PlyHeaderProblem(std::string_view bytes, bool named);

// The same for the start of a file (a header is never longer than 1 MB).
std::string PlyFileProblem(const std::string &file);

}  // namespace kiln::model
