// The parts of file names the programs take apart: directory, base name,
// extension; compared without regard to case.
#pragma once

#include <string>

namespace kiln::tool {

std::string LowerCase(std::string text);
// The directory part of the path, or "." for a bare name.
std::string DirectoryOf(const std::string &path);
// The name after the last '/'.
std::string BaseName(const std::string &path);
// The extension with its dot (".tga"), lower-cased; "" when the name has
// none (a dot in a directory doesn't count).
std::string LowerExtension(const std::string &path);
// The path without its extension.
std::string WithoutExtension(const std::string &path);
// Where temporary files go: $TMPDIR when set, else "/tmp".
std::string TemporaryDirectory();

}  // namespace kiln::tool
