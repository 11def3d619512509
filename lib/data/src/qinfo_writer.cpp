// The written form of a configuration tree, and its debug dump.
#include <kiln/qinfo.h>

#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qstring.h>
#include <kiln/qutil.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void WriteChildren(const QInfoNode *tree, int depth, std::string &out) {
  for (const QInfoNode *node = tree->child; node; node = node->next) {
    if (node->IsRemoved()) continue;
    std::string indent(2 * static_cast<std::size_t>(depth), ' ');
    const char *value = node->value ? node->value : "";
    switch (node->BaseType()) {
      case QINFO_COMMENT:
        out += indent + ";" + value + "\n";
        break;
      case QINFO_NODE:
        out += indent + node->name + "=" + value + "\n";
        break;
      case QINFO_TREE:
        if (std::strcmp(node->name, "root") == 0) {
          WriteChildren(node, depth + 1, out);
          break;
        }
        out += indent + node->name;
        if (node->reference) {
          qstring path;
          node->reference->GetFullName(path);
          out += std::string("~") + path.CStr();
        }
        if (node->value) out += std::string("=") + node->value;
        out += "\n" + indent + "{\n";
        WriteChildren(node, depth + 1, out);
        out += indent + "}\n";
        break;
      default:
        qerr("QInfo:Write() internal error; unknown node type");
        break;
    }
  }
}

// The file to replace: a symbolic link is followed, so the link stays.
std::string TargetPath(const char *name) {
  std::string path = QExpandFilename(name);
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

// The written text goes to a new file beside the target, which then takes
// the target's place: the old file stays whole until the new one is.
bool ReplaceFile(const std::string &target, const std::string &text) {
  std::string temporary = target + ".XXXXXX";
  int fd = mkstemp(&temporary[0]);
  if (fd < 0) return false;
  struct stat status;
  mode_t mode = 0666;
  if (stat(target.c_str(), &status) == 0) {
    mode = status.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode &= ~mask;
  }
  bool complete = fchmod(fd, mode) == 0;
  std::size_t written = 0;
  while (complete && written < text.size()) {
    ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) complete = false;
    else written += static_cast<std::size_t>(n);
  }
  if (complete && fsync(fd) != 0) complete = false;
  if (close(fd) != 0) complete = false;
  if (complete && std::rename(temporary.c_str(), target.c_str()) != 0) complete = false;
  if (!complete) unlink(temporary.c_str());
  return complete;
}

}  // namespace

int QInfo::Write(const char *name) {
  if (!name) {
    if (!(flags & QINFO_MODIFIED)) return 1;
    name = fileName;
  }
  std::string text;
  WriteChildren(root, 0, text);
  if (!ReplaceFile(TargetPath(name), text)) {
    qwarn("QInfo:Write(); file (%s) can't be written", name);
    return 0;
  }
  flags &= ~QINFO_MODIFIED;
  return 1;
}

bool QInfo::WriteTo(FILE *stream) const {
  std::string text;
  WriteChildren(root, 0, text);
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

void QInfo::Dump() const {
  std::printf("-----\n");
  // Depth first without recursion.
  const QInfoNode *stack[4096];
  int depth = 0;
  stack[depth++] = root;
  while (depth > 0) {
    const QInfoNode *node = stack[--depth];
    switch (node->BaseType()) {
      case QINFO_NODE: std::printf("node %s=%s\n", node->name, node->value ? node->value : "<no value>"); break;
      case QINFO_TREE: std::printf("tree '%s'\n", node->name); break;
      default: std::printf("(%s)\n", node->value ? node->value : ""); break;
    }
    if (node->next && node != root && depth < 4096) stack[depth++] = node->next;
    if (node->child && depth < 4096) stack[depth++] = node->child;
  }
  std::printf("-----\n");
}
