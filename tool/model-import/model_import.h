// Models from the formats people have (OBJ with MTL, glTF, PLY, STL and
// whatever Assimp reads) as the library's geodes: one geob per mesh,
// materials with their colours and textures. Textures are decoded and
// written beside the model as Targa files of power-of-two sizes with
// lower-case names, which the library reads.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class DGeode;

namespace kiln::model {

// Told how far an import has come: the share of the file read and
// processed, 0 to 1.
using ImportProgress = void (*)(float done);

// The geode of the file; `textureDirectory` receives the textures. Null
// with a message (Assimp's, when it refused the file) otherwise.
std::unique_ptr<DGeode> ImportModel(const std::string &file, const std::string &textureDirectory, std::string *error,
                                    ImportProgress progress = nullptr);

// The same from bytes in memory of the format `hint` names ("obj", "ply",
// "stl", "gltf", ...: the extension Assimp goes by), read through a
// temporary file that is removed again. No other file is opened: files the
// model refers to are missing. Without a texture directory, textures are
// decoded but neither written nor attached. Null with a message otherwise.
std::unique_ptr<DGeode> ImportModelFromMemory(const void *bytes, std::size_t size, const char *hint,
                                              const std::string &textureDirectory, std::string *error);

}  // namespace kiln::model
