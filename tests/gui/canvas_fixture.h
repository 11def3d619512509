// A window with its canvas, cleared to black, for the canvas and font
// tests: after each test no OpenGL error is pending and no X error came.
#pragma once

#include <gtest/gtest.h>

#include <kiln/qcanvas.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>

#include "gl_window.h"
#include "message_capture.h"

namespace kiln::test {

class CanvasFixture : public ::testing::Test {
protected:
  CanvasFixture(int width, int height) : window(width, height) {}

  void SetUp() override {
    if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    canvas = window.Canvas();
    glClearColor(0, 0, 0, 1);
    canvas->Clear();
    xErrors = QXErrorCount();
    capture.Take();
  }
  void TearDown() override {
    if (!window.IsReady()) return;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(QXErrorCount(), xErrors);
  }

  GLWindow window;
  QCanvas *canvas = nullptr;
  MessageCapture capture;
  int xErrors = 0;
};

}  // namespace kiln::test
