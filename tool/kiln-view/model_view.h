// What kiln-view paints: a model and its levels of detail as items of a
// world, seen from an orbiting camera under a light at the eye. Materials
// without a texture, which the world leaves out, get shaders of their
// colours. The levels switch by distance (automatic) or one is shown at
// every distance.
#pragma once

#include <kiln/dbox.h>
#include <kiln/dworld.h>
#include <kiln/dworldpainter.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class DGeode;
class QCanvas;
struct OrbitCamera;

class ModelView {
public:
  static constexpr int kAutomatic = -1;

  struct Frame {
    int items = 0;      // painted
    int triangles = 0;  // of the painted items
  };

  // The world becomes the library's source of shaders.
  ModelView();
  ~ModelView();
  ModelView(const ModelView &) = delete;
  ModelView &operator=(const ModelView &) = delete;

  // Before Show(): the models' materials look their shaders up as they load.
  bool LoadShaders(const std::string &file);
  // Takes the model with its levels; false (with the reason) when nothing
  // of it can be painted.
  bool Show(std::unique_ptr<DGeode> shown, std::string *error);

  // Clears the view and paints the model into the current GL context.
  Frame Paint(const OrbitCamera &camera, int width, int height);
  // A frame painted on the canvas (a window's or an offscreen one), read
  // back before any swap and written by the file's extension (.tga, .jpg,
  // .rgb); false when it can't be written.
  bool WritePicture(const OrbitCamera &camera, QCanvas *canvas, const std::string &file);

  const DBox &GetBounds() const { return bounds; }
  int GetLevelCount() const { return static_cast<int>(ranges.size()); }
  int GetLevel() const { return level; }
  // kAutomatic or a loaded level; others are refused.
  bool SetLevel(int shown);
  // Automatic, then each level in turn, then automatic again.
  void NextLevel();
  bool wireframe = false;

private:
  // The world goes first: its items release shares of shaders that the
  // model's materials record.
  std::unique_ptr<DGeode> model;
  DWorld world;
  DWorldPainter painter;
  std::vector<std::pair<float, float>> ranges;  // each level's distances in automatic mode
  DBox bounds;
  int level = kAutomatic;
};
