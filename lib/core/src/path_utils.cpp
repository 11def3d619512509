// Path pieces and wildcard matching.
#include <kiln/qutil.h>

#include <cctype>
#include <cstring>

const char *QFindExtension(const char *path) {
  if (!path) return nullptr;
  if (!*path) return path;
  return std::strrchr(path, '.');
}

const char *QFileName(const char *path) {
  if (!path) return nullptr;
  const char *name = path;
  for (const char *c = path; *c; ++c) {
    if (*c == '/' || *c == '\\') name = c + 1;
  }
  return name;
}

bool QAppendPath(const char *dir, const char *part, char *out, std::size_t outSize) {
  if (!out || outSize == 0) return false;
  out[0] = '\0';
  std::size_t dirLength = dir ? std::strlen(dir) : 0;
  if (dirLength >= outSize) return false;
  std::memcpy(out, dir ? dir : "", dirLength + 1);
  if (!part) return true;

  if (std::strcmp(part, "..") == 0) {
    char *slash = std::strrchr(out, '/');
    if (!slash) {
      out[0] = '\0';
    } else if (slash == out) {
      out[1] = '\0';  // a lone leading '/' stays
    } else {
      *slash = '\0';
    }
    return true;
  }
  bool needSlash = std::strcmp(out, "/") != 0;
  std::size_t partLength = std::strlen(part);
  if (dirLength + (needSlash ? 1 : 0) + partLength >= outSize) {
    out[0] = '\0';
    return false;
  }
  if (needSlash) out[dirLength++] = '/';
  std::memcpy(out + dirLength, part, partLength + 1);
  return true;
}

bool QMatch(const char *pattern, const char *text) {
  for (;; ++pattern) {
    switch (*pattern) {
      case '\0':
        return *text == '\0';
      case '!':
        return !QMatch(pattern + 1, text);
      case '*':
        if (pattern[1] == '\0') return true;
        for (; *text; ++text) {
          if (QMatch(pattern + 1, text)) return true;
        }
        return false;
      case '?':
        if (!*text) return false;
        ++text;
        break;
      case '(':
      case ')':
        break;
      default:
        if (std::tolower(static_cast<unsigned char>(*pattern)) != std::tolower(static_cast<unsigned char>(*text)))
          return false;
        ++text;
        break;
    }
  }
}
