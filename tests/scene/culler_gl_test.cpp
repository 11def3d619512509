// The culler takes its matrices from a real OpenGL context (Mesa on Xvfb),
// and the matrices agree with OpenGL's own in order and content.
#include <gtest/gtest.h>

#include <kiln/dculler.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>

#include <cmath>

#include "frustum.h"

namespace {

class CullerGLTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // Kept open for the whole run: Mesa's driver stays loaded with it.
    display = XOpenDisplay(nullptr);
    if (!display) return;
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
    XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (!visual) return;
    XSetWindowAttributes windowAttributes{};
    windowAttributes.colormap =
        XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
    window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, 64, 64, 0, visual->depth,
                           InputOutput, visual->visual, CWColormap, &windowAttributes);
    context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
  }
  void SetUp() override {
    if (!display || !context) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    ASSERT_TRUE(glXMakeCurrent(display, window, context));
  }
  static void ExpectSame(const DMatrix4 &actual, const DMatrix4 &expected) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual.m[i], expected.m[i], 1e-5f) << "element " << i;
  }

  static Display *display;
  static Window window;
  static GLXContext context;
};

Display *CullerGLTest::display = nullptr;
Window CullerGLTest::window = 0;
GLXContext CullerGLTest::context = nullptr;

TEST_F(CullerGLTest, MatricesPassToAndFromOpenGLUnchanged) {
  DMatrix4 ours, theirs;
  ours.SetRotateZ(30 * 3.14159265f / 180);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotatef(30, 0, 0, 1);
  glGetFloatv(GL_MODELVIEW_MATRIX, theirs.m);
  ExpectSame(ours, theirs);

  // Ours loaded into OpenGL and multiplied there equals ours multiplied.
  DMatrix4 move;
  move.Translate(DVector3(1, 2, 3));
  glLoadMatrixf(move.m);
  glMultMatrixf(ours.m);
  glGetFloatv(GL_MODELVIEW_MATRIX, theirs.m);
  move.Multiply(ours);
  ExpectSame(move, theirs);
}

TEST_F(CullerGLTest, UpdateReadsTheCurrentMatrices) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-1, 1, -0.75, 0.75, 1, 50);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(10, 2, 10, 0, 0, 0, 0, 1, 0);

  DCuller culler;
  culler.Update();
  ExpectSame(culler.GetProjection(), kiln::test::Frustum(-1, 1, -0.75f, 0.75f, 1, 50));
  DMatrix4 modelView;
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView.m);
  ExpectSame(culler.GetModelView(), modelView);

  // The camera at (10, 2, 10) looks at the origin: things there are seen,
  // things behind the camera are not.
  EXPECT_EQ(culler.SphereInView(DVector3(0, 0, 0), 1), 0);
  EXPECT_EQ(culler.SphereInView(DVector3(20, 4, 20), 1), -1);
  EXPECT_EQ(culler.BoxInView(DBox(DVector3(-1, -1, -1), DVector3(1, 1, 1))), 1);
  EXPECT_EQ(culler.BoxInView(DBox(DVector3(14, 0, 14), DVector3(15, 1, 15))), -1);
  EXPECT_EQ(culler.BoxInView(DBox(DVector3(-1, -1, -1), DVector3(60, 1, 1))), 0);

  // The same planes as from the matrices given by hand.
  DCuller byHand;
  byHand.Update(kiln::test::Frustum(-1, 1, -0.75f, 0.75f, 1, 50), modelView);
  for (int i = 0; i < DCuller::kPlanes; ++i) {
    EXPECT_NEAR(culler.GetPlane(i).normal.x, byHand.GetPlane(i).normal.x, 1e-5f);
    EXPECT_NEAR(culler.GetPlane(i).distance, byHand.GetPlane(i).distance, 1e-4f);
  }
}

}  // namespace
