/// \file
/// QLanguage, a program's texts in one language.
#pragma once

#include <vector>

#include <kiln/qstring.h>

class QInfo;

/// The texts of a program in one language, by number or by key, read from a
/// file of plain lines (type 1) or of keyed entries in groups (type 2).
/// Tables can be chained: a key missing here is looked up in the next one.
class QLanguage {
public:
  /// The most texts a table holds; more are refused with a warning.
  static constexpr int kMaxStrings = 1000;

  /// An empty table.
  QLanguage() = default;
  /// Reads the file of that type (1 or 2) at once; test IsLoaded().
  QLanguage(const char *fileName, int type);
  /// Not available; says so and leaves the table empty.
  explicit QLanguage(QInfo &info);
  QLanguage(const QLanguage &) = delete;
  QLanguage &operator=(const QLanguage &) = delete;

  /// Reads the file by its type; false when it can't be opened or the type
  /// is unknown.
  bool Open();
  /// What the last Open() returned.
  bool IsLoaded() const { return loaded; }

  /// The number of texts.
  int GetCount() const { return count; }
  /// The string at the index, or "???" with a warning.
  const char *GetString(int index) const;
  /// The string of the first entry with the key here or down the chain;
  /// `fallback`, or "?key?", when there is none.
  const char *GetString(const char *key, const char *fallback = nullptr) const;

  /// The table searched when this one has no match; not owned.
  void SetNext(QLanguage *table) { next = table; }
  /// The next table of the chain, or null.
  QLanguage *GetNext() const { return next; }

private:
  bool Read();
  void Add(const char *key, const char *text);

  int type = 0;
  std::vector<qstring> keys;
  std::vector<qstring> strings;
  int count = 0;
  qstring fileName;
  QLanguage *next = nullptr;
  bool loaded = false;
};
