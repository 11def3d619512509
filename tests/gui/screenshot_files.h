// The application's screenshot files in /tmp, which parallel runs share:
// a test takes the file that appeared, never an assumed number.
#pragma once

#include <dirent.h>

#include <set>
#include <string>

namespace kiln::test {

// "/tmp/<prefix>NNNNN.tga" as they are now.
inline std::set<std::string> Screenshots(const std::string &prefix) {
  std::set<std::string> names;
  if (DIR *tmp = opendir("/tmp")) {
    while (dirent *entry = readdir(tmp)) {
      const std::string name = entry->d_name;
      if (name.size() == prefix.size() + 9 && name.compare(0, prefix.size(), prefix) == 0 &&
          name.compare(name.size() - 4, 4, ".tga") == 0) {
        names.insert("/tmp/" + name);
      }
    }
    closedir(tmp);
  }
  return names;
}

// The one file that appeared; empty when none or several did.
inline std::string Appeared(const std::set<std::string> &before, const std::set<std::string> &after) {
  std::string found;
  for (const std::string &name : after) {
    if (before.count(name)) continue;
    if (!found.empty()) return "";
    found = name;
  }
  return found;
}

}  // namespace kiln::test
