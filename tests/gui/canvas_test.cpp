// The canvas on a real window under Xvfb, checked by the pixels Mesa draws:
// primitives, palette, blending, clipping, frames, blits and text against
// what X itself draws with the same font.
#include <gtest/gtest.h>

#include <kiln/qbitmap.h>
#include <kiln/qblitqueue.h>
#include <kiln/qcanvas.h>
#include <kiln/qfont.h>
#include <kiln/qgc.h>
#include <kiln/qglcontext.h>
#include <kiln/qtextstyle.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "canvas_fixture.h"
using Pixel = std::array<uint8_t, 4>;

namespace {

class CanvasTest : public kiln::test::CanvasFixture {
protected:
  CanvasTest() : CanvasFixture(160, 100) {}

  // A pixel in canvas coordinates (top left origin).
  Pixel At(int x, int y) { return window.Pixel(x, window.GetHeight() - 1 - y); }
  bool Lit(int x, int y) {
    Pixel p = At(x, y);
    return p[0] || p[1] || p[2];
  }
};

TEST_F(CanvasTest, PaletteRectanglesAndTheirRows) {
  canvas->SetColor(PX_MDGRAY);
  EXPECT_EQ(canvas->GetColor().GetRGBA(), 0xC0C0C0FFu);
  canvas->SetColor(9);
  EXPECT_EQ(canvas->GetColor().GetRGBA(), 0x00FF00FFu);
  EXPECT_EQ(capture.Take(), "QCanvas::SetColor(9) unknown PX_xxx\n");
  canvas->SetColor(PX_RED);
  canvas->Rectfill(0, 0, 10, 10);  // OpenGL rows 90 to 99 of the 100
  EXPECT_EQ(window.Pixel(0, 90), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(window.Pixel(9, 99), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(window.Pixel(0, 89), (Pixel{0, 0, 0, 255}));
  EXPECT_EQ(window.Pixel(10, 95), (Pixel{0, 0, 0, 255}));

  // An outline of 1-pixel edges, and the same by lines: the same pixels.
  canvas->SetColor(PX_WHITE);
  canvas->Rectangle(20, 20, 12, 8);
  canvas->RectangleLines(40, 20, 12, 8);
  for (int y = 18; y < 30; ++y) {
    for (int x = 18; x < 34; ++x) EXPECT_EQ(Lit(x, y), Lit(x + 20, y)) << x << "," << y;
  }
  EXPECT_TRUE(Lit(20, 20));
  EXPECT_TRUE(Lit(31, 27));
  EXPECT_FALSE(Lit(21, 21));
  // A line through pixel centres lights the pixels it names, its end aside.
  canvas->Line(70, 10, 70, 14);
  EXPECT_FALSE(Lit(69, 11));
  for (int y = 10; y < 14; ++y) EXPECT_TRUE(Lit(70, y)) << y;
  EXPECT_FALSE(Lit(70, 14));
}

TEST_F(CanvasTest, BlendingGradientsClippingAndOffsets) {
  canvas->SetColor(0, 0, 255);
  canvas->Rectfill(0, 0, 160, 100);
  canvas->SetColor(255, 0, 0, 128);
  canvas->SetBlending(1);
  canvas->Rectfill(0, 0, 10, 10);
  EXPECT_EQ(At(5, 5), (Pixel{128, 0, 127, 255}));
  canvas->SetBlending(3);  // ONE, ONE_MINUS_SRC_ALPHA
  canvas->Rectfill(10, 0, 10, 10);
  EXPECT_EQ(At(15, 5), (Pixel{255, 0, 127, 255}));
  canvas->SetBlending(0);
  canvas->Rectfill(20, 0, 10, 10);
  EXPECT_EQ(At(25, 5), (Pixel{255, 0, 0, 255}));

  // Corner colours: top left, top right, bottom right, bottom left.
  QRect rect;
  rect.Set(0, 20, 101, 51);
  canvas->RectfillGradient(rect, QColor(0, 0, 0), QColor(200, 0, 0), QColor(200, 200, 0), QColor(0, 200, 0));
  Pixel middle = At(50, 45);
  EXPECT_NEAR(middle[0], 100, 2);
  EXPECT_NEAR(middle[1], 100, 2);
  EXPECT_NEAR(At(99, 21)[0], 198, 2);

  // A child canvas draws at its offset, cut to its clip rectangle.
  QCanvas child(canvas);
  child.SetOffset(120, 60);
  child.SetColor(PX_WHITE);
  QRect clip;
  clip.Set(125, 65, 10, 10);
  child.SetClipRect(clip);
  child.SetFlags(QCANVAS_CLIP);
  child.Rectfill(0, 0, 40, 40);
  const Pixel white{255, 255, 255, 255};
  EXPECT_NE(At(124, 70), white);
  EXPECT_EQ(At(125, 65), white);
  EXPECT_EQ(At(134, 74), white);
  EXPECT_NE(At(135, 74), white);
}

TEST_F(CanvasTest, FramesPanelsAndSeparators) {
  canvas->Outline(10, 10, 40, 30);
  EXPECT_EQ(At(11, 10), (Pixel{70, 70, 70, 255}));
  EXPECT_EQ(At(10, 10), (Pixel{0, 0, 0, 255}));  // the corner stays
  EXPECT_EQ(At(11, 11), (Pixel{164, 164, 164, 255}));
  EXPECT_EQ(At(12, 12), (Pixel{252, 252, 252, 255}));
  EXPECT_EQ(At(13, 20), (Pixel{252, 252, 252, 255}));
  canvas->Inline(60, 10, 40, 30);
  EXPECT_EQ(At(60, 10), (Pixel{70, 70, 70, 255}));
  EXPECT_EQ(At(62, 12), (Pixel{124, 124, 124, 255}));
  EXPECT_EQ(canvas->GetColor().GetRGBA(), 0xFFFFFFFFu);  // the canvas's colour stays
  canvas->Panel(10, 50, 40, 20, true);
  EXPECT_NEAR(At(30, 50)[0], 214, 2);
  EXPECT_NEAR(At(30, 69)[0], 185, 2);
  canvas->Separator(60, 50, 40);
  EXPECT_EQ(At(70, 51), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(At(70, 52), (Pixel{0, 0, 0, 255}));
  canvas->FocusRectangle(60, 60, 20, 10);
  GLboolean stipple = GL_TRUE;
  glGetBooleanv(GL_LINE_STIPPLE, &stipple);
  EXPECT_FALSE(stipple);
  canvas->Shade();
  EXPECT_EQ(capture.Take(), "QCanvas::Shade obsolete call\n");

  // A shaded triangle, and a block of the frame buffer copied elsewhere.
  const QColor red(255, 0, 0), green(0, 255, 0);
  canvas->Triangle(110, 10, 150, 10, 110, 40, &red, &red, &green);
  EXPECT_EQ(At(111, 11)[2], 0);
  EXPECT_GT(At(111, 11)[0], 240);
  EXPECT_FALSE(Lit(148, 38));
  canvas->CopyPixels(110, 10, 20, 10, 120, 80);
  EXPECT_EQ(At(121, 81), At(111, 11));
}

QBitMap *Gradient(int width, int height) {
  auto *bitmap = new QBitMap(32, width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap->SetPixel(x, y, QColor(x * 4, y * 4, 128, 255));
  }
  return bitmap;
}

TEST_F(CanvasTest, BlitsCutToBitmapClipAndWindow) {
  std::unique_ptr<QBitMap> picture(Gradient(50, 50));
  // Clipped to (10, 10, 20, 20): the part of the source from (10, 10).
  QRect clip;
  clip.Set(10, 10, 20, 20);
  canvas->SetClipRect(clip);
  canvas->SetFlags(QCANVAS_CLIP);
  canvas->Blit(picture.get(), 0, 0);
  EXPECT_EQ(At(10, 10), (Pixel{40, 40, 128, 255}));
  EXPECT_EQ(At(29, 29), (Pixel{116, 116, 128, 255}));
  EXPECT_FALSE(Lit(9, 10));
  EXPECT_FALSE(Lit(30, 29));
  canvas->ClearFlags(QCANVAS_CLIP);

  // Beyond the window's left and top, and beyond the bitmap's right.
  canvas->Blit(picture.get(), -45, -45);
  EXPECT_EQ(At(0, 0), (Pixel{180, 180, 128, 255}));
  EXPECT_EQ(At(4, 4), (Pixel{196, 196, 128, 255}));
  canvas->Blit(picture.get(), 100, 60, 30, 10, 40, 0);  // 10 of the 30 exist
  EXPECT_EQ(At(109, 60), (Pixel{196, 0, 128, 255}));
  EXPECT_FALSE(Lit(110, 60));

  // Rows of 24-bit pixels are packed: widths 3 and 5.
  for (int width : {3, 5}) {
    QBitMap packed(24, width, 2);
    for (int i = 0; i < width * 2 * 3; ++i) packed.GetBuffer()[i] = static_cast<uint8_t>(i % 3 == 1 ? 255 : 0);
    canvas->Blit(&packed, 140, 80 + width);
    EXPECT_EQ(At(140 + width - 1, 80 + width), (Pixel{0, 255, 0, 255})) << width;
    EXPECT_EQ(At(140, 81 + width), (Pixel{0, 255, 0, 255})) << width;
  }
  QBitMap grey(8, 4, 4);
  canvas->Blit(&grey, 0, 0);
  EXPECT_EQ(capture.Take(), "QCanvas::Blit(); needs a bitmap of 24 or 32 bits with pixels\n");
}

TEST_F(CanvasTest, QueuedBlitsTargetsAndReadingBack) {
  std::unique_ptr<QBitMap> picture(Gradient(8, 8));
  canvas->SetFlags(QCANVAS_QUEUE_BLITS);
  for (int i = 0; i < 500; ++i) canvas->Blit(picture.get(), i % 20 * 8, i / 20 % 12 * 8);
  EXPECT_FALSE(Lit(0, 0));  // waiting
  EXPECT_EQ(canvas->GetBlitQueue()->GetPixelCount(), 500 * 64);
  canvas->Blit(picture.get(), 0, 0);
  EXPECT_EQ(capture.Take(), "QBlitQueue: overflow; executing current list\n");
  EXPECT_EQ(canvas->GetBlitQueue()->GetCount(), 1);
  EXPECT_EQ(At(7, 7), (Pixel{28, 28, 128, 255}));
  canvas->FlushBlits();
  EXPECT_EQ(canvas->GetBlitQueue()->GetCount(), 0);
  canvas->ClearFlags(QCANVAS_QUEUE_BLITS);

  // Into a bitmap instead, cut to it.
  QBitMap target(32, 10, 10);
  canvas->SetBitmapTarget(&target);
  canvas->Blit(picture.get(), 6, 6);
  QColor got;
  target.GetPixel(6, 6, &got);
  EXPECT_EQ(got.GetRGBA(), 0x000080FFu);
  target.GetPixel(9, 9, &got);
  EXPECT_EQ(got.GetRGBA(), 0x0C0C80FFu);
  target.GetPixel(5, 5, &got);
  EXPECT_EQ(got.GetRGBA(), 0u);
  canvas->ClearFlags(QCANVAS_BLIT_TARGET);

  // The frame buffer read back, cut to the window and the bitmap.
  canvas->SetColor(PX_RED);
  canvas->Rectfill(150, 90, 10, 10);
  QBitMap copy(32, 8, 8);
  canvas->ReadPixels(&copy, 155, 95, 20, 20, 2, 2);  // 5 x 5 exist, 6 x 6 fit
  copy.GetPixel(2, 2, &got);
  EXPECT_EQ(got.GetRGBA(), 0xFF0000FFu);
  copy.GetPixel(6, 6, &got);
  EXPECT_EQ(got.GetRGBA(), 0xFF0000FFu);
  copy.GetPixel(7, 7, &got);
  EXPECT_EQ(got.GetRGBA(), 0u);
  copy.GetPixel(1, 1, &got);
  EXPECT_EQ(got.GetRGBA(), 0u);
  GLint rowLength = -1;
  glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
  EXPECT_EQ(rowLength, 0);
}

// Overlapping plain copies are drawn together: the pixels must be those the
// blits drawn one by one leave, with blended and 24-bit blits among them,
// and blits reaching out of the window.
TEST_F(CanvasTest, QueuedBlitsLeaveWhatBlitsOneByOneLeave) {
  std::vector<std::unique_ptr<QBitMap>> pictures;
  for (int size : {7, 13, 40}) {
    pictures.emplace_back(Gradient(size, size + 3));
    for (int i = 3; i < pictures.back()->GetBufferSize(); i += 4) pictures.back()->GetBuffer()[i] = static_cast<uint8_t>(i * 7);
  }
  pictures.emplace_back(new QBitMap(24, 9, 5));
  for (int i = 0; i < pictures.back()->GetBufferSize(); ++i) pictures.back()->GetBuffer()[i] = static_cast<uint8_t>(i * 5);
  // Scattered over the window and beyond, or piled up at four places.
  const auto drawAll = [&](bool piled, int blendEvery, int count = 300) {
    canvas->Clear();
    unsigned seed = 1;
    for (int i = 0; i < count; ++i) {
      seed = seed * 1103515245 + 12345;
      const QBitMap *picture = pictures[seed >> 8 & 3].get();
      canvas->Blend(blendEvery && i % blendEvery == 0);
      const int x = piled ? i % 2 * 80 + static_cast<int>(seed >> 12 & 7) : static_cast<int>(seed >> 12 & 255) - 60;
      const int y = piled ? i / 2 % 2 * 50 + static_cast<int>(seed >> 20 & 3) : static_cast<int>(seed >> 20 & 127) - 20;
      canvas->Blit(piled ? pictures[i % 3].get() : picture, x, y, -1, -1, static_cast<int>(seed >> 4 & 3),
                   static_cast<int>(seed >> 6 & 3));
    }
    canvas->Blend(false);
    canvas->FlushBlits();
    std::vector<uint8_t> pixels(160 * 100 * 4);
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 160, 100, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  };
  for (bool piled : {false, true}) {
    for (int blendEvery : {0, 17}) {
      const std::vector<uint8_t> oneByOne = drawAll(piled, blendEvery);
      canvas->SetFlags(QCANVAS_QUEUE_BLITS);
      const std::vector<uint8_t> queued = drawAll(piled, blendEvery);
      canvas->ClearFlags(QCANVAS_QUEUE_BLITS);
      EXPECT_TRUE(oneByOne == queued) << piled << " " << blendEvery;
      // Pictures drawn again after a change to some of their bytes: what
      // they hold now is drawn, not what they held.
      for (auto &picture : pictures) {
        for (int i = blendEvery; i < picture->GetBufferSize(); i += 37) picture->GetBuffer()[i] ^= 0x5A;
      }
    }
  }
  // Held, the queue takes 1,200 blits for one pass; with green masked off.
  glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
  const std::vector<uint8_t> oneByOne = drawAll(true, 17, 1200);
  canvas->SetFlags(QCANVAS_QUEUE_BLITS);
  canvas->HoldBlits(true);
  const std::vector<uint8_t> held = drawAll(true, 17, 1200);
  canvas->HoldBlits(false);
  canvas->ClearFlags(QCANVAS_QUEUE_BLITS);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  EXPECT_TRUE(oneByOne == held);
}

TEST_F(CanvasTest, DrawingWithX) {
  canvas->UseX();
  ASSERT_TRUE(canvas->IsX());
  canvas->Line(0, 0, 5, 5);
  std::unique_ptr<QBitMap> picture(Gradient(4, 4));
  canvas->Blit(picture.get(), 0, 0);
  canvas->DrawPixels(picture.get(), 0, 0);
  EXPECT_EQ(capture.Take(), "** Error: Canvas:Line not supported for X\n** Error: QCanvas::Blit not implemented for USEX\n"
                            "** Error: QCanvas::DrawPixels() not implemented for USEX\n");
  canvas->SetColor(PX_RED);
  canvas->Rectfill(2, 3, 6, 4);
  XImage *image = XGetImage(kiln::test::TestDisplay(), window.GetXWindow(), 0, 0, 12, 12, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 2, 3), QGetDefaultColor(5));
  EXPECT_EQ(XGetPixel(image, 7, 6), QGetDefaultColor(5));
  EXPECT_NE(XGetPixel(image, 8, 6), QGetDefaultColor(5));
  XDestroyImage(image);
  // Text through X: styles are not for it.
  QFont font("fixed", 13);
  ASSERT_TRUE(font.Create());
  canvas->SetFont(&font);
  canvas->SetColor(PX_WHITE);
  canvas->Text("X", 40, 0);
  QTextStyle style;
  style.AddLayer(QColor(1, 2, 3), 1, 1);
  canvas->SetTextStyle(&style);
  canvas->Text("X", 60, 0);
  EXPECT_EQ(capture.Take(), "QCanvas:Text() doesn't support textstyles in X GC's\n");
  image = XGetImage(kiln::test::TestDisplay(), window.GetXWindow(), 40, 0, 30, 20, AllPlanes, ZPixmap);
  int lit = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) lit += XGetPixel(image, x, y) == QGetDefaultColor(0);
  }
  XDestroyImage(image);
  EXPECT_GT(lit, 10);
  EXPECT_EQ(QGetDefaultColor(-1), BlackPixel(kiln::test::TestDisplay(), 0));
  EXPECT_EQ(QGetDefaultColor(10), BlackPixel(kiln::test::TestDisplay(), 0));
}

}  // namespace
