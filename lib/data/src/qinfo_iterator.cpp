#include <kiln/qinfo.h>

#include <kiln/qdebug.h>
#include <kiln/qstring.h>

QInfoIterator::QInfoIterator(QInfo *iterated, const char *path) : info(iterated) {
  current = info ? info->FindNode(path) : nullptr;
  if (current && current->BaseType() == QINFO_TREE) current = current->child;
}

bool QInfoIterator::Next(bool recurse) {
  if (!current) return false;
  if (recurse && current->child) {
    if (depth == QINFO_MAX_LEVEL) {
      qerr("nestLevel>%d (QINFO_MAX_LEVEL) in QInfoIterator", QINFO_MAX_LEVEL);
    } else {
      stack[depth++] = current;
    }
    current = current->child;
    return true;
  }
  while (!current->next) {
    if (depth == 0) {
      current = nullptr;
      return false;
    }
    current = stack[--depth];
  }
  current = current->next;
  return true;
}

bool QInfoIterator::GetNext(qstring &name, bool recurse) {
  QInfoNode *taken;
  do {
    taken = current;
    if (!taken) return false;
    Next(recurse);
  } while (taken->BaseType() == QINFO_COMMENT);
  taken->GetFullName(name);
  return true;
}
