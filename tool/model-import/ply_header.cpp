#include "ply_header.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "path_names.h"

namespace kiln::model {

namespace {

const std::set<std::string, std::less<>> kTypes = {"char",  "uchar",  "short",  "ushort",  "int",     "uint",
                                                   "float", "double", "int8",   "uint8",   "int16",   "uint16",
                                                   "int32", "uint32", "float32", "float64"};

std::vector<std::string> Words(std::string_view line) {
  std::istringstream in{std::string(line)};
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// An element as the header declares it.
struct Element {
  std::string name;
  std::string count;  // as written
  std::uint64_t properties = 0;
};

// The count's leading digits, as Assimp reads them, but held at the
// largest number where Assimp's would wrap around.
std::uint64_t CountOf(const std::string &word) {
  std::uint64_t count = 0;
  for (char c : word) {
    if (c < '0' || c > '9') break;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (count > (UINT64_MAX - digit) / 10) return UINT64_MAX;
    count = count * 10 + digit;
  }
  return count;
}

// What the mesh takes from an element of this name ("vertices", "faces"),
// or "" for one it leaves aside.
std::string KindOf(const std::string &name) {
  if (name == "vertex") return "vertices";
  if (name == "face" || name == "tristrips") return "faces";
  return "";
}

// Why the line (after the first two) is no header line, or "". Elements
// and their properties are counted into `elements`.
std::string LineProblem(const std::vector<std::string> &words, std::vector<Element> &elements) {
  if (words.empty()) return "an empty line";
  const std::string &keyword = words[0];
  if (keyword == "comment" || keyword == "obj_info") return "";
  if (keyword == "element") {
    if (words.size() != 3) return "an element line without a name and count";
    // Assimp sizes the mesh's vertices (or faces) by the first such
    // element and writes a second one's past the end of that memory.
    const std::string kind = KindOf(words[1]);
    for (const Element &earlier : elements) {
      if (!kind.empty() && KindOf(earlier.name) == kind)
        return "a second element of " + kind + " ('" + words[1] + "' after '" + earlier.name + "')";
    }
    elements.push_back({words[1], words[2], 0});
    return "";
  }
  if (keyword != "property") return "the unknown line '" + keyword + "'";
  const bool scalar = words.size() == 3 && kTypes.count(words[1]);
  const bool list = words.size() == 5 && words[1] == "list" && kTypes.count(words[2]) && kTypes.count(words[3]);
  if (!scalar && !list) return "a property line that names no type and name";
  if (!elements.empty()) ++elements.back().properties;
  return "";
}

// Why the body can't hold the items the header declares, or "". Every
// property of every item takes a byte at least, in text as in binary: a
// count beyond that (billions, from a damaged header) would have Assimp
// allocate and walk gigabytes before it finds the body too short. An item
// without properties is counted as a byte too: Assimp walks each item of
// a face element even so, and no sound file has more of them than bytes.
std::string BodyProblem(const std::vector<Element> &elements, std::uint64_t bodyBytes) {
  std::uint64_t needed = 0;
  for (const Element &element : elements) {
    const std::uint64_t bytesPerItem = std::max<std::uint64_t>(element.properties, 1);
    const std::uint64_t count = CountOf(element.count);
    if (count > (bodyBytes - needed) / bytesPerItem) {
      return "PLY: element '" + element.name + "' declares " + element.count + " items, more than the " +
             std::to_string(bodyBytes) + " bytes after the header can hold";
    }
    needed += count * bytesPerItem;
  }
  return "";
}

}  // namespace

std::string PlyHeaderProblem(std::string_view head, std::uint64_t fileSize, bool named) {
  const std::size_t start = std::min(head.find_first_not_of(" \t\r\n"), head.size());
  if (!named && tool::LowerCase(std::string(head.substr(start, 3))) != "ply") return "";
  std::vector<Element> elements;
  std::size_t at = 0;
  for (int number = 1;; ++number) {
    const std::size_t end = head.find('\n', at);
    if (end == std::string_view::npos) return "PLY: the header has no end_header line";
    std::string_view line = head.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    // Assimp parts words at spaces and tabs only: a line it can't read
    // alike is refused (one starting with a form feed hides its end_header
    // from Assimp, which then reads on for ever).
    if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; }))
      return "PLY: header line " + std::to_string(number) + " holds a control character";
    const std::vector<std::string> words = Words(line);
    if (number == 1) {
      if (words.size() != 1 || words[0] != "ply") return "PLY: the first line is not 'ply'";
    } else if (number == 2) {
      if (words.size() != 3 || words[0] != "format") return "PLY: the second line is no format line";
    } else if (words.size() == 1 && words[0] == "end_header") {
      return BodyProblem(elements, fileSize > at ? fileSize - at : 0);
    } else if (const std::string problem = LineProblem(words, elements); !problem.empty()) {
      return "PLY: header line " + std::to_string(number) + " is " + problem;
    }
  }
}

std::string PlyFileProblem(const std::string &file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  const std::streamoff size = in.tellg();
  in.seekg(0);
  std::string head(1 << 20, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return PlyHeaderProblem(head, size > 0 ? static_cast<std::uint64_t>(size) : head.size(), tool::LowerExtension(file) == ".ply");
}

}  // namespace kiln::model
