/// \file
/// qstring, the library's string class.
#pragma once

/// The library's string class: growable, heap-held, zero-terminated 8-bit
/// text, with a second, wide form of 32-bit characters that assignment,
/// conversion and appending carry along and most editing refuses.
class qstring {
public:
  /// Empty text with the given capacity (at least 1).
  explicit qstring(int capacity = 32);
  /// Copy of the text (empty for null), capacity length + 32.
  qstring(const char *text);
  /// Copy of an 8-bit string, capacity length + 33; a wide source is refused.
  qstring(const qstring &other);
  /// Takes the other's buffers, which is left empty.
  qstring(qstring &&other) noexcept;
  /// The characters of `text` from `from` up to, not including, `to`; a `to`
  /// of 0 or beyond the end means the end, and reversed positions swap.
  qstring(const char *text, int from, int to);
  ~qstring();

  /// A copy of the text, 8-bit from now on; null empties the string.
  qstring &operator=(const char *text);
  /// A copy of the other, 8-bit or wide as it is.
  qstring &operator=(const qstring &other);
  /// Takes the other's buffers, which is left empty.
  qstring &operator=(qstring &&other) noexcept;
  /// Wide text ending in a 0 character.
  qstring &operator=(const char32_t *wide);
  /// The decimal text of the value.
  qstring &operator=(int value);

  ///@{
  /// Appends the text (a wide operand appends its 8-bit view); nothing for
  /// null or "".
  qstring &operator+=(const char *text);
  qstring &operator+=(const qstring &other);
  ///@}
  ///@{
  /// Appends the number's text ("%f" for the floating ones, "%d").
  qstring &operator+=(float value);
  qstring &operator+=(double value);
  qstring &operator+=(int value);
  ///@}
  /// Appends the character; nothing for the character 0.
  qstring &operator+=(char c);

  ///@{
  /// A new 8-bit string of both texts.
  friend qstring operator+(const qstring &left, const char *right);
  friend qstring operator+(const qstring &left, const qstring &right);
  ///@}

  /// Index 0 up to and including the length; outside that, a warning and
  /// the terminator.
  ///@{
  /// Index 0 up to and including the length; outside that, a warning and
  /// the terminator.
  char &operator[](int index);
  const char &operator[](int index) const;
  ///@}
  /// True when the texts are equal.
  bool operator==(const char *text) const;
  /// True when the texts differ.
  bool operator!=(const char *text) const { return !(*this == text); }

  /// True for "".
  bool IsEmpty() const;
  /// True for anything but "".
  bool HasText() const { return !IsEmpty(); }
  /// True when the pattern (not empty) occurs in the text; a wide string
  /// says it can't tell, and is false.
  bool Contains(const char *pattern) const;
  /// The 8-bit text, or "<unicodestr-nyi>" for a wide string.
  const char *CStr() const;
  /// The wide text, or null for an 8-bit string.
  const char32_t *WStr() const { return IsUnicode() ? ws : nullptr; }
  /// True for a wide string.
  bool IsUnicode() const { return flags & kUnicode; }
  /// Characters in the buffer in use.
  int GetSize() const { return size; }
  /// Characters before the terminator (wide ones for a wide string).
  int Length() const;

  ///@{
  /// Every character to upper or lower case (Latin-1).
  void ToUpper();
  void ToLower();
  ///@}
  /// Removes trailing blanks (0x20 only).
  void CutTrailingSpaces();
  /// With `firstOnly`, only the first non-blank character becomes upper case;
  /// otherwise the first of every word. All others become lower case.
  void Capitalize(bool firstOnly);
  /// Cuts the text at its last '.'; false, and no change, without one.
  bool CutExtension();
  /// Cuts the text at its last '/' or '\\'; false, and no change, without
  /// one.
  bool CutFile();
  /// Removes the first character; an empty text stays empty.
  void CutFirstChar();
  /// The characters in reverse order (8-bit text only).
  void Reverse();
  /// Typographic single quotes (0x91, 0x92) become apostrophes.
  void ConvertVellum();
  /// %NAME% becomes the value of the environment variable NAME.
  void Convertenv();
  /// Replaces the first `from` by `to`; nothing when they are equal or the
  /// string or `from` is empty.
  void Replace(const char *from, const char *to);
  /// Replaces every `from` by `to`; nothing when `to` holds `from`.
  void ReplaceAll(const char *from, const char *to);
  /// Doubles every '&'.
  void EscapeAmpersands();
  /// Removes every '\\'.
  void RemoveBackslashes();
  /// Letters and digits stay, a blank becomes '+', every other byte '%' and
  /// two upper-case hex digits.
  void URLEncode();
  /// '%' and two hex digits become that byte, '+' a blank; a '%' among the
  /// last two characters leaves the text unchanged.
  void URLDecode();

  ///@{
  /// New heap texts (QCalloc), freed by the caller with QFree: the text as
  /// URLEncode() makes it, or with every apostrophe after a backslash and
  /// every backslash doubled.
  char *GetURLEncoded() const;
  char *GetEscapedQuotes() const;
  ///@}
  /// Characters from `from` up to and including `to` (-1: to the end).
  qstring GetSubstring(int from, int to) const;
  /// The whole file; empty with a warning when it can't be read.
  void FromFile(const char *path);

  /// Makes the string wide, one character per byte.
  void ASCII2UC();
  /// Makes the string wide from groups of four hex digits, one character
  /// each (an incomplete last group is dropped).
  void Q2UC();
  /// Pairs of hex digits become bytes; the string stays 8-bit.
  void Hex2ASCII();
  /// Back from wide: not available; says so.
  void UC2QC();

private:
  static constexpr int kUnicode = 1;

  bool Reserve(int characters);
  void DropBuffers();
  void MakeNarrow();
  void AssignText(const char *text, int extraCapacity);
  void AppendBytes(const char *text, int length);
  bool RefuseUnicode(const char *operation) const;
  int WideLength() const;

  int flags = 0;
  char *s = nullptr;
  char32_t *ws = nullptr;
  int size = 0;
};
