// A model level as OBJ with its MTL beside it: positions, texture
// coordinates and normals with 9 significant digits (they read back
// exactly), triangles and quads as they are stored, each burst with its
// material.
#pragma once

#include <string>

class DGeode;

namespace kiln::model {

// Writes OUT.obj and the .mtl of the same name; both are written beside
// and renamed when complete. False with a message otherwise.
bool ExportObj(const DGeode &geode, const std::string &out, std::string *error);

}  // namespace kiln::model
