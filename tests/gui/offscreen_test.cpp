// The offscreen context on a machine without an X server (DISPLAY unset):
// a context like a window's, pixels read back, both EGL platforms, the
// reason given once when there is none, and what needs X refusing with
// its message.
#include <gtest/gtest.h>

#include <kiln/qapp.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qcursor.h>
#include <kiln/qevent.h>
#include <kiln/qfont.h>
#include <kiln/qfontlist.h>
#include <kiln/qglcontext.h>
#include <kiln/qoffscreen.h>
#include <kiln/qxwindow.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "egl_pbuffer.h"
#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;
using kiln::test::ProcessResult;
using kiln::test::TempDir;

namespace {

// Occurrences of a text in another.
int Count(const std::string &text, const std::string &part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Rectangles drawn on the canvas and read back: RGBA, bottom row first.
std::string Painted(QCanvas *canvas) {
  canvas->Select();
  canvas->SetColor(255, 0, 0);
  canvas->Rectfill(8, 4, 16, 8);
  QRect band;
  band.Set(0, 20, 64, 10);
  canvas->RectfillGradient(band, QColor(0, 0, 255, 255), QColor(0, 255, 0, 255), QColor(0, 255, 0, 255),
                           QColor(0, 0, 255, 255));
  QBitMap picture(32, 64, 48);
  canvas->ReadPixels(&picture, 0, 0);
  return std::string(reinterpret_cast<const char *>(picture.GetBuffer()), picture.GetBufferSize());
}

class OffscreenContext : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(std::getenv("DISPLAY"), nullptr) << "run with DISPLAY unset"; }

  MessageCapture capture;
  TempDir dir;
};

TEST_F(OffscreenContext, IsAContextAsAWindowsIs) {
  QOffscreen offscreen(64, 48);
  ASSERT_TRUE(offscreen.IsValid()) << capture.Take();
  QGLContext *context = offscreen.GetGLContext();
  EXPECT_TRUE(context->IsOffscreen());
  EXPECT_EQ(context->GetGLXContext(), nullptr);
  EXPECT_EQ(context->GetWindow(), &offscreen);
  EXPECT_EQ(QGLContext::GetCurrent(), context);
  ASSERT_NE(context->GetNativeContext(), nullptr);
  EXPECT_EQ(QGLContext::GetCurrentNativeContext(), context->GetNativeContext());
  EXPECT_EQ(QCanvas::GetAppCanvas(), offscreen.GetCanvas());
  EXPECT_STRNE(context->GetVersion(), "");
  EXPECT_TRUE(context->HasExtensions(QGL_MULTITEXTURE | QGL_TEXTURE_ENV_COMBINE | QGL_BLEND_COLOR));

  // The 2D projection of its size: pixel coordinates from the bottom left.
  context->Setup2D();
  EXPECT_EQ(std::vector<int>(context->GetViewport(), context->GetViewport() + 4), (std::vector<int>{0, 0, 64, 48}));
  const float point[3] = {16, 12, 0};
  float window[3];
  context->Project(point, window);
  EXPECT_FLOAT_EQ(window[0], 16);
  EXPECT_FLOAT_EQ(window[1], 12);

  // Drawn through the canvas, read back: the red rectangle at its place
  // from the top, black around it, opaque everywhere.
  const std::string pixels = Painted(offscreen.GetCanvas());
  const auto at = [&](int x, int yFromTop) {
    return pixels.substr(static_cast<std::size_t>(((47 - yFromTop) * 64 + x) * 4), 4);
  };
  EXPECT_EQ(at(10, 6), std::string("\xff\x00\x00\xff", 4));
  EXPECT_EQ(at(30, 6), std::string("\x00\x00\x00\xff", 4));
  EXPECT_GT(static_cast<uint8_t>(at(63, 25)[1]), 240);  // the gradient's green end
  EXPECT_GT(static_cast<uint8_t>(at(0, 25)[2]), 240);   // and its blue one

  // Errors are reported as for any context; the state dump names it.
  capture.Take();
  QGLCheckError("clean");
  EXPECT_EQ(capture.Take(), "");
  glEnable(0x1234);
  QGLCheckError("probe");
  EXPECT_NE(capture.Take().find("probe: OpenGL error (1280)"), std::string::npos);
  QGLDumpState("dump");
  char context_line[64];
  std::snprintf(context_line, sizeof context_line, "OpenGL state: (context %p) (dump)", context->GetNativeContext());
  EXPECT_NE(capture.Take().find(context_line), std::string::npos);

  // Another one takes over while it is made; selecting goes back; the
  // current one destroyed leaves none current.
  {
    QOffscreen other(16, 16);
    ASSERT_TRUE(other.IsValid());
    EXPECT_EQ(QGLContext::GetCurrent(), other.GetGLContext());
    EXPECT_EQ(QCanvas::GetAppCanvas(), offscreen.GetCanvas());
    offscreen.GetCanvas()->Select();
    EXPECT_EQ(QGLContext::GetCurrentNativeContext(), context->GetNativeContext());
    other.GetCanvas()->Select();
  }
  EXPECT_EQ(QGLContext::GetCurrent(), nullptr);
  EXPECT_EQ(QGLContext::GetCurrentNativeContext(), nullptr);
  offscreen.GetCanvas()->Select();
  EXPECT_EQ(Painted(offscreen.GetCanvas()), pixels);
}

TEST_F(OffscreenContext, RefusesSizesBelowAPixelAndStandsAsTheAppCanvasOnlyWhileItLives) {
  {
    QOffscreen empty(0, 10);
    EXPECT_FALSE(empty.IsValid());
    EXPECT_EQ(empty.GetCanvas(), nullptr);
    EXPECT_EQ(capture.Take(), "** Error: QOffscreen::QOffscreen(); no picture of 0x10 pixels\n");
    QOffscreen first(8, 8);
    ASSERT_TRUE(first.IsValid());
    EXPECT_EQ(QCanvas::GetAppCanvas(), first.GetCanvas());
  }
  EXPECT_EQ(QCanvas::GetAppCanvas(), nullptr);
}

// Each case in a child of its own: the platform is chosen once a process.
TEST_F(OffscreenContext, WithoutAnyPlatformSaysWhyOnce) {
  const ProcessResult run = kiln::test::RunInChild(
      [] {
        setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/vendor.json", 1);
        qerr_set_callback([](const char *text) { std::fputs(text, stderr); });
        QOffscreen first(8, 8), second(8, 8);
        std::printf("%d %d %p\n", first.IsValid(), second.IsValid(), first.GetCanvas());
      },
      dir.path());
  EXPECT_EQ(run.out, "0 0 (nil)\n");
  EXPECT_EQ(Count(run.err, "no offscreen context"), 1) << run.err;
  EXPECT_NE(run.err.find("surfaceless platform: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("device platform: "), std::string::npos) << run.err;
}

TEST_F(OffscreenContext, TheDevicePlatformDrawsTheSame) {
  const ProcessResult run = kiln::test::RunInChild(
      [] {
        kiln::gui::UseOnlyEGLPlatform(kiln::gui::EGLPlatform::kDevice);
        QOffscreen offscreen(64, 48);
        if (!offscreen.IsValid()) return;
        const std::string pixels = Painted(offscreen.GetCanvas());
        std::fwrite(pixels.data(), 1, pixels.size(), stdout);
      },
      dir.path());
  QOffscreen offscreen(64, 48);
  ASSERT_TRUE(offscreen.IsValid());
  const std::string pixels = Painted(offscreen.GetCanvas());
  EXPECT_EQ(run.out.size(), pixels.size()) << run.err;
  EXPECT_TRUE(run.out == pixels);
}

TEST_F(OffscreenContext, WhatNeedsTheXServerRefusesWithItsMessage) {
  QXWindow window(nullptr, 0, 0, 32, 32);
  EXPECT_FALSE(window.Create());
  EXPECT_EQ(capture.Take(), "** Error: QXWindow:Create; no X display\n");
  QFont font("helvetica", 12, 1, 0, 0);
  EXPECT_FALSE(font.Create());
  EXPECT_EQ(capture.Take().rfind("** Error: QFont::Create(); no X display\n", 0), 0u);
  QFontList fonts;
  EXPECT_EQ(fonts.GetCount(), 0);
  EXPECT_NE(capture.Take().find("QFontList::QFontList(); no X display\n"), std::string::npos);
  QCursor cursor(QCURSOR_ARROW, false);
  EXPECT_FALSE(cursor.Create(QCURSOR_ARROW));
  EXPECT_EQ(capture.Take(), "** Error: QCursor::Create(); no X display\n");
  QEvent event;
  EXPECT_FALSE(QEventGet(&event));
  EXPECT_EQ(capture.Take(), "** Error: QEventGet(); no X display\n");
  // Plain X drawing on an offscreen canvas has no X drawable to go to.
  QOffscreen offscreen(16, 16);
  ASSERT_TRUE(offscreen.IsValid());
  capture.Take();
  offscreen.GetCanvas()->UseX();
  offscreen.GetCanvas()->Rectfill(0, 0, 4, 4);
  EXPECT_EQ(capture.Take(), "** Error: QGC::QGC(); no X display\n");

  // The application object ends the process, with its message.
  const ProcessResult app = kiln::test::RunInChild(
      [] {
        qerr_set_callback([](const char *text) { std::fputs(text, stderr); });
        QApp application("probe", "probe");
      },
      dir.path());
  EXPECT_EQ(app.status, 1);
  EXPECT_NE(app.err.find("Can't open X11 display (probe)"), std::string::npos) << app.err;
}

}  // namespace
