#include <kiln/qobjectmanager.h>

#include <kiln/qdebug.h>
#include <kiln/qmemory.h>

#include <cstring>

QObjectManager::QObjectManager()
    : names(static_cast<char **>(QCalloc(kCapacity * sizeof(char *)))),
      objects(static_cast<void **>(QCalloc(kCapacity * sizeof(void *)))),
      refCounts(static_cast<int *>(QCalloc(kCapacity * sizeof(int)))) {
  // Without its tables the manager holds nothing and makes nothing.
  if (!names || !objects || !refCounts) capacity = 0;
}

QObjectManager::~QObjectManager() {
  for (int slot = 0; slot < count; ++slot) {
    if (objects[slot]) {
      qwarn("QObjMgr: object '%s' still around with %d reference(s)", names[slot] ? names[slot] : "",
            refCounts[slot]);
    }
  }
  if (names) {
    for (int slot = 0; slot < count; ++slot) QFree(names[slot]);
  }
  QFree(names);
  QFree(objects);
  QFree(refCounts);
}

void QObjectManager::PrepareName(qstring &) {}

void *QObjectManager::MakeObject(const char *) { return nullptr; }

void QObjectManager::ReleaseObject(void *) {}

int QObjectManager::FindOrMake(const char *name) {
  qstring prepared(name ? name : "");
  PrepareName(prepared);
  const char *wanted = prepared.CStr();

  int freeSlot = -1;
  for (int slot = 0; slot < count; ++slot) {
    if (!objects[slot]) {
      if (freeSlot < 0) freeSlot = slot;
    } else if (names[slot] && std::strcmp(names[slot], wanted) == 0) {
      Attach(slot + 1);
      return slot + 1;
    }
  }

  int slot = freeSlot;
  if (slot < 0) {
    if (count >= capacity) {
      qwarn("QObjectManager:FindOrMake() out of space");
      return 0;
    }
    slot = count++;
  }
  QFree(names[slot]);
  names[slot] = QStrDup(wanted);
  refCounts[slot] = 0;

  void *object = MakeObject(wanted);
  if (!object) {
    QFree(names[slot]);
    names[slot] = nullptr;
    return 0;
  }
  objects[slot] = object;
  Attach(slot + 1);
  return slot + 1;
}

int QObjectManager::Find(const char *name) {
  if (!name) return 0;
  for (int slot = 0; slot < count; ++slot) {
    if (objects[slot] && names[slot] && std::strcmp(names[slot], name) == 0) return slot + 1;
  }
  return 0;
}

int QObjectManager::SlotOf(int reference, const char *operation) const {
  // Numbers of slots that hold no object are as wrong as numbers outside
  // the table: a second release must not release again.
  if (reference < 1 || reference > count || !objects[reference - 1]) {
    qerr("QObjectManagr:%s(ref %d) out of range", operation, reference);
    return -1;
  }
  return reference - 1;
}

void QObjectManager::Attach(int reference) {
  int slot = SlotOf(reference, "Attach");
  if (slot >= 0) ++refCounts[slot];
}

void QObjectManager::Release(int reference) {
  int slot = SlotOf(reference, "Release");
  if (slot < 0) return;
  if (refCounts[slot]-- > 1) return;
  ReleaseObject(objects[slot]);
  objects[slot] = nullptr;
  refCounts[slot] = 0;
  QFree(names[slot]);
  names[slot] = nullptr;
}

void QObjectManager::FreeNames() {
  int used = 0;
  for (int slot = 0; slot < count; ++slot) {
    QFree(names[slot]);
    names[slot] = nullptr;
    if (objects[slot]) used = slot + 1;
  }
  // Slots that still hold objects stay inside the table so that they are
  // never handed out again.
  count = used;
}

void QObjectManager::DbgPrint(const char *title) {
  qdbg("QObjectManager (%s); %d potential references\n", title ? title : "", count);
  for (int slot = 0; slot < count; ++slot) {
    if (refCounts[slot] > 0) {
      qdbg("  ref[%d]=%p: '%s' (refCount %d)\n", slot, objects[slot], names[slot] ? names[slot] : "",
           refCounts[slot]);
    }
  }
}

void *QObjectManager::GetObject(int reference) const {
  return reference >= 1 && reference <= count ? objects[reference - 1] : nullptr;
}

const char *QObjectManager::GetObjectName(int reference) const {
  return reference >= 1 && reference <= count ? names[reference - 1] : nullptr;
}

int QObjectManager::GetRefCount(int reference) const {
  return reference >= 1 && reference <= count ? refCounts[reference - 1] : 0;
}
