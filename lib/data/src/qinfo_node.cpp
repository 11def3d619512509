#include <kiln/qinfo.h>

#include <kiln/qmemory.h>
#include <kiln/qstring.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kIndexThreshold = 16;

// Whether the zero-terminated name is exactly the wanted text.
bool NameEquals(const char *name, std::string_view wanted) {
  return std::strncmp(name, wanted.data(), wanted.size()) == 0 && name[wanted.size()] == '\0';
}

char *CopyText(const char *text, std::size_t length) {
  auto *copy = static_cast<char *>(QMalloc(length + 1));
  if (copy) {
    std::memcpy(copy, text, length);
    copy[length] = '\0';
  }
  return copy;
}

uint32_t HashName(std::string_view name) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

}  // namespace

// Trees with many children find them by name through a hash index, built on
// the first lookup; smaller ones are scanned. Open addressing; the first
// child of a name keeps its slot, as lookups find the first in file order.
struct QInfoNode::ChildIndex {
  struct Slot {
    uint32_t hash;
    QInfoNode *node;
  };
  std::vector<Slot> slots;
  std::size_t used = 0;

  explicit ChildIndex(std::size_t expected) {
    std::size_t size = 16;
    while (size < expected * 2) size *= 2;
    slots.assign(size, Slot{0, nullptr});
  }

  QInfoNode *Find(std::string_view name) const {
    const uint32_t hash = HashName(name);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = hash & mask; slots[i].node; i = (i + 1) & mask) {
      if (slots[i].hash == hash && NameEquals(slots[i].node->name, name)) return slots[i].node;
    }
    return nullptr;
  }

  void Insert(QInfoNode *node) {
    if ((used + 1) * 2 > slots.size()) Grow();
    std::string_view name(node->name);
    const uint32_t hash = HashName(name);
    const std::size_t mask = slots.size() - 1;
    std::size_t i = hash & mask;
    for (; slots[i].node; i = (i + 1) & mask) {
      if (slots[i].hash == hash && NameEquals(slots[i].node->name, name)) return;
    }
    slots[i] = Slot{hash, node};
    ++used;
  }

  void Grow() {
    std::vector<Slot> old;
    old.swap(slots);
    slots.assign(old.size() * 2, Slot{0, nullptr});
    const std::size_t mask = slots.size() - 1;
    for (const Slot &slot : old) {
      if (!slot.node) continue;
      std::size_t i = slot.hash & mask;
      while (slots[i].node) i = (i + 1) & mask;
      slots[i] = slot;
    }
  }
};


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
  if (index) index->Insert(node);
  return node;
}

QInfoNode *QInfoNode::FindChild(std::string_view childName) const {
  if (childCount < kIndexThreshold) {
    for (QInfoNode *c = child; c; c = c->next) {
      if (NameEquals(c->name, childName)) return c;
    }
    return nullptr;
  }
  if (!index) {
    index = std::make_unique<ChildIndex>(static_cast<std::size_t>(childCount));
    for (QInfoNode *c = child; c; c = c->next) index->Insert(c);
  }
  return index->Find(childName);
}
