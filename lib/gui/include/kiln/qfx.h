// An effect: something that changes gels frame by frame, stepped by a
// QFXManager once per frame until it is done.
#pragma once

#include <kiln/qobject.h>

class QFXManager;

class QFX : public QObject {
public:
  enum Flags { DONE = 1 };

  // Done until given something to do.
  QFX() = default;
  // Leaves its manager.
  ~QFX() override;

  const char *ClassName() const override { return "QFX"; }
  // One frame's step; here the effect ends.
  virtual void Iterate() { flags |= DONE; }
  virtual bool IsDone() const { return flags & DONE; }

  QFXManager *GetManager() const { return manager; }
  QFX *GetNext() const { return next; }

protected:
  int flags = DONE;

private:
  friend class QFXManager;
  QFXManager *manager = nullptr;
  QFX *next = nullptr;
};
