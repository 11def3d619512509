// Runs the real kiln-view: headless pictures of hand-made models checked
// against a committed picture and against where their faces project, and
// the interactive viewer driven through XTEST.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "dof_chunks.h"
#include "fake_input.h"
#include "gl_window.h"
#include "targa_picture.h"
#include "test_support.h"

using namespace kiln::test::dof;
using kiln::test::ProcessResult;
using kiln::test::TempDir;

namespace {

using Rgb = std::array<int, 3>;

const std::vector<Rgb> kFaceColours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};

// A material of one diffuse colour and no texture.
std::string Plain(const std::string &name, const Rgb &colour) {
  const auto c = [&](int i) { return static_cast<float>(colour[static_cast<std::size_t>(i)]) / 255; };
  return Mat0({Mhdr(name, "Standard"), Mcol({0.2f, 0.2f, 0.2f, 1, c(0), c(1), c(2), 1, 0, 0, 0, 1, 0, 0, 0, 1, 0})});
}

// A cube from -1 to 1, one geob per face with normals; face f (+x, -x, +y,
// -y, +z, -z) uses material f, or material 0 when there is only one.
std::string Cube(const std::vector<Rgb> &colours) {
  std::vector<std::string> materials, faces;
  for (std::size_t i = 0; i < colours.size(); ++i) materials.push_back(Plain("face" + std::to_string(i), colours[i]));
  for (int f = 0; f < 6; ++f) {
    const int axis = f / 2, u = (axis + 1) % 3, v = (axis + 2) % 3;
    const float sign = f % 2 ? -1.0f : 1.0f;
    std::vector<float> corners, normals;
    for (int corner = 0; corner < 4; ++corner) {
      float p[3], n[3] = {0, 0, 0};
      p[axis] = sign;
      p[u] = (corner & 1 ? 1.0f : -1.0f) * sign;
      p[v] = corner & 2 ? 1.0f : -1.0f;
      n[axis] = sign;
      corners.insert(corners.end(), p, p + 3);
      normals.insert(normals.end(), n, n + 3);
    }
    const int32_t material = colours.size() == 1 ? 0 : f;
    faces.push_back(Gob1({Ghdr(0, 0, material), Indi({0, 1, 2, 2, 1, 3}), Vert(corners), Norm(normals),
                          Brst({0}, {18}, {0}, {3})}));
  }
  return Dof1({Mats(materials), Geob(faces)});
}

using Picture = kiln::test::TargaPicture;

// The share of pixels that differ between the pictures by more than 16
// levels in a channel.
double ShareOff(const Picture &a, const Picture &b) {
  int off = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const Rgb one = a.At(x, y), other = b.At(x, y);
      for (std::size_t c = 0; c < 3; ++c) {
        if (std::abs(one[c] - other[c]) > 16) {
          ++off;
          break;
        }
      }
    }
  }
  return static_cast<double>(off) / (a.width * a.height);
}

// Pixels that are not the background (the corner's colour).
int Covered(const Picture &picture) {
  int covered = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) covered += picture.At(x, y) != picture.At(0, 0);
  }
  return covered;
}

// The channel that stands out (0 red, 1 green, 2 blue), or -1.
int Dominant(const Rgb &colour) {
  for (int c = 0; c < 3; ++c) {
    const auto i = static_cast<std::size_t>(c);
    if (colour[i] > 60 && colour[i] > 2 * colour[(i + 1) % 3] && colour[i] > 2 * colour[(i + 2) % 3]) return c;
  }
  return -1;
}

class KilnViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run under xvfb-run)";
  }
  ProcessResult View(const std::vector<std::string> &args) { return kiln::test::RunTool(KILN_VIEW_PATH, args, dir.path()); }
  Picture Shot(const std::vector<std::string> &args, const std::string &out = "shot.tga") {
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--screenshot", out});
    const ProcessResult run = View(all);
    EXPECT_EQ(run.status, 0) << run.err;
    return Picture(kiln::test::ReadFile(dir.Path(out)));
  }

  TempDir dir;
};

TEST_F(KilnViewTest, HeadlessCubeMatchesTheExpectedPictureAndShowsEachFaceWhereItProjects) {
  dir.WriteFile("cube.dof", Cube(kFaceColours));
  const Picture shot = Shot({"cube.dof", "--size", "128x96", "--camera", "30,20,6"});
  ASSERT_EQ(shot.width, 128);
  ASSERT_EQ(shot.height, 96);
  const Picture expected(kiln::test::ReadFile(KILN_VIEW_EXPECTED_CUBE));
  ASSERT_EQ(expected.width, 128);
  EXPECT_LE(ShareOff(shot, expected), 0.005);

  // The camera as documented: azimuth 30 from +z towards +x, elevation 20,
  // distance 6, a vertical field of 45 degrees, looking at the centre.
  kiln::test::GLWindow window(16, 16);
  ASSERT_TRUE(window.IsReady());
  const double az = 30 * M_PI / 180, el = 20 * M_PI / 180;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, 128.0 / 96, 1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(6 * std::cos(el) * std::sin(az), 6 * std::sin(el), 6 * std::cos(el) * std::cos(az), 0, 0, 0, 0, 1, 0);
  GLdouble modelView[16], projection[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  const GLint viewport[4] = {0, 0, 128, 96};
  // +x (red), +y (blue) and +z (cyan) face the camera.
  const struct {
    double x, y, z;
    Rgb colour;
  } faces[] = {{1, 0, 0, kFaceColours[0]}, {0, 1, 0, kFaceColours[2]}, {0, 0, 1, kFaceColours[4]}};
  for (const auto &face : faces) {
    GLdouble x, y, z;
    ASSERT_TRUE(gluProject(face.x, face.y, face.z, modelView, projection, viewport, &x, &y, &z));
    const Rgb seen = shot.At(static_cast<int>(x), 95 - static_cast<int>(y));
    for (int c = 0; c < 3; ++c) {
      const auto i = static_cast<std::size_t>(c);
      EXPECT_EQ(seen[i] > 40, face.colour[i] > 0) << "face " << face.x << face.y << face.z << " channel " << c;
    }
  }
}

TEST_F(KilnViewTest, AnObjShowsThePictureOfTheModelFileItImportsTo) {
  std::string mtl, obj = "mtllib cube.mtl\nv -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n";
  const char *faces[] = {"2 3 7 6", "1 5 8 4", "4 8 7 3", "1 2 6 5", "5 6 7 8", "1 4 3 2"};
  for (int f = 0; f < 6; ++f) {
    const Rgb &c = kFaceColours[static_cast<std::size_t>(f)];
    mtl += "newmtl m" + std::to_string(f) + "\nKd " + std::to_string(c[0] / 255) + " " + std::to_string(c[1] / 255) +
           " " + std::to_string(c[2] / 255) + "\n";
    obj += "usemtl m" + std::to_string(f) + "\nf " + faces[f] + "\n";
  }
  dir.WriteFile("cube.mtl", mtl);
  dir.WriteFile("cube.obj", obj);
  const ProcessResult import = kiln::test::RunTool(KILN_MODEL_PATH, {"import", "cube.obj", "cube.dof"}, dir.path());
  ASSERT_EQ(import.status, 0) << import.err;
  const Picture fromObj = Shot({"cube.obj", "--size", "160x120"}, "obj.tga");
  const Picture fromDof = Shot({"cube.dof", "--size", "160x120"}, "dof.tga");
  ASSERT_EQ(fromObj.width, 160);
  EXPECT_TRUE(fromObj.Bytes() == fromDof.Bytes());  // the same bytes
  EXPECT_GT(Covered(fromObj), 160 * 120 / 4);  // framed: the cube fills much of the view
}

TEST_F(KilnViewTest, RefusesWhatItCannotShow) {
  dir.WriteFile("cube.dof", Cube(kFaceColours));
  dir.WriteFile("broken.dof", "DOF1");
  dir.MakeDir("folder.obj");
  for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
           {"missing.dof", "--screenshot", "a.tga"},
           {"broken.dof", "--screenshot", "a.tga"},
           {"folder.obj", "--screenshot", "a.tga"},
           {"cube.dof", "--lod", "1", "--screenshot", "a.tga"},
           {"cube.dof", "--screenshot", "a.png"},
           {"cube.dof", "--screenshot", "no/such/dir/a.tga"}}) {
    const ProcessResult run = View(args);
    EXPECT_EQ(run.status, 1) << args[0] << " " << args[1];
    EXPECT_NE(run.err.find("kiln-view: "), std::string::npos) << run.err;
  }
  EXPECT_FALSE(kiln::test::Exists(dir.Path("a.tga")));
  EXPECT_EQ(View({"cube.dof", "--size", "12"}).status, 2);
  EXPECT_EQ(View({}).status, 2);

  // Shown without a display: the application's message and status 1.
  const ProcessResult headless =
      kiln::test::RunTool("/usr/bin/env", {"-u", "DISPLAY", KILN_VIEW_PATH, "cube.dof"}, dir.path());
  EXPECT_EQ(headless.status, 1) << headless.err;
  EXPECT_NE(headless.err.find("Can't open X11 display"), std::string::npos) << headless.err;
}

// A picture without a display is rendered offscreen: byte for byte the one
// drawn in a window under the X server, whatever the options.
TEST_F(KilnViewTest, WithoutADisplayTheScreenshotIsTheSamePicture) {
  dir.WriteFile("cube.dof", Cube(kFaceColours));
  for (const std::vector<std::string> &options : std::vector<std::vector<std::string>>{
           {"--size", "128x96"}, {"--size", "200x100", "--camera", "-60,35,5", "--wireframe"}}) {
    std::vector<std::string> args = {"-u", "DISPLAY", KILN_VIEW_PATH, "cube.dof", "--screenshot", "none.tga"};
    args.insert(args.end(), options.begin(), options.end());
    const ProcessResult offscreen = kiln::test::RunTool("/usr/bin/env", args, dir.path());
    ASSERT_EQ(offscreen.status, 0) << offscreen.err;
    std::vector<std::string> shown = {"cube.dof"};
    shown.insert(shown.end(), options.begin(), options.end());
    const Picture window = Shot(shown, "window.tga");
    const Picture none(kiln::test::ReadFile(dir.Path("none.tga")));
    EXPECT_GT(Covered(none), 300) << options[1];  // a wireframe covers little
    EXPECT_TRUE(none.Bytes() == window.Bytes()) << options[1];
  }
}

// The top-level window at a point of the root window.
Window WindowAt(Display *display, int x, int y) {
  Window child = 0;
  int childX, childY;
  XTranslateCoordinates(display, DefaultRootWindow(display), DefaultRootWindow(display), x, y, &childX, &childY, &child);
  return child;
}

// The viewer as a user drives it: the shell stands at the origin of the
// test's X server, which has no window manager.
class InteractiveViewTest : public KilnViewTest {
protected:
  void SetUp() override {
    KilnViewTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(input.OpenInput());
    input.MoveTo(1200, 1000);
  }
  void TearDown() override { input.CloseInput(); }

  // s, and the picture it wrote.
  Picture Screenshot(kiln::test::BackgroundProgram &program, int n) {
    input.MoveTo(160, 120);
    input.Tap(XK_s);
    const std::string name = "kiln-view-" + std::to_string(n) + ".tga";
    EXPECT_TRUE(program.WaitForOutput("kiln-view: wrote " + name + "\n", 10000));
    return Picture(kiln::test::ReadFile(dir.Path(name)));
  }

  kiln::test::FakeInput input;
};

TEST_F(InteractiveViewTest, DragTurnsTheCameraAsDocumentedAndWireframeToggles) {
  dir.WriteFile("cube.dof", Cube(kFaceColours));
  kiln::test::BackgroundProgram program({KILN_VIEW_PATH, "cube.dof", "--size", "320x240", "--camera", "30,20,6"},
                                        dir.path());
  ASSERT_TRUE(program.WaitForOutput("kiln-view: ready\n", 10000)) << program.Wait(0).err;
  // A left drag 90 pixels to the right: the azimuth falls by 45 degrees.
  input.MoveTo(100, 120);
  input.Button(1, true);
  for (int x = 110; x <= 190; x += 10) input.MoveTo(x, 120);
  input.Button(1, false);
  const Picture dragged = Screenshot(program, 1);
  const Picture expected = Shot({"cube.dof", "--size", "320x240", "--camera", "-15,20,6"});
  ASSERT_EQ(dragged.width, 320);
  EXPECT_LE(ShareOff(dragged, expected), 0.005);

  input.Tap(XK_w);
  const Picture wire = Screenshot(program, 2);
  EXPECT_LT(Covered(wire), Covered(dragged) / 2);
  input.Tap(XK_w);
  EXPECT_LE(ShareOff(Screenshot(program, 3), dragged), 0.005);

  // The view follows the window's size.
  const Window shell = WindowAt(input.sender, 5, 5);
  XResizeWindow(input.sender, shell, 200, 150);
  XSync(input.sender, False);
  usleep(300000);
  const Picture smaller = Screenshot(program, 4);
  EXPECT_EQ(smaller.width, 200);
  EXPECT_EQ(smaller.height, 150);

  // The library's F11 writes the window to /tmp: the viewer says where.
  input.Tap(XK_F11);
  EXPECT_TRUE(program.WaitForOutput("kiln-view: wrote /tmp/ui", 10000));
  input.Tap(XK_q);
  const kiln::test::ProcessResult ended = program.Wait(10000);
  EXPECT_EQ(ended.status, 0);
  const std::size_t at = ended.out.find("kiln-view: wrote /tmp/ui");
  ASSERT_NE(at, std::string::npos);
  const std::string shot = ended.out.substr(at + 17, ended.out.find('\n', at) - at - 17);
  EXPECT_EQ(Picture(kiln::test::ReadFile(shot)).width, 200) << shot;
  std::remove(shot.c_str());
}

TEST_F(InteractiveViewTest, LCyclesAutomaticAndEachLevel) {
  dir.WriteFile("body.dof", Cube({{255, 0, 0}}));
  dir.WriteFile("body_lod1.dof", Cube({{0, 255, 0}}));
  dir.WriteFile("body_lod2.dof", Cube({{0, 0, 255}}));
  kiln::test::BackgroundProgram program({KILN_VIEW_PATH, "body.dof", "--size", "320x240"}, dir.path());
  ASSERT_TRUE(program.WaitForOutput("kiln-view: ready\n", 10000)) << program.Wait(0).err;
  // Near the model automatic shows level 0; l shows 0, 1, 2, then automatic.
  std::vector<int> seen;
  for (int n = 1; n <= 5; ++n) {
    seen.push_back(Dominant(Screenshot(program, n).At(160, 120)));
    input.Tap(XK_l);
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 0, 1, 2, 0}));
  input.Tap(XK_q);
  EXPECT_EQ(program.Wait(10000).status, 0);
}

}  // namespace
