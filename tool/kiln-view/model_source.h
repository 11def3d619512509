// The model kiln-view shows: a model file with its levels of detail beside
// it, or any file the importer reads, converted in memory exactly as
// `kiln-model import` would write it, and read back through a memory file.
#pragma once

#include <memory>
#include <string>

class DGeode;

// Null with the reason when the file can't be shown. Needs a current GL
// context: textures are made as the model is read.
std::unique_ptr<DGeode> LoadModel(const std::string &file, std::string *error);
