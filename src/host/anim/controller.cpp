#include "host/anim/controller.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <string>

namespace host {

namespace {

// Sub-chunks of a key track, inside the owner's chunk.
constexpr std::uint16_t kTrackTypeChunk = 0x0001;    // u32 value-type tag
constexpr std::uint16_t kTrackInterpChunk = 0x0002;  // u32 Interpolation
constexpr std::uint16_t kTrackValueChunk = 0x0003;   // the constant value
constexpr std::uint16_t kTrackKeysChunk = 0x0004;    // u32 count, then (i32 time, value) each

// Sub-chunks of a transform track, each a container holding a key track.
constexpr std::uint16_t kPositionChunk = 0x0101;
constexpr std::uint16_t kRotationChunk = 0x0102;
constexpr std::uint16_t kScaleChunk = 0x0103;

// ---- Little-endian encoding of the value types --------------------------

void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t GetU32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t{p[i]} << (8 * i);
  return v;
}
void PutF32(std::uint8_t* p, float v) { PutU32(p, std::bit_cast<std::uint32_t>(v)); }
float GetF32(const std::uint8_t* p) { return std::bit_cast<float>(GetU32(p)); }

template <class T>
struct Codec;

template <>
struct Codec<float> {
  static constexpr std::uint32_t kTag = 1;
  static constexpr std::size_t kSize = 4;
  static void Put(std::uint8_t* p, float v) { PutF32(p, v); }
  static float Get(const std::uint8_t* p) { return GetF32(p); }
};

template <>
struct Codec<int> {
  static constexpr std::uint32_t kTag = 2;
  static constexpr std::size_t kSize = 4;
  static void Put(std::uint8_t* p, int v) { PutU32(p, static_cast<std::uint32_t>(v)); }
  static int Get(const std::uint8_t* p) { return static_cast<int>(GetU32(p)); }
};

template <>
struct Codec<Color> {
  static constexpr std::uint32_t kTag = 3;
  static constexpr std::size_t kSize = 12;
  static void Put(std::uint8_t* p, const Color& c) {
    for (int i = 0; i < 3; ++i) PutF32(p + 4 * i, c[i]);
  }
  static Color Get(const std::uint8_t* p) { return {GetF32(p), GetF32(p + 4), GetF32(p + 8)}; }
};

template <>
struct Codec<Point3> {
  static constexpr std::uint32_t kTag = 4;
  static constexpr std::size_t kSize = 12;
  static void Put(std::uint8_t* p, const Point3& v) {
    for (int i = 0; i < 3; ++i) PutF32(p + 4 * i, v[i]);
  }
  static Point3 Get(const std::uint8_t* p) { return {GetF32(p), GetF32(p + 4), GetF32(p + 8)}; }
};

template <>
struct Codec<Quat> {
  static constexpr std::uint32_t kTag = 5;
  static constexpr std::size_t kSize = 16;
  static void Put(std::uint8_t* p, const Quat& q) {
    PutF32(p, q.x);
    PutF32(p + 4, q.y);
    PutF32(p + 8, q.z);
    PutF32(p + 12, q.w);
  }
  static Quat Get(const std::uint8_t* p) {
    return {GetF32(p), GetF32(p + 4), GetF32(p + 8), GetF32(p + 12)};
  }
};

// ---- Per-type value rules ------------------------------------------------

// Rotations are kept unit length, so every stored key is a rotation. One
// already unit length to float precision is kept bit for bit: normalizing
// again could move its last bits, and a saved track would not load equal.
constexpr float kUnitQuatSlack = 1e-6f;

template <class T>
T Canonical(const T& v) {
  return v;
}
Quat Canonical(const Quat& q) {
  return std::fabs(DotProd(q, q) - 1.0f) <= kUnitQuatSlack ? q : Normalize(q);
}

float Lerp(float a, float b, double u) { return static_cast<float>(a + (double(b) - a) * u); }
int Lerp(int a, int b, double u) {
  return static_cast<int>(std::lround(a + (double(b) - a) * u));
}
Color Lerp(const Color& a, const Color& b, double u) {
  return {Lerp(a.r, b.r, u), Lerp(a.g, b.g, u), Lerp(a.b, b.b, u)};
}
Point3 Lerp(const Point3& a, const Point3& b, double u) {
  return {Lerp(a.x, b.x, u), Lerp(a.y, b.y, u), Lerp(a.z, b.z, u)};
}
Quat Lerp(const Quat& a, const Quat& b, double u) { return Slerp(a, b, static_cast<float>(u)); }

// ---- Chunk reading helpers -----------------------------------------------

IOResult Fail(ILoad& iload, const std::string& why) {
  iload.SetError("animation track: " + why);
  return IO_ERROR;
}

bool ReadExact(ILoad& iload, void* data, std::size_t size) {
  std::size_t n = 0;
  return iload.Read(data, size, &n) == IO_OK && n == size;
}

// Reads a data chunk that must hold exactly `size` bytes.
IOResult ReadDataChunk(ILoad& iload, void* data, std::size_t size, const char* what) {
  if (iload.CurChunkIsContainer() || iload.CurChunkRemaining() != size) {
    return Fail(iload, std::string(what) + " chunk has the wrong size");
  }
  if (!ReadExact(iload, data, size)) return Fail(iload, std::string(what) + " chunk is truncated");
  return IO_OK;
}

// The key chunk: a count, then that many (time, value) records.
template <class T>
IOResult ReadKeys(ILoad& iload, std::vector<TrackKey<T>>* keys) {
  constexpr std::size_t kRecord = 4 + Codec<T>::kSize;
  std::uint8_t record[kRecord];
  if (iload.CurChunkIsContainer() || iload.CurChunkRemaining() < 4 || !ReadExact(iload, record, 4)) {
    return Fail(iload, "key chunk is truncated");
  }
  // 4. The count must be exactly what the chunk holds, checked before
  //    anything is allocated for it.
  std::uint32_t count = GetU32(record);
  std::size_t remaining = iload.CurChunkRemaining();
  if (remaining % kRecord != 0 || remaining / kRecord != count) {
    return Fail(iload, "key count " + std::to_string(count) + " does not match its " +
                           std::to_string(remaining) + " bytes");
  }
  keys->clear();
  keys->reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!ReadExact(iload, record, kRecord)) return Fail(iload, "key chunk is truncated");
    TrackKey<T> k{static_cast<TimeValue>(GetU32(record)), Canonical(Codec<T>::Get(record + 4))};
    // 5. Times strictly increase, as SetKey keeps them.
    if (!keys->empty() && k.time <= keys->back().time) {
      return Fail(iload, "key times are not in increasing order");
    }
    keys->push_back(k);
  }
  return IO_OK;
}

IOResult WriteDataChunk(ISave& isave, std::uint16_t id, const void* data, std::size_t size) {
  isave.BeginChunk(id);
  std::size_t written = 0;
  IOResult r = isave.Write(data, size, &written);
  isave.EndChunk();
  if (r == IO_OK && written != size) r = IO_ERROR;
  return r;
}

}  // namespace

// ---- KeyTrack --------------------------------------------------------------

template <class T>
void KeyTrack<T>::SetConstant(const T& v) {
  keys_.clear();
  constant_ = Canonical(v);
}

template <class T>
void KeyTrack<T>::SetKey(TimeValue t, const T& v) {
  auto it = std::lower_bound(keys_.begin(), keys_.end(), t,
                             [](const TrackKey<T>& k, TimeValue time) { return k.time < time; });
  if (it != keys_.end() && it->time == t) {
    it->value = Canonical(v);
  } else {
    keys_.insert(it, TrackKey<T>{t, Canonical(v)});
  }
}

template <class T>
void KeyTrack<T>::SetValue(TimeValue t, const T& v) {
  if (IsAnimated()) {
    SetKey(t, v);
  } else {
    constant_ = Canonical(v);
  }
}

template <class T>
bool KeyTrack<T>::DeleteKey(int i) {
  if (i < 0 || i >= NumKeys()) return false;
  if (keys_.size() == 1) constant_ = keys_[0].value;
  keys_.erase(keys_.begin() + i);
  return true;
}

template <class T>
TimeValue KeyTrack<T>::GetKeyTime(int i) const {
  assert(i >= 0 && i < NumKeys());
  return keys_[static_cast<std::size_t>(i)].time;
}

template <class T>
const T& KeyTrack<T>::GetKeyValue(int i) const {
  assert(i >= 0 && i < NumKeys());
  return keys_[static_cast<std::size_t>(i)].value;
}

template <class T>
T KeyTrack<T>::Value(TimeValue t, Interval* valid) const {
  Interval range = FOREVER;
  T result = constant_;
  const std::size_t n = keys_.size();
  if (n == 1) {
    result = keys_[0].value;
  } else if (n > 1) {
    // The first key after t; the key at or before t is the one before it.
    auto next = std::upper_bound(keys_.begin(), keys_.end(), t,
                                 [](TimeValue time, const TrackKey<T>& k) { return time < k.time; });
    std::size_t i = next == keys_.begin() ? 0 : static_cast<std::size_t>(next - keys_.begin()) - 1;
    const TrackKey<T>& a = keys_[i];
    if (interp_ == Interpolation::Constant) {
      result = a.value;
      range = Interval(i == 0 ? TIME_NegInfinity : a.time,
                       i + 1 == n ? TIME_PosInfinity : keys_[i + 1].time - 1);
    } else if (t <= keys_.front().time) {
      result = keys_.front().value;
      range = Interval(TIME_NegInfinity, keys_.front().time);
    } else if (t >= keys_.back().time) {
      result = keys_.back().value;
      range = Interval(keys_.back().time, TIME_PosInfinity);
    } else {
      const TrackKey<T>& b = keys_[i + 1];
      if (a.value == b.value) {
        result = a.value;
        range = Interval(a.time, b.time);
      } else {
        // In 64 bits: keys can be further apart than an int can count.
        double u = double(std::int64_t{t} - a.time) / double(std::int64_t{b.time} - a.time);
        result = Lerp(a.value, b.value, u);
        range = Interval(t, t);
      }
    }
  }
  if (valid) *valid &= range;
  return result;
}

template <class T>
void KeyTrack<T>::RemoveAnimation(TimeValue t) {
  if (IsAnimated()) SetConstant(Value(t));
}

template <class T>
IOResult KeyTrack<T>::Save(ISave& isave) const {
  using C = Codec<T>;
  std::uint8_t word[4];
  PutU32(word, C::kTag);
  IOResult r = WriteDataChunk(isave, kTrackTypeChunk, word, sizeof word);
  if (r != IO_OK) return r;
  PutU32(word, static_cast<std::uint32_t>(interp_));
  r = WriteDataChunk(isave, kTrackInterpChunk, word, sizeof word);
  if (r != IO_OK) return r;
  std::uint8_t value[C::kSize];
  C::Put(value, constant_);
  r = WriteDataChunk(isave, kTrackValueChunk, value, sizeof value);
  if (r != IO_OK) return r;

  // Written even without keys, so that a file cut short between chunks is
  // caught instead of loading as a track that lost its animation.

  constexpr std::size_t kRecord = 4 + C::kSize;
  std::vector<std::uint8_t> bytes(4 + kRecord * keys_.size());
  PutU32(bytes.data(), static_cast<std::uint32_t>(keys_.size()));
  std::uint8_t* p = bytes.data() + 4;
  for (const TrackKey<T>& k : keys_) {
    PutU32(p, static_cast<std::uint32_t>(k.time));
    C::Put(p + 4, k.value);
    p += kRecord;
  }
  return WriteDataChunk(isave, kTrackKeysChunk, bytes.data(), bytes.size());
}

template <class T>
IOResult KeyTrack<T>::Load(ILoad& iload) {
  using C = Codec<T>;
  KeyTrack<T> loaded;
  bool haveType = false, haveInterp = false, haveValue = false, haveKeys = false;
  for (;;) {
    IOResult r = iload.OpenChunk();
    if (r == IO_END) break;
    if (r != IO_OK) return Fail(iload, "damaged chunk header");
    std::uint8_t buf[C::kSize > 4 ? C::kSize : 4];
    switch (iload.CurChunkID()) {
      case kTrackTypeChunk:
        // 1. The value type must be this track's.
        if (ReadDataChunk(iload, buf, 4, "value type") != IO_OK) return IO_ERROR;
        if (GetU32(buf) != C::kTag) {
          return Fail(iload, "value type " + std::to_string(GetU32(buf)) + " where " +
                                 std::to_string(C::kTag) + " was expected");
        }
        haveType = true;
        break;
      case kTrackInterpChunk: {
        // 2. The interpolation must be one we know.
        if (ReadDataChunk(iload, buf, 4, "interpolation") != IO_OK) return IO_ERROR;
        std::uint32_t kind = GetU32(buf);
        if (kind > static_cast<std::uint32_t>(Interpolation::Linear)) {
          return Fail(iload, "unknown interpolation " + std::to_string(kind));
        }
        loaded.interp_ = static_cast<Interpolation>(kind);
        haveInterp = true;
        break;
      }
      case kTrackValueChunk:
        // 3. The constant is exactly one value.
        if (ReadDataChunk(iload, buf, C::kSize, "constant value") != IO_OK) return IO_ERROR;
        loaded.constant_ = Canonical(C::Get(buf));
        haveValue = true;
        break;
      case kTrackKeysChunk:
        if (ReadKeys(iload, &loaded.keys_) != IO_OK) return IO_ERROR;
        haveKeys = true;
        break;
      default:
        break;  // written by a later version: skipped
    }
    if (iload.CloseChunk() != IO_OK) return Fail(iload, "damaged chunk");
  }
  // 6. Every chunk above is always written.
  if (!haveType || !haveInterp || !haveValue || !haveKeys) {
    return Fail(iload, "a required chunk is missing");
  }
  *this = std::move(loaded);
  return IO_OK;
}

template class KeyTrack<float>;
template class KeyTrack<int>;
template class KeyTrack<Color>;
template class KeyTrack<Point3>;
template class KeyTrack<Quat>;

// ---- TransformTrack --------------------------------------------------------

Matrix3 TransformTrack::Value(TimeValue t, Interval* valid) const {
  TransformParts parts;
  parts.position = position_.Value(t, valid);
  parts.rotation = rotation_.Value(t, valid);
  parts.scale = scale_.Value(t, valid);
  return ComposeMatrix(parts);
}

bool TransformTrack::SetValue(const Matrix3& m) {
  TransformParts parts;
  bool exact = DecomposeMatrix(m, &parts);
  position_.SetConstant(parts.position);
  rotation_.SetConstant(parts.rotation);
  scale_.SetConstant(parts.scale);
  return exact;
}

bool TransformTrack::SetValue(TimeValue t, const Matrix3& m) {
  TransformParts parts;
  bool exact = DecomposeMatrix(m, &parts);
  position_.SetValue(t, parts.position);
  rotation_.SetValue(t, parts.rotation);
  scale_.SetValue(t, parts.scale);
  return exact;
}

bool TransformTrack::IsAnimated() const {
  return position_.IsAnimated() || rotation_.IsAnimated() || scale_.IsAnimated();
}

void TransformTrack::RemoveAnimation(TimeValue t) {
  position_.RemoveAnimation(t);
  rotation_.RemoveAnimation(t);
  scale_.RemoveAnimation(t);
}

namespace {

template <class Track>
IOResult SaveInContainer(ISave& isave, std::uint16_t id, const Track& track) {
  isave.BeginChunk(id);
  IOResult r = track.Save(isave);
  isave.EndChunk();
  return r;
}

}  // namespace

IOResult TransformTrack::Save(ISave& isave) const {
  IOResult r = SaveInContainer(isave, kPositionChunk, position_);
  if (r == IO_OK) r = SaveInContainer(isave, kRotationChunk, rotation_);
  if (r == IO_OK) r = SaveInContainer(isave, kScaleChunk, scale_);
  return r;
}

IOResult TransformTrack::Load(ILoad& iload) {
  TransformTrack loaded;
  bool havePosition = false, haveRotation = false, haveScale = false;
  for (;;) {
    IOResult r = iload.OpenChunk();
    if (r == IO_END) break;
    if (r != IO_OK) return Fail(iload, "damaged chunk header");
    r = IO_OK;
    switch (iload.CurChunkID()) {
      case kPositionChunk:
        r = loaded.position_.Load(iload);
        havePosition = true;
        break;
      case kRotationChunk:
        r = loaded.rotation_.Load(iload);
        haveRotation = true;
        break;
      case kScaleChunk:
        r = loaded.scale_.Load(iload);
        haveScale = true;
        break;
      default:
        break;
    }
    if (r != IO_OK) return r;
    if (iload.CloseChunk() != IO_OK) return Fail(iload, "damaged chunk");
  }
  if (!havePosition || !haveRotation || !haveScale) {
    return Fail(iload, "transform lacks its position, rotation or scale");
  }
  *this = std::move(loaded);
  return IO_OK;
}

}  // namespace host
