/// \file
/// QGel, a graphic element of the application's list.
#pragma once

#include <kiln/qbasicgel.h>

class QGelList;

/// A gel of the application's list: it joins the list when made, takes the
/// BC's canvas, remembers where it was in the last two frames and is marked
/// for repaint whenever it moves, changes size or depth.
class QGel : public QBasicGel {
public:
  /// Without an application BC and its list the gel is reported and stays
  /// on its own (it paints nowhere).
  explicit QGel(int flags = 0);
  /// Leaves its list; the gels it covered are marked for repaint.
  ~QGel() override;

  const char *ClassName() const override { return "QGel"; }
  /// Moves the gel; a change marks it.
  void SetPos(int x, int y, int depth) override;
  /// Resizes the gel; a change marks it.
  void SetSize(int width, int height) override;
  /// Moves the gel in depth (the list sorts again); a change marks it.
  void SetDepth(int depth);
  /// Properties 0 (x) and 1 (y); a change marks the gel.
  virtual void SetProperty(int which, int value);
  /// Property 0 (x) or 1 (y); 0 for any other.
  virtual int GetProperty(int which) const;
  /// Called after every list update.
  virtual void PostPaint() {}
  /// Repaints the part (relative to the gel) uncovered by a gel above it.
  /// Here the whole gel, with a note that the gel can do better.
  virtual void PaintPart(const QRect &part);

  ///@{
  /// Where the gel was at the last frame, and the frame before that.
  QRect GetPreviousRect() const { return previous; }
  QRect GetRectBeforePrevious() const { return beforePrevious; }
  ///@}
  /// The list it belongs to, or null.
  QGelList *GetList() const { return list; }
  /// The next gel of its list, in depth order, or null.
  QGel *GetNext() const { return next; }

private:
  friend class QGelList;
  void Mark();

  QRect previous{}, beforePrevious{};
  int previousDepth = 0, depthBeforePrevious = 0;
  /// Where the last frame showed it, whatever moved it since: a move made
  /// between frames, outside the effects, is repaired like one made in them.
  QRect shown{};
  int shownDepth = 0;
  QGelList *list = nullptr;
  QGel *next = nullptr;
};
