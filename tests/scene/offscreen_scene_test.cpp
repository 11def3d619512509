// The offscreen context on a machine without an X server: the reference
// scene (a world of textured models with a level of detail and a shader
// file; a canvas with rectangles, blits and texture-font text) painted
// into it equals byte for byte what a window shows, painted by a helper
// under an X server of its own, with the same textures shared as often.
#include <gtest/gtest.h>

#include <kiln/qoffscreen.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "reference_scene.h"
#include "test_support.h"

using kiln::test::ProcessResult;
using kiln::test::TempDir;

namespace {

std::vector<uint8_t> Bytes(const std::string &path) {
  const std::string text = kiln::test::ReadFile(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(OffscreenScene, PaintsWhatAWindowShowsByteForByte) {
  ASSERT_EQ(std::getenv("DISPLAY"), nullptr) << "run with DISPLAY unset";
  TempDir dir;
  kiln::test::WriteSceneFiles(dir.path());
  QOffscreen offscreen(kiln::test::kSceneWidth, kiln::test::kSceneHeight);
  ASSERT_TRUE(offscreen.IsValid());
  const kiln::test::SceneFrames frames = kiln::test::PaintScene(offscreen.GetCanvas(), dir.path());
  // Something was drawn: the textures, the shine, the gradient, the glyphs.
  EXPECT_GT(kiln::test::ColourCount(frames.world), 100);
  EXPECT_GT(kiln::test::ColourCount(frames.canvas), 100);
  EXPECT_EQ(frames.textures, "3 in the pool: checker.tga 1 shine.tga 1 sky.rgb 2");

  const ProcessResult window = kiln::test::RunProgram(
      {"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 640x480x24 -nolisten tcp", FRAME_PAINTER_PATH, dir.path()}, dir.path());
  ASSERT_EQ(window.status, 0) << window.err;
  EXPECT_TRUE(frames.world == Bytes(dir.Path("window-world.rgba")));
  EXPECT_TRUE(frames.canvas == Bytes(dir.Path("window-canvas.rgba")));
  EXPECT_EQ(frames.textures, kiln::test::ReadFile(dir.Path("window-textures.txt")));
}

}  // namespace
