// What a model file holds: its chunks, materials, geobs, bounds and the
// levels of detail beside it.
#pragma once

#include <string>

class DGeode;

namespace kiln::model {

// Prints the report; false (after a message) for a file that can't be
// read or loaded.
bool PrintInfo(const std::string &file, std::string *error);

// What the file declares and the loaded model lacks (the loader leaves out
// materials and geobs beyond its tables), or "" when nothing is missing.
std::string DroppedParts(const std::string &file, const DGeode &model);

}  // namespace kiln::model
