// Paints the reference scene in a window on the X server that DISPLAY
// names and writes what it read back into the scene's directory:
// window-world.rgba, window-canvas.rgba and window-textures.txt.
//   frame_painter DIR
#include <cstdio>
#include <string>
#include <vector>

#include "gl_window.h"
#include "reference_scene.h"

namespace {

bool Write(const std::string &path, const void *bytes, std::size_t size) {
  std::FILE *out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(bytes, 1, size, out) == size;
  return std::fclose(out) == 0 && written;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fputs("usage: frame_painter DIR\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  kiln::test::GLWindow window(kiln::test::kSceneWidth, kiln::test::kSceneHeight);
  if (!window.IsReady()) {
    std::fputs("frame_painter: no window with OpenGL\n", stderr);
    return 1;
  }
  window.ActAsCanvas();
  const kiln::test::SceneFrames frames = kiln::test::PaintScene(window.Canvas(), dir);
  const bool written = Write(dir + "/window-world.rgba", frames.world.data(), frames.world.size()) &&
                       Write(dir + "/window-canvas.rgba", frames.canvas.data(), frames.canvas.size()) &&
                       Write(dir + "/window-textures.txt", frames.textures.data(), frames.textures.size());
  return written ? 0 : 1;
}
