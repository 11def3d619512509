#include <kiln/qstring.h>

#include <kiln/qdebug.h>
#include <kiln/qeval.h>
#include <kiln/qmemory.h>
#include <kiln/qtext.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr const char *kUnicodeView = "<unicodestr-nyi>";

bool IsAsciiAlnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Text that may point into the string's own buffer, copied out before the
// buffer is changed.
std::string Detached(const char *text) { return text ? std::string(text) : std::string(); }

int ClampedLength(std::size_t length) { return length > 0x7FFFFFF0u ? 0x7FFFFFF0 : static_cast<int>(length); }

}  // namespace

// --- buffers ---------------------------------------------------------------

bool qstring::Reserve(int characters) {
  if (characters < 1) characters = 1;
  if (size >= characters) return true;
  if (IsUnicode()) {
    auto *grown = static_cast<char32_t *>(std::realloc(ws, static_cast<std::size_t>(characters) * sizeof(char32_t)));
    if (!grown) {
      qerr("qstring: out of memory for %d characters", characters);
      return false;
    }
    if (!ws) grown[0] = 0;
    ws = grown;
  } else {
    auto *grown = static_cast<char *>(std::realloc(s, static_cast<std::size_t>(characters)));
    if (!grown) {
      qerr("qstring: out of memory for %d characters", characters);
      return false;
    }
    if (!s) grown[0] = '\0';
    s = grown;
  }
  size = characters;
  return true;
}

void qstring::DropBuffers() {
  std::free(s);
  std::free(ws);
  s = nullptr;
  ws = nullptr;
  size = 0;
}

void qstring::MakeNarrow() {
  if (!IsUnicode()) return;
  DropBuffers();
  flags &= ~kUnicode;
  Reserve(32);
}

bool qstring::RefuseUnicode(const char *operation) const {
  if (!IsUnicode()) return false;
  qwarn("qstring:%s NYI for Unicode", operation);
  return true;
}

int qstring::WideLength() const {
  int length = 0;
  if (ws) {
    while (ws[length]) ++length;
  }
  return length;
}

int qstring::Length() const { return IsUnicode() ? WideLength() : (s ? ClampedLength(std::strlen(s)) : 0); }

// Copies the text in, reserving its length plus `extraCapacity`. The text
// may lie in this string's own buffer.
void qstring::AssignText(const char *text, int extraCapacity) {
  int length = ClampedLength(std::strlen(text));
  bool inside = s && text >= s && text < s + size;
  std::ptrdiff_t offset = inside ? text - s : 0;
  if (!Reserve(length + extraCapacity)) return;
  std::memmove(s, inside ? s + offset : text, static_cast<std::size_t>(length));
  s[length] = '\0';
}

void qstring::AppendBytes(const char *text, int length) {
  if (RefuseUnicode("operator+=()")) return;
  int current = Length();
  bool inside = s && text >= s && text < s + size;
  std::ptrdiff_t offset = inside ? text - s : 0;
  if (!Reserve(current + length + 1)) return;
  std::memmove(s + current, inside ? s + offset : text, static_cast<std::size_t>(length));
  s[current + length] = '\0';
}

// --- construction and assignment --------------------------------------------

qstring::qstring(int capacity) { Reserve(capacity); }

qstring::qstring(const char *text) {
  if (!text) {
    Reserve(32);
    return;
  }
  AssignText(text, 32);
}

qstring::qstring(const qstring &other) {
  if (other.IsUnicode()) {
    qwarn("qstring:qstring(const qstring& x) NYI for UC");
    Reserve(32);
    return;
  }
  AssignText(other.CStr(), 33);
}

qstring::qstring(qstring &&other) noexcept
    : flags(std::exchange(other.flags, 0)),
      s(std::exchange(other.s, nullptr)),
      ws(std::exchange(other.ws, nullptr)),
      size(std::exchange(other.size, 0)) {}

qstring::qstring(const char *text, int from, int to) {
  int length = text ? ClampedLength(std::strlen(text)) : 0;
  if (to == 0 || to > length) to = length;
  if (from > length) from = length;
  if (from < 0) from = 0;
  if (to < 0) to = 0;
  if (to < from) std::swap(from, to);
  if (!Reserve(to - from + 1)) return;
  if (to > from) std::memcpy(s, text + from, static_cast<std::size_t>(to - from));
  s[to - from] = '\0';
}

qstring::~qstring() { DropBuffers(); }

qstring &qstring::operator=(const char *text) {
  if (!text) {
    if (IsUnicode()) {
      if (ws) ws[0] = 0;
    } else if (s) {
      s[0] = '\0';
    }
    return *this;
  }
  if (IsUnicode()) {
    std::string copy = text;  // a wide string holds no 8-bit text to alias
    MakeNarrow();
    AssignText(copy.c_str(), 32);
    return *this;
  }
  AssignText(text, 32);
  return *this;
}

qstring &qstring::operator=(const qstring &other) {
  if (this == &other) return *this;
  if (other.IsUnicode()) return *this = other.ws;
  return *this = other.CStr();
}

qstring &qstring::operator=(qstring &&other) noexcept {
  if (this == &other) return *this;
  DropBuffers();
  flags = std::exchange(other.flags, 0);
  s = std::exchange(other.s, nullptr);
  ws = std::exchange(other.ws, nullptr);
  size = std::exchange(other.size, 0);
  return *this;
}

qstring &qstring::operator=(const char32_t *wide) {
  std::u32string copy = wide ? wide : U"";
  if (!IsUnicode()) {
    DropBuffers();
    flags |= kUnicode;
  }
  int length = ClampedLength(copy.size());
  if (!Reserve(length + 1)) return *this;
  std::memcpy(ws, copy.c_str(), (static_cast<std::size_t>(length) + 1) * sizeof(char32_t));
  return *this;
}

qstring &qstring::operator=(int value) {
  MakeNarrow();
  if (Reserve(32)) std::snprintf(s, static_cast<std::size_t>(size), "%d", value);
  return *this;
}

// --- appending and concatenation ----------------------------------------------

qstring &qstring::operator+=(const char *text) {
  if (text && *text) AppendBytes(text, ClampedLength(std::strlen(text)));
  return *this;
}

qstring &qstring::operator+=(const qstring &other) { return *this += other.CStr(); }

qstring &qstring::operator+=(float value) { return *this += static_cast<double>(value); }

qstring &qstring::operator+=(double value) {
  char text[512];
  std::snprintf(text, sizeof text, "%f", value);
  return *this += text;
}

qstring &qstring::operator+=(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return *this += text;
}

qstring &qstring::operator+=(char c) {
  if (c) AppendBytes(&c, 1);
  return *this;
}

qstring operator+(const qstring &left, const char *right) {
  if (!right || !*right) return qstring(left);
  const char *leftText = left.CStr();
  int leftLength = ClampedLength(std::strlen(leftText));
  int rightLength = ClampedLength(std::strlen(right));
  qstring result(leftLength + rightLength + 33);
  std::memcpy(result.s, leftText, static_cast<std::size_t>(leftLength));
  std::memcpy(result.s + leftLength, right, static_cast<std::size_t>(rightLength) + 1);
  return result;
}

qstring operator+(const qstring &left, const qstring &right) { return left + right.CStr(); }

// --- access -------------------------------------------------------------------

char &qstring::operator[](int index) {
  static char none;
  if (RefuseUnicode("operator[]")) return none = '\0';
  int length = Length();
  if (index < 0 || index > length) {
    qwarn("qstring(%s): ([]) index %d out of range (0..%d)", CStr(), index, length);
    return s[length];
  }
  return s[index];
}

const char &qstring::operator[](int index) const {
  static const char none = '\0';
  if (RefuseUnicode("operator[]")) return none;
  int length = Length();
  if (index < 0 || index > length) {
    qwarn("qstring(%s): (const[]) index %d out of range (0..%d)", CStr(), index, length);
    return s[length];
  }
  return s[index];
}

bool qstring::operator==(const char *text) const {
  const char *own = CStr();
  return text && own[0] == text[0] && std::strcmp(own, text) == 0;
}

bool qstring::IsEmpty() const { return IsUnicode() ? (!ws || ws[0] == 0) : (!s || s[0] == '\0'); }

bool qstring::Contains(const char *pattern) const {
  if (IsUnicode()) {
    qwarn("qstring:Contains(const char*) NYI for UC");
    return false;
  }
  return !IsEmpty() && pattern && *pattern && std::strstr(s, pattern) != nullptr;
}

const char *qstring::CStr() const {
  if (IsUnicode()) return kUnicodeView;
  return s ? s : "";
}

// --- editing in place -----------------------------------------------------------

void qstring::ToUpper() {
  if (RefuseUnicode("ToUpper()")) return;
  for (char *c = s; *c; ++c) *c = static_cast<char>(QToUpperLatin1(static_cast<unsigned char>(*c)));
}

void qstring::ToLower() {
  if (RefuseUnicode("ToLower()")) return;
  for (char *c = s; *c; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
}

void qstring::CutTrailingSpaces() {
  if (IsUnicode()) {
    qwarn("qstring:CutTrailingSpaces() NYI for Unicode");
    return;
  }
  int length = Length();
  while (length > 0 && s[length - 1] == ' ') s[--length] = '\0';
}

void qstring::Capitalize(bool firstOnly) {
  if (IsUnicode()) {
    qwarn("qstring:Capitalize() NYI for Unicode");
    return;
  }
  bool upperNext = true;
  for (char *c = s; *c; ++c) {
    unsigned char byte = static_cast<unsigned char>(*c);
    if (byte == ' ') {
      if (!firstOnly) upperNext = true;
      continue;
    }
    *c = static_cast<char>(upperNext ? QToUpperLatin1(byte) : QToLowerLatin1(byte));
    upperNext = false;
  }
}

bool qstring::CutExtension() {
  if (IsUnicode()) {
    qwarn("qstring:CutExtension() NYI for Unicode");
    return false;
  }
  char *dot = std::strrchr(s, '.');
  if (!dot) return false;
  *dot = '\0';
  return true;
}

bool qstring::CutFile() {
  if (IsUnicode()) {
    qwarn("qstring:CutFile() NYI for Unicode");
    return false;
  }
  char *separator = nullptr;
  for (char *c = s; *c; ++c) {
    if (*c == '/' || *c == '\\') separator = c;
  }
  if (!separator) return false;
  *separator = '\0';
  return true;
}

void qstring::CutFirstChar() {
  if (IsEmpty()) return;
  if (IsUnicode()) {
    std::memmove(ws, ws + 1, static_cast<std::size_t>(WideLength()) * sizeof(char32_t));
  } else {
    std::memmove(s, s + 1, static_cast<std::size_t>(Length()));
  }
}

void qstring::Reverse() {
  if (IsUnicode()) return;
  for (int i = 0, j = Length() - 1; i < j; ++i, --j) std::swap(s[i], s[j]);
}

void qstring::ConvertVellum() {
  if (IsUnicode()) {
    qwarn("qstring::ConvertVellum() nyi for unicode");
    return;
  }
  for (char *c = s; *c; ++c) {
    unsigned char byte = static_cast<unsigned char>(*c);
    if (byte == 0x91 || byte == 0x92) *c = '\'';
  }
}

void qstring::Convertenv() {
  if (IsUnicode()) {
    qwarn("qstring:Convertenv() nyi for UC");
    return;
  }
  std::string result;
  for (const char *c = s; *c;) {
    if (*c != '%') {
      result += *c++;
      continue;
    }
    const char *close = std::strchr(c + 1, '%');
    std::string name = close ? std::string(c + 1, close) : std::string(c + 1);
    if (!name.empty()) {
      if (const char *value = std::getenv(name.c_str())) result += value;
    }
    c = close ? close + 1 : c + std::strlen(c);
  }
  AssignText(result.c_str(), 1);
}

void qstring::Replace(const char *from, const char *to) {
  if (RefuseUnicode("Replace()")) return;
  if (!from || !*from || IsEmpty()) return;
  std::string search = Detached(from), replacement = Detached(to);
  if (search == replacement) return;
  const char *found = std::strstr(s, search.c_str());
  if (!found) return;
  std::string result(s, static_cast<std::size_t>(found - s));
  result += replacement;
  result += found + search.size();
  AssignText(result.c_str(), 1);
}

void qstring::ReplaceAll(const char *from, const char *to) {
  if (!from || !*from) return;
  std::string search = Detached(from), replacement = Detached(to);
  if (search == replacement || replacement.find(search) != std::string::npos) return;
  while (Contains(search.c_str())) Replace(search.c_str(), replacement.c_str());
}

void qstring::EscapeAmpersands() {
  if (RefuseUnicode("EscapeAmpersands()")) return;
  std::string result;
  for (const char *c = s; *c; ++c) {
    result += *c;
    if (*c == '&') result += '&';
  }
  AssignText(result.c_str(), 1);
}

void qstring::RemoveBackslashes() {
  if (RefuseUnicode("RemoveBackslashes()")) return;
  char *out = s;
  for (const char *c = s; *c; ++c) {
    if (*c != '\\') *out++ = *c;
  }
  *out = '\0';
}

void qstring::URLEncode() {
  if (RefuseUnicode("URLEncode()")) return;
  char *encoded = GetURLEncoded();
  if (!encoded) return;
  AssignText(encoded, 1);
  QFree(encoded);
}

void qstring::URLDecode() {
  if (RefuseUnicode("URLDecode()")) return;
  std::string result;
  int length = Length();
  for (int i = 0; i < length;) {
    if (s[i] == '%') {
      if (i >= length - 2) return;  // cut short: the text stays as it is
      result += static_cast<char>(QHexDigit(s[i + 1]) * 16 + QHexDigit(s[i + 2]));
      i += 3;
    } else {
      result += s[i] == '+' ? ' ' : s[i];
      ++i;
    }
  }
  // A decoded zero byte ends the text there.
  AssignText(result.c_str(), 1);
}

// --- new texts ----------------------------------------------------------------------

char *qstring::GetURLEncoded() const {
  static const char kHex[] = "0123456789ABCDEF";
  const char *text = CStr();
  char *result = static_cast<char *>(QCalloc(std::strlen(text) * 3 + 1));
  if (!result) return nullptr;
  char *out = result;
  for (const char *c = text; *c; ++c) {
    unsigned char byte = static_cast<unsigned char>(*c);
    if (IsAsciiAlnum(byte)) {
      *out++ = *c;
    } else if (byte == ' ') {
      *out++ = '+';
    } else {
      *out++ = '%';
      *out++ = kHex[byte >> 4];
      *out++ = kHex[byte & 15];
    }
  }
  return result;
}

char *qstring::GetEscapedQuotes() const {
  const char *text = CStr();
  char *result = static_cast<char *>(QCalloc(std::strlen(text) * 2 + 1));
  if (!result) return nullptr;
  char *out = result;
  for (const char *c = text; *c; ++c) {
    if (*c == '\'' || *c == '\\') *out++ = '\\';
    *out++ = *c;
  }
  return result;
}

qstring qstring::GetSubstring(int from, int to) const {
  if (IsUnicode()) {
    qwarn("qstring:GetSubstring() NYI for Unicode");
    qstring copy;
    copy = *this;
    return copy;
  }
  int length = Length();
  if (length == 0) return qstring(32);
  int last = length - 1;
  if (from < 0) from = 0;
  if (from > last) from = last;
  if (to == -1 || to >= last) to = last;
  if (to < from) return qstring(32);
  return qstring(s, from, to + 1);
}

void qstring::FromFile(const char *path) {
  MakeNarrow();
  FILE *file = path ? std::fopen(path, "rb") : nullptr;
  if (!file) {
    qwarn("qstring:FromFile(%s); file not found", path ? path : "(null)");
    s[0] = '\0';
    return;
  }
  std::string contents;
  char block[65536];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) contents.append(block, got);
  std::fclose(file);
  int length = ClampedLength(contents.size());
  if (!Reserve(length + 1)) return;
  std::memcpy(s, contents.data(), static_cast<std::size_t>(length));
  s[length] = '\0';
}

// --- conversions ---------------------------------------------------------------

void qstring::ASCII2UC() {
  if (IsUnicode()) {
    qwarn("qstring::ASCII2UC(); string is already unicode");
    return;
  }
  std::u32string wide;
  for (const char *c = s; *c; ++c) wide += static_cast<char32_t>(static_cast<unsigned char>(*c));
  *this = wide.c_str();
}

void qstring::Q2UC() {
  if (IsUnicode()) {
    qwarn("qstring::Q2UC(); string is already unicode");
    return;
  }
  std::u32string wide;
  int length = Length();
  for (int i = 0; i + 4 <= length; i += 4) {
    char group[7] = {'0', 'x', s[i], s[i + 1], s[i + 2], s[i + 3], '\0'};
    wide += static_cast<char32_t>(static_cast<uint32_t>(Eval(group)));
  }
  *this = wide.c_str();
}

void qstring::Hex2ASCII() {
  if (RefuseUnicode("Hex2ASCII()")) return;
  std::string bytes;
  int length = Length();
  for (int i = 0; i + 2 <= length; i += 2) {
    char pair[5] = {'0', 'x', s[i], s[i + 1], '\0'};
    bytes += static_cast<char>(Eval(pair));
  }
  AssignText(bytes.c_str(), 1);
}

void qstring::UC2QC() { qerr("UC2QC nyi"); }
