#include "reference_scene.h"

#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dtexture.h>
#include <kiln/dtexturemanager.h>
#include <kiln/dtexturepool.h>
#include <kiln/dvector3.h>
#include <kiln/dworld.h>
#include <kiln/dworldpainter.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qfont.h>
#include <kiln/qtextstyle.h>
#include <kiln/scene.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <array>
#include <memory>
#include <set>

#include "dof_chunks.h"

using namespace kiln::test::dof;

namespace kiln::test {
namespace {

// A square behind the boxes, facing the camera, textured without normals.
std::string Backdrop(int32_t material) {
  return Gob1({Ghdr(0, 0, material), Indi({0, 1, 2, 2, 1, 3}), Vert({-3, -2, -2, 3, -2, -2, -3, 2, -2, 3, 2, -2}),
               Tver({0, 0, 2, 0, 0, 2, 2, 2}), Brst({0}, {18}, {0}, {3})});
}

void WriteFile(const std::string &path, const std::string &bytes) {
  std::FILE *out = std::fopen(path.c_str(), "wb");
  if (!out) return;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

template <typename Colour>
void Picture(const std::string &path, int width, int height, Colour colour, int format = QBM_FORMAT_TGA) {
  QBitMap bitmap(32, width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, colour(x, y));
  }
  bitmap.Write(path.c_str(), format, 90);
}

std::vector<uint8_t> Read(QCanvas *canvas) {
  QBitMap picture(32, kSceneWidth, kSceneHeight);
  canvas->ReadPixels(&picture, 0, 0);
  return std::vector<uint8_t>(picture.GetBuffer(), picture.GetBuffer() + picture.GetBufferSize());
}

std::multiset<std::string> poolEntries;

std::string PoolEntries(const std::string &dir) {
  poolEntries.clear();
  d3Global().pool->FindAll("*", [](DTexture *texture) {
    poolEntries.insert(std::string(texture->GetName()) + " " + std::to_string(texture->GetRefCount()));
  });
  std::string text = std::to_string(d3Global().pool->GetCount()) + " in the pool:";
  for (const std::string &entry : poolEntries) text += " " + entry;
  for (std::size_t at; (at = text.find(dir)) != std::string::npos;) text.erase(at, dir.size());
  return text;
}

std::vector<uint8_t> PaintWorld(QCanvas *canvas, const std::string &dir, std::string *textures) {
  canvas->Select();
  d3Global().flags |= DGF_USE_POOL;
  // The model goes after the world: the world's items hold shares of
  // shaders that its materials record.
  std::unique_ptr<DGeode> model;
  DWorld world;
  DWorldPainter painter;
  d3Global().shaderRender = &world;
  world.LoadShaders((dir + "/crate.shd").c_str());
  const float distances[DGeode::kMaxLevels] = {0, 40};
  model.reset(d3LoadModel((dir + "/crate.dof").c_str(), nullptr, distances));
  for (int level = 0; model && level < DGeode::kMaxLevels && model->GetLevel(level); ++level)
    world.AddGeode(model->GetLevel(level));
  world.SortByShader();
  *textures = PoolEntries(dir);

  glViewport(0, 0, kSceneWidth, kSceneHeight);
  glClearColor(0.1f, 0.1f, 0.15f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(50, static_cast<double>(kSceneWidth) / kSceneHeight, 0.5, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const DVector3 eye(2.5f, 1.8f, 3.5f);
  gluLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glEnable(GL_DEPTH_TEST);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, 1000);
  glFogf(GL_FOG_END, 2000);
  world.Cull(eye, 1);
  painter.Paint(world);
  glPopAttrib();
  std::vector<uint8_t> picture = Read(canvas);
  d3Global().shaderRender = nullptr;
  return picture;
}

// Textures by reference through the manager, side by side in the canvas's
// lower right: an image, and the stub a missing file gets.
void PaintManagedTextures(const std::string &dir) {
  DTextureManager &manager = *d3Global().textureManager;
  const int references[2] = {d3GetTextureReference((dir + "/sky.rgb").c_str()),
                             d3GetTextureReference((dir + "/missing.tga").c_str())};
  glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  for (int i = 0; i < 2; ++i) {
    DTexture *texture = manager.GetTexture(references[i]);
    if (!texture) continue;
    texture->Bind();
    const float x = 100.0f + 30.0f * static_cast<float>(i);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(x, 4);
    glTexCoord2f(1, 0), glVertex2f(x + 24, 4);
    glTexCoord2f(1, 1), glVertex2f(x + 24, 24);
    glTexCoord2f(0, 1), glVertex2f(x, 24);
    glEnd();
  }
  glPopAttrib();
  for (int reference : references) manager.Release(reference);
}

std::vector<uint8_t> PaintCanvas(QCanvas *canvas, const std::string &dir) {
  canvas->Select();
  canvas->Set2D();
  canvas->SetColor(30, 30, 40);
  canvas->Rectfill(0, 0, kSceneWidth, kSceneHeight);
  QRect band;
  band.Set(8, 8, 144, 30);
  canvas->RectfillGradient(band, QColor(255, 0, 0, 255), QColor(0, 255, 0, 255), QColor(0, 0, 255, 255),
                           QColor(255, 255, 255, 255));
  canvas->SetColor(PX_LTGRAY);
  canvas->Rectangle(6, 6, 148, 34);
  canvas->Line(8, 44, 150, 60);

  // A picture with an alpha ramp, blitted plain and blended.
  QBitMap stamp(32, 24, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) stamp.SetPixel(x, y, QColor(x * 10, 200, y * 15, x * 255 / 23));
  }
  canvas->Blit(&stamp, 10, 50);
  canvas->Blit(&stamp, 40, 50, -1, -1, 0, 0, true);

  QFont font((dir + "/font").c_str(), 0);
  if (font.Create()) {
    QTextStyle style;
    style.AddLayer(QColor(0, 0, 0, 255), 1, 1);
    style.AddLayer(QColor(255, 220, 0, 255), 0, 0);
    canvas->SetFont(&font);
    canvas->SetTextStyle(&style);
    canvas->Text("AVA", 10, 80);
    canvas->SetTextStyle(nullptr);
    canvas->SetColor(120, 200, 255);
    canvas->Text("VAAV", 80, 80);
    canvas->SetFont(nullptr);
  }
  PaintManagedTextures(dir);
  return Read(canvas);
}

}  // namespace

void WriteSceneFiles(const std::string &dir) {
  Picture(dir + "/checker.tga", 16, 16, [](int x, int y) {
    return (x / 4 + y / 4) % 2 ? QColor(220, 40, 40, 255) : QColor(240, 240, 240, 255);
  });
  Picture(dir + "/sky.rgb", 8, 8, [](int, int y) { return QColor(40, 60 + 10 * y, 200, 255); }, QBM_FORMAT_RGB);
  Picture(dir + "/shine.tga", 8, 8, [](int x, int y) {
    const int light = std::max(0, 90 - 12 * ((x - 4) * (x - 4) + (y - 4) * (y - 4)) / 4);
    return QColor(light, light, light, 255);
  });
  // Glyphs "A" (a wedge) and "V" (its mirror) side by side at the top of
  // the font's image.
  Picture(dir + "/font.tga", 32, 32, [](int x, int y) {
    const bool a = x < 9 && y < 12 && std::abs(2 * x - 8) <= y * 9 / 12;
    const bool v = x >= 10 && x < 19 && y < 12 && std::abs(2 * (x - 10) - 8) <= (11 - y) * 9 / 12;
    return a || v ? QColor(255, 255, 255, 255) : QColor(0, 0, 0, 0);
  });
  WriteFile(dir + "/font.dtf",
            "general\n{\nversion=2\nminchar=65\nmaxchar=86\n}\nchars\n{\n"
            "char65\n{\nx=0\ny=0\nwid=9\nhgt=12\nadvance=11\nbearingx=1\n}\n"
            "char86\n{\nx=10\ny=0\nwid=9\nhgt=12\nadvance=10\nbearingx=0\n}\n}\n");

  WriteFile(dir + "/crate.dof",
            Dof1({Mats({WrittenMaterial("crate", {"checker.tga"}), WrittenMaterial("sky", {"sky.rgb"})}),
                  Geob({Box(0, {1.4f, 1.4f, 1.4f}, {0, 0, 0}, true, true), Backdrop(1),
                        Box(0, {0.6f, 0.6f, 0.6f}, {1.3f, -0.2f, 0.4f})})}));
  WriteFile(dir + "/crate_lod1.dof", Dof1({Mats({WrittenMaterial("crate", {"checker.tga"})}),
                                           Geob({Box(0, {1.4f, 1.4f, 1.4f})})}));
  WriteFile(dir + "/crate.shd",
            "shader_crate\n{\nlayer0\n{\nmap=checker.tga\n}\nlayer1\n{\nmap=shine.tga\nblendfunc=one one\n"
            "texgen_s=sphere_map\ntexgen_t=sphere_map\n}\n}\n");
}

SceneFrames PaintScene(QCanvas *canvas, const std::string &dir) {
  d3UseTextureFonts();
  SceneFrames frames;
  frames.world = PaintWorld(canvas, dir, &frames.textures);
  frames.canvas = PaintCanvas(canvas, dir);
  return frames;
}

int ColourCount(const std::vector<uint8_t> &rgba) {
  std::set<uint32_t> colours;
  for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
    colours.insert(static_cast<uint32_t>(rgba[i] << 16 | rgba[i + 1] << 8 | rgba[i + 2]));
  return static_cast<int>(colours.size());
}

}  // namespace kiln::test
