#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <type_traits>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/anim/controller.h"

namespace host {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr std::uint16_t kOwnerChunk = 0x2000;

FloatTrack ThreeKeys(Interpolation interp) {
  FloatTrack track(0.0f, interp);
  track.SetKey(200, 30.0f);  // out of order on purpose
  track.SetKey(0, 10.0f);
  track.SetKey(100, 20.0f);
  return track;
}

TEST(KeyTrack, UnanimatedTrackIsConstantForever) {
  FloatTrack track(2.5f);
  Interval valid = FOREVER;
  EXPECT_EQ(track.Value(-1000, &valid), 2.5f);
  EXPECT_EQ(valid, FOREVER);
  EXPECT_FALSE(track.IsAnimated());
  track.SetValue(50, 4.0f);  // not animated: changes the constant
  EXPECT_EQ(track.NumKeys(), 0);
  EXPECT_EQ(track.Value(0), 4.0f);
}

TEST(KeyTrack, KeysStaySortedAndReplaceAtTheSameTime) {
  FloatTrack track = ThreeKeys(Interpolation::Linear);
  track.SetKey(100, 25.0f);
  ASSERT_EQ(track.NumKeys(), 3);
  const TimeValue times[] = {0, 100, 200};
  const float values[] = {10, 25, 30};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(track.GetKeyTime(i), times[i]);
    EXPECT_EQ(track.GetKeyValue(i), values[i]);
  }
}

TEST(KeyTrack, EvaluationAndValidity) {
  struct Case {
    Interpolation interp;
    TimeValue t;
    float value;
    Interval valid;
  };
  using enum Interpolation;
  const Case cases[] = {
      {Linear, -50, 10, {TIME_NegInfinity, 0}},
      {Linear, 0, 10, {TIME_NegInfinity, 0}},
      {Linear, 50, 15, {50, 50}},
      {Linear, 100, 20, {100, 100}},
      {Linear, 175, 27.5f, {175, 175}},
      {Linear, 200, 30, {200, TIME_PosInfinity}},
      {Linear, 900, 30, {200, TIME_PosInfinity}},
      {Constant, -50, 10, {TIME_NegInfinity, 99}},
      {Constant, 99, 10, {TIME_NegInfinity, 99}},
      {Constant, 100, 20, {100, 199}},
      {Constant, 150, 20, {100, 199}},
      {Constant, 200, 30, {200, TIME_PosInfinity}},
  };
  for (const Case& c : cases) {
    FloatTrack track = ThreeKeys(c.interp);
    Interval valid = FOREVER;
    EXPECT_FLOAT_EQ(track.Value(c.t, &valid), c.value) << "t=" << c.t;
    EXPECT_EQ(valid, c.valid) << "t=" << c.t;
    EXPECT_FLOAT_EQ(track.Value(c.t), c.value) << "without validity, t=" << c.t;
  }
}

TEST(KeyTrack, ValidityOnlyNarrowsWhatTheCallerPassed) {
  FloatTrack track = ThreeKeys(Interpolation::Constant);
  Interval valid(120, 500);
  track.Value(150, &valid);
  EXPECT_EQ(valid, Interval(120, 199));
}

TEST(KeyTrack, SingleKeyAndEqualNeighboursHoldLonger) {
  FloatTrack one;
  one.SetKey(40, 7.0f);
  Interval valid = FOREVER;
  EXPECT_EQ(one.Value(-5, &valid), 7.0f);
  EXPECT_EQ(valid, FOREVER);
  EXPECT_TRUE(one.IsAnimated());

  FloatTrack flat;
  flat.SetKey(0, 1.0f);
  flat.SetKey(100, 1.0f);
  flat.SetKey(200, 2.0f);
  valid = FOREVER;
  EXPECT_EQ(flat.Value(30, &valid), 1.0f);
  EXPECT_EQ(valid, Interval(0, 100));
}

TEST(KeyTrack, KeysAtTheEndsOfTimeDoNotOverflow) {
  FloatTrack track;
  track.SetKey(TIME_NegInfinity, -1.0f);
  track.SetKey(TIME_PosInfinity, 1.0f);
  EXPECT_NEAR(track.Value(0), 0.0f, 1e-6f);
  EXPECT_EQ(track.Value(TIME_PosInfinity), 1.0f);
  track.SetInterpolation(Interpolation::Constant);
  Interval valid = FOREVER;
  EXPECT_EQ(track.Value(TIME_PosInfinity - 1, &valid), -1.0f);
  EXPECT_EQ(valid, Interval(TIME_NegInfinity, TIME_PosInfinity - 1));
}

TEST(KeyTrack, OtherValueTypesInterpolateTheirOwnWay) {
  IntTrack ints;
  ints.SetKey(0, 0);
  ints.SetKey(100, 3);
  // 3t/100 rounded to nearest, on both sides of each half.
  const int expected[] = {0, 0, 1, 1, 2, 2, 2, 3};
  const TimeValue times[] = {0, 16, 17, 49, 51, 66, 83, 84};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ints.Value(times[i]), expected[i]) << times[i];
  ints.SetKey(200, -3);
  EXPECT_EQ(ints.Value(150), 0);

  ColorTrack colors;
  colors.SetKey(0, Color(0, 0, 1));
  colors.SetKey(10, Color(1, 0, 0));
  EXPECT_EQ(colors.Value(5), Color(0.5f, 0, 0.5f));

  Point3Track points;
  points.SetKey(0, Point3(0, 0, 0));
  points.SetKey(10, Point3(2, 4, -6));
  EXPECT_EQ(points.Value(5), Point3(1, 2, -3));

  // A rotation halfway between two keys is half the turn, not a blend of
  // matrices.
  QuatTrack rotations;
  rotations.SetKey(0, Quat());
  rotations.SetKey(10, QuatFromAxisAngle(Point3::ZAxis(), 2.0f));
  Point3 axis;
  float angle = 0;
  AxisAngleFromQuat(rotations.Value(5), &axis, &angle);
  EXPECT_NEAR(angle, 1.0f, 1e-5f);
  EXPECT_NEAR(axis.z, 1.0f, 1e-5f);
}

TEST(KeyTrack, DeleteAndRemoveAnimationKeepTheValue) {
  FloatTrack track = ThreeKeys(Interpolation::Linear);
  EXPECT_FALSE(track.DeleteKey(3));
  EXPECT_FALSE(track.DeleteKey(-1));
  track.RemoveAnimation(50);
  EXPECT_FALSE(track.IsAnimated());
  Interval valid = FOREVER;
  EXPECT_EQ(track.Value(9999, &valid), 15.0f);
  EXPECT_EQ(valid, FOREVER);

  FloatTrack last;
  last.SetKey(10, 8.0f);
  EXPECT_TRUE(last.DeleteKey(0));
  EXPECT_FALSE(last.IsAnimated());
  EXPECT_EQ(last.Value(0), 8.0f);

  FloatTrack animated = ThreeKeys(Interpolation::Linear);
  animated.SetValue(150, 0.0f);  // animated: sets a key
  EXPECT_EQ(animated.NumKeys(), 4);
  animated.SetConstant(3.0f);
  EXPECT_EQ(animated.NumKeys(), 0);
  EXPECT_EQ(animated.Value(150), 3.0f);
}

TEST(TransformTrack, ComposesItsTracksAndIntersectsValidity) {
  TransformTrack xf;
  xf.Position().SetKey(0, Point3(0, 0, 0));
  xf.Position().SetKey(100, Point3(10, 0, 0));
  xf.Rotation().SetConstant(QuatFromAxisAngle(Point3::ZAxis(), kPi / 2));
  xf.Scale().SetConstant(Point3(2, 2, 2));
  Interval valid = FOREVER;
  Matrix3 m = xf.Value(50, &valid);
  EXPECT_EQ(valid, Interval(50, 50));
  Point3 p = Point3(1, 0, 0) * m;  // scaled to 2, turned to +y, moved by 5 in x
  EXPECT_NEAR(p.x, 5.0f, 1e-5f);
  EXPECT_NEAR(p.y, 2.0f, 1e-5f);
  EXPECT_TRUE(xf.IsAnimated());
  xf.RemoveAnimation(100);
  EXPECT_FALSE(xf.IsAnimated());
  EXPECT_EQ(xf.Value(0).GetTrans(), Point3(10, 0, 0));
}

TEST(TransformTrack, SetValueRoundTripsAndReportsShear) {
  Matrix3 m = ScaleMatrix({1, 2, 3}) * RotateYMatrix(0.4f) * TransMatrix({7, 8, 9});
  TransformTrack xf;
  xf.Position().SetKey(5, Point3(1, 1, 1));
  EXPECT_TRUE(xf.SetValue(m));
  EXPECT_FALSE(xf.IsAnimated());
  Matrix3 back = xf.Value(0);
  for (int i = 0; i < 4; ++i) EXPECT_LT((back[i] - m[i]).Length(), 1e-5f);

  Matrix3 shear(Point3(1, 0, 0), Point3(1, 1, 0), Point3(0, 0, 1), Point3());
  EXPECT_FALSE(xf.SetValue(shear));

  // Animated position gets a key; the still tracks change their constant.
  xf.Position().SetKey(0, Point3());
  EXPECT_TRUE(xf.SetValue(10, TransMatrix({4, 0, 0})));
  EXPECT_EQ(xf.Position().NumKeys(), 2);
  EXPECT_FALSE(xf.Rotation().IsAnimated());
  EXPECT_EQ(xf.Value(10).GetTrans(), Point3(4, 0, 0));
}

// ---- Saving and loading ------------------------------------------------------

template <class Track>
std::vector<std::uint8_t> SaveInOwnerChunk(const Track& track) {
  MemorySave save;
  save.BeginChunk(kOwnerChunk);
  EXPECT_EQ(track.Save(save), IO_OK);
  save.EndChunk();
  EXPECT_TRUE(save.Balanced());
  return save.TakeBytes();
}

template <class Track>
IOResult LoadFromOwnerChunk(const std::vector<std::uint8_t>& bytes, Track* track,
                            std::string* error = nullptr) {
  MemoryLoad load(bytes);
  IOResult r = load.OpenChunk();
  if (r == IO_OK) r = track->Load(load);
  if (r == IO_OK) r = load.CloseChunk();
  if (error) *error = load.Error();
  return r;
}

// Three values of each type, with extremes the encoding must carry.
template <class T>
std::vector<T> Samples() {
  if constexpr (std::is_same_v<T, float>) {
    return {-1.5f, 0.25f, 1e30f};
  } else if constexpr (std::is_same_v<T, int>) {
    return {-7, 0, 2147483647};
  } else if constexpr (std::is_same_v<T, Color>) {
    return {{1, 0.5f, 0}, {0, 0, 0}, {2, -1, 0.125f}};
  } else if constexpr (std::is_same_v<T, Point3>) {
    return {{1, 2, 3}, {-4, 5e6f, 0}, {0, 0, -1}};
  } else {
    static_assert(std::is_same_v<T, Quat>);
    return {Quat(), QuatFromAxisAngle({1, 2, 3}, 0.5f), QuatFromAxisAngle({0, 1, 0}, -3.0f)};
  }
}

template <class T>
class TrackIo : public ::testing::Test {};
using ValueTypes = ::testing::Types<float, int, Color, Point3, Quat>;
TYPED_TEST_SUITE(TrackIo, ValueTypes);

TYPED_TEST(TrackIo, SaveThenLoadGivesTheSameTrack) {
  std::vector<TypeParam> v = Samples<TypeParam>();
  KeyTrack<TypeParam> still(v[1], Interpolation::Constant);
  KeyTrack<TypeParam> animated(v[0]);
  animated.SetKey(-4800, v[2]);
  animated.SetKey(TIME_PosInfinity, v[1]);
  animated.SetKey(160, v[0]);
  for (const KeyTrack<TypeParam>* original : {&still, &animated}) {
    KeyTrack<TypeParam> loaded(v[2]);
    ASSERT_EQ(LoadFromOwnerChunk(SaveInOwnerChunk(*original), &loaded), IO_OK);
    EXPECT_TRUE(loaded == *original);
  }
}

TYPED_TEST(TrackIo, EveryTruncationFailsAndLeavesTheTrackAlone) {
  std::vector<TypeParam> v = Samples<TypeParam>();
  KeyTrack<TypeParam> original(v[0]);
  original.SetKey(0, v[1]);
  original.SetKey(10, v[2]);
  std::vector<std::uint8_t> bytes = SaveInOwnerChunk(original);
  // Cut the owner's chunk short (its header says so too) at every length.
  for (std::size_t len = CHUNK_HEADER_SIZE; len < bytes.size(); ++len) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + len);
    std::uint32_t size = static_cast<std::uint32_t>(len) | CHUNK_CONTAINER_BIT;
    for (int i = 0; i < 4; ++i) cut[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    KeyTrack<TypeParam> loaded(v[2]);
    std::string error;
    EXPECT_EQ(LoadFromOwnerChunk(cut, &loaded, &error), IO_ERROR) << "length " << len;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(loaded == KeyTrack<TypeParam>(v[2])) << "length " << len;
  }
}

// Builds an owner chunk by hand: each entry is a sub-chunk id and its data.
std::vector<std::uint8_t> Chunks(const std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>>& parts) {
  MemorySave save;
  save.BeginChunk(kOwnerChunk);
  for (const auto& [id, data] : parts) {
    save.BeginChunk(id);
    std::size_t n = 0;
    save.Write(data.data(), data.size(), &n);
    save.EndChunk();
  }
  save.EndChunk();
  return save.TakeBytes();
}

std::vector<std::uint8_t> U32s(std::initializer_list<std::uint32_t> words) {
  std::vector<std::uint8_t> out;
  for (std::uint32_t w : words)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
  return out;
}

TEST(TrackIo, FloatTrackBytesArePinned) {
  FloatTrack track(1.0f, Interpolation::Constant);
  track.SetKey(-1, 2.0f);
  const std::vector<std::uint8_t> expected =
      Chunks({{0x0001, U32s({1})},
              {0x0002, U32s({0})},
              {0x0003, U32s({0x3F800000})},
              {0x0004, U32s({1, 0xFFFFFFFF, 0x40000000})}});
  EXPECT_EQ(SaveInOwnerChunk(track), expected);
}

TEST(TrackIo, BadDataIsRefused) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  const auto type = std::make_pair(std::uint16_t{1}, U32s({1}));
  const auto interp = std::make_pair(std::uint16_t{2}, U32s({1}));
  const auto value = std::make_pair(std::uint16_t{3}, U32s({0}));
  const auto noKeys = std::make_pair(std::uint16_t{4}, U32s({0}));
  const Case cases[] = {
      {"huge key count", Chunks({type, interp, value, {4, U32s({0x7FFFFFFF, 0, 0})}})},
      {"negative key count", Chunks({type, interp, value, {4, U32s({0xFFFFFFFF, 0, 0})}})},
      {"count short of the data", Chunks({type, interp, value, {4, U32s({1, 0, 0, 5, 0})}})},
      {"unsorted times", Chunks({type, interp, value, {4, U32s({2, 5, 0, 5, 0})}})},
      {"other value type", Chunks({{1, U32s({4})}, interp, value, noKeys})},
      {"unknown interpolation", Chunks({type, {2, U32s({7})}, value, noKeys})},
      {"value of the wrong size", Chunks({type, interp, {3, U32s({0, 0})}, noKeys})},
      {"missing constant", Chunks({type, interp, noKeys})},
      {"missing type", Chunks({interp, value, noKeys})},
  };
  for (const Case& c : cases) {
    FloatTrack track(42.0f);
    std::string error;
    EXPECT_EQ(LoadFromOwnerChunk(c.bytes, &track, &error), IO_ERROR) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(track, FloatTrack(42.0f)) << c.what;
  }
  // Chunks of a later version are skipped.
  FloatTrack track;
  EXPECT_EQ(LoadFromOwnerChunk(Chunks({{0x77, U32s({1, 2})}, type, interp, value, noKeys}), &track),
            IO_OK);
}

TEST(TrackIo, TransformTrackRoundTripsAndNeedsAllThreeTracks) {
  TransformTrack xf;
  xf.Position().SetKey(0, Point3(1, 2, 3));
  xf.Position().SetKey(300, Point3(-1, 0, 9));
  xf.Rotation().SetConstant(QuatFromAxisAngle({1, 1, 0}, 0.3f));
  xf.Scale().SetInterpolation(Interpolation::Constant);
  xf.Scale().SetKey(100, Point3(2, 2, 2));
  std::vector<std::uint8_t> bytes = SaveInOwnerChunk(xf);
  TransformTrack loaded;
  ASSERT_EQ(LoadFromOwnerChunk(bytes, &loaded), IO_OK);
  EXPECT_EQ(loaded, xf);

  // Without its scale track (the last chunk) the transform is refused.
  MemorySave save;
  save.BeginChunk(kOwnerChunk);
  save.BeginChunk(0x0101);
  xf.Position().Save(save);
  save.EndChunk();
  save.BeginChunk(0x0102);
  xf.Rotation().Save(save);
  save.EndChunk();
  save.EndChunk();
  TransformTrack partial;
  EXPECT_EQ(LoadFromOwnerChunk(save.Bytes(), &partial), IO_ERROR);
  EXPECT_EQ(partial, TransformTrack());
}

}  // namespace
}  // namespace host
