#include "model_view.h"

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/dshader.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>

#include <GL/gl.h>

#include <cfloat>

#include "orbit_camera.h"
#include "tool_support.h"

namespace {

// In automatic mode level i > 0 takes over at this many radii, doubling
// from one level to the next.
constexpr float kFirstSwitch = 3;

// A shader painting the material's diffuse colour, blended when the
// material is.
DShader *PlainShader(const DMaterial &material) {
  auto *shader = new DShader;
  shader->name = "plain ";
  shader->name += material.name.CStr();
  shader->layerCount = 1;
  DShaderLayer &layer = shader->layers[0];
  for (int i = 0; i < 4; ++i) layer.diffuse[i] = material.diffuse[i];
  layer.flags |= DSL_DEPTH_WRITE;
  if (material.IsBlended()) {
    layer.diffuse[3] = 1 - material.transparency;
    layer.flags = (layer.flags | DSL_BLEND) & ~DSL_DEPTH_WRITE;
    layer.blendSrc = GL_SRC_ALPHA;
    layer.blendDst = GL_ONE_MINUS_SRC_ALPHA;
  }
  return shader;
}

}  // namespace

ModelView::ModelView() { d3Global().shaderRender = &world; }

ModelView::~ModelView() = default;

bool ModelView::LoadShaders(const std::string &file) { return world.LoadShaders(file.c_str()); }

bool ModelView::Show(std::unique_ptr<DGeode> shown, std::string *error) {
  model = std::move(shown);
  for (int i = 0; i < DGeode::kMaxLevels && model->GetLevel(i); ++i) {
    DGeode *geode = model->GetLevel(i);
    geode->GetBoundingBox(&bounds);
    for (int m = 0; m < geode->GetMaterialCount(); ++m) {
      DMaterial *material = geode->GetMaterial(m);
      if (!material->shader && !material->GetTexture(0)) {
        material->shader = PlainShader(*material);
        world.AddShader(material->shader);
      }
    }
  }
  const float radius = bounds.GetRadius();
  for (int i = 0; i < DGeode::kMaxLevels && model->GetLevel(i); ++i) {
    const float nearest = i == 0 ? 0 : radius * kFirstSwitch * static_cast<float>(1 << (i - 1));
    if (i > 0) ranges.back().second = nearest;
    ranges.emplace_back(nearest, FLT_MAX);
    const int first = world.GetItemCount();
    world.AddGeode(model->GetLevel(i));
    // Each level's items in a group of its own, to show one alone.
    for (int item = first; item < world.GetItemCount(); ++item) world.GetItem(item)->group = static_cast<int16_t>(i);
  }
  if (world.GetItemCount() == 0) {
    *error = "nothing in the model can be painted";
    return false;
  }
  world.SortByShader();
  SetLevel(kAutomatic);
  return true;
}

bool ModelView::SetLevel(int shown) {
  if (shown != kAutomatic && (shown < 0 || shown >= GetLevelCount())) return false;
  level = shown;
  for (int i = 0; i < GetLevelCount(); ++i) {
    DGeode *geode = model->GetLevel(i);
    const bool alone = i == level;
    geode->lodNear = alone ? 0 : ranges[static_cast<std::size_t>(i)].first;
    geode->lodFar = alone ? FLT_MAX : ranges[static_cast<std::size_t>(i)].second;
    (level == kAutomatic || alone) ? world.EnableGroup(i) : world.DisableGroup(i);
  }
  return true;
}

void ModelView::NextLevel() { SetLevel(level + 1 < GetLevelCount() ? level + 1 : kAutomatic); }

ModelView::Frame ModelView::Paint(const OrbitCamera &camera, int width, int height) {
  glViewport(0, 0, width, height);
  glClearColor(0.16f, 0.18f, 0.22f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  camera.Apply(width, height);

  glPushAttrib(GL_ALL_ATTRIB_BITS);
  // A light at the eye, set in eye coordinates.
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  const float headlight[4] = {0, 0, 1, 0}, white[4] = {0.75f, 0.75f, 0.75f, 1}, ambient[4] = {0.35f, 0.35f, 0.35f, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, headlight);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glPopMatrix();
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_NORMALIZE);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_COLOR_MATERIAL);
  // Shaders ask for fog; it lies beyond the model.
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, camera.distance + 4 * camera.radius);
  glFogf(GL_FOG_END, camera.distance + 8 * camera.radius);
  glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);

  world.Cull(camera.Eye(), 1);
  painter.Paint(world);
  glPopAttrib();

  Frame frame;
  for (int i = 0; i < world.GetItemCount(); ++i) {
    const DRenderItem *item = world.GetItem(i);
    if (!item->IsVisible()) continue;
    ++frame.items;
    frame.triangles += item->geob->GetIndexCount() / 3;
  }
  return frame;
}

bool ModelView::WritePicture(const OrbitCamera &camera, QCanvas *canvas, const std::string &file) {
  const int format = kiln::tool::ImageFormatFor(file);
  const int width = canvas->GetWidth(), height = canvas->GetHeight();
  QBitMap picture(32, width, height);
  if (format < 0 || !picture.GetBuffer()) return false;
  canvas->Select();
  Paint(camera, width, height);
  // Read from the back buffer, before any swap: the front buffer reads
  // black after a swap on some renderers.
  canvas->ReadPixels(&picture, 0, 0);
  return picture.Write(file.c_str(), format, 90);
}
