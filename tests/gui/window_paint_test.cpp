// What windows paint, read back from what X shows: backgrounds (grey, or
// an image tiled with partial tiles), the shell's outline, a group's frame
// and title, texture cells, and screenshots compared with what was drawn.
#include <gtest/gtest.h>

#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qcolor.h>
#include <kiln/qfont.h>
#include <kiln/qglcontext.h>
#include <kiln/qgroup.h>
#include <kiln/qimage.h>
#include <kiln/qshell.h>
#include <kiln/qxwindow.h>

#include <GL/gl.h>
#include <X11/Xutil.h>

#include <array>

#include "shown_pixels.h"
#include "test_support.h"
#include "window_fixture.h"

using kiln::test::TempDir;
using kiln::test::TestDisplay;
using kiln::test::Grey;
using kiln::test::Rgb;

namespace {

class WindowPaint : public kiln::test::WindowFixture {
protected:
  // The pixel X shows at (x, y) of a window's real window.
  static Rgb Shown(const QWindow &window, int x, int y) {
    return kiln::test::Shown(TestDisplay(), QWindow::GetXWindowOf(&window)->GetXWindow(), x, y);
  }

  TempDir dir;
};

// A picture whose every pixel tells where it is.
QColor Spot(int x, int y) { return QColor(x * 15, y * 20, 100, 255); }

TEST_F(WindowPaint, BackgroundsGreyOrTiledFromTheWindowsOrigin) {
  QDraw frame(nullptr, 0, 0, 120, 100);
  ASSERT_TRUE(frame.Create());
  QWindow panel(&frame, 20, 10, 40, 30);
  ASSERT_TRUE(panel.Create());
  manager->SetBackgroundColor(QColor(10, 200, 30));  // kept, but fills are grey
  panel.PaintBackground();
  EXPECT_EQ(Shown(frame, 25, 15), Grey(192));
  EXPECT_EQ(Shown(frame, 15, 15), Grey(0));

  QBitMap tile(32, 16, 12);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) tile.SetPixel(x, y, Spot(x, y));
  }
  ASSERT_TRUE(tile.Write(dir.Path("tile.tga").c_str(), QBM_FORMAT_TGA));
  ASSERT_TRUE(manager->SetBackgroundImage(dir.Path("tile.tga").c_str()));
  panel.PaintBackground();
  // Whole tiles, and the partial ones at the right and bottom edges.
  for (auto [x, y] : {std::pair{0, 0}, std::pair{15, 11}, std::pair{17, 13}, std::pair{35, 27}, std::pair{39, 29}}) {
    const QColor expected = Spot(x % 16, y % 12);
    EXPECT_EQ(Shown(frame, 20 + x, 10 + y), (Rgb{expected.GetRed(), expected.GetGreen(), expected.GetBlue()}))
        << x << "," << y;
  }
  // Only the area asked for; a window that refuses the image is grey.
  QWindow plain(&frame, 70, 10, 40, 30);
  plain.Create();
  plain.SetUseBackgroundImage(false);
  QRect part;
  part.Set(5, 5, 10, 10);
  plain.PaintBackground(part);
  EXPECT_EQ(Shown(frame, 76, 16), Grey(192));
  EXPECT_EQ(Shown(frame, 72, 12), Grey(0));

  // An image without pixels is no image.
  dir.WriteFile("empty.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\0\0\0\0\40\0", 18));
  EXPECT_FALSE(manager->SetBackgroundImage(dir.Path("empty.tga").c_str()));
  panel.PaintBackground();
  EXPECT_EQ(Shown(frame, 35, 27), Grey(192));
}

TEST_F(WindowPaint, ShellOutlineAndGroupFrames) {
  QShell ui(nullptr, 0, 0, 200, 120);
  ASSERT_TRUE(ui.Create());
  shell = &ui;
  ui.Paint(0);
  EXPECT_EQ(Shown(ui, 5, 0), Grey(70));
  EXPECT_EQ(Shown(ui, 5, 1), Grey(164));
  EXPECT_EQ(Shown(ui, 5, 2), Grey(252));
  EXPECT_EQ(Shown(ui, 100, 60), Grey(192));

  QFont helvetica("helvetica", 12);
  ASSERT_TRUE(helvetica.Create());
  font = &helvetica;
  QRect area;
  area.Set(20, 20, 150, 80);
  QGroup titled(&ui, area, "Wheels");
  titled.Paint(0);
  const int h = static_cast<int>(helvetica.GetHeight());
  EXPECT_EQ(Shown(ui, 20 + 100, 20 + h / 2), Grey(70));  // the frame's top edge, halfway down the title
  EXPECT_EQ(Shown(ui, 20 + 8, 20 + h / 2), Grey(192));   // cleared behind the title
  int ink = 0;
  for (int x = 10; x < 40; ++x) {
    for (int y = 0; y < h; ++y) ink += Shown(ui, 20 + x, 20 + y) == Grey(0);
  }
  EXPECT_GT(ink, 20);

  font = nullptr;  // no font, no title: the frame from the top
  area.Set(20, 105, 150, 10);
  QGroup untitled(&ui, area, "Tyres");
  untitled.Paint(0);
  EXPECT_EQ(Shown(ui, 100, 105), Grey(70));
  shell = nullptr;
}

TEST_F(WindowPaint, RepaintAllPaintsFromTheBottomUp) {
  QShell ui(nullptr, 0, 0, 100, 80);
  ASSERT_TRUE(ui.Create());
  shell = &ui;
  struct Red : QWindow {
    using QWindow::QWindow;
    void Paint(int) override {
      GetCanvas()->SetColor(255, 0, 0);
      GetCanvas()->Rectfill(0, 0, GetWidth(), GetHeight());
    }
  } badge(&ui, 30, 30, 20, 20);
  ASSERT_TRUE(badge.Create());
  manager->RepaintAll();
  EXPECT_EQ(Shown(ui, 40, 40), (Rgb{255, 0, 0}));  // the shell's background went first
  EXPECT_EQ(Shown(ui, 20, 20), Grey(192));
  shell = nullptr;
}

TEST_F(WindowPaint, TextureCells) {
  QDraw frame(nullptr, 0, 0, 100, 100);
  ASSERT_TRUE(frame.Create());
  frame.GetCanvas()->SetColor(0, 0, 0);
  frame.GetCanvas()->Rectfill(0, 0, 100, 100);
  // Four cells of 16 x 16 side by side, each its own colour.
  const std::array<Rgb, 4> cells = {Rgb{255, 0, 0}, Rgb{0, 255, 0}, Rgb{0, 0, 255}, Rgb{255, 255, 0}};
  std::vector<uint8_t> texels(64 * 16 * 4);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 64; ++x) {
      const Rgb &colour = cells[x / 16];
      uint8_t *texel = &texels[(y * 64 + x) * 4];
      texel[0] = static_cast<uint8_t>(colour[0]);
      texel[1] = static_cast<uint8_t>(colour[1]);
      texel[2] = static_cast<uint8_t>(colour[2]);
      texel[3] = 255;
    }
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());

  QWindow cell(&frame, 20, 30, 32, 32);
  ASSERT_TRUE(cell.Create());
  cell.PaintTexture();
  EXPECT_EQ(capture.Take(), "QWindow:PaintTexture(); no texture\n");
  cell.SetTexture({name, 64, 16});
  cell.PaintTexture();
  EXPECT_EQ(capture.Take(), "QWindow:PaintTexture(); texGrid.wid=0\n");
  cell.SetTextureGrid(0, 0, 16, 16);
  for (int index = 0; index < 4; ++index) {
    cell.SetTextureIndex(index);
    cell.PaintTexture();
    EXPECT_EQ(Shown(frame, 20 + 16, 30 + 16), cells[index]) << index;
  }
  EXPECT_EQ(Shown(frame, 18, 28), Grey(0));  // nothing beyond the window
  // Disabled: at 0.3 over black.
  frame.GetCanvas()->SetColor(0, 0, 0);
  frame.GetCanvas()->Rectfill(0, 0, 100, 100);
  cell.Disable();
  cell.SetTextureIndex(0);
  cell.PaintTexture();
  const Rgb faded = Shown(frame, 36, 46);
  EXPECT_NEAR(faded[0], 77, 2);
  EXPECT_EQ(faded[1], 0);
  glDeleteTextures(1, &name);
}

TEST_F(WindowPaint, ScreenshotsOfFrontAndBackBufferWindows) {
  auto drawn = [](QDraw &window) {
    QCanvas *canvas = window.GetCanvas();
    for (int i = 0; i < 4; ++i) {
      canvas->SetColor(60 * i, 255 - 60 * i, 40 * i);
      canvas->Rectfill(i * 10, 0, 10, 30);
    }
  };
  for (bool swapped : {false, true}) {
    QDraw window(nullptr, 10, 10, 40, 30);
    ASSERT_TRUE(window.Create());
    if (swapped) window.GetCanvas()->SetBackBuffer(true);
    drawn(window);
    if (swapped) window.Swap();
    glFinish();
    const std::string file = dir.Path(swapped ? "swapped.tga" : "front.tga");
    ASSERT_TRUE(window.Screenshot(file.c_str()));
    QImage picture(file.c_str());
    ASSERT_TRUE(picture.IsRead());
    ASSERT_EQ(picture.GetWidth(), 40);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        const int i = x / 10;
        QColor pixel;
        picture.GetPixel(x, y, &pixel);
        ASSERT_EQ(pixel.GetRGBA(), QColor(60 * i, 255 - 60 * i, 40 * i, 255).GetRGBA())
            << (swapped ? "swapped " : "front ") << x << "," << y;
      }
    }
    EXPECT_FALSE(window.Screenshot(dir.Path("no/such/dir/x.tga").c_str()));
  }
}

}  // namespace
