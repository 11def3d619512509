#include <kiln/qlanguage.h>

#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qtext.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A chain that runs longer than this loops back on itself.
constexpr int kMaxChain = 64;

bool AtEnd(QFile &file) {
  int c = file.ReadByte();
  if (c == -1) return true;
  file.UnGetChar(c);
  return false;
}

}  // namespace

QLanguage::QLanguage(const char *name, int fileType) : type(fileType), fileName(name) { Open(); }

QLanguage::QLanguage(QInfo &) { qwarn("QInfo &info NYI"); }

void QLanguage::Add(const char *key, const char *text) {
  if (count == kMaxStrings) {
    qwarn("QLanguage:Open(); too many strings in '%s'", fileName.CStr());
    // The new entry takes the place of the last.
    keys[count - 1] = key;
    strings[count - 1] = text;
    return;
  }
  // The tables grow with the file: a short file takes little memory.
  keys.emplace_back(key);
  strings.emplace_back(text);
  ++count;
}

bool QLanguage::Open() {
  loaded = Read();
  return loaded;
}

bool QLanguage::Read() {
  if (type != 1 && type != 2) {
    qwarn("QLanguage:Open(); bad type (%d)", type);
    return false;
  }
  QFile file(fileName.CStr(), QFile::READ | QFile::MEMORY);
  if (!file.IsOpen()) return false;

  if (type == 1) {
    qstring line;
    while (!AtEnd(file)) {
      file.GetLine(line);
      Add("", line.CStr());
    }
    return true;
  }

  std::string group;
  char line[1024];
  while (!AtEnd(file)) {
    file.GetLine(line, sizeof line);
    QStripCRLF(line);
    const char *first = line + std::strspn(line, " \t");
    if (*first == ';' || line[0] == '{') continue;
    if (line[0] == '}') {
      group.clear();
      continue;
    }
    const char *equals = std::strchr(line, '=');
    if (!equals) {
      group = line;
      continue;
    }
    std::string key(first < equals ? first : equals, equals);
    if (!group.empty()) key = group + "." + key;
    Add(key.c_str(), equals + 1);
  }
  return true;
}

const char *QLanguage::GetString(int index) const {
  if (index < 0 || index >= count) {
    qwarn("QLanguage::GetString(%d) out of range", index);
    return "???";
  }
  return strings[index].CStr();
}

const char *QLanguage::GetString(const char *key, const char *fallback) const {
  static char unknown[1024];
  if (!key) key = "";
  int hops = 0;
  for (const QLanguage *table = this; table && hops < kMaxChain; table = table->next, ++hops) {
    for (int i = 0; i < table->count; ++i) {
      if (std::strcmp(table->keys[i].CStr(), key) == 0) return table->strings[i].CStr();
    }
  }
  if (fallback) return fallback;
  std::snprintf(unknown, sizeof unknown, "?%s?", key);
  return unknown;
}
