// The example models made by their script, shown by kiln-view with their
// shader (in a window and offscreen), driven by the world example and
// rendered by the offscreen example.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "targa_picture.h"
#include "test_support.h"

namespace {

// Pixels of a screenshot whose green stands out: the globe's land and sea.
int GreenPixels(const std::string &file) {
  const kiln::test::TargaPicture picture(kiln::test::ReadFile(file));
  int green = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const auto [r, g, b] = picture.At(x, y);
      green += g > 60 && g > r + 20 && g > b;
    }
  }
  return green;
}

TEST(ExampleModels, MadeByTheScriptShownAndDriven) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run under xvfb-run)";
  kiln::test::TempDir dir;
  const auto made = kiln::test::RunProgram({"/bin/sh", MAKE_MODELS_PATH, dir.Path("models"), KILN_MODEL_PATH}, dir.path());
  ASSERT_EQ(made.status, 0) << made.err;
  for (const char *file : {"globe.dof", "globe_lod1.dof", "globe_lod2.dof", "globe.shd", "globe.tga", "shine.tga"})
    EXPECT_TRUE(kiln::test::Exists(dir.Path(std::string("models/") + file))) << file;

  const std::string models = dir.Path("models");
  const auto viewed = kiln::test::RunProgram(
      {KILN_VIEW_PATH, "globe.dof", "--shaders", "globe.shd", "--size", "200x150", "--screenshot", "globe-shot.tga"},
      models);
  ASSERT_EQ(viewed.status, 0) << viewed.err;
  EXPECT_GT(GreenPixels(dir.Path("models/globe-shot.tga")), 200 * 150 / 10);
  // Without a display the same picture comes from the offscreen context:
  // the textures, the shader's shine and the levels as in the window.
  const auto offscreen = kiln::test::RunProgram({"/usr/bin/env", "-u", "DISPLAY", KILN_VIEW_PATH, "globe.dof", "--shaders",
                                                 "globe.shd", "--size", "200x150", "--screenshot", "globe-none.tga"},
                                                models);
  ASSERT_EQ(offscreen.status, 0) << offscreen.err;
  EXPECT_TRUE(kiln::test::ReadFile(dir.Path("models/globe-none.tga")) ==
              kiln::test::ReadFile(dir.Path("models/globe-shot.tga")));

  // The offscreen example draws the same model with no display at all.
  const auto rendered = kiln::test::RunProgram(
      {"/usr/bin/env", "-u", "DISPLAY", OFFSCREEN_RENDER_PATH, "globe.dof", "thumb.tga", "--shaders", "globe.shd"}, models);
  ASSERT_EQ(rendered.status, 0) << rendered.err;
  EXPECT_GT(GreenPixels(dir.Path("models/thumb.tga")), 400 * 300 / 10);

  const auto ring = kiln::test::RunProgram(
      {WORLD_RING_PATH, "globe.dof", "--shaders", "globe.shd", "--screenshot", "ring.tga"}, models);
  ASSERT_EQ(ring.status, 0) << ring.err;
  EXPECT_NE(ring.out.find("world_ring: wrote ring.tga"), std::string::npos);
  EXPECT_GT(GreenPixels(dir.Path("models/ring.tga")), 2000);
  const auto frames = kiln::test::RunProgram({WORLD_RING_PATH, "globe.dof", "--frames", "3"}, models);
  EXPECT_EQ(frames.status, 0) << frames.err;
  EXPECT_NE(frames.out.find("frame 0: "), std::string::npos) << frames.out;
}

}  // namespace
