// The drawable base: its default operations and the canvas it owns.
#include <gtest/gtest.h>

#include <kiln/qdrawable.h>

#include "message_capture.h"

namespace {

class Square : public QDrawable {
public:
  const char *ClassName() const override { return "Square"; }
  int GetWidth() const override { return 4; }
  int GetHeight() const override { return 4; }
  void Attach(QObject *canvas) { SetCanvasObject(canvas); }
};

class Canvas : public QObject {
public:
  explicit Canvas(int *destroyed) : destroyed(destroyed) {}
  ~Canvas() override { ++*destroyed; }
  const char *ClassName() const override { return "Canvas"; }

private:
  int *destroyed;
};

TEST(QDrawableBase, DefaultsReportAndReturn) {
  kiln::test::MessageCapture capture;
  Square square;
  EXPECT_EQ(square.GetXWindow(), 0u);
  EXPECT_EQ(square.GetXDrawable(), 0u);
  EXPECT_EQ(square.Create(), 1);
  EXPECT_EQ(capture.Take(), "** Error: QDrawable::Create() base class called\n");
  square.Destroy();
  EXPECT_EQ(capture.Take(), "** Error: QDrawable::Destroy() base class called\n");
  EXPECT_EQ(square.GetCanvasObject(), nullptr);
}

TEST(QDrawableBase, OwnsItsCanvas) {
  int destroyed = 0;
  {
    Square square;
    square.Attach(new Canvas(&destroyed));
    square.Attach(new Canvas(&destroyed));  // the first goes
    EXPECT_EQ(destroyed, 1);
    EXPECT_STREQ(square.GetCanvasObject()->ClassName(), "Canvas");
  }
  EXPECT_EQ(destroyed, 2);
}

}  // namespace
