#include "path_names.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace kiln::tool {

namespace {

// Where the extension's dot stands, or npos.
std::size_t ExtensionDot(const std::string &path) {
  const std::size_t dot = path.rfind('.'), slash = path.rfind('/');
  return slash != std::string::npos && dot != std::string::npos && dot < slash ? std::string::npos : dot;
}

}  // namespace

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string DirectoryOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string BaseName(const std::string &path) { return path.substr(path.rfind('/') + 1); }

std::string LowerExtension(const std::string &path) {
  const std::size_t dot = ExtensionDot(path);
  return dot == std::string::npos ? "" : LowerCase(path.substr(dot));
}

std::string WithoutExtension(const std::string &path) { return path.substr(0, ExtensionDot(path)); }

std::string TemporaryDirectory() {
  const char *directory = std::getenv("TMPDIR");
  return directory && *directory ? directory : "/tmp";
}

}  // namespace kiln::tool
