// The world on model files written here: items and their shaders, groups,
// shader files, culling checked against painting everything, levels of
// detail by the colour they show, sorting, and the painter's GL state by
// pixels.
#include <gtest/gtest.h>

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/dmatrix4.h>
#include <kiln/dshader.h>
#include <kiln/dtexture.h>
#include <kiln/dvector3.h>
#include <kiln/dworld.h>
#include <kiln/dworldpainter.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <GL/glx.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "dof_chunks.h"
#include "gl_window.h"
#include "message_capture.h"
#include "test_support.h"

using namespace kiln::test::dof;
using kiln::test::GLWindow;
using kiln::test::MessageCapture;
using kiln::test::TempDir;

namespace {

constexpr int kSide = 128;

// A square in the z = 0 plane facing +z, `size` wide.
std::string Square(int32_t material, float size) {
  const float h = size / 2;
  return Gob1({Ghdr(0, 0, material), Indi({0, 1, 2, 2, 1, 3}), Vert({-h, -h, 0, h, -h, 0, -h, h, 0, h, h, 0}),
               Tver({0, 0, 1, 0, 0, 1, 1, 1}), Brst({0}, {18}, {0}, {3})});
}

class World : public ::testing::Test {
protected:
  void SetUp() override {
    if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    window.ActAsCanvas();
    glViewport(0, 0, kSide, kSide);
    // Shaders fog by default: fog that starts beyond everything here.
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 1000);
    glFogf(GL_FOG_END, 2000);
    capture.Take();
  }

  // A picture file of one colour, beside the models.
  void Picture(const std::string &name, const QColor &color) {
    QBitMap bitmap(32, 4, 4);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) bitmap.SetPixel(x, y, color);
    }
    bitmap.Write(dir.Path(name).c_str(), QBM_FORMAT_TGA);
  }
  std::unique_ptr<DGeode> Model(const std::string &name, const std::string &bytes) {
    dir.WriteFile(name, bytes);
    QFile file(dir.Path(name).c_str(), QFile::READ);
    auto geode = std::make_unique<DGeode>(name.c_str());
    geode->SetPath(dir.path().c_str());
    EXPECT_TRUE(geode->ImportDOF(&file)) << name;
    return geode;
  }
  // A perspective camera at the origin looking down -z, turned about y.
  static void Camera(float turn) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 1, 1, 50);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(turn, 0, 1, 0);
  }
  std::vector<uint8_t> Picture() { return window.ReadPixels(0, 0, kSide, kSide); }
  void Clear() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }

  GLWindow window{kSide, kSide};
  TempDir dir;
  MessageCapture capture;
};

TEST_F(World, ItemsShareTheShaderOfTheirMaterialAndLeaveWhatLacksOne) {
  Picture("stone.tga", QColor(90, 90, 90, 255));
  auto geode = Model("house.dof", Dof1({Mats({WrittenMaterial("wall", {"stone.tga"}), WrittenMaterial("bare", {})}),
                                        Geob({Box(0), Box(0), Box(1)})}));
  auto world = std::make_unique<DWorld>();
  world->AddGeode(geode.get());
  EXPECT_NE(capture.Take().find("No texture for geob 2 (geode house.dof)\n"), std::string::npos);
  ASSERT_EQ(world->GetItemCount(), 2);
  DShader *shared = world->GetItem(0)->shader;
  EXPECT_EQ(world->GetItem(1)->shader, shared);
  EXPECT_EQ(geode->GetMaterial(0)->shader, shared);
  EXPECT_EQ(world->vertexCount, 48);
  EXPECT_EQ(world->triangleCount, 24);

  // A copy's materials take the shader along: it lives while any item uses it.
  DGeode copy(*geode);
  world->AddGeode(&copy);
  world->RemoveGeode(geode.get());
  ASSERT_EQ(world->GetItemCount(), 2);
  EXPECT_EQ(world->GetItem(0)->shader->layers[0].texture, shared->layers[0].texture);
  world.reset();  // the last user: every material forgets it
  EXPECT_EQ(geode->GetMaterial(0)->shader, nullptr);
  EXPECT_EQ(copy.GetMaterial(0)->shader, nullptr);
  capture.Take();

  // Geodes outlive a world and join another.
  DWorld second;
  second.AddGeode(geode.get());
  EXPECT_EQ(second.GetItemCount(), 2);
  second.RemoveGeode(geode.get());
  EXPECT_EQ(second.GetItemCount(), 0);
}

TEST_F(World, GroupsDetailAndTheLists) {
  DWorld world;
  world.DisableGroup(5);
  EXPECT_TRUE(world.IsGroupDisabled(5));
  world.EnableGroup(5);
  EXPECT_FALSE(world.IsGroupDisabled(5));
  world.DisableGroup(1000);
  world.EnableGroup(-1);
  EXPECT_FALSE(world.IsGroupDisabled(1000));
  EXPECT_EQ(capture.Take(), "DWorld:DisableGroup(1000); groups are 0 to 999\nDWorld:EnableGroup(-1); groups are 0 to 999\n");

  DGeode volume("volume");
  for (int i = 0; i < DWorld::kMaxShadowVolumes; ++i) world.AddShadowVolume(&volume);
  EXPECT_FALSE(world.AddShadowVolume(&volume));
  EXPECT_EQ(capture.Take(), "DWorld:Add(shadowVolume) overflow, max=1000\n");
  EXPECT_EQ(world.GetShadowVolumeCount(), 1000);

  auto *named = new DShader;
  named->name = "sky";
  world.AddShader(named);
  for (int i = 1; i < DWorld::kMaxShaders; ++i) world.AddShader(new DShader);
  EXPECT_FALSE(world.AddShader(new DShader));  // deleted, not kept
  EXPECT_EQ(capture.Take(), "DShaderRender:Add(shader) overflow\n");
  EXPECT_EQ(world.FindShader("sky"), named);
  EXPECT_EQ(world.FindShader("Sky"), nullptr);
  static std::string printed;
  printed.clear();
  qdbg_set_callback([](const char *text) { printed += text; });
  world.DbgPrintShaders();
  world.DbgPrintObjects();
  qdbg_set_callback(nullptr);
  EXPECT_EQ(printed.find("DWorld shaders (count=10000):\nshader 0: sky\nshader 1: \n"), 0u);
  const std::string end = "shader 9999: \n---\nDWorld objects (count=0):\n---\n";
  EXPECT_EQ(printed.rfind(end), printed.size() - end.size());
}

TEST_F(World, ShaderFilesNameTheirShadersAfterTheirDirectory) {
  const std::string trees =
      "shader_rock { layer0 { map rock.tga } }\nnotes { text hello }\nshader_sand { }\n"
      "other { }\nshader_grass { }\n";
  dir.WriteFile("maps/skin_red/world.shd", trees);
  dir.WriteFile("maps/plain.shd", trees);
  static std::vector<std::string> reported;
  reported.clear();
  DWorld world;
  world.SetProgress([](int index, int total, const char *text) {
    reported.push_back(std::to_string(index) + "/" + std::to_string(total) + " " + text);
  });
  ASSERT_TRUE(world.LoadShaders(dir.Path("maps/skin_red/world.shd").c_str()));
  EXPECT_EQ(reported, (std::vector<std::string>{"0/5 Shader 1 of 5 (rock)", "2/5 Shader 3 of 5 (sand)",
                                                "4/5 Shader 5 of 5 (grass)"}));
  ASSERT_EQ(world.GetShaderCount(), 3);
  const std::string above = dir.Path("maps/");
  std::string lower(above);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  EXPECT_EQ(world.GetShader(0)->name.CStr(), lower + "rock");
  ASSERT_TRUE(world.LoadShaders(dir.Path("maps/plain.shd").c_str()));
  EXPECT_EQ(world.GetShader(3)->name.CStr(), lower + "rock");
  EXPECT_TRUE(d3Global().flags & DGF_USE_POOL);
  capture.Take();
  EXPECT_FALSE(world.LoadShaders(dir.Path("maps/none.shd").c_str()));
  EXPECT_EQ(capture.Take(), "DWorld:LoadShaders(" + dir.Path("maps/none.shd") + "); the file can't be read\n");

  // Registered, the world lends materials its shaders by name; its items
  // use them without owning them.
  d3Global().shaderRender = &world;
  dir.WriteFile("maps/rock.tga", "");
  auto hut = Model("maps/hut.dof", Dof1({Mats({WrittenMaterial("rock", {})}), Geob({Box(0)})}));
  DShader *rock = world.FindShader((lower + "rock").c_str());
  EXPECT_EQ(rock, world.GetShader(0));  // the first of that name
  EXPECT_EQ(hut->GetMaterial(0)->shader, rock);
  world.AddGeode(hut.get());
  ASSERT_EQ(world.GetItemCount(), 1);
  EXPECT_EQ(world.GetItem(0)->shader, rock);
  EXPECT_EQ(world.GetItem(0)->flags & DRenderItem::OWNS_SHADER, 0);
  world.RemoveGeode(hut.get());
  EXPECT_EQ(hut->GetMaterial(0)->shader, rock);
  hut->GetMaterial(0)->shader = nullptr;

  // A "skin" directory with none above: no prefix.
  dir.WriteFile("skin_top/only.shd", trees);
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  EXPECT_TRUE(world.LoadShaders("skin_top/only.shd"));
  ASSERT_EQ(chdir(here), 0);
  EXPECT_NE(world.FindShader("rock"), nullptr);
  {
    DWorld passing;
    d3Global().shaderRender = &passing;
  }
  EXPECT_EQ(d3Global().shaderRender, nullptr);
}

// Levels of detail end to end: each level a square of its own colour, the
// centre pixel names the level shown.
TEST_F(World, ExactlyOneLevelShowsAtEachDistance) {
  const QColor colours[3] = {QColor(255, 0, 0, 255), QColor(0, 255, 0, 255), QColor(0, 0, 255, 255)};
  const char *files[3] = {"tower.dof", "tower_lod1.dof", "tower_lod2.dof"};
  for (int level = 0; level < 3; ++level) {
    const std::string picture = "level" + std::to_string(level) + ".tga";
    Picture(picture, colours[level]);
    dir.WriteFile(files[level], Dof1({Mats({WrittenMaterial("look", {picture})}), Geob({Square(0, 4)})}));
  }
  const float distances[3] = {0, 10, 30};
  const auto shown = [&](float worldScale, float globalScale) {
    d3Global().lodScale = globalScale;
    std::unique_ptr<DGeode> tower(d3LoadModel(dir.Path("tower.dof").c_str(), nullptr, distances, 100));
    d3Global().lodScale = 1;
    std::string seen;
    if (!tower || !tower->GetLevel(2)) return std::string("not loaded");
    DWorld world;
    world.lodScale = worldScale;
    for (int level = 0; level < 3; ++level) world.AddGeode(tower->GetLevel(level));
    for (float away : {5.0f, 10.0f, 29.9f, 50.0f, 100.0f}) {
      Clear();
      glMatrixMode(GL_PROJECTION);
      glLoadIdentity();
      gluPerspective(60, 1, 0.5, 500);
      glMatrixMode(GL_MODELVIEW);
      glLoadIdentity();
      glTranslatef(0, 0, -away);
      world.Cull(DVector3(0, 0, away), 1);
      int visible = 0;
      for (int i = 0; i < world.GetItemCount(); ++i) visible += world.GetItem(i)->IsVisible();
      DWorldPainter().Paint(world);
      const std::vector<uint8_t> centre = window.ReadPixels(kSide / 2, kSide / 2, 1, 1);
      const char *names[4] = {"-", "0", "1", "2"};
      int named = 0;
      for (int level = 0; level < 3; ++level) {
        if (centre[0] == colours[level].GetRed() && centre[1] == colours[level].GetGreen() &&
            centre[2] == colours[level].GetBlue())
          named = level + 1;
      }
      seen += names[named];
      if (visible > 1) seen += "!";  // never two levels at once
    }
    return seen;
  };
  EXPECT_EQ(shown(1, 1), "0112-");
  EXPECT_EQ(shown(2, 1), "112--");
  EXPECT_EQ(shown(1, 2), "00112");
}

// Triangles the GL was given between Begin and End, culled or not.
class PrimitivesCounted {
public:
  PrimitivesCounted() {
    genQueries = reinterpret_cast<PFNGLGENQUERIESPROC>(glXGetProcAddressARB(reinterpret_cast<const GLubyte *>("glGenQueries")));
    beginQuery = reinterpret_cast<PFNGLBEGINQUERYPROC>(glXGetProcAddressARB(reinterpret_cast<const GLubyte *>("glBeginQuery")));
    endQuery = reinterpret_cast<PFNGLENDQUERYPROC>(glXGetProcAddressARB(reinterpret_cast<const GLubyte *>("glEndQuery")));
    getResult = reinterpret_cast<PFNGLGETQUERYOBJECTUIVPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte *>("glGetQueryObjectuiv")));
    if (genQueries) genQueries(1, &query);
  }
  bool IsReady() const { return genQueries && beginQuery && endQuery && getResult; }
  void Begin() { beginQuery(GL_PRIMITIVES_GENERATED, query); }
  unsigned End() {
    endQuery(GL_PRIMITIVES_GENERATED);
    GLuint count = 0;
    getResult(query, GL_QUERY_RESULT, &count);
    return count;
  }

private:
  PFNGLGENQUERIESPROC genQueries;
  PFNGLBEGINQUERYPROC beginQuery;
  PFNGLENDQUERYPROC endQuery;
  PFNGLGETQUERYOBJECTUIVPROC getResult;
  GLuint query = 0;
};

// About 300 cubes around the camera, some placed by transforms (moved,
// turned, scaled), some in world space: what Cull lets through paints the
// same picture as everything, and nothing culled reaches the GL.
TEST_F(World, CullingDropsOnlyWhatCantBeSeen) {
  Picture("crate.tga", QColor(200, 150, 50, 255));
  const std::string crate = Dof1({Mats({WrittenMaterial("crate", {"crate.tga"})}), Geob({Box(0)})});
  auto shared = Model("crate.dof", crate);
  std::vector<std::unique_ptr<DGeode>> placed;
  std::vector<DMatrix4> transforms(200);
  std::mt19937 random(11);
  std::uniform_real_distribution<float> spread(-40, 40), turn(0, 6.28f), scale(0.3f, 3);
  DWorld world;
  for (int i = 0; i < 100; ++i) {
    // In world space as written.
    const std::array<float, 3> size{scale(random), scale(random), scale(random)};
    const std::array<float, 3> at{spread(random), spread(random) / 4, spread(random)};
    placed.push_back(Model("placed.dof", Dof1({Mats({WrittenMaterial("crate", {"crate.tga"})}), Geob({Box(0, size, at)})})));
    world.AddGeode(placed.back().get());
  }
  for (std::size_t i = 0; i < transforms.size(); ++i) {
    world.AddGeode(shared.get());
    DMatrix4 &m = transforms[i];
    m.SetRotateEuler(turn(random), turn(random), turn(random));
    if (i % 3 == 0) m.Scale(scale(random), scale(random), scale(random));
    m.m[12] = spread(random);
    m.m[13] = spread(random) / 4;
    m.m[14] = spread(random);
    world.GetItem(world.GetItemCount() - 1)->transform = &m;
  }
  // Large and just beside the left plane: only its scaled size reaches in.
  DMatrix4 big;
  big.SetRotateY(0);
  big.Scale(8, 8, 8);
  big.m[12] = -std::tan(30 * 3.14159265f / 180) * 10 - 2.5f;
  big.m[14] = -10;
  world.AddGeode(shared.get());
  world.GetItem(world.GetItemCount() - 1)->transform = &big;
  ASSERT_EQ(world.GetItemCount(), 301);

  PrimitivesCounted primitives;
  ASSERT_TRUE(primitives.IsReady());
  for (float view : {0.0f, 90.0f, 200.0f, 300.0f}) {
    Camera(view);
    glEnable(GL_DEPTH_TEST);
    world.Cull(DVector3(0, 0, 0), 1);
    int visible = 0;
    for (int i = 0; i < world.GetItemCount(); ++i) visible += world.GetItem(i)->IsVisible();
    EXPECT_GT(visible, 10) << view;
    EXPECT_LT(visible, 200) << view;
    if (view == 0) {
      EXPECT_TRUE(world.GetItem(300)->IsVisible());
      // Its group switched off, or a detail it needs: gone; a group no
      // number can switch: there.
      world.GetItem(300)->group = 5;
      world.DisableGroup(5);
      world.Cull(DVector3(0, 0, 0), 1);
      EXPECT_FALSE(world.GetItem(300)->IsVisible());
      world.EnableGroup(5);
      world.GetItem(300)->minDetail = 2;
      world.Cull(DVector3(0, 0, 0), 1);
      EXPECT_FALSE(world.GetItem(300)->IsVisible());
      world.GetItem(300)->minDetail = 1;
      world.GetItem(300)->group = 2000;
      world.Cull(DVector3(0, 0, 0), 1);
      EXPECT_TRUE(world.GetItem(300)->IsVisible());
    }

    Clear();
    primitives.Begin();
    const DWorldPainter::Counts counts = DWorldPainter().Paint(world);
    EXPECT_EQ(primitives.End(), 12u * static_cast<unsigned>(visible)) << view;
    EXPECT_EQ(counts.items, visible);
    EXPECT_EQ(counts.drawCalls, visible);
    const std::vector<uint8_t> culled = Picture();
    Clear();
    DWorldPainter().Paint(world, false);
    EXPECT_TRUE(Picture() == culled) << view;
  }
}

// Shaders from a file, each a block of keys.
std::string ShaderFile(const std::vector<std::pair<std::string, std::string>> &shaders) {
  std::string text;
  for (const auto &[name, keys] : shaders) text += "shader_" + name + "\n{\n" + keys + "}\n";
  return text;
}
std::string Layer(int index, const std::string &keys) {
  return "layer" + std::to_string(index) + "\n{\n" + keys + "}\n";
}

TEST_F(World, SortingFollowsTheShaderOrderStablyInRuns) {
  for (const char *name : {"a", "b", "c"}) Picture(std::string(name) + ".tga", QColor(10, 20, 30, 255));
  dir.WriteFile("sorts.shd",
                ShaderFile({{"a", Layer(0, "map=a.tga\n")},
                            {"b", Layer(0, "map=b.tga\n")},
                            {"c", Layer(0, "map=c.tga\nblendfunc=blend\n")},
                            {"sky", "sky=1\n" + Layer(0, "map=a.tga\n")},
                            {"late", "sort_offset=5\n" + Layer(0, "map=b.tga\ndepthfunc=always\n")},
                            {"bare", ""}}));
  DWorld world;
  ASSERT_TRUE(world.LoadShaders(dir.Path("sorts.shd").c_str()));
  ASSERT_EQ(world.GetShaderCount(), 6);
  Picture("crate.tga", QColor(1, 2, 3, 255));
  auto crate = Model("crate.dof", Dof1({Mats({WrittenMaterial("crate", {"crate.tga"})}), Geob({Box(0)})}));
  crate->GetMaterial(0)->shader = world.GetShader(0);  // taken, not made
  std::mt19937 random(5);
  std::vector<const DRenderItem *> before;
  for (int i = 0; i < 300; ++i) {
    world.AddGeode(crate.get());
    DRenderItem *item = world.GetItem(i);
    item->shader = world.GetShader(static_cast<int>(random() % 6));
    before.push_back(item);
  }
  world.SortByShader();
  std::vector<const DRenderItem *> after;
  int runs = 0;
  for (int i = 0; i < world.GetItemCount(); ++i) {
    after.push_back(world.GetItem(i));
    if (i == 0 || world.GetItem(i)->shader != world.GetItem(i - 1)->shader) ++runs;
  }
  ASSERT_TRUE(std::is_permutation(after.begin(), after.end(), before.begin()));
  const auto placeBefore = [&](const DRenderItem *item) { return std::find(before.begin(), before.end(), item) - before.begin(); };
  for (std::size_t i = 1; i < after.size(); ++i) {
    const int order = after[i]->shader->Compare(*after[i - 1]->shader);
    ASSERT_NE(order, 1) << i;  // never one that should come first after
    if (order == 0) {
      ASSERT_LT(placeBefore(after[i - 1]), placeBefore(after[i])) << i;
    }
  }
  for (int i = 0; i < world.GetItemCount(); ++i) world.GetItem(i)->state = DRenderItem::CULLED;
  world.GetItem(0)->state = 0;
  const DWorldPainter::Counts none = DWorldPainter().Paint(world);
  EXPECT_EQ(none.shaderChanges, 1);
  EXPECT_EQ(DWorldPainter().Paint(world, false).shaderChanges, runs);
  crate->GetMaterial(0)->shader = nullptr;
}

// The painter's GL state, seen in the pixels of squares facing the camera.
TEST_F(World, ThePainterSetsEachShadersState) {
  Picture("red.tga", QColor(100, 0, 0, 255));
  Picture("green.tga", QColor(0, 100, 0, 255));
  Picture("faint.tga", QColor(200, 200, 200, 100));
  dir.WriteFile("looks.shd",
                ShaderFile({{"red", "cull=back\n" + Layer(0, "map=red.tga\n")},
                            {"front", "cull=front\n" + Layer(0, "map=red.tga\n")},
                            {"add", Layer(0, "map=green.tga\nblendfunc=add\n")},
                            {"cut", Layer(0, "map=faint.tga\nalphafunc=gequal 128\n")},
                            {"kept", Layer(0, "map=faint.tga\nalphafunc=gequal 64\ntexenv=replace\n")},
                            {"ghost", Layer(0, "map=green.tga\ndepthwrite=0\n")},
                            {"two", Layer(0, "map=red.tga\n") + Layer(1, "map=green.tga\nblendfunc=add\n")}}));
  DWorld world;
  ASSERT_TRUE(world.LoadShaders(dir.Path("looks.shd").c_str()));
  auto square = Model("square.dof", Dof1({Mats({WrittenMaterial("plain", {"red.tga"})}), Geob({Square(0, 1)})}));
  square->GetMaterial(0)->shader = world.GetShader(0);
  std::vector<DMatrix4> places(2);
  for (DMatrix4 &place : places) place.SetRotateY(0);
  // Paints the shaders, in order, on squares at depths `z` (larger is nearer).
  const auto paint = [&](const std::vector<std::string> &names, const std::vector<float> &z) {
    const std::string prefix = std::string(dir.path()) + "/";
    std::string lower(prefix);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    DWorld shown;
    for (std::size_t i = 0; i < names.size(); ++i) {
      shown.AddGeode(square.get());
      DRenderItem *item = shown.GetItem(static_cast<int>(i));
      item->shader = world.FindShader((lower + names[i]).c_str());
      places[i].m[14] = z[i];
      item->transform = &places[i];
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Clear();
    DWorldPainter().Paint(shown, false);
    const std::vector<uint8_t> centre = window.ReadPixels(kSide / 2, kSide / 2, 1, 1);
    return std::vector<int>{centre[0], centre[1], centre[2]};
  };
  EXPECT_EQ(paint({"red"}, {0}), (std::vector<int>{100, 0, 0}));
  EXPECT_EQ(paint({"front"}, {0}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(paint({"red", "add"}, {0, 1}), (std::vector<int>{100, 100, 0}));
  EXPECT_EQ(paint({"cut"}, {0}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(paint({"kept"}, {0}), (std::vector<int>{200, 200, 200}));
  EXPECT_EQ(paint({"ghost", "red"}, {1, 0}), (std::vector<int>{100, 0, 0}));  // the nearer one wrote no depth
  EXPECT_EQ(paint({"red", "add"}, {1, 0}), (std::vector<int>{100, 0, 0}));    // written depth holds
  EXPECT_EQ(paint({"two"}, {0}), (std::vector<int>{100, 100, 0}));
  square->GetMaterial(0)->shader = nullptr;
}

// Geobs with different arrays one after the other (texture coordinates,
// none, vertex colours, normals with texture coordinates): the painter
// keeps arrays on from one to the next, and each still looks as it does
// painted alone, with a gradient texture that shows stray coordinates.
TEST_F(World, EachGeobLooksTheSameAfterOthersWithOtherArrays) {
  QBitMap gradient(32, 8, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) gradient.SetPixel(x, y, QColor(x * 30, y * 30, 200, 255));
  }
  ASSERT_TRUE(gradient.Write(dir.Path("gradient.tga").c_str(), QBM_FORMAT_TGA));
  const std::string corners = Vert({-0.2f, -0.2f, 0, 0.2f, -0.2f, 0, -0.2f, 0.2f, 0, 0.2f, 0.2f, 0});
  const auto square = [&](const std::vector<std::string> &arrays) {
    std::vector<std::string> parts = {Ghdr(0, 0, 0), Indi({0, 1, 2, 2, 1, 3}), corners};
    parts.insert(parts.end(), arrays.begin(), arrays.end());
    parts.push_back(Brst({0}, {18}, {0}, {3}));
    return Gob1(parts);
  };
  const std::string texCoords = Tver({0, 0, 1, 0, 0.3f, 1, 1, 0.7f});
  const std::vector<std::vector<std::string>> kinds = {
      {texCoords}, {}, {Vcol({1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 0})}, {Norm({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}), texCoords}};
  std::vector<std::unique_ptr<DGeode>> models;
  for (std::size_t k = 0; k < kinds.size(); ++k)
    models.push_back(Model("kind" + std::to_string(k) + ".dof",
                           Dof1({Mats({WrittenMaterial("look", {"gradient.tga"})}), Geob({square(kinds[k])})})));
  // Painted in this order across the picture: every kind after every other.
  const std::vector<int> order = {0, 1, 2, 3, 0, 2, 1, 3, 2, 0, 3, 1, 0};
  std::vector<DMatrix4> places(order.size());
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 13, -1, 1, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  DWorld shading;  // the one shader every square's material makes, shared
  for (auto &model : models) shading.AddGeode(model.get());
  const auto add = [&](DWorld &world, std::size_t at) {
    world.AddGeode(models[static_cast<std::size_t>(order[at])].get());
    places[at].SetRotateY(0);
    places[at].m[12] = static_cast<float>(at) + 0.5f;
    world.GetItem(world.GetItemCount() - 1)->transform = &places[at];
  };
  DWorld all;
  for (std::size_t at = 0; at < order.size(); ++at) add(all, at);
  Clear();
  DWorldPainter().Paint(all, false);
  const std::vector<uint8_t> together = Picture();
  Clear();
  for (std::size_t at = 0; at < order.size(); ++at) {
    DWorld alone;
    add(alone, at);
    DWorldPainter().Paint(alone, false);
  }
  EXPECT_TRUE(Picture() == together);
  int lit = 0;
  for (uint8_t value : together) lit += value > 0;
  EXPECT_GT(lit, 1000);
}

}  // namespace
