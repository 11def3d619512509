// The components of a dotted path; empty components are skipped.
#pragma once

#include <string_view>

namespace kiln::info {

class PathComponents {
public:
  explicit PathComponents(const char *path) : rest(path ? path : "") { Advance(); }

  bool Done() const { return component.empty(); }
  std::string_view Current() const { return component; }
  // True when no further component follows the current one.
  bool IsLast() const { return rest.find_first_not_of('.') == std::string_view::npos; }
  void Next() { Advance(); }

private:
  void Advance() {
    std::size_t start = rest.find_first_not_of('.');
    if (start == std::string_view::npos) {
      component = {};
      rest = {};
      return;
    }
    std::size_t end = rest.find('.', start);
    if (end == std::string_view::npos) end = rest.size();
    component = rest.substr(start, end - start);
    rest = rest.substr(end);
  }

  std::string_view rest;
  std::string_view component;
};


}  // namespace kiln::info
