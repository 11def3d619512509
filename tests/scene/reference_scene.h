// A scene painted the same way into any canvas, a window's or an offscreen
// one, so that the two pictures can be compared byte for byte: a world of
// textured models with a level of detail and a shader file, and a canvas
// of rectangles, gradients, blits, texture-font text in styled layers and
// textures from the texture manager (one a missing file's stub).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QCanvas;

namespace kiln::test {

constexpr int kSceneWidth = 160;
constexpr int kSceneHeight = 120;

// The models, their textures, the shader file and the texture font, in dir.
void WriteSceneFiles(const std::string &dir);

struct SceneFrames {
  std::vector<uint8_t> world;   // RGBA, bottom row first
  std::vector<uint8_t> canvas;  // likewise
  std::string textures;         // the texture pool: each name with its references
};

// Paints both frames on the canvas (kSceneWidth x kSceneHeight, its context
// made the application's) from the files in dir, reading each back before
// any swap.
SceneFrames PaintScene(QCanvas *canvas, const std::string &dir);

// Tells the frames apart from a blank picture: the number of different
// colours in one.
int ColourCount(const std::vector<uint8_t> &rgba);

}  // namespace kiln::test
