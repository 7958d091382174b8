#include "host/params/paramblock_store.h"

#include <algorithm>
#include <cmath>

namespace host {

namespace {

template <class T>
T DefaultAs(const ParamDef& def) {
  const T* v = std::get_if<T>(&def.defaultValue);
  return v ? *v : T{};
}

// A bool's keys step: a value halfway between off and on means nothing.
Interpolation InterpolationFor(ParamKind kind) {
  return kind == ParamKind::Bool ? Interpolation::Constant : Interpolation::Linear;
}

template <class Track, class T>
bool ReadTrack(const ParamEntry& e, TimeValue t, T& v, Interval& valid) {
  const Track* track = std::get_if<Track>(&e);
  if (!track) return false;
  v = track->Value(t, &valid);
  return true;
}

template <class T>
bool ReadPlain(const ParamEntry& e, T& v) {
  const T* stored = std::get_if<T>(&e);
  if (!stored) return false;
  v = *stored;
  return true;
}

template <class Track, class T>
bool WriteTrack(ParamEntry& e, TimeValue t, const T& v, bool key) {
  Track* track = std::get_if<Track>(&e);
  if (!track) return false;
  if (key) track->SetKey(t, v);
  else track->SetValue(t, v);
  return true;
}

int IntFor(ParamKind kind, int v) { return kind == ParamKind::Bool ? (v != 0 ? 1 : 0) : v; }

// ---- Conversions between number tracks --------------------------------------

int ToInt(float v) {
  if (!std::isfinite(v)) return 0;
  if (v >= 2147483647.0f) return 2147483647;
  if (v <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(std::lround(v));
}

template <class To, class From, class Fn>
KeyTrack<To> MapTrack(const KeyTrack<From>& from, Fn convert) {
  if (!from.IsAnimated()) return KeyTrack<To>(convert(from.Value(0)), from.GetInterpolation());
  KeyTrack<To> to;
  to.SetInterpolation(from.GetInterpolation());
  for (int i = 0; i < from.NumKeys(); ++i) to.SetKey(from.GetKeyTime(i), convert(from.GetKeyValue(i)));
  return to;
}

// Which alternative of ParamEntry a kind is held in.
std::size_t StorageIndex(ParamKind kind) {
  switch (kind) {
    case ParamKind::Float: return 0;
    case ParamKind::Int:
    case ParamKind::Bool:
    case ParamKind::Time: return 1;
    case ParamKind::Color: return 2;
    case ParamKind::Point3: return 3;
    case ParamKind::String:
    case ParamKind::Filename: return 4;
    case ParamKind::RefTarget: return 5;
    case ParamKind::Bitmap: return 6;
  }
  return 0;
}

}  // namespace

ParamEntry DefaultEntry(const ParamDef& def) {
  const ParamKind kind = def.type.kind;
  switch (kind) {
    case ParamKind::Float: return FloatTrack(DefaultAs<float>(def));
    case ParamKind::Int:
    case ParamKind::Bool:
    case ParamKind::Time: return IntTrack(IntFor(kind, DefaultAs<int>(def)), InterpolationFor(kind));
    case ParamKind::Color: return ColorTrack(DefaultAs<Color>(def));
    case ParamKind::Point3: return Point3Track(DefaultAs<Point3>(def));
    case ParamKind::String:
    case ParamKind::Filename: return DefaultAs<std::string>(def);
    case ParamKind::RefTarget: return static_cast<ReferenceTarget*>(nullptr);
    case ParamKind::Bitmap: return DefaultAs<PBBitmap>(def);
  }
  return FloatTrack();
}

ParamEntries DefaultEntries(const ParamDef& def) {
  const int n = def.type.table ? std::max(def.tableSize, 0) : 1;
  return ParamEntries(static_cast<std::size_t>(n), DefaultEntry(def));
}

bool ReadEntry(const ParamEntry& e, TimeValue t, float& v, Interval& valid) {
  return ReadTrack<FloatTrack>(e, t, v, valid);
}
bool ReadEntry(const ParamEntry& e, TimeValue t, int& v, Interval& valid) {
  return ReadTrack<IntTrack>(e, t, v, valid);
}
bool ReadEntry(const ParamEntry& e, TimeValue t, bool& v, Interval& valid) {
  int i = 0;
  if (!ReadTrack<IntTrack>(e, t, i, valid)) return false;
  v = i != 0;
  return true;
}
bool ReadEntry(const ParamEntry& e, TimeValue t, Color& v, Interval& valid) {
  return ReadTrack<ColorTrack>(e, t, v, valid);
}
bool ReadEntry(const ParamEntry& e, TimeValue t, Point3& v, Interval& valid) {
  return ReadTrack<Point3Track>(e, t, v, valid);
}
bool ReadEntry(const ParamEntry& e, TimeValue, std::string& v, Interval&) { return ReadPlain(e, v); }
bool ReadEntry(const ParamEntry& e, TimeValue, ReferenceTarget*& v, Interval&) { return ReadPlain(e, v); }
bool ReadEntry(const ParamEntry& e, TimeValue, PBBitmap& v, Interval&) { return ReadPlain(e, v); }

bool WriteEntry(ParamKind, ParamEntry& e, TimeValue t, float v) { return WriteTrack<FloatTrack>(e, t, v, false); }
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, int v) {
  return WriteTrack<IntTrack>(e, t, IntFor(kind, v), false);
}
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, bool v) { return WriteEntry(kind, e, t, v ? 1 : 0); }
bool WriteEntry(ParamKind, ParamEntry& e, TimeValue t, const Color& v) {
  return WriteTrack<ColorTrack>(e, t, v, false);
}
bool WriteEntry(ParamKind, ParamEntry& e, TimeValue t, const Point3& v) {
  return WriteTrack<Point3Track>(e, t, v, false);
}
bool WriteEntry(ParamKind, ParamEntry& e, TimeValue, const std::string& v) {
  std::string* s = std::get_if<std::string>(&e);
  if (!s) return false;
  *s = v;
  return true;
}
bool WriteEntry(ParamKind, ParamEntry& e, TimeValue, const PBBitmap& v) {
  PBBitmap* b = std::get_if<PBBitmap>(&e);
  if (!b) return false;
  *b = v;
  return true;
}

bool KeyEntry(ParamKind, ParamEntry& e, TimeValue t, float v) { return WriteTrack<FloatTrack>(e, t, v, true); }
bool KeyEntry(ParamKind kind, ParamEntry& e, TimeValue t, int v) {
  return WriteTrack<IntTrack>(e, t, IntFor(kind, v), true);
}
bool KeyEntry(ParamKind kind, ParamEntry& e, TimeValue t, bool v) { return KeyEntry(kind, e, t, v ? 1 : 0); }
bool KeyEntry(ParamKind, ParamEntry& e, TimeValue t, const Color& v) {
  return WriteTrack<ColorTrack>(e, t, v, true);
}
bool KeyEntry(ParamKind, ParamEntry& e, TimeValue t, const Point3& v) {
  return WriteTrack<Point3Track>(e, t, v, true);
}

bool EntryAnimated(const ParamEntry& e) {
  return std::visit(
      [](const auto& v) {
        if constexpr (requires { v.IsAnimated(); }) return v.IsAnimated();
        else return false;
      },
      e);
}

void RemoveEntryAnimation(ParamEntry& e, TimeValue t) {
  std::visit(
      [t](auto& v) {
        if constexpr (requires { v.RemoveAnimation(t); }) v.RemoveAnimation(t);
      },
      e);
}

Interval EntryValidity(const ParamEntry& e, TimeValue t) {
  Interval valid = FOREVER;
  std::visit(
      [t, &valid](const auto& v) {
        if constexpr (requires { v.Value(t, &valid); }) v.Value(t, &valid);
      },
      e);
  return valid;
}

bool ConvertEntry(const ParamEntry& from, ParamKind kind, ParamEntry& to) {
  const std::size_t want = StorageIndex(kind);
  if (from.index() == want) {
    to = from;
  } else if (const auto* f = std::get_if<FloatTrack>(&from); f && want == 1) {
    to = MapTrack<int>(*f, ToInt);
  } else if (const auto* i = std::get_if<IntTrack>(&from); i && want == 0) {
    to = MapTrack<float>(*i, [](int v) { return static_cast<float>(v); });
  } else if (const auto* c = std::get_if<ColorTrack>(&from); c && want == 3) {
    to = MapTrack<Point3>(*c, [](const Color& v) { return Point3(v.r, v.g, v.b); });
  } else if (const auto* p = std::get_if<Point3Track>(&from); p && want == 2) {
    to = MapTrack<Color>(*p, [](const Point3& v) { return Color(v); });
  } else if (const auto* s = std::get_if<std::string>(&from); s && want == 6) {
    to = PBBitmap{*s};
  } else if (const auto* b = std::get_if<PBBitmap>(&from); b && want == 4) {
    to = b->fileName;
  } else {
    return false;
  }
  if (kind == ParamKind::Bool) {
    IntTrack& track = std::get<IntTrack>(to);
    track = MapTrack<int>(track, [](int v) { return v != 0 ? 1 : 0; });
    track.SetInterpolation(Interpolation::Constant);
  }
  return true;
}

// ---- ParamStore -------------------------------------------------------------

void ParamStore::Reset(std::span<const ParamDef> defs) {
  params.clear();
  params.reserve(defs.size());
  for (const ParamDef& def : defs) params.push_back(DefaultEntries(def));
}

ParamEntry* ParamStore::Entry(int index, int tab) {
  if (index < 0 || static_cast<std::size_t>(index) >= params.size()) return nullptr;
  ParamEntries& entries = params[static_cast<std::size_t>(index)];
  if (tab < 0 || static_cast<std::size_t>(tab) >= entries.size()) return nullptr;
  return &entries[static_cast<std::size_t>(tab)];
}

const ParamEntry* ParamStore::Entry(int index, int tab) const {
  return const_cast<ParamStore*>(this)->Entry(index, tab);
}

int ParamStore::Count(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= params.size()) return 0;
  return static_cast<int>(params[static_cast<std::size_t>(index)].size());
}

int ParamStore::NumRefs(std::span<const ParamDef> defs) const {
  int n = 0;
  for (std::size_t i = 0; i < defs.size() && i < params.size(); ++i)
    if (defs[i].type.kind == ParamKind::RefTarget) n += static_cast<int>(params[i].size());
  return n;
}

int ParamStore::RefIndex(std::span<const ParamDef> defs, int index, int tab) const {
  if (index < 0 || static_cast<std::size_t>(index) >= defs.size() || index >= static_cast<int>(params.size()))
    return -1;
  if (defs[static_cast<std::size_t>(index)].type.kind != ParamKind::RefTarget || tab < 0 || tab >= Count(index))
    return -1;
  int ref = 0;
  for (int i = 0; i < index; ++i)
    if (defs[static_cast<std::size_t>(i)].type.kind == ParamKind::RefTarget) ref += Count(i);
  return ref + tab;
}

ReferenceTarget** ParamStore::RefSlot(std::span<const ParamDef> defs, int ref) {
  if (ref < 0) return nullptr;
  for (std::size_t i = 0; i < defs.size() && i < params.size(); ++i) {
    if (defs[i].type.kind != ParamKind::RefTarget) continue;
    const int n = static_cast<int>(params[i].size());
    if (ref < n) return std::get_if<ReferenceTarget*>(&params[i][static_cast<std::size_t>(ref)]);
    ref -= n;
  }
  return nullptr;
}

int ParamStore::RefOwner(std::span<const ParamDef> defs, int ref) const {
  if (ref < 0) return -1;
  for (std::size_t i = 0; i < defs.size() && i < params.size(); ++i) {
    if (defs[i].type.kind != ParamKind::RefTarget) continue;
    const int n = static_cast<int>(params[i].size());
    if (ref < n) return static_cast<int>(i);
    ref -= n;
  }
  return -1;
}

bool ParamStore::IsAnimated(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= params.size()) return false;
  for (const ParamEntry& e : params[static_cast<std::size_t>(index)])
    if (EntryAnimated(e)) return true;
  return false;
}

bool ParamStore::AnyAnimated() const {
  for (std::size_t i = 0; i < params.size(); ++i)
    if (IsAnimated(static_cast<int>(i))) return true;
  return false;
}

void ParamStore::RemoveAnimation(int index, TimeValue t) {
  if (index < 0 || static_cast<std::size_t>(index) >= params.size()) return;
  for (ParamEntry& e : params[static_cast<std::size_t>(index)]) RemoveEntryAnimation(e, t);
}

Interval ParamStore::Validity(TimeValue t) const {
  Interval valid = FOREVER;
  for (const ParamEntries& entries : params)
    for (const ParamEntry& e : entries) valid &= EntryValidity(e, t);
  return valid;
}

}  // namespace host
