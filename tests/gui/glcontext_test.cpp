// GLX contexts on a real window of Xvfb with Mesa: extensions, selection,
// projections, drawing and the OpenGL diagnostics.
#include <gtest/gtest.h>

#include <kiln/qdebug.h>
#include <kiln/qdrawable.h>
#include <kiln/qcanvas.h>
#include <kiln/qglcontext.h>
#include <kiln/qoffscreen.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gl_window.h"
#include "message_capture.h"

using kiln::test::MessageCapture;

namespace {

class GLContextTest : public ::testing::Test {
protected:
  void SetUp() override {
    display = kiln::test::TestDisplay();
    visual = kiln::test::TestVisual();
    if (!display || !visual) GTEST_SKIP() << "no X display with GL (run under xvfb-run)";
    window = std::make_unique<kiln::test::GLWindow>(64, 48, false);
  }

  Display *display = nullptr;
  XVisualInfo *visual = nullptr;
  std::unique_ptr<kiln::test::GLWindow> window;
};

TEST_F(GLContextTest, ExtensionsAreFoundAsWholeWords) {
  QGLContext context(window.get(), visual, nullptr, true);
  ASSERT_TRUE(context.IsValid());
  QGLContext::Select(&context);
  EXPECT_EQ(QGLContext::GetCurrent(), &context);
  EXPECT_STRNE(context.GetVendor(), "");
  EXPECT_STRNE(context.GetVersion(), "");
  // Mesa's software renderer has all of these.
  EXPECT_TRUE(context.HasExtensions(QGL_MULTITEXTURE));
  EXPECT_TRUE(context.HasExtensions(QGL_MULTITEXTURE | QGL_TEXTURE_ENV_COMBINE | QGL_BLEND_COLOR));
  EXPECT_FALSE(context.HasExtensions(QGL_MULTITEXTURE | 0x4000));  // a bit no extension sets
  EXPECT_TRUE(context.IsExtensionSupported("GL_ARB_multitexture"));
  EXPECT_FALSE(context.IsExtensionSupported("GL_ARB_multi"));
  EXPECT_FALSE(context.IsExtensionSupported("GL_ARB multitexture"));
  EXPECT_FALSE(context.IsExtensionSupported(""));
  EXPECT_FALSE(context.IsExtensionSupported("GL_NO_such_extension"));
  context.SetSeparateSpecular(true);
  GLint control = 0;
  glGetIntegerv(GL_LIGHT_MODEL_COLOR_CONTROL, &control);
  EXPECT_EQ(control, GL_SEPARATE_SPECULAR_COLOR);
}

TEST_F(GLContextTest, SelectDestructionAndBorrowing) {
  auto first = std::make_unique<QGLContext>(window.get(), visual, nullptr, true);
  QGLContext second(window.get(), visual, first.get(), true);
  ASSERT_TRUE(second.IsValid());
  EXPECT_FALSE(QGLContext::Select(first.get()));
  EXPECT_EQ(glXGetCurrentContext(), first->GetGLXContext());
  // Selecting the current context again does nothing...
  glXMakeCurrent(display, window->GetXWindow(), second.GetGLXContext());
  QGLContext::Select(first.get());
  EXPECT_EQ(glXGetCurrentContext(), second.GetGLXContext());
  // ...unless forced.
  EXPECT_TRUE(QGLContext::Select(first.get(), nullptr, nullptr, QGL_SELECT_FORCE));
  EXPECT_EQ(glXGetCurrentContext(), first->GetGLXContext());
  MessageCapture capture;
  QGLContext::Select(&second, nullptr, window.get());
  EXPECT_EQ(capture.Take(), "** Error: QGLContext::Select() with read is NYI/Linux\n");
  QGLContext::SetCurrent(first.get());
  first.reset();
  EXPECT_EQ(QGLContext::GetCurrent(), nullptr);
  // A borrowed context outlives its wrapper.
  GLXContext raw = glXCreateContext(display, visual, nullptr, True);
  {
    QGLContext borrowed(raw, window.get());
    QGLContext::Select(&borrowed);
  }
  EXPECT_TRUE(glXMakeCurrent(display, window->GetXWindow(), raw));
  glXMakeCurrent(display, None, nullptr);
  glXDestroyContext(display, raw);
}

// A program with windows may render offscreen too: GLX and EGL take the
// thread's OpenGL in turns, each context keeping its own pixels.
TEST_F(GLContextTest, WindowAndOffscreenContextsTakeTurns) {
  QGLContext context(window.get(), visual, nullptr, true);
  QGLContext::Select(&context);
  context.Viewport(0, 0, 64, 48);
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(QGLContext::GetCurrentNativeContext(), context.GetGLXContext());
  QOffscreen offscreen(64, 48);
  ASSERT_TRUE(offscreen.IsValid());
  EXPECT_EQ(glXGetCurrentContext(), nullptr);
  EXPECT_EQ(QGLContext::GetCurrentNativeContext(), offscreen.GetGLContext()->GetNativeContext());
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  for (int turn = 0; turn < 2; ++turn) {
    QGLContext::Select(&context);
    EXPECT_EQ(glXGetCurrentContext(), context.GetGLXContext());
    EXPECT_EQ(window->Pixel(5, 5), (std::array<uint8_t, 4>{255, 0, 0, 255}));
    offscreen.GetCanvas()->Select();
    EXPECT_EQ(QGLContext::GetCurrentNativeContext(), offscreen.GetGLContext()->GetNativeContext());
    EXPECT_EQ(window->Pixel(5, 5), (std::array<uint8_t, 4>{0, 255, 0, 255}));  // read where current
  }
  EXPECT_EQ(QGLContext::GetCurrentNativeContext(), offscreen.GetGLContext()->GetNativeContext());
}

TEST_F(GLContextTest, ProjectionsMatchHandComputedMatrices) {
  QGLContext context(window.get(), visual, nullptr, true);
  QGLContext::Select(&context);
  context.Viewport(0, 0, 64, 48);
  context.MatrixMode(GL_PROJECTION);
  context.LoadIdentity();
  context.Perspective(90, 2, 1, 101);
  const float *p = context.GetProjectionMatrix();
  EXPECT_NEAR(p[0], 0.5f, 1e-5);  // f / aspect with f = 1 / tan(45°)
  EXPECT_NEAR(p[5], 1.0f, 1e-5);
  EXPECT_NEAR(p[10], -102.0f / 100.0f, 1e-5);
  EXPECT_NEAR(p[11], -1.0f, 1e-6);
  EXPECT_NEAR(p[14], -2.0f * 101.0f / 100.0f, 1e-5);
  GLfloat fromGL[16];
  glGetFloatv(GL_PROJECTION_MATRIX, fromGL);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(fromGL[i], p[i], 1e-5) << i;

  context.MatrixMode(GL_MODELVIEW);
  context.LoadIdentity();
  context.LookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
  const float *c = context.GetCameraMatrix();
  EXPECT_NEAR(c[0], 1, 1e-6);
  EXPECT_NEAR(c[5], 1, 1e-6);
  EXPECT_NEAR(c[10], 1, 1e-6);
  EXPECT_NEAR(c[14], -10, 1e-5);
  GLdouble model[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(model[i], c[i], 1e-5) << i;

  const float point[3] = {1.5f, -0.5f, 2.0f};
  float window2d[3], back[3];
  context.Project(point, window2d);
  context.UnProject(window2d, back);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], point[i], 1e-3) << i;
  const float centre[3] = {0, 0, 0};
  context.Project(centre, window2d);
  EXPECT_NEAR(window2d[0], 32, 1e-3);
  EXPECT_NEAR(window2d[1], 24, 1e-3);
}

TEST_F(GLContextTest, DrawsIntoTheWindow) {
  QGLContext context(window.get(), visual, nullptr, true);
  QGLContext::Select(&context);
  context.Setup2D();
  glClearColor(1, 0, 0, 1);
  context.Clear(GL_COLOR_BUFFER_BIT);
  glColor3f(0, 1, 0);
  glBegin(GL_QUADS);
  glVertex2i(10, 10);
  glVertex2i(30, 10);
  glVertex2i(30, 30);
  glVertex2i(10, 30);
  glEnd();
  glFinish();
  unsigned char pixel[4];
  context.ReadBuffer(GL_BACK);
  glReadPixels(20, 20, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 0);
  EXPECT_EQ(pixel[1], 255);
  glReadPixels(5, 40, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 255);
  EXPECT_EQ(pixel[1], 0);
  const int *viewport = context.GetViewport();
  EXPECT_EQ(viewport[2], 64);
  EXPECT_EQ(viewport[3], 48);
  context.Swap();
  QGLCheckError("after drawing");
}

TEST_F(GLContextTest, ErrorCheckAndStateDump) {
  QGLContext context(window.get(), visual, nullptr, true);
  QGLContext::Select(&context);
  MessageCapture capture;
  glEnable(0x1234);  // not a capability
  QGLCheckError("label");
  EXPECT_EQ(capture.Take(), "** Error: label: OpenGL error (1280): invalid enumerant\n");
  QGLDumpState("dump");
  std::string dump = capture.Take();
  EXPECT_EQ(dump.rfind("OpenGL state: (context ", 0), 0u) << dump;
  EXPECT_NE(dump.find(") (dump)\nRaster position      : "), std::string::npos);
  EXPECT_NE(dump.find("RGBA mode: 1, double buffer: 1\n----------------\n"), std::string::npos);
  int lines = 0;
  for (char ch : dump) lines += ch == '\n';
  EXPECT_EQ(lines, 13);

  // With frame checks, what a frame left pending is named at its swap.
  glEnable(0x1234);
  context.Swap();
  EXPECT_EQ(capture.Take(), "");
  QGLContext::CheckFrames(true);
  glEnable(0x1234);
  context.Swap();
  QGLContext::CheckFrames(false);
  EXPECT_EQ(capture.Take(), "** Error: QGLContext::Swap; at the end of a frame: OpenGL error (1280): invalid enumerant\n");
}

TEST_F(GLContextTest, XErrorsAreReportedNotFatal) {
  MessageCapture capture;
  XSetInputFocus(display, 0x7FFFFFF0, RevertToParent, CurrentTime);  // no such window
  XSync(display, False);
  EXPECT_GE(QXErrorCount(), 1);
  EXPECT_NE(capture.Take().find("** Error: X error "), std::string::npos);
}

}  // namespace
