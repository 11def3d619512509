// The guide's samples of the 3D side: the search path, models with their
// levels, shaders and the world.
#include <kiln/kiln.h>

#include <GL/gl.h>

#include <memory>

// [search path]
// Image files named by materials and shader files are looked for along
// the global search path first, then beside the model or shader file.
void AddTextureDirectories() {
  d3Global().path.Add("textures");
  d3Global().path.Add("/usr/share/mygame/textures");
  d3Global().flags |= DGF_USE_POOL;  // models loaded later share textures by name
}
// [search path]

// [levels]
// A model and its lower levels ("car_lod1.dof", "car_lod2.dof" beside it):
// level 1 from 50 units away, level 2 from 120, nothing beyond 400.
std::unique_ptr<DGeode> LoadCar() {
  const float distances[DGeode::kMaxLevels] = {0, 50, 120};
  return std::unique_ptr<DGeode>(d3LoadModel("models/car.dof", nullptr, distances, 400));
}
// [levels]

// [world]
// The world holds one item per geob of each level, each with its shader;
// a frame culls them for the camera and paints what is left, shader by
// shader.
struct Scene {
  std::unique_ptr<DGeode> car;  // declared first, destroyed last: the items use its shaders
  DWorld world;
  DWorldPainter painter;

  bool Load() {
    d3Global().shaderRender = &world;  // materials find their shaders here as they load
    if (!world.LoadShaders("shaders/cars.shd")) return false;
    car = LoadCar();
    if (!car) return false;
    for (int level = 0; level < DGeode::kMaxLevels && car->GetLevel(level); ++level)
      world.AddGeode(car->GetLevel(level));
    world.SortByShader();
    return true;
  }

  // With the camera's model-view matrix loaded.
  void Frame(const DVector3 &eye) {
    world.Cull(eye, 1);  // the view volume, groups, details and level ranges
    const DWorldPainter::Counts counts = painter.Paint(world);
    qdbg("%d items in %d shader runs\n", counts.items, counts.shaderChanges);
  }
};
// [world]

// [copies]
// Copies of one model, each under a transform: the items of each copy
// point at its matrix, which the program may change every frame.
void AddCopy(DWorld &world, DGeode *model, const DMatrix4 *place) {
  const int first = world.GetItemCount();
  world.AddGeode(model);
  for (int i = first; i < world.GetItemCount(); ++i) world.GetItem(i)->transform = place;
}
// [copies]

// [fog]
// Shaders fog by default and OpenGL's default fog is dense: a program sets
// the fog it wants, here beyond everything in view.
void FarFog(float distance) {
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, distance);
  glFogf(GL_FOG_END, 2 * distance);
}
// [fog]
