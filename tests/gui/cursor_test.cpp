// The cursors the application sets, read back from the server as it shows
// them: the red arrow over the shell, nothing over the BC.
#include "app_fixture.h"

#include <X11/extensions/Xfixes.h>

#include <cstdint>
#include <vector>

using kiln::test::AppFixture;

namespace {

// The arrow's rows, lowest bit the leftmost pixel.
const uint16_t kArrowRows[16] = {0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                                 0x01FF, 0x001F, 0x003B, 0x0031, 0x0060, 0x0060, 0x00C0, 0x00C0};

struct ShownCursor {
  int width = 0, height = 0, hotX = -1, hotY = -1;
  std::vector<uint32_t> argb;  // the server's pixels are 32 bits in a long
};

ShownCursor CursorShown(Display *display) {
  ShownCursor shown;
  XFixesCursorImage *image = XFixesGetCursorImage(display);
  if (!image) return shown;
  shown.width = image->width;
  shown.height = image->height;
  shown.hotX = image->xhot;
  shown.hotY = image->yhot;
  for (int i = 0; i < shown.width * shown.height; ++i) shown.argb.push_back(static_cast<uint32_t>(image->pixels[i]));
  XFree(image);
  return shown;
}

class Cursors : public AppFixture {};

TEST_F(Cursors, AnArrowOverTheShellNothingOverTheBC) {
  int event = 0, error = 0;
  if (!XFixesQueryExtension(sender, &event, &error)) GTEST_SKIP() << "no XFIXES on this server";
  ASSERT_TRUE(app->Create());
  Settle();

  MoveTo(1000, 900);  // the shell, away from the BC
  Settle();
  ShownCursor arrow = CursorShown(sender);
  ASSERT_EQ(arrow.width, 16);
  ASSERT_EQ(arrow.height, 16);
  EXPECT_EQ(arrow.hotX, 0);
  EXPECT_EQ(arrow.hotY, 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool set = (kArrowRows[y] >> x) & 1;
      EXPECT_EQ(arrow.argb[static_cast<std::size_t>(y * 16 + x)], set ? 0xFFFF0000u : 0u) << x << "," << y;
    }
  }

  MoveTo(45 + 100, 45 + 120);  // the BC
  Settle();
  ShownCursor none = CursorShown(sender);
  ASSERT_EQ(none.width, 32);
  ASSERT_EQ(none.height, 32);
  EXPECT_EQ(none.argb, std::vector<uint32_t>(32 * 32, 0u));
}

}  // namespace
