// Animation tracks: a value that may change over time through keys.
//
// A track without keys holds one constant value and is not animated; a
// track with at least one key is animated (even a single key, which holds
// its value at all times) and its constant is unused until the keys go.
//
// Tracks are plain values, owned by whatever animates (parameter blocks,
// nodes); they save into the caller's current chunk and load back from it.
#pragma once

#include <vector>

#include "host/io/chunk_io.h"
#include "host/core/color.h"
#include "host/core/matrix3.h"
#include "host/core/point.h"
#include "host/core/quat.h"
#include "host/core/time.h"
#include "host/core/types.h"

namespace host {

enum class Interpolation : int {
  // Steps: the value of the last key at or before the time.
  Constant = 0,
  // Straight between keys (shortest-arc slerp for rotations, integers
  // rounded to nearest).
  Linear = 1,
};

template <class T>
struct TrackKey {
  TimeValue time = 0;
  T value{};
  friend bool operator==(const TrackKey&, const TrackKey&) = default;
};

// Keyed track of float, int, Color, Point3 or Quat values.
template <class T>
class KeyTrack {
 public:
  KeyTrack() = default;
  explicit KeyTrack(const T& value, Interpolation interp = Interpolation::Linear)
      : constant_(value), interp_(interp) {}

  Interpolation GetInterpolation() const { return interp_; }
  void SetInterpolation(Interpolation interp) { interp_ = interp; }

  // Removes every key; the track holds v at all times.
  void SetConstant(const T& v);
  // Adds a key at t, or replaces the value of the key already at t.
  void SetKey(TimeValue t, const T& v);
  // Sets the value seen at t: a key at t when animated, else the constant.
  void SetValue(TimeValue t, const T& v);
  // Out of range: answers false and changes nothing. Deleting the last key
  // leaves its value as the constant, so the track does not jump.
  bool DeleteKey(int i);

  int NumKeys() const { return static_cast<int>(keys_.size()); }
  // Keys are sorted by time, no two at the same time. i must be in range.
  TimeValue GetKeyTime(int i) const;
  const T& GetKeyValue(int i) const;

  // The value at t. valid, when given, is intersected with the times over
  // which this value holds: FOREVER without keys or with one key; before the
  // first key [NegInfinity, first], after the last [last, PosInfinity]; with
  // constant interpolation the step holding t; with linear interpolation
  // [t, t] between keys, or the whole span of two equal keys.
  T Value(TimeValue t, Interval* valid = nullptr) const;

  bool IsAnimated() const { return !keys_.empty(); }
  // Replaces the keys by a constant: the value they give at t.
  void RemoveAnimation(TimeValue t);

  // Writes the value type, interpolation, constant and keys as sub-chunks of
  // the caller's open chunk.
  IOResult Save(ISave& isave) const;
  // Reads the sub-chunks of the caller's open chunk, skipping unknown ones.
  // Refuses (IO_ERROR, with the reason given to iload.SetError) another value
  // type, a missing chunk, wrong sizes, key counts the chunk cannot hold,
  // unsorted times and non-finite numbers; the track is unchanged then.
  IOResult Load(ILoad& iload);

  friend bool operator==(const KeyTrack&, const KeyTrack&) = default;

 private:
  std::vector<TrackKey<T>> keys_;
  T constant_{};
  Interpolation interp_ = Interpolation::Linear;
};

extern template class KeyTrack<float>;
extern template class KeyTrack<int>;
extern template class KeyTrack<Color>;
extern template class KeyTrack<Point3>;
extern template class KeyTrack<Quat>;

using FloatTrack = KeyTrack<float>;
using IntTrack = KeyTrack<int>;
using ColorTrack = KeyTrack<Color>;
using Point3Track = KeyTrack<Point3>;
using QuatTrack = KeyTrack<Quat>;

// A node's transform as position, rotation and scale tracks, combined as
// scale, then rotation, then translation (see ComposeMatrix).
class TransformTrack {
 public:
  TransformTrack() = default;

  Point3Track& Position() { return position_; }
  QuatTrack& Rotation() { return rotation_; }
  Point3Track& Scale() { return scale_; }
  const Point3Track& Position() const { return position_; }
  const QuatTrack& Rotation() const { return rotation_; }
  const Point3Track& Scale() const { return scale_; }

  // valid, when given, is intersected with the validity of all three tracks.
  Matrix3 Value(TimeValue t, Interval* valid = nullptr) const;
  // Makes the transform static (every key removed). Answers false when m
  // has shear, which the tracks cannot hold: the nearest shear-free
  // transform is set then (see DecomposeMatrix).
  bool SetValue(const Matrix3& m);
  // Sets the transform seen at t: keys at t on animated tracks, constants on
  // the others. Same answer as above.
  bool SetValue(TimeValue t, const Matrix3& m);

  bool IsAnimated() const;
  void RemoveAnimation(TimeValue t);

  // Each track in a container sub-chunk of the caller's open chunk.
  IOResult Save(ISave& isave) const;
  // All three tracks must be present; on failure nothing changes.
  IOResult Load(ILoad& iload);

  friend bool operator==(const TransformTrack&, const TransformTrack&) = default;

 private:
  Point3Track position_;
  QuatTrack rotation_;
  Point3Track scale_{Point3(1.0f, 1.0f, 1.0f)};
};

}  // namespace host
