// Vectors, boxes, matrices and planes against hand-computed results.
#include <gtest/gtest.h>

#include <kiln/dbox.h>
#include <kiln/dmatrix3.h>
#include <kiln/dmatrix4.h>
#include <kiln/dplane3.h>

#include <cmath>
#include <string>

#include "message_capture.h"

using kiln::test::MessageCapture;

namespace {

constexpr float kPi = 3.14159265358979f;

void ExpectNear(const DVector3 &actual, const DVector3 &expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f);
  EXPECT_NEAR(actual.y, expected.y, 1e-5f);
  EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

void ExpectNear(const DMatrix4 &actual, const DMatrix4 &expected) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual.m[i], expected.m[i], 1e-5f) << "element " << i;
}

DVector3 Apply(const DMatrix4 &matrix, const DVector3 &point) {
  DVector3 out;
  matrix.TransformPoint(point, out);
  return out;
}

TEST(DBox, MeasuresGrowsAndContains) {
  DBox box(DVector3(0, 0, 0), DVector3(2, 2, 1));
  EXPECT_FLOAT_EQ(box.GetRadius(), 1.5f);
  EXPECT_FLOAT_EQ(box.GetVolume(), 4.0f);
  EXPECT_TRUE(box.Contains(0, 0, 0));     // minimum inclusive
  EXPECT_FALSE(box.Contains(2, 1, 0.5f));  // maximum exclusive
  EXPECT_TRUE(box.Contains(1.999f, 1, 0.5f));
  EXPECT_FALSE(box.Contains(1, -0.001f, 0.5f));

  box.Extend(DBox(DVector3(-1, 0.5f, 0.5f), DVector3(1, 3, 0.75f)));
  EXPECT_EQ(box.min, DVector3(-1, 0, 0));
  EXPECT_EQ(box.max, DVector3(2, 3, 1));

  MessageCapture capture;
  box.DbgPrint("geode");
  EXPECT_EQ(capture.Take(), "Box (-1.00,0.00,0.00)-(2.00,3.00,1.00) [geode]\n");
  box.Reset();
  EXPECT_FLOAT_EQ(box.GetVolume(), 0.0f);
}

TEST(DMatrix4, IsInOpenGLOrderAndMultipliesOtherFirst) {
  DMatrix4 move;
  move.Translate(DVector3(1, 2, 3));
  EXPECT_FLOAT_EQ(move.m[12], 1);
  EXPECT_FLOAT_EQ(move.m[14], 3);
  move.Scale(2, 3, 4);  // scaling applies before the move
  ExpectNear(Apply(move, DVector3(1, 1, 1)), DVector3(3, 5, 7));

  DMatrix4 turn;
  turn.SetRotateZ(kPi / 2);
  DMatrix4 both = move;
  both.Multiply(turn);  // turn first, then scale and move
  ExpectNear(Apply(both, DVector3(1, 0, 0)), DVector3(1, 5, 3));

  DVector3 direction;
  both.TransformVector(DVector3(1, 0, 0), direction);  // no translation
  ExpectNear(direction, DVector3(0, 3, 0));

  // A projective matrix: the point is divided by w.
  DMatrix4 projective;
  projective.m[3] = 1;  // w = x + 1
  ExpectNear(Apply(projective, DVector3(1, 4, 6)), DVector3(0.5f, 2, 3));

  DMatrix4 transposed = both;
  transposed.Transpose();
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) EXPECT_EQ(transposed.At(row, column), both.At(column, row));
  }
}

TEST(DMatrix4, RotationsAreRightHandedAndEulerAppliesYThenXThenZ) {
  DMatrix4 x, y, z;
  x.SetRotateX(kPi / 2);
  y.SetRotateY(kPi / 2);
  z.SetRotateZ(kPi / 2);
  ExpectNear(Apply(x, DVector3(0, 1, 0)), DVector3(0, 0, 1));
  ExpectNear(Apply(y, DVector3(0, 0, 1)), DVector3(1, 0, 0));
  ExpectNear(Apply(z, DVector3(1, 0, 0)), DVector3(0, 1, 0));
  EXPECT_FLOAT_EQ(z.m[1], std::sin(kPi / 2));  // first column (cos, sin, 0, 0)

  DMatrix4 euler, onlyY;
  euler.SetRotateEuler(0.7f, 0, 0);
  onlyY.SetRotateY(0.7f);
  ExpectNear(euler, onlyY);

  euler.SetRotateEuler(0.3f, -1.1f, 2.0f);
  x.SetRotateX(-1.1f);
  y.SetRotateY(0.3f);
  z.SetRotateZ(2.0f);
  DVector3 point(0.5f, -2, 3);
  ExpectNear(Apply(euler, point), Apply(z, Apply(x, Apply(y, point))));
}

TEST(DMatrix4, ShadowsFlattenOntoThePlane) {
  const DPlane3 ground(DVector3(0, 1, 0), 0);
  DMatrix4 shadow;
  shadow.SetShadowFromPointLight(ground, DVector3(0, 10, 0));
  // From the light through (1, 5, 0) down to the ground.
  ExpectNear(Apply(shadow, DVector3(1, 5, 0)), DVector3(2, 0, 0));
  ExpectNear(Apply(shadow, DVector3(-3, 8, 4)), DVector3(-15, 0, 20));

  shadow.SetShadowFromDirectionalLight(ground, DVector3(1, 1, 0));
  ExpectNear(Apply(shadow, DVector3(3, 5, 2)), DVector3(-2, 0, 2));

  // A tilted plane, x + y = 2 (normal unnormalised on purpose).
  const DPlane3 tilted(DVector3(1, 1, 0), -2);
  shadow.SetShadowFromPointLight(tilted, DVector3(4, 4, 1));
  DVector3 flat = Apply(shadow, DVector3(2, 2, 0));
  EXPECT_NEAR(flat.x + flat.y, 2, 1e-5f);
  ExpectNear(flat, DVector3(1, 1, -0.5f));  // on the line from the light
}

TEST(DMatrix3, QuaternionsOfUnitAndOtherLengths) {
  const float half = std::sqrt(0.5f);
  const float quarterTurnZ[4] = {half, 0, 0, half};  // w, x, y, z
  DMatrix3 rotation;
  rotation.FromQuaternion(quarterTurnZ);
  const float expected[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(rotation.m[i], expected[i], 1e-6f) << i;

  const float doubled[4] = {2 * half, 0, 0, 2 * half};
  DMatrix3 scaled;
  scaled.FromQuaternion(doubled, 4.0f);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(scaled.m[i], expected[i], 1e-6f) << i;
  scaled.FromQuaternion(doubled);  // taken as unit length: no rotation
  EXPECT_NEAR(scaled.m[0], -3, 1e-5f);

  // Through the 4×4 form: the same rotation as SetRotateZ.
  DMatrix4 wide, turn;
  wide.FromMatrix3(rotation);
  turn.SetRotateZ(kPi / 2);
  ExpectNear(wide, turn);
  DMatrix3 back;
  wide.ToMatrix3(back);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(back.m[i], rotation.m[i]);

  DMatrix3 a, b;
  for (int i = 0; i < 9; ++i) {
    a.m[i] = static_cast<float>(i + 1);
    b.m[i] = static_cast<float>(9 - i);
  }
  a.Multiply(b);
  const float product[9] = {30, 24, 18, 84, 69, 54, 138, 114, 90};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(a.m[i], product[i]) << i;
}

TEST(DPlane3, ThroughThreePointsAndSides) {
  DPlane3 plane(DVector3(0, 0, 2), DVector3(1, 0, 2), DVector3(0, 1, 2));
  ExpectNear(plane.normal, DVector3(0, 0, 1));  // counter-clockwise seen from +z
  EXPECT_FLOAT_EQ(plane.distance, -2);
  EXPECT_TRUE(plane.IsBehind(DVector3(0, 0, 1)));
  EXPECT_FALSE(plane.IsBehind(DVector3(5, 5, 2)));  // on the plane is not behind
  EXPECT_EQ(plane.Classify(DVector3(0, 0, 3)), DPlane3::kInFront);
  EXPECT_EQ(plane.Classify(DVector3(0, 0, 1)), DPlane3::kBehind);
  EXPECT_EQ(plane.Classify(DVector3(0.1f, 0.7f, 2)), DPlane3::kOnPlane);
  EXPECT_EQ(plane.Classify(DVector3(0, 0, 2 + 0.000005f)), DPlane3::kOnPlane);
  EXPECT_EQ(plane.Classify(DVector3(0, 0, 1.9999f)), DPlane3::kBehind);

  DPlane3 line(DVector3(0, 0, 0), DVector3(1, 1, 1), DVector3(2, 2, 2));
  EXPECT_EQ(line.normal, DVector3(0, 0, 0));
  EXPECT_EQ(line.distance, 0);

  DPlane3 standard;
  EXPECT_EQ(standard.normal, DVector3(0, 1, 0));
}

TEST(DebugPrints, HaveTheirExactLines) {
  MessageCapture capture;
  DMatrix4 matrix;
  matrix.Translate(DVector3(1.5f, -2, 30));
  matrix.DbgPrint("camera");
  EXPECT_EQ(capture.Take(),
            " _                                    _\n"
            "|     1.000    0.000    0.000    1.500 | camera\n"
            "|     0.000    1.000    0.000   -2.000 |\n"
            "|     0.000    0.000    1.000   30.000 |\n"
            "|_    0.000    0.000    0.000    1.000_|\n");
  DMatrix3 small;
  small.DbgPrint("turn");
  EXPECT_EQ(capture.Take(),
            " ___ [DMatrix3 turn] ___\n"
            " |    1.000    0.000    0.000 |\n"
            " |    0.000    1.000    0.000 |\n"
            " |    0.000    0.000    1.000 |\n");
  DPlane3(DVector3(0, 0, 1), -2.5f).DbgPrint("floor");
  EXPECT_EQ(capture.Take(), "DPlane3: normal(    0.00,    0.00,    1.00), distance    -2.50 [floor]\n");
}

}  // namespace
