/// \file
/// QObjectManager, resources shared by name.
#pragma once

#include <kiln/qstring.h>

/// Shares expensive resources by name: the first request for a name makes the
/// object, later requests get the same reference number and add a reference,
/// and the last release destroys the object. Derived managers supply the
/// making and releasing.
class QObjectManager {
public:
  /// The most objects a manager holds.
  static constexpr int kCapacity = 3000;

  QObjectManager();
  QObjectManager(const QObjectManager &) = delete;
  QObjectManager &operator=(const QObjectManager &) = delete;
  /// Warns about objects still around; does not release them.
  virtual ~QObjectManager();

  /// May change a requested name before it is looked up.
  virtual void PrepareName(qstring &name);
  /// Makes the object for a new name; null when it can't. The base makes none.
  virtual void *MakeObject(const char *name);
  /// Destroys an object whose last reference went.
  virtual void ReleaseObject(void *object);
  /// Lists the objects with their names and counts on the debug output.
  virtual void DbgPrint(const char *title);

  /// The reference number for the name with one reference added, making the
  /// object when needed; 0 on failure.
  int FindOrMake(const char *name);
  /// The reference number of the object of that name, or 0; adds nothing.
  int Find(const char *name);
  /// Adds a reference to the object of the number.
  void Attach(int reference);
  /// The last reference destroys the object and frees its slot.
  void Release(int reference);
  /// Frees every name. Objects and their counts stay (reachable by number
  /// only), and their slots are not reused while they hold them.
  void FreeNames();

  ///@{
  /// Of the object of a reference number: null (or 0) for a number out of
  /// range (with a message) or a free slot.
  void *GetObject(int reference) const;
  const char *GetObjectName(int reference) const;
  int GetRefCount(int reference) const;
  ///@}
  /// The slots in use: the highest used so far plus one.
  int GetCount() const { return count; }

protected:
  int count = 0;  ///< slots in use: the highest used so far plus one
  char **names = nullptr;     ///< of each slot, owned
  void **objects = nullptr;   ///< of each slot
  int *refCounts = nullptr;   ///< of each slot
  int capacity = kCapacity;   ///< slots allocated

private:
  /// The slot of a reference number, or -1 (with the message) out of range.
  int SlotOf(int reference, const char *operation) const;
};
