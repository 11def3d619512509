// Culling spheres and boxes against the view volume of a known camera: the
// volume of glFrustum(-1, 1, -1, 1, 1, 10), |x| <= -z, |y| <= -z,
// -10 <= z <= -1.
#include <gtest/gtest.h>

#include <kiln/dculler.h>

#include <random>
#include <string>

#include "frustum.h"
#include "message_capture.h"

using kiln::test::Frustum;
using kiln::test::MessageCapture;

namespace {

class CullerTest : public ::testing::Test {
protected:
  void SetUp() override { culler.Update(Frustum(-1, 1, -1, 1, 1, 10), DMatrix4()); }
  int Box(float x0, float y0, float z0, float x1, float y1, float z1) const {
    return culler.BoxInView(DBox(DVector3(x0, y0, z0), DVector3(x1, y1, z1)));
  }

  DCuller culler;
};

// All eight corners against all six planes.
int EveryCorner(const DCuller &culler, const DBox &box) {
  bool crossing = false;
  for (int i = 0; i < DCuller::kPlanes; ++i) {
    int outside = 0;
    for (int corner = 0; corner < 8; ++corner) {
      DVector3 point((corner & 1) ? box.max.x : box.min.x, (corner & 2) ? box.max.y : box.min.y,
                     (corner & 4) ? box.max.z : box.min.z);
      if (culler.GetPlane(i).Evaluate(point) < 0) ++outside;
    }
    if (outside == 8) return -1;
    if (outside > 0) crossing = true;
  }
  return crossing ? 0 : 1;
}

TEST_F(CullerTest, PlanesFaceInwardsAndAreNormalised) {
  const DVector3 inside(0, 0, -5);
  for (int i = 0; i < DCuller::kPlanes; ++i) {
    EXPECT_GT(culler.GetPlane(i).Evaluate(inside), 0) << i;
    EXPECT_NEAR(culler.GetPlane(i).normal.Length(), 1, 1e-6f) << i;
  }
  EXPECT_NEAR(culler.GetPlane(DCuller::kNear).Evaluate(DVector3(0, 0, -1)), 0, 1e-6f);
  EXPECT_NEAR(culler.GetPlane(DCuller::kFar).Evaluate(DVector3(3, 0, -10)), 0, 1e-5f);
  EXPECT_NEAR(culler.GetPlane(DCuller::kRight).Evaluate(DVector3(4, 0, -4)), 0, 1e-6f);
  EXPECT_NEAR(culler.GetPlane(DCuller::kTop).Evaluate(DVector3(0, 2, -2)), 0, 1e-6f);
}

TEST_F(CullerTest, BoxesInsideOutsideAndAcrossEachPlane) {
  EXPECT_EQ(Box(-0.2f, -0.2f, -3, 0.2f, 0.2f, -2), 1);
  // Wholly beyond one plane each: right, left, top, bottom, far, near.
  EXPECT_EQ(Box(5, -0.1f, -3, 6, 0.1f, -2), -1);
  EXPECT_EQ(Box(-6, -0.1f, -3, -5, 0.1f, -2), -1);
  EXPECT_EQ(Box(-0.1f, 5, -3, 0.1f, 6, -2), -1);
  EXPECT_EQ(Box(-0.1f, -6, -3, 0.1f, -5, -2), -1);
  EXPECT_EQ(Box(-0.1f, -0.1f, -20, 0.1f, 0.1f, -15), -1);
  EXPECT_EQ(Box(-0.1f, -0.1f, -0.5f, 0.1f, 0.1f, -0.1f), -1);
  // Across one plane each.
  EXPECT_EQ(Box(2.5f, -0.1f, -3, 3.5f, 0.1f, -2.9f), 0);
  EXPECT_EQ(Box(-3.5f, -0.1f, -3, -2.5f, 0.1f, -2.9f), 0);
  EXPECT_EQ(Box(-0.1f, 2.5f, -3, 0.1f, 3.5f, -2.9f), 0);
  EXPECT_EQ(Box(-0.1f, -3.5f, -3, 0.1f, -2.5f, -2.9f), 0);
  EXPECT_EQ(Box(-0.1f, -0.1f, -12, 0.1f, 0.1f, -9), 0);
  EXPECT_EQ(Box(-0.1f, -0.1f, -1.5f, 0.1f, 0.1f, -0.5f), 0);
  // A box around the whole volume crosses planes; it is not inside.
  EXPECT_EQ(Box(-100, -100, -100, 100, 100, 100), 0);
  // Touching the near plane from inside counts as inside.
  EXPECT_EQ(Box(-0.5f, -0.5f, -2, 0.5f, 0.5f, -1), 1);
  // Beyond the right and the top plane at once.
  EXPECT_EQ(Box(2.9f, 2.9f, -2, 3, 3, -1.9f), -1);
}

TEST_F(CullerTest, Spheres) {
  EXPECT_EQ(culler.SphereInView(DVector3(0, 0, -5), 1), 0);
  EXPECT_EQ(culler.SphereInView(DVector3(0, 0, -0.5f), 1), 0);   // reaches in
  EXPECT_EQ(culler.SphereInView(DVector3(0, 0, 0), 1), -1);      // exactly -radius
  EXPECT_EQ(culler.SphereInView(DVector3(0, 0, 0), 1.01f), 0);
  EXPECT_EQ(culler.SphereInView(DVector3(0, 0, -12), 1), -1);
  EXPECT_EQ(culler.SphereInView(DVector3(20, 0, -5), 2), -1);
}

TEST_F(CullerTest, AgreesWithEveryCornerUnderAnyCamera) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> place(-15, 15), size(0.01f, 6), angle(-3.1f, 3.1f);
  for (int camera = 0; camera < 20; ++camera) {
    DMatrix4 view;
    view.SetRotateEuler(angle(random), angle(random), angle(random));
    view.Translate(DVector3(place(random) / 5, place(random) / 5, place(random) / 5));
    culler.Update(Frustum(-1.3f, 0.7f, -0.5f, 0.9f, 0.5f, 30), view);
    for (int i = 0; i < 2000; ++i) {
      DVector3 corner(place(random), place(random), place(random));
      DBox box(corner, corner + DVector3(size(random), size(random), size(random)));
      ASSERT_EQ(culler.BoxInView(box), EveryCorner(culler, box)) << camera << " " << i;
    }
  }
}

TEST_F(CullerTest, PrintsItsPlanes) {
  MessageCapture capture;
  culler.DbgPrint("main");
  std::string printed = capture.Take();
  EXPECT_EQ(printed.rfind("DCuller: [main]\n  DPlane3: normal(", 0), 0u) << printed;
  const char *order[] = {"[right]", "[left]", "[top]", "[bottom]", "[far]", "[near]"};
  std::size_t at = 0;
  for (const char *name : order) {
    std::size_t found = printed.find(name, at);
    ASSERT_NE(found, std::string::npos) << name;
    at = found;
  }
  EXPECT_NE(printed.find("DPlane3: normal(    0.00,    0.00,   -1.00), distance    -1.00 [near]\n"), std::string::npos)
      << printed;
}

}  // namespace
