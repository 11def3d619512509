/// \file
/// QFX, an effect stepped once a frame.
#pragma once

#include <kiln/qobject.h>

class QFXManager;

/// An effect: something that changes gels frame by frame, stepped by a
/// QFXManager once per frame until it is done.
class QFX : public QObject {
public:
  /// Flags of an effect.
  enum Flags {
    DONE = 1  ///< nothing left to do: the manager lets it go
  };

  /// Done until given something to do.
  QFX() = default;
  /// Leaves its manager.
  ~QFX() override;

  const char *ClassName() const override { return "QFX"; }
  /// One frame's step; here the effect ends.
  virtual void Iterate() { flags |= DONE; }
  /// True when nothing is left to do.
  virtual bool IsDone() const { return flags & DONE; }

  /// The manager stepping it, or null.
  QFXManager *GetManager() const { return manager; }
  /// The next effect of its manager, or null.
  QFX *GetNext() const { return next; }

protected:
  int flags = DONE;  ///< Flags; a subclass clears DONE while it has work

private:
  friend class QFXManager;
  QFXManager *manager = nullptr;
  QFX *next = nullptr;
};
