// What a model file holds: its chunks, materials, geobs, bounds and the
// levels of detail beside it.
#pragma once

#include <string>

namespace kiln::model {

// Prints the report; false (after a message) for a file that can't be
// read or loaded.
bool PrintInfo(const std::string &file, std::string *error);

}  // namespace kiln::model
