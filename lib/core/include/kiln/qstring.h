// The library's string class: growable, heap-held, zero-terminated 8-bit
// text, with a second, wide form of 32-bit characters that assignment,
// conversion and appending carry along and most editing refuses.
#pragma once

class qstring {
public:
  // Empty text with the given capacity (at least 1).
  explicit qstring(int capacity = 32);
  // Copy of the text (empty for null), capacity length + 32.
  qstring(const char *text);
  // Copy of an 8-bit string, capacity length + 33; a wide source is refused.
  qstring(const qstring &other);
  qstring(qstring &&other) noexcept;
  // The characters of `text` from `from` up to, not including, `to`; a `to`
  // of 0 or beyond the end means the end, and reversed positions swap.
  qstring(const char *text, int from, int to);
  ~qstring();

  qstring &operator=(const char *text);
  qstring &operator=(const qstring &other);
  qstring &operator=(qstring &&other) noexcept;
  // Wide text ending in a 0 character.
  qstring &operator=(const char32_t *wide);
  qstring &operator=(int value);

  qstring &operator+=(const char *text);
  qstring &operator+=(const qstring &other);
  qstring &operator+=(float value);
  qstring &operator+=(double value);
  qstring &operator+=(int value);
  qstring &operator+=(char c);

  friend qstring operator+(const qstring &left, const char *right);
  friend qstring operator+(const qstring &left, const qstring &right);

  // Index 0 up to and including the length; outside that, a warning and
  // the terminator.
  char &operator[](int index);
  const char &operator[](int index) const;
  bool operator==(const char *text) const;
  bool operator!=(const char *text) const { return !(*this == text); }

  bool IsEmpty() const;
  bool HasText() const { return !IsEmpty(); }
  bool Contains(const char *pattern) const;
  // The 8-bit text, or "<unicodestr-nyi>" for a wide string.
  const char *CStr() const;
  // The wide text, or null for an 8-bit string.
  const char32_t *WStr() const { return IsUnicode() ? ws : nullptr; }
  bool IsUnicode() const { return flags & kUnicode; }
  // Characters in the buffer in use.
  int GetSize() const { return size; }
  int Length() const;

  void ToUpper();
  void ToLower();
  void CutTrailingSpaces();
  // With `firstOnly`, only the first non-blank character becomes upper case;
  // otherwise the first of every word. All others become lower case.
  void Capitalize(bool firstOnly);
  bool CutExtension();
  bool CutFile();
  void CutFirstChar();
  void Reverse();
  // Typographic single quotes (0x91, 0x92) become apostrophes.
  void ConvertVellum();
  // %NAME% becomes the value of the environment variable NAME.
  void Convertenv();
  void Replace(const char *from, const char *to);
  void ReplaceAll(const char *from, const char *to);
  void EscapeAmpersands();
  void RemoveBackslashes();
  void URLEncode();
  void URLDecode();

  // New heap texts (QCalloc), freed by the caller with QFree.
  char *GetURLEncoded() const;
  char *GetEscapedQuotes() const;
  // Characters from `from` up to and including `to` (-1: to the end).
  qstring GetSubstring(int from, int to) const;
  // The whole file; empty with a warning when it can't be read.
  void FromFile(const char *path);

  void ASCII2UC();
  void Q2UC();
  void Hex2ASCII();
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
