#include <kiln/qsplit.h>

#include <kiln/qdebug.h>
#include <kiln/qeval.h>
#include <kiln/qtext.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kGrowth = 10;

const qstring &Empty() {
  static const qstring empty;
  return empty;
}

}  // namespace

QSplit::QSplit(const char *text, const char *separators) { Split(text, separators); }

QSplit::QSplit(const char *text, int type) {
  switch (type) {
    case 0: Split(text, " \t\n"); break;
    case 1: SplitAmpersand(text); break;
    case 2: Split(text, ";"); break;
    case 3: Split(text, "\t\n"); break;
    case 4: Split(text, "/"); break;
    default: qwarn("QSplit: unknown split type %d", type); break;
  }
}

QSplit::~QSplit() = default;

void QSplit::Add(const char *text, int length) {
  if (count == static_cast<int>(values.size())) {
    for (int i = 0; i < kGrowth; ++i) {
      names.push_back(std::make_unique<qstring>(32));
      values.push_back(std::make_unique<qstring>(32));
    }
  }
  *values[count] = std::string(text, static_cast<std::size_t>(length)).c_str();
  ++count;
}

void QSplit::Split(const char *text, const char *separators) {
  if (!text || !separators) return;
  const char *at = text;
  for (;;) {
    at += std::strspn(at, separators);
    if (!*at) return;
    std::size_t length = std::strcspn(at, separators);
    Add(at, static_cast<int>(length));
    at += length;
  }
}

void QSplit::SplitAmpersand(const char *text) {
  if (!text) return;
  if (*text == '&') ++text;
  for (const char *at = text;;) {
    const char *amp = std::strchr(at, '&');
    if (!amp) {
      if (*at) Add(at, static_cast<int>(std::strlen(at)));
      break;
    }
    Add(at, static_cast<int>(amp - at));
    at = amp + 1;
  }
  // Arguments go to the names first, then split at their '='.
  for (int i = 0; i < count; ++i) {
    std::swap(names[i], values[i]);
    const char *argument = names[i]->CStr();
    const char *equals = std::strchr(argument, '=');
    if (!equals) {
      qwarn("QSplit:SplitAmpersand; no '=' in arg '%s'\n", argument);
      *values[i] = "";
      continue;
    }
    std::string decoded(std::strlen(equals + 1) + 1, '\0');
    QURLDecode(equals + 1, &decoded[0]);
    *values[i] = decoded.c_str();
    *names[i] = std::string(argument, equals).c_str();
  }
}

const qstring &QSplit::GetArg(int index) const {
  if (index < 0 || index >= count) return Empty();
  return *values[index];
}

int QSplit::GetInt(int index) const { return Eval(GetArg(index).CStr()); }

float QSplit::GetFloat(int index) const { return static_cast<float>(std::strtod(GetArg(index).CStr(), nullptr)); }

const char *QSplit::GetName(int index) const {
  if (index < 0 || index >= count) return nullptr;
  return names[index]->CStr();
}

const qstring &QSplit::GetValue(const char *name) const {
  if (!name) return Empty();
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(names[i]->CStr(), name) == 0) return *values[i];
  }
  return Empty();
}

int QSplit::GetInt(const char *name) const { return Eval(GetValue(name).CStr()); }

bool QSplit::IsTrue(const char *name) const { return Eval(GetValue(name).CStr()) == 1; }
