/// \file
/// Configuration trees: named text values grouped into trees, addressed by
/// dotted paths ("general.minchar"), read from and written back to a small
/// text format.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include <kiln/qobject.h>

class qstring;

/// Entry types; QINFO_REMOVED is or-ed in by QInfo::Delete().
enum QInfoNodeType { QINFO_COMMENT = 0, QINFO_NODE = 1, QINFO_TREE = 2, QINFO_REMOVED = 0x100 };
/// Flags of a QInfo.
enum QInfoFlags { QINFO_MODIFIED = 1, QINFO_LOADED = 2, QINFO_QUIET = 4 };
/// Deepest nesting of trees in a file, and of an iteration.
constexpr int QINFO_MAX_LEVEL = 10;

/// An entry of a tree. Trees keep an index of their children by name, so
/// entries are added with Append() and renamed with SetName(), never by
/// linking them by hand.
struct QInfoNode {
  int type = QINFO_NODE;  ///< QInfoNodeType
  char *value = nullptr;  ///< owned; a comment's text
  char *name = nullptr;   ///< owned; ";" for comments
  QInfoNode *next = nullptr;       ///< the next entry of the same tree (owned)
  QInfoNode *child = nullptr;      ///< a tree's first entry (owned)
  QInfoNode *reference = nullptr;  ///< the tree a "~" entry refers to
  QInfoNode *parent = nullptr;     ///< the tree holding it; null at the top
  QInfoNode *lastChild = nullptr;  ///< where new children are appended
  int childCount = 0;              ///< a tree's entries

  /// A value entry without name or value.
  QInfoNode();
  QInfoNode(const QInfoNode &) = delete;
  QInfoNode &operator=(const QInfoNode &) = delete;
  ~QInfoNode();

  ///@{
  /// Replaces the value by a copy of the text (its first `length` bytes).
  void SetValue(const char *text);
  void SetValue(const char *text, std::size_t length);
  ///@}
  /// Renames the entry, keeping its tree's index up to date.
  void SetName(const char *text);
  /// The names from the top-level ancestor down to this entry, joined by ".".
  void GetFullName(qstring &out) const;
  /// The type without QINFO_REMOVED.
  int BaseType() const { return type & 0xFF; }
  /// True when deleted (hidden).
  bool IsRemoved() const { return type & QINFO_REMOVED; }
  /// Appends an entry as the last child.
  QInfoNode *Append(int entryType, std::string_view entryName);
  /// The first own child with the name (references are not followed).
  QInfoNode *FindChild(std::string_view childName) const;

private:
  struct ChildIndex;
  mutable std::unique_ptr<ChildIndex> index;
};

/// A configuration tree read from a file: values by dotted path, changed
/// in memory and written back when the tree goes.
class QInfo : public QObject {
public:
  /// Reads the file; a file that can't be opened gives an empty tree (with a
  /// warning unless QINFO_QUIET).
  QInfo(const char *fileName, int flags = 0);
  /// Writes a changed tree back to its file.
  ~QInfo() override;

  const char *ClassName() const override { return "QInfo"; }

  /// True when the file was read.
  bool IsLoaded() const { return flags & QINFO_LOADED; }
  /// The QInfoFlags.
  int GetFlags() const { return flags; }
  /// The file the tree was read from.
  const char *GetFileName() const { return fileName; }
  /// The top of the tree (owned by it): its entries are the root's children.
  QInfoNode *GetRoot() const { return root; }

  /// Writes the tree (to its own file when `name` is null, and then only when
  /// it changed). The file is replaced only once it was written completely;
  /// 1 on success, 0 with the old file untouched otherwise.
  int Write(const char *name = nullptr);
  /// Writes the tree in its written form to an open stream; false when the
  /// stream reports an error.
  bool WriteTo(FILE *stream) const;
  /// Prints every entry to standard output.
  void Dump() const;

  /// Lookups here and in the fallback when nothing is found here; it is
  /// owned and destroyed with this tree.
  void SetFallback(QInfo *fallback);

  /// The entry at the path (references followed), or null.
  QInfoNode *FindNode(const char *path) const;
  /// The number of entries of the tree at the path; 0 for anything else.
  int GetChildCount(const char *path) const;
  ///@{
  /// True when the path leads to a value, or to a tree.
  bool IsNode(const char *path) const;
  bool IsTree(const char *path) const;
  ///@}
  /// True when the path leads anywhere, here or in the fallback.
  bool Exists(const char *path) const;

  /// The value (at most 1023 characters) into `destination`, which holds at
  /// least 1024 bytes; `def` (or "") and false when there is none.
  bool GetString(const char *path, char *destination, const char *def = nullptr) const;
  /// The same into a string.
  bool GetString(const char *path, qstring &out, const char *def = nullptr) const;
  /// The value in a buffer shared with GetHost(), valid until the next call.
  const char *GetString(const char *path, const char *def = nullptr) const;
  /// The value as an expression (Eval()); `def` without one.
  int GetInt(const char *path, int def = 0) const;
  /// True when the value evaluates to anything but 0; `def` without one.
  bool GetBool(const char *path, bool def = false) const;
  /// The value as a decimal number; `def` without one.
  float GetFloat(const char *path, float def = 0.0f) const;
  ///@{
  /// The first `count` pieces of the value, separated by blanks or commas,
  /// as expressions or numbers (missing ones 0); false, the values
  /// untouched, without a value.
  bool GetInts(const char *path, int count, int *values) const;
  bool GetFloats(const char *path, int count, float *values) const;
  ///@}
  ///@{
  /// Two, three or four integers as GetInts() reads them; all 0 without a
  /// value. Always true.
  bool GetInt2(const char *path, int *values) const;
  bool GetInt3(const char *path, int *values) const;
  bool GetInt4(const char *path, int *values) const;
  ///@}
  ///@{
  /// The same with the path in a string.
  int GetInt(const qstring &path, int def = 0) const;
  bool GetBool(const qstring &path, bool def = false) const;
  float GetFloat(const qstring &path, float def = 0.0f) const;
  bool GetFloats(const qstring &path, int count, float *values) const;
  ///@}

  /// Host entries: "+N" (the local address with its last byte renumbered in
  /// groups of 10; "+N+M" also the third byte), "/G+N" (groups of G), or a
  /// host name or address as it stands. Defined by the network layer, which
  /// a program using them links.
  bool GetHost(const char *path, char *destination, const char *def = nullptr) const;
  /// The same into a string.
  bool GetHost(const char *path, qstring &out, const char *def = nullptr) const;
  /// The same in the buffer shared with GetString(), valid until the next
  /// call.
  const char *GetHost(const char *path) const;

  /// Sets a value, creating the trees on its path. Refuses (0) paths that
  /// end at a tree or run into a value, and names and values that could not
  /// be read back from the file.
  int SetString(const char *path, const char *value);
  /// The same with the decimal text of the number.
  int SetInt(const char *path, int value);
  /// The same with the number's "%f" text.
  int SetFloat(const char *path, float value);
  /// Hides the entry from lookups and from the file.
  int Delete(const char *path);

private:
  /// The buffer shared by the pointer forms of GetString() and GetHost().
  static char *SharedValue();
  void Read(class QFile &file);
  /// The entry found by walking the path, following references.
  QInfoNode *Walk(const char *path) const;
  bool FindValue(const char *path, char *destination, const char *def) const;

  char *fileName = nullptr;
  QInfoNode *root = nullptr;
  int flags = 0;
  QInfo *fallback = nullptr;
};

/// Walks the entries of a tree in file order, into their trees when asked.
class QInfoIterator {
public:
  /// Iterates the entries of the tree at `path` (or from the entry there).
  QInfoIterator(QInfo *info, const char *path);

  /// The entry the iterator stands on, or null at the end.
  QInfoNode *GetCurrent() const { return current; }
  /// Advances, into children when `recurse` is set; false at the end.
  bool Next(bool recurse);
  /// The full path of the current entry (comments are passed over), then
  /// advances; false when no entry is left.
  bool GetNext(qstring &name, bool recurse);

private:
  QInfo *info;
  QInfoNode *current = nullptr;
  QInfoNode *stack[QINFO_MAX_LEVEL] = {};
  int depth = 0;
};
