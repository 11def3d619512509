// Configuration trees: named text values grouped into trees, addressed by
// dotted paths ("general.minchar"), read from and written back to a small
// text format.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include <kiln/qobject.h>

class qstring;

// Entry types; QINFO_REMOVED is or-ed in by QInfo::Delete().
enum QInfoNodeType { QINFO_COMMENT = 0, QINFO_NODE = 1, QINFO_TREE = 2, QINFO_REMOVED = 0x100 };
// Flags of a QInfo.
enum QInfoFlags { QINFO_MODIFIED = 1, QINFO_LOADED = 2, QINFO_QUIET = 4 };
// Deepest nesting of trees in a file, and of an iteration.
constexpr int QINFO_MAX_LEVEL = 10;

// An entry of a tree. Trees keep an index of their children by name, so
// entries are added with Append() and renamed with SetName(), never by
// linking them by hand.
struct QInfoNode {
  int type = QINFO_NODE;
  char *value = nullptr;  // owned; a comment's text
  char *name = nullptr;   // owned; ";" for comments
  QInfoNode *next = nullptr;
  QInfoNode *child = nullptr;
  QInfoNode *reference = nullptr;  // the tree a "~" entry refers to
  QInfoNode *parent = nullptr;
  QInfoNode *lastChild = nullptr;  // where new children are appended
  int childCount = 0;

  QInfoNode();
  QInfoNode(const QInfoNode &) = delete;
  QInfoNode &operator=(const QInfoNode &) = delete;
  ~QInfoNode();

  void SetValue(const char *text);
  void SetValue(const char *text, std::size_t length);
  void SetName(const char *text);
  // The names from the top-level ancestor down to this entry, joined by ".".
  void GetFullName(qstring &out) const;
  int BaseType() const { return type & 0xFF; }
  bool IsRemoved() const { return type & QINFO_REMOVED; }
  // Appends an entry as the last child.
  QInfoNode *Append(int entryType, std::string_view entryName);
  // The first own child with the name (references are not followed).
  QInfoNode *FindChild(std::string_view childName) const;

private:
  struct ChildIndex;
  mutable std::unique_ptr<ChildIndex> index;
};

class QInfo : public QObject {
public:
  // Reads the file; a file that can't be opened gives an empty tree (with a
  // warning unless QINFO_QUIET).
  QInfo(const char *fileName, int flags = 0);
  // Writes a changed tree back to its file.
  ~QInfo() override;

  const char *ClassName() const override { return "QInfo"; }

  bool IsLoaded() const { return flags & QINFO_LOADED; }
  int GetFlags() const { return flags; }
  const char *GetFileName() const { return fileName; }
  QInfoNode *GetRoot() const { return root; }

  // Writes the tree (to its own file when `name` is null, and then only when
  // it changed). The file is replaced only once it was written completely;
  // 1 on success, 0 with the old file untouched otherwise.
  int Write(const char *name = nullptr);
  // Writes the tree in its written form to an open stream; false when the
  // stream reports an error.
  bool WriteTo(FILE *stream) const;
  // Prints every entry to standard output.
  void Dump() const;

  // Lookups here and in the fallback when nothing is found here; it is
  // owned and destroyed with this tree.
  void SetFallback(QInfo *fallback);

  QInfoNode *FindNode(const char *path) const;
  int GetChildCount(const char *path) const;
  bool IsNode(const char *path) const;
  bool IsTree(const char *path) const;
  bool Exists(const char *path) const;

  // The value (at most 1023 characters) into `destination`, which holds at
  // least 1024 bytes; `def` (or "") and false when there is none.
  bool GetString(const char *path, char *destination, const char *def = nullptr) const;
  bool GetString(const char *path, qstring &out, const char *def = nullptr) const;
  // The value in a buffer shared with GetHost(), valid until the next call.
  const char *GetString(const char *path, const char *def = nullptr) const;
  int GetInt(const char *path, int def = 0) const;
  bool GetBool(const char *path, bool def = false) const;
  float GetFloat(const char *path, float def = 0.0f) const;
  bool GetInts(const char *path, int count, int *values) const;
  bool GetFloats(const char *path, int count, float *values) const;
  bool GetInt2(const char *path, int *values) const;
  bool GetInt3(const char *path, int *values) const;
  bool GetInt4(const char *path, int *values) const;
  int GetInt(const qstring &path, int def = 0) const;
  bool GetBool(const qstring &path, bool def = false) const;
  float GetFloat(const qstring &path, float def = 0.0f) const;
  bool GetFloats(const qstring &path, int count, float *values) const;

  // Host entries: "+N" (the local address with its last byte renumbered in
  // groups of 10; "+N+M" also the third byte), "/G+N" (groups of G), or a
  // host name or address as it stands. Defined by the network layer, which
  // a program using them links.
  bool GetHost(const char *path, char *destination, const char *def = nullptr) const;
  bool GetHost(const char *path, qstring &out, const char *def = nullptr) const;
  const char *GetHost(const char *path) const;

  // Sets a value, creating the trees on its path. Refuses (0) paths that
  // end at a tree or run into a value, and names and values that could not
  // be read back from the file.
  int SetString(const char *path, const char *value);
  int SetInt(const char *path, int value);
  int SetFloat(const char *path, float value);
  // Hides the entry from lookups and from the file.
  int Delete(const char *path);

private:
  // The buffer shared by the pointer forms of GetString() and GetHost().
  static char *SharedValue();
  void Read(class QFile &file);
  // The entry found by walking the path, following references.
  QInfoNode *Walk(const char *path) const;
  bool FindValue(const char *path, char *destination, const char *def) const;

  char *fileName = nullptr;
  QInfoNode *root = nullptr;
  int flags = 0;
  QInfo *fallback = nullptr;
};

class QInfoIterator {
public:
  // Iterates the entries of the tree at `path` (or from the entry there).
  QInfoIterator(QInfo *info, const char *path);

  QInfoNode *GetCurrent() const { return current; }
  // Advances, into children when `recurse` is set; false at the end.
  bool Next(bool recurse);
  // The full path of the current entry (comments are passed over), then
  // advances; false when no entry is left.
  bool GetNext(qstring &name, bool recurse);

private:
  QInfo *info;
  QInfoNode *current = nullptr;
  QInfoNode *stack[QINFO_MAX_LEVEL] = {};
  int depth = 0;
};
