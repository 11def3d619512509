#include <kiln/qpath.h>

#include <kiln/qdebug.h>
#include <kiln/qmemory.h>
#include <kiln/qutil.h>

#include <string>

QPath::~QPath() { Clear(); }

bool QPath::Add(const char *path) {
  if (count >= kMaxPaths) {
    qwarn("QPath:Add(); maximum (%d) reached", kMaxPaths);
    return false;
  }
  char *copy = QStrDup(path ? path : "");
  if (!copy) return false;
  paths[count++] = copy;
  return true;
}

const char *QPath::GetPath(int index) const {
  if (index < 0 || index >= count) {
    qwarn("QPath:GetPath(%d) out of range", index);
    return nullptr;
  }
  return paths[index];
}

const char *QPath::Find(const char *name) const {
  // Shared by all calls, as wide as the longest name found so far.
  static std::string found;
  qstring result;
  Find(name, result);
  found = result.CStr();
  return found.c_str();
}

bool QPath::Find(const char *name, qstring &result) const {
  if (!name) name = "";
  std::string candidate;
  for (int i = 0; i < count; ++i) {
    candidate = paths[i];
    candidate += '/';
    candidate += name;
    if (QFileExists(candidate.c_str())) {
      result = candidate.c_str();
      return true;
    }
  }
  result = name;
  return false;
}

void QPath::Clear() {
  for (int i = 0; i < count; ++i) {
    QFree(paths[i]);
    paths[i] = nullptr;
  }
  count = 0;
}
