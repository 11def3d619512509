#include <kiln/qinfo.h>

#include <kiln/qmemory.h>
#include <kiln/qstring.h>

#include <cstring>
#include <unordered_map>
#include <vector>

// Trees with many children find them by name through a hash index, built on
// the first lookup; smaller ones are scanned.
struct QInfoNode::ChildIndex {
  std::unordered_map<std::string_view, QInfoNode *> byName;
};

namespace {

constexpr int kIndexThreshold = 16;

char *CopyText(const char *text, std::size_t length) {
  auto *copy = static_cast<char *>(QMalloc(length + 1));
  if (copy) {
    std::memcpy(copy, text, length);
    copy[length] = '\0';
  }
  return copy;
}

}  // namespace

QInfoNode::QInfoNode() = default;

QInfoNode::~QInfoNode() {
  // Children are freed without recursion: a tree built through SetString()
  // may be deep.
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
  if (!text) {
    QFree(value);
    value = nullptr;
    return;
  }
  SetValue(text, std::strlen(text));
}

void QInfoNode::SetValue(const char *text, std::size_t length) {
  char *copy = CopyText(text, length);  // the text may be the old value
  QFree(value);
  value = copy;
}

void QInfoNode::SetName(const char *text) {
  if (!text) text = "";
  char *copy = CopyText(text, std::strlen(text));
  QFree(name);
  name = copy;
  if (parent) parent->index.reset();
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

QInfoNode *QInfoNode::Append(int entryType, std::string_view entryName) {
  auto *node = new QInfoNode;
  node->type = entryType;
  node->name = CopyText(entryName.data(), entryName.size());
  node->parent = this;
  if (lastChild) {
    lastChild->next = node;
  } else {
    child = node;
  }
  lastChild = node;
  ++childCount;
  if (index) index->byName.emplace(std::string_view(node->name, entryName.size()), node);
  return node;
}

QInfoNode *QInfoNode::FindChild(std::string_view childName) const {
  if (childCount < kIndexThreshold) {
    for (QInfoNode *c = child; c; c = c->next) {
      if (std::strlen(c->name) == childName.size() && std::memcmp(c->name, childName.data(), childName.size()) == 0)
        return c;
    }
    return nullptr;
  }
  if (!index) {
    index = std::make_unique<ChildIndex>();
    index->byName.reserve(static_cast<std::size_t>(childCount));
    for (QInfoNode *c = child; c; c = c->next) index->byName.emplace(std::string_view(c->name), c);
  }
  auto found = index->byName.find(childName);
  return found == index->byName.end() ? nullptr : found->second;
}
