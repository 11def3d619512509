/// \file
/// QSplit, lines cut into words and URL queries into names and values.
#pragma once

#include <memory>
#include <vector>

#include <kiln/qstring.h>

/// Cuts a line into words at a set of separator characters, or a URL query
/// ("a=1&b=2") into names and decoded values.
class QSplit {
public:
  /// Words separated by runs of any of the separator characters.
  QSplit(const char *text, const char *separators);
  /// Type 0: blank, tab, newline; 1: a URL query; 2: ";"; 3: tab, newline;
  /// 4: "/".
  QSplit(const char *text, int type);
  virtual ~QSplit();

  /// The number of words (or arguments of a query).
  int GetCount() const { return count; }
  /// The word at the index, or an empty string outside 0..count-1.
  const qstring &GetArg(int index) const;
  /// The word at the index as an expression's value (Eval()); 0 outside.
  int GetInt(int index) const;
  /// The word at the index as a decimal number; 0 when it isn't one.
  float GetFloat(int index) const;

  /// The name at the index, or null outside 0..count-1.
  const char *GetName(int index) const;
  /// The value of the first argument with that name, or an empty string.
  const qstring &GetValue(const char *name) const;
  /// The named argument's value as an expression's value; 0 without one.
  int GetInt(const char *name) const;
  /// True when the value of the named argument evaluates to exactly 1.
  bool IsTrue(const char *name) const;

private:
  void Split(const char *text, const char *separators);
  void SplitAmpersand(const char *text);
  void Add(const char *text, int length);

  int count = 0;
  std::vector<std::unique_ptr<qstring>> names;
  std::vector<std::unique_ptr<qstring>> values;
};
