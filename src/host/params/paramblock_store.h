// The values inside a parameter block, shared by both kinds of block.
//
// Every parameter holds a list of entries: exactly one for a plain
// parameter, any number for a table. Numbers (float, int, bool, time, colour,
// point3) are always held as key tracks, whether or not the parameter is
// animatable: a track without keys is a constant, so "animatable" only
// decides whether keys may be added. Reference targets are raw pointers here;
// the block that owns the store keeps them registered as its references.
#pragma once

#include <span>
#include <string>
#include <variant>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/anim/controller.h"
#include "host/params/paramblock_desc.h"
#include "host/core/time.h"

namespace host {

class ReferenceTarget;

using ParamEntry =
    std::variant<FloatTrack, IntTrack, ColorTrack, Point3Track, std::string, ReferenceTarget*, PBBitmap>;
using ParamEntries = std::vector<ParamEntry>;

// The entry a fresh parameter (or a new table entry) holds.
ParamEntry DefaultEntry(const ParamDef& def);
// One default entry, or tableSize of them for a table.
ParamEntries DefaultEntries(const ParamDef& def);

// Typed reads: false, with v and valid untouched, when the entry holds
// another kind. An int reads ints, bools and times; a bool reads the same,
// nonzero being true. valid is intersected with the time the value holds.
bool ReadEntry(const ParamEntry& e, TimeValue t, float& v, Interval& valid);
bool ReadEntry(const ParamEntry& e, TimeValue t, int& v, Interval& valid);
bool ReadEntry(const ParamEntry& e, TimeValue t, bool& v, Interval& valid);
bool ReadEntry(const ParamEntry& e, TimeValue t, Color& v, Interval& valid);
bool ReadEntry(const ParamEntry& e, TimeValue t, Point3& v, Interval& valid);
bool ReadEntry(const ParamEntry& e, TimeValue t, std::string& v, Interval& valid);
bool ReadEntry(const ParamEntry& e, TimeValue t, ReferenceTarget*& v, Interval& valid);
bool ReadEntry(const ParamEntry& e, TimeValue t, PBBitmap& v, Interval& valid);

// Typed writes of the value seen at t (a key at t when the entry is
// animated, else the constant). A bool parameter stores 0 or 1. False when
// the entry holds another kind. Reference targets are set by the block.
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, float v);
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, int v);
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, bool v);
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, const Color& v);
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, const Point3& v);
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, const std::string& v);
bool WriteEntry(ParamKind kind, ParamEntry& e, TimeValue t, const PBBitmap& v);

// Adds (or replaces) a key at t; false when the entry holds another kind or
// cannot hold keys.
bool KeyEntry(ParamKind kind, ParamEntry& e, TimeValue t, float v);
bool KeyEntry(ParamKind kind, ParamEntry& e, TimeValue t, int v);
bool KeyEntry(ParamKind kind, ParamEntry& e, TimeValue t, bool v);
bool KeyEntry(ParamKind kind, ParamEntry& e, TimeValue t, const Color& v);
bool KeyEntry(ParamKind kind, ParamEntry& e, TimeValue t, const Point3& v);

bool EntryAnimated(const ParamEntry& e);
void RemoveEntryAnimation(ParamEntry& e, TimeValue t);
// The times over which the entry's value at t holds.
Interval EntryValidity(const ParamEntry& e, TimeValue t);

// The entry as a `kind` value: the same entry for the same storage; numbers
// across float, int, bool and time, colour and point3 into each other, keys
// and all. False for anything else (a string for an int, a target).
bool ConvertEntry(const ParamEntry& from, ParamKind kind, ParamEntry& to);

// All the parameters of one block, in the order of their definitions.
struct ParamStore {
  std::vector<ParamEntries> params;

  // Every parameter at its default. Reference entries are overwritten: the
  // owner must have released them first.
  void Reset(std::span<const ParamDef> defs);
  // Null when index or tab is out of range.
  ParamEntry* Entry(int index, int tab);
  const ParamEntry* Entry(int index, int tab) const;
  int Count(int index) const;

  // References are numbered through the reference parameters in definition
  // order, and through each table's entries in order.
  int NumRefs(std::span<const ParamDef> defs) const;
  int RefIndex(std::span<const ParamDef> defs, int index, int tab) const;  // -1 when not a reference
  ReferenceTarget** RefSlot(std::span<const ParamDef> defs, int ref);      // null when out of range
  // The parameter index holding reference `ref`, or -1.
  int RefOwner(std::span<const ParamDef> defs, int ref) const;

  bool IsAnimated(int index) const;
  bool AnyAnimated() const;
  void RemoveAnimation(int index, TimeValue t);
  // Intersection of every entry's validity at t.
  Interval Validity(TimeValue t) const;
};

// ---- Persistence, shared by both kinds of block ---------------------------
//
// One parameter is saved as a container chunk:
//   0x0010 PARAM (container)
//     0x0011 HEAD: i16 id, u8 kind, u8 unit, u8 flags (bit 0 table, bit 1 animatable), u32 entry count
//     0x0012 VALUES: the entries in order, little-endian:
//              float/int/bool/time 4 bytes (the constant, or the value at 0 of a keyed entry),
//              colour/point3 12 bytes, string/filename/bitmap a zero-terminated string,
//              reference 1 byte (1 when a target was set; the target itself is
//              stored by the scene file as one of the block's references)
//     0x0013 TRACK (container), one per entry that has keys:
//       0x0014 INDEX: u32 entry index
//       0x0015 KEYS (container): the entry's track, as the track saves itself
// Chunks with other ids are skipped on loading.
inline constexpr std::uint16_t kParamChunk = 0x0010;

// What one PARAM chunk held: the parameter's layout (id, type, animatable)
// and its entries (reference entries null).
struct LoadedParam {
  ParamDef def;
  ParamEntries entries;
};

// Writes one PARAM chunk.
IOResult SaveParam(ISave& isave, const ParamDef& def, const ParamEntries& entries);
// Reads the inside of a PARAM chunk the caller has opened. Refuses, with the
// reason given to iload.SetError: a missing or short HEAD, an unknown kind, a
// plain parameter with other than one entry, an entry count its VALUES chunk
// cannot hold (checked before anything is allocated), values that run past
// their chunk, a track for an entry that does not exist or of another kind.
IOResult LoadParam(ILoad& iload, LoadedParam& out);

}  // namespace host
