/// \file
/// QFXManager, which steps effects once a frame.
#pragma once

#include <vector>

#include <kiln/qobject.h>

class QDraw;
class QFX;
class QGelList;
namespace kiln::gui {
template <typename Member>
class SafeWalk;
}

/// Steps its effects once per frame, repaints the gel list and shows the
/// frame on the BC.
class QFXManager : public QObject {
public:
  /// Flags of Iterate().
  enum IterateFlags {
    NO_SWAP = 1  ///< the frame is not shown
  };
  /// Called after each frame is painted.
  using Callback = void (*)(QFXManager *manager);
  /// RunToEnd gives up on effects still running after this many frames
  /// (over three minutes at 50 frames a second).
  static constexpr int kMaxRunFrames = 10000;

  QFXManager() = default;
  /// The effects stay, on their own.
  ~QFXManager() override;

  const char *ClassName() const override { return "QFXManager"; }
  /// The window that shows the frames: the BC.
  void SetWindow(QDraw *newWindow) { window = newWindow; }
  /// The window showing the frames, or null.
  QDraw *GetWindow() const { return window; }
  /// The gel list repainted each frame (not owned).
  void SetGelList(QGelList *list) { gels = list; }
  /// The gel list, or null.
  QGelList *GetGelList() const { return gels; }
  /// Called after each frame is painted, before it is shown.
  void SetCallback(Callback callback) { afterFrame = callback; }

  /// At the head; an effect of another manager leaves that one first.
  void Add(QFX *effect);
  /// Takes the effect out; false (with a warning) when it isn't there.
  bool Remove(QFX *effect);
  /// The first effect, or null.
  QFX *GetFirst() const { return first; }
  /// True when every effect is done.
  bool AllDone() const;
  /// One frame: places saved, effects stepped, gels updated, the callback,
  /// then the window swapped unless NO_SWAP.
  void Iterate(int flags = 0);
  /// Frames until every effect is done; false when it gave up.
  bool RunToEnd();

private:
  using Walk = kiln::gui::SafeWalk<QFX>;

  QFX *first = nullptr;
  QDraw *window = nullptr;
  QGelList *gels = nullptr;
  Callback afterFrame = nullptr;
  std::vector<Walk *> walks;
};
