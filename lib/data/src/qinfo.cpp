#include <kiln/qinfo.h>

#include <kiln/qdebug.h>
#include <kiln/qeval.h>
#include <kiln/qfile.h>
#include <kiln/qmemory.h>
#include <kiln/qstring.h>
#include <kiln/qutil.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "info_path.h"

using kiln::info::PathComponents;

namespace {

constexpr std::size_t kValueSize = 1024;
constexpr std::size_t kMaxText = kValueSize - 1;
// A reference chain longer than this is a loop.
constexpr int kMaxReferenceHops = 64;

char sharedValue[kValueSize];

// The first child of the tree, or of the trees it refers to, with the name.
QInfoNode *FindChild(const QInfoNode *tree, std::string_view name) {
  for (int hops = 0; tree && hops < kMaxReferenceHops; tree = tree->reference, ++hops) {
    if (QInfoNode *found = tree->FindChild(name)) return found;
  }
  return nullptr;
}

// Whether the reader would give back this name as it stands.
bool ReadableName(std::string_view name) {
  if (name.size() > kMaxText) return false;
  if (name.front() == ';' || name.front() == '{' || name.front() == '}') return false;
  return name.find_first_of(" \r\n=~") == std::string_view::npos;
}

bool ReadableValue(const char *value) {
  return std::strlen(value) <= kMaxText && !std::strpbrk(value, "\r\n");
}

void CopyBounded(char *destination, const char *text) {
  std::size_t length = std::strlen(text);
  if (length > kMaxText) length = kMaxText;
  std::memcpy(destination, text, length);
  destination[length] = '\0';
}

}  // namespace

QInfo::QInfo(const char *name, int infoFlags) : fileName(QStrDup(name ? name : "")), root(new QInfoNode), flags(infoFlags) {
  root->type = QINFO_TREE;
  root->SetName("root");
  QFile file(fileName, QFile::READ | QFile::MEMORY);
  if (!file.IsOpen()) {
    if (!(flags & QINFO_QUIET)) qwarn("QInfo: can't open '%s'\n", fileName);
    return;
  }
  flags |= QINFO_LOADED;
  Read(file);
}

QInfo::~QInfo() {
  if (flags & QINFO_MODIFIED) {
    // A file that is there but could not be read is never replaced by what
    // little this tree holds.
    struct stat status;
    if ((flags & QINFO_LOADED) || stat(QExpandFilename(fileName), &status) != 0) {
      Write(nullptr);
    } else {
      qwarn("QInfo: not writing '%s' back; it exists but could not be read", fileName);
    }
  }
  delete root;
  QFree(fileName);
  delete fallback;
}

void QInfo::SetFallback(QInfo *other) {
  if (other == fallback) return;
  delete fallback;
  fallback = other;
}

// --- lookups -------------------------------------------------------------------

QInfoNode *QInfo::Walk(const char *path) const {
  QInfoNode *tree = root;
  for (PathComponents components(path); !components.Done(); components.Next()) {
    QInfoNode *found = FindChild(tree, components.Current());
    if (!found) return nullptr;
    if (found->BaseType() == QINFO_TREE) {
      tree = found;
      continue;
    }
    return components.IsLast() ? found : nullptr;
  }
  return tree;
}

QInfoNode *QInfo::FindNode(const char *path) const { return Walk(path); }

int QInfo::GetChildCount(const char *path) const {
  QInfoNode *node = FindNode(path);
  if (!node || node->BaseType() != QINFO_TREE) return 0;
  int count = 0;
  for (QInfoNode *child = node->child; child; child = child->next) ++count;
  return count;
}

bool QInfo::IsNode(const char *path) const {
  QInfoNode *node = FindNode(path);
  return node && node->type == QINFO_NODE;
}

bool QInfo::IsTree(const char *path) const {
  QInfoNode *node = FindNode(path);
  return node && node->type == QINFO_TREE;
}

bool QInfo::Exists(const char *path) const { return FindNode(path) || (fallback && fallback->Exists(path)); }

bool QInfo::FindValue(const char *path, char *destination, const char *def) const {
  QInfoNode *node = Walk(path);
  bool found = node && !node->IsRemoved() &&
               (node->BaseType() == QINFO_NODE || (node->BaseType() == QINFO_TREE && node->value));
  if (found) {
    CopyBounded(destination, node->value ? node->value : "?");
    return true;
  }
  if (fallback) return fallback->FindValue(path, destination, def);
  CopyBounded(destination, def ? def : "");
  return false;
}

bool QInfo::GetString(const char *path, char *destination, const char *def) const {
  return FindValue(path, destination, def);
}

bool QInfo::GetString(const char *path, qstring &out, const char *def) const {
  char value[kValueSize];
  bool found = FindValue(path, value, def);
  out = value;
  return found;
}

char *QInfo::SharedValue() { return sharedValue; }

const char *QInfo::GetString(const char *path, const char *def) const {
  char value[kValueSize];
  FindValue(path, value, def);  // the default may live in the shared buffer
  std::memcpy(sharedValue, value, sizeof value);
  return sharedValue;
}

int QInfo::GetInt(const char *path, int def) const {
  char value[kValueSize];
  return FindValue(path, value, nullptr) ? Eval(value) : def;
}

bool QInfo::GetBool(const char *path, bool def) const {
  char value[kValueSize];
  return FindValue(path, value, nullptr) ? Eval(value) != 0 : def;
}

float QInfo::GetFloat(const char *path, float def) const {
  char value[kValueSize];
  return FindValue(path, value, nullptr) ? static_cast<float>(std::strtod(value, nullptr)) : def;
}

namespace {

// The first `count` blank- or comma-separated pieces of the value (cut to
// 255 characters), converted; missing pieces give 0.
template <typename Number, typename Convert>
void ConvertPieces(const char *value, int count, Number *values, Convert convert) {
  char text[256];
  std::size_t length = strnlen(value, sizeof text - 1);
  std::memcpy(text, value, length);
  text[length] = '\0';
  char *save = nullptr;
  char *piece = strtok_r(text, " \t,", &save);
  for (int i = 0; i < count; ++i) {
    values[i] = piece ? convert(piece) : Number{};
    if (piece) piece = strtok_r(nullptr, " \t,", &save);
  }
}

int EvalPiece(const char *piece) { return Eval(piece); }
float FloatPiece(const char *piece) { return static_cast<float>(std::strtod(piece, nullptr)); }

}  // namespace

bool QInfo::GetInts(const char *path, int count, int *values) const {
  char value[kValueSize];
  if (!FindValue(path, value, nullptr)) return false;
  ConvertPieces(value, count, values, EvalPiece);
  return true;
}

bool QInfo::GetFloats(const char *path, int count, float *values) const {
  char value[kValueSize];
  if (!FindValue(path, value, nullptr)) return false;
  ConvertPieces(value, count, values, FloatPiece);
  return true;
}

static bool GetIntsOrZero(const QInfo &info, const char *path, int count, int *values) {
  if (!info.GetInts(path, count, values)) {
    for (int i = 0; i < count; ++i) values[i] = 0;
  }
  return true;
}

bool QInfo::GetInt2(const char *path, int *values) const { return GetIntsOrZero(*this, path, 2, values); }
bool QInfo::GetInt3(const char *path, int *values) const { return GetIntsOrZero(*this, path, 3, values); }
bool QInfo::GetInt4(const char *path, int *values) const { return GetIntsOrZero(*this, path, 4, values); }

int QInfo::GetInt(const qstring &path, int def) const { return GetInt(path.CStr(), def); }
bool QInfo::GetBool(const qstring &path, bool def) const { return GetBool(path.CStr(), def); }
float QInfo::GetFloat(const qstring &path, float def) const { return GetFloat(path.CStr(), def); }
bool QInfo::GetFloats(const qstring &path, int count, float *values) const {
  return GetFloats(path.CStr(), count, values);
}

// --- changes -----------------------------------------------------------------------

int QInfo::SetString(const char *path, const char *value) {
  if (!value || !ReadableValue(value)) return 0;
  // Check the whole path before anything changes.
  int componentCount = 0;
  for (PathComponents components(path); !components.Done(); components.Next()) {
    if (!ReadableName(components.Current())) return 0;
    ++componentCount;
  }
  if (componentCount == 0 || componentCount > QINFO_MAX_LEVEL) return 0;

  QInfoNode *tree = root;
  QInfoNode *node = nullptr;
  for (PathComponents components(path); !components.Done(); components.Next()) {
    std::string_view name = components.Current();
    QInfoNode *found = tree->FindChild(name);
    bool last = components.IsLast();
    if (found) {
      if (found->BaseType() == QINFO_TREE) {
        if (last) return 0;
      } else if (!last || found->BaseType() != QINFO_NODE) {
        return 0;
      }
      // A value set on a deleted entry makes it visible again.
      found->type &= ~QINFO_REMOVED;
    } else {
      found = tree->Append(last ? QINFO_NODE : QINFO_TREE, name);
    }
    tree = found;
    node = found;
  }
  node->SetValue(value);
  flags |= QINFO_MODIFIED;
  return 1;
}

int QInfo::SetInt(const char *path, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return SetString(path, text);
}

int QInfo::SetFloat(const char *path, float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return SetString(path, text);
}

int QInfo::Delete(const char *path) {
  QInfoNode *node = FindNode(path);
  if (!node || node == root) return 0;
  node->type |= QINFO_REMOVED;
  flags |= QINFO_MODIFIED;
  return 1;
}
