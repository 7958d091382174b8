#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "host/core/bitarray.h"
#include "host/core/box3.h"
#include "host/core/color.h"
#include "host/core/matrix3.h"
#include "host/core/point.h"
#include "host/core/quat.h"

namespace host {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// Several float operations chained on values of order 10.
constexpr float kTol = 1e-4f;

void ExpectNear(const Point3& a, const Point3& b, float tol = kTol) {
  EXPECT_LT((a - b).Length(), tol) << "(" << a.x << "," << a.y << "," << a.z << ") vs (" << b.x
                                   << "," << b.y << "," << b.z << ")";
}

void ExpectNear(const Matrix3& a, const Matrix3& b, float tol = kTol) {
  for (int i = 0; i < 4; ++i) ExpectNear(a[i], b[i], tol);
}

// q and -q are the same rotation.
void ExpectSameRotation(const Quat& a, const Quat& b, float tol = kTol) {
  EXPECT_GT(std::fabs(DotProd(Normalize(a), Normalize(b))), 1.0f - tol);
}

struct Random {
  std::mt19937 gen{12345};
  float Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(gen); }
  Point3 Vec(float r) { return {Uniform(-r, r), Uniform(-r, r), Uniform(-r, r)}; }
  Quat Rotation() { return QuatFromAxisAngle(Vec(1.0f), Uniform(-kPi, kPi)); }
  // Scales stay away from zero so the matrix is comfortably invertible.
  Point3 Scale() { return {Uniform(0.2f, 4.0f), Uniform(0.2f, 4.0f), Uniform(0.2f, 4.0f)}; }
  Matrix3 Affine() { return ComposeMatrix({Vec(50.0f), Rotation(), Scale()}); }
};

TEST(Point, CrossProductIsRightHandedAndPerpendicular) {
  EXPECT_EQ(CrossProd(Point3::XAxis(), Point3::YAxis()), Point3::ZAxis());
  EXPECT_EQ(CrossProd(Point3::YAxis(), Point3::ZAxis()), Point3::XAxis());
  EXPECT_GT(CrossProd(Point2(1, 0), Point2(0, 1)), 0.0f);
  Random rnd;
  for (int i = 0; i < 100; ++i) {
    Point3 a = rnd.Vec(10), b = rnd.Vec(10);
    Point3 c = CrossProd(a, b);
    EXPECT_NEAR(DotProd(c, a), 0.0f, 1e-3f);
    EXPECT_NEAR(DotProd(c, b), 0.0f, 1e-3f);
  }
}

TEST(Point, NormalizeKeepsZeroAndAgreesWithFastForm) {
  EXPECT_EQ(Normalize(Point3()), Point3());
  EXPECT_EQ(FNormalize(Point3()), Point3());
  EXPECT_EQ(Normalize(Point2()), Point2());
  Random rnd;
  for (int i = 0; i < 100; ++i) {
    Point3 v = rnd.Vec(100);
    EXPECT_NEAR(Normalize(v).Length(), 1.0f, 1e-6f);
    ExpectNear(FNormalize(v), Normalize(v), 1e-6f);
  }
}

TEST(Matrix3, InverseUndoesRandomAffineTransforms) {
  Random rnd;
  for (int i = 0; i < 200; ++i) {
    Matrix3 m = rnd.Affine();
    if (i % 2) m[0] = -m[0];  // mirrors too
    Matrix3 inv;
    ASSERT_TRUE(Invert(m, &inv));
    ExpectNear(m * inv, Matrix3(), 1e-3f);
    ExpectNear(inv * m, Matrix3(), 1e-3f);
  }
}

TEST(Matrix3, SingularMatrixHasNoInverse) {
  Matrix3 flat = ScaleMatrix({1, 0, 1});
  flat.SetTrans({1, 2, 3});
  Matrix3 untouched = TransMatrix({9, 9, 9});
  EXPECT_FALSE(Invert(flat, &untouched));
  EXPECT_EQ(untouched, TransMatrix({9, 9, 9}));
  EXPECT_EQ(Inverse(flat), Matrix3());
}

TEST(Matrix3, ProductAppliesLeftThenRight) {
  Random rnd;
  for (int i = 0; i < 50; ++i) {
    Matrix3 a = rnd.Affine(), b = rnd.Affine();
    Point3 p = rnd.Vec(10);
    ExpectNear(p * (a * b), (p * a) * b, 1e-2f);
    ExpectNear(VectorTransform(a * b, p), VectorTransform(b, VectorTransform(a, p)), 1e-2f);
  }
}

TEST(Matrix3, InPlaceStepsComposeOnTheDocumentedSide) {
  Random rnd;
  Matrix3 base = rnd.Affine();
  Point3 v = rnd.Vec(5);
  Quat q = rnd.Rotation();
  struct Case {
    Matrix3 got, want;
  };
  auto then = [&](auto op) { Matrix3 m = base; op(m); return m; };
  Case cases[] = {
      {then([&](Matrix3& m) { m.Translate(v); }), base * TransMatrix(v)},
      {then([&](Matrix3& m) { m.PreTranslate(v); }), TransMatrix(v) * base},
      {then([&](Matrix3& m) { m.Scale(v); }), base * ScaleMatrix(v)},
      {then([&](Matrix3& m) { m.PreScale(v); }), ScaleMatrix(v) * base},
      {then([&](Matrix3& m) { m.RotateY(0.7f); }), base * RotateYMatrix(0.7f)},
      {then([&](Matrix3& m) { m.PreRotateZ(0.7f); }), RotateZMatrix(0.7f) * base},
      {then([&](Matrix3& m) { m.Rotate(q); }), base * MatrixFromQuat(q)},
      {then([&](Matrix3& m) { m.PreRotate(q); }), MatrixFromQuat(q) * base},
  };
  for (const Case& c : cases) ExpectNear(c.got, c.want, 1e-3f);
}

TEST(Matrix3, QuarterTurnsFollowTheRightHandRule) {
  struct Case {
    Matrix3 m;
    Quat q;
    Point3 from, to;
  };
  const Case cases[] = {
      {RotateXMatrix(kPi / 2), QuatFromAxisAngle(Point3::XAxis(), kPi / 2), Point3::YAxis(), Point3::ZAxis()},
      {RotateYMatrix(kPi / 2), QuatFromAxisAngle(Point3::YAxis(), kPi / 2), Point3::ZAxis(), Point3::XAxis()},
      {RotateZMatrix(kPi / 2), QuatFromAxisAngle(Point3::ZAxis(), kPi / 2), Point3::XAxis(), Point3::YAxis()},
  };
  for (const Case& c : cases) {
    ExpectNear(c.from * c.m, c.to, 1e-6f);
    ExpectNear(Rotate(c.from, c.q), c.to, 1e-6f);
    ExpectNear(MatrixFromQuat(c.q), c.m, 1e-6f);
    EXPECT_NEAR(Determinant(c.m), 1.0f, 1e-6f);
  }
  EXPECT_LT(Determinant(ScaleMatrix({-1, 1, 1})), 0.0f);
}

TEST(Quat, MatrixRoundTripsIncludingHalfTurns) {
  Random rnd;
  for (int i = 0; i < 200; ++i) {
    Quat q = rnd.Rotation();
    ExpectSameRotation(QuatFromMatrix(MatrixFromQuat(q)), q);
  }
  // Half turns have a negative trace and take the other branches.
  for (Point3 axis : {Point3(1, 0, 0), Point3(0, 1, 0), Point3(0, 0, 1), Point3(1, -1, 2)}) {
    Quat q = QuatFromAxisAngle(axis, kPi);
    ExpectSameRotation(QuatFromMatrix(MatrixFromQuat(q)), q);
  }
  // A scaled rotation still gives its rotation.
  Quat q = rnd.Rotation();
  ExpectSameRotation(QuatFromMatrix(ScaleMatrix({3, 0.5f, 2}) * MatrixFromQuat(q)), q);
}

TEST(Quat, ProductComposesLikeMatrices) {
  Random rnd;
  for (int i = 0; i < 50; ++i) {
    Quat a = rnd.Rotation(), b = rnd.Rotation();
    ExpectNear(MatrixFromQuat(a * b), MatrixFromQuat(a) * MatrixFromQuat(b), 1e-5f);
    ExpectSameRotation(a * Inverse(a), Quat());
    Point3 p = rnd.Vec(3);
    ExpectNear(Rotate(p, a), p * MatrixFromQuat(a), 1e-5f);
  }
}

TEST(Quat, AxisAngleRoundTrip) {
  Point3 axis;
  float angle = -1;
  AxisAngleFromQuat(QuatFromAxisAngle({0, 0, -2}, 2.5f), &axis, &angle);
  ExpectNear(axis, {0, 0, -1}, 1e-6f);
  EXPECT_NEAR(angle, 2.5f, 1e-6f);
  AxisAngleFromQuat(Quat(), &axis, &angle);
  EXPECT_EQ(angle, 0.0f);
  EXPECT_EQ(QuatFromAxisAngle(Point3(), 1.0f), Quat());
}

TEST(Quat, SlerpHitsEndpointsAndTurnsAtConstantSpeed) {
  Random rnd;
  Quat a = rnd.Rotation();
  for (float degrees : {0.01f, 1.0f, 30.0f, 90.0f, 179.0f}) {
    float angle = degrees * kPi / 180;
    Point3 axis = Normalize(rnd.Vec(1));
    Quat b = a * QuatFromAxisAngle(axis, angle);
    ExpectSameRotation(Slerp(a, b, 0), a, 1e-6f);
    ExpectSameRotation(Slerp(a, b, 1), b, 1e-6f);
    for (float u : {0.25f, 0.5f, 0.8f}) {
      ExpectSameRotation(Slerp(a, b, u), a * QuatFromAxisAngle(axis, u * angle), 1e-6f);
      // -b is the same rotation: still the short way.
      ExpectSameRotation(Slerp(a, -b, u), Slerp(a, b, u), 1e-6f);
    }
  }
}

TEST(Matrix3, DecompositionRebuildsTransforms) {
  Random rnd;
  for (int i = 0; i < 200; ++i) {
    TransformParts in{rnd.Vec(100), rnd.Rotation(), rnd.Scale()};
    if (i % 3 == 1) in.scale.x = -in.scale.x;
    Matrix3 m = ComposeMatrix(in);
    TransformParts out;
    ASSERT_TRUE(DecomposeMatrix(m, &out));
    ExpectNear(ComposeMatrix(out), m, 1e-3f);
    ExpectNear(out.scale, in.scale, 1e-3f);
    EXPECT_EQ(out.position, in.position);
  }
}

TEST(Matrix3, DecompositionOfDegenerateAndShearedMatrices) {
  TransformParts out;
  // A mirror in y still rebuilds exactly, the mirror moved into x.
  Matrix3 mirror = ScaleMatrix({1, -1, 1}) * RotateZMatrix(0.3f);
  ASSERT_TRUE(DecomposeMatrix(mirror, &out));
  EXPECT_LT(out.scale.x, 0.0f);
  ExpectNear(ComposeMatrix(out), mirror);
  // Flattened axes rebuild too.
  for (Point3 s : {Point3(2, 0, 3), Point3(0, 1, 1), Point3(0, 0, 5), Point3(0, 0, 0)}) {
    Matrix3 flat = ScaleMatrix(s) * RotateXMatrix(1.0f) * TransMatrix({1, 2, 3});
    ASSERT_TRUE(DecomposeMatrix(flat, &out)) << s.x << "," << s.y << "," << s.z;
    ExpectNear(ComposeMatrix(out), flat);
  }
  // Shear cannot be held: reported, and the rotation is still a rotation.
  Matrix3 shear(Point3(1, 0, 0), Point3(0.5f, 1, 0), Point3(0, 0, 1), Point3(4, 5, 6));
  EXPECT_FALSE(DecomposeMatrix(shear, &out));
  EXPECT_NEAR(Length(out.rotation), 1.0f, 1e-6f);
  EXPECT_EQ(out.position, Point3(4, 5, 6));
}

TEST(Box3, GrowsAroundPointsAndBoxes) {
  Box3 b;
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.Width(), Point3());
  b += Box3();
  EXPECT_TRUE(b.IsEmpty());
  b += Point3(1, 2, 3);
  EXPECT_FALSE(b.IsEmpty());
  EXPECT_EQ(b.Width(), Point3());
  b += Point3(-1, 4, 0);
  EXPECT_EQ(b.Center(), Point3(0, 3, 1.5f));
  EXPECT_EQ(b.Width(), Point3(2, 2, 3));
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(b.Contains(b[i]));
  EXPECT_EQ(b[0], b.pmin);
  EXPECT_EQ(b[7], b.pmax);
  EXPECT_FALSE(b.Contains(Point3(0, 0, 0)));
  EXPECT_TRUE(b.Intersects(Box3({0, 0, 0}, {0, 2, 0})));
  EXPECT_FALSE(b.Intersects(Box3()));
}

TEST(Box3, TransformedBoxHoldsTheTransformedCorners) {
  Random rnd;
  Box3 b({-1, -2, -3}, {4, 5, 6});
  for (int i = 0; i < 20; ++i) {
    Matrix3 m = rnd.Affine();
    Box3 t = b * m;
    Box3 slack = t;
    slack.EnlargeBy(1e-3f);
    for (int c = 0; c < 8; ++c) EXPECT_TRUE(slack.Contains(b[c] * m));
    EXPECT_TRUE(slack.Contains(b.Center() * m));
  }
  EXPECT_TRUE((Box3() * rnd.Affine()).IsEmpty());
}

TEST(Color, SixteenBitConversions) {
  struct Case {
    float in;
    std::uint16_t out;
  };
  const Case floats[] = {{1.0f, 65535}, {0.99999f, 65534}, {0.5f, 32767}, {0.0f, 0},
                         {-0.5f, 0},    {2.0f, 65535},     {NAN, 0},      {1.0f / 65535, 1}};
  for (const Case& c : floats) EXPECT_EQ(ToWord16(c.in), c.out) << c.in;
  EXPECT_EQ(Word16FromByte(255), 65535);
  EXPECT_EQ(Word16FromByte(128), 32896);
  EXPECT_EQ(Word16FromByte(0), 0);
  // Every 16-bit value survives a trip through a float channel.
  for (int w = 0; w <= 65535; ++w) ASSERT_EQ(ToWord16(w / 65535.0f), w);
}

TEST(Color, ArithmeticAndClamp) {
  Color c = Color(0.5f, 1.5f, -1) * Color(2, 0.5f, 1) + Color(0.1f, 0, 0);
  EXPECT_EQ(Clamped(c), Color(1, 0.75f, 0));
  AColor a = AColor(Color(1, 0.5f, 0.25f), 0.5f) * 2.0f;
  EXPECT_EQ(a, AColor(2, 1, 0.5f, 1));
  EXPECT_EQ(Clamped(a).ToColor(), Color(1, 1, 0.5f));
}

TEST(BitArray, ResizeKeepsOrClearsAndNeverLeaksTailBits) {
  BitArray bits(70);
  bits.SetAll();
  EXPECT_EQ(bits.NumberSet(), 70);
  bits.SetSize(65, true);
  EXPECT_EQ(bits.NumberSet(), 65);
  bits.SetSize(130, true);  // the bits cut off above must not come back
  EXPECT_EQ(bits.NumberSet(), 65);
  EXPECT_FALSE(bits[65]);
  bits.SetSize(130);
  EXPECT_TRUE(bits.IsEmpty());
  bits.SetSize(-3);
  EXPECT_EQ(bits.GetSize(), 0);
}

TEST(BitArray, SetClearAndOutOfRange) {
  BitArray bits(10);
  bits.Set(3);
  bits.Set(9, true);
  bits.Set(4, false);
  bits.Set(10);
  bits.Set(-1);
  EXPECT_EQ(bits.NumberSet(), 2);
  EXPECT_TRUE(bits[3] && bits[9]);
  EXPECT_FALSE(bits[10] || bits[-1]);
  bits.Clear(3);
  EXPECT_EQ(bits.NumberSet(), 1);
  EXPECT_EQ((~bits).NumberSet(), 9);
  bits.ClearAll();
  EXPECT_TRUE(bits.IsEmpty());
}

TEST(BitArray, LogicalOpsTakeTheLargerSize) {
  BitArray small(3), large(100);
  small.SetAll();
  large.Set(1);
  large.Set(99);
  struct Case {
    BitArray result;
    int setCount;
  };
  const Case cases[] = {{small & large, 1}, {large & small, 1}, {small | large, 4},
                        {small ^ large, 3}, {~small, 0},        {~large, 98}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.result.NumberSet(), c.setCount);
  }
  EXPECT_EQ((small & large).GetSize(), 100);
  EXPECT_EQ((small ^ large)[99], true);
  EXPECT_EQ((small ^ large)[1], false);
  EXPECT_EQ(small | large, large | small);
  BitArray shorter(99);
  EXPECT_NE(BitArray(100), shorter);
  EXPECT_EQ(BitArray(100), (small & BitArray(100)));
}

}  // namespace
}  // namespace host
