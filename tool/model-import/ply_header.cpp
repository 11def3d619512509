#include "ply_header.h"

#include <algorithm>
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

// Why the line (after the first two) is no header line, or "".
std::string LineProblem(const std::vector<std::string> &words) {
  if (words.empty()) return "an empty line";
  const std::string &keyword = words[0];
  if (keyword == "comment" || keyword == "obj_info") return "";
  if (keyword == "element") return words.size() == 3 ? "" : "an element line without a name and count";
  if (keyword != "property") return "the unknown line '" + keyword + "'";
  if (words.size() == 3 && kTypes.count(words[1])) return "";
  if (words.size() == 5 && words[1] == "list" && kTypes.count(words[2]) && kTypes.count(words[3])) return "";
  return "a property line that names no type and name";
}

}  // namespace

std::string PlyHeaderProblem(std::string_view bytes, bool named) {
  const std::size_t start = std::min(bytes.find_first_not_of(" \t\r\n"), bytes.size());
  if (!named && tool::LowerCase(std::string(bytes.substr(start, 3))) != "ply") return "";
  std::size_t at = 0;
  for (int number = 1;; ++number) {
    const std::size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) return "PLY: the header has no end_header line";
    std::string_view line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    const std::vector<std::string> words = Words(line);
    if (number == 1) {
      if (words.size() != 1 || words[0] != "ply") return "PLY: the first line is not 'ply'";
    } else if (number == 2) {
      if (words.size() != 3 || words[0] != "format") return "PLY: the second line is no format line";
    } else if (words.size() == 1 && words[0] == "end_header") {
      return "";
    } else if (const std::string problem = LineProblem(words); !problem.empty()) {
      return "PLY: header line " + std::to_string(number) + " is " + problem;
    }
  }
}

std::string PlyFileProblem(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  std::string head(1 << 20, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return PlyHeaderProblem(head, tool::LowerExtension(file) == ".ply");
}

}  // namespace kiln::model
