#include <kiln/qinfo.h>

#include <kiln/qmemory.h>
#include <kiln/qstring.h>

#include <vector>

QInfoNode::~QInfoNode() {
  // Children and siblings are freed without recursion: a tree built through
  // SetString() may be deep.
  std::vector<QInfoNode *> pending;
  for (QInfoNode *c = child; c; c = c->next) pending.push_back(c);
  while (!pending.empty()) {
    QInfoNode *node = pending.back();
    pending.pop_back();
    for (QInfoNode *c = node->child; c; c = c->next) pending.push_back(c);
    node->child = nullptr;
    delete node;
  }
  QFree(value);
  QFree(name);
}

void QInfoNode::SetValue(const char *text) {
  QFree(value);
  value = text ? QStrDup(text) : nullptr;
}

void QInfoNode::SetName(const char *text) {
  QFree(name);
  name = QStrDup(text ? text : "");
}

void QInfoNode::GetFullName(qstring &out) const {
  const QInfoNode *names[QINFO_MAX_LEVEL];
  int count = 0;
  for (const QInfoNode *node = this; node && node->parent && count < QINFO_MAX_LEVEL; node = node->parent) {
    names[count++] = node;
  }
  out = "";
  for (int i = count - 1; i >= 0; --i) {
    out += names[i]->name;
    if (i > 0) out += ".";
  }
}

QInfoNode *QInfoNode::Append(int entryType, const char *entryName) {
  auto *node = new QInfoNode;
  node->type = entryType;
  node->SetName(entryName);
  node->parent = this;
  if (lastChild) {
    lastChild->next = node;
  } else {
    child = node;
  }
  lastChild = node;
  return node;
}
