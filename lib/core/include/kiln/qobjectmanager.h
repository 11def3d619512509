// Shares expensive resources by name: the first request for a name makes the
// object, later requests get the same reference number and add a reference,
// and the last release destroys the object. Derived managers supply the
// making and releasing.
#pragma once

#include <kiln/qstring.h>

class QObjectManager {
public:
  static constexpr int kCapacity = 3000;

  QObjectManager();
  QObjectManager(const QObjectManager &) = delete;
  QObjectManager &operator=(const QObjectManager &) = delete;
  // Warns about objects still around; does not release them.
  virtual ~QObjectManager();

  // May change a requested name before it is looked up.
  virtual void PrepareName(qstring &name);
  // Makes the object for a new name; null when it can't. The base makes none.
  virtual void *MakeObject(const char *name);
  // Destroys an object whose last reference went.
  virtual void ReleaseObject(void *object);
  virtual void DbgPrint(const char *title);

  // The reference number for the name with one reference added, making the
  // object when needed; 0 on failure.
  int FindOrMake(const char *name);
  // The reference number of the object of that name, or 0; adds nothing.
  int Find(const char *name);
  void Attach(int reference);
  // The last reference destroys the object and frees its slot.
  void Release(int reference);
  // Frees every name. Objects and their counts stay (reachable by number
  // only), and their slots are not reused while they hold them.
  void FreeNames();

  void *GetObject(int reference) const;
  const char *GetObjectName(int reference) const;
  int GetRefCount(int reference) const;
  int GetCount() const { return count; }

protected:
  int count = 0;  // slots in use: the highest used so far plus one
  char **names = nullptr;
  void **objects = nullptr;
  int *refCounts = nullptr;
  int capacity = kCapacity;

private:
  // The slot of a reference number, or -1 (with the message) out of range.
  int SlotOf(int reference, const char *operation) const;
};
