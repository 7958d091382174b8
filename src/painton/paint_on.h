// The paint-on thickness modifier: a value between 0 and 1 per vertex that
// scales the thickness of the lines drawn through that vertex.
//
// The values live in the modifier's per-object local data, one array per
// vertex count the object has had: when a change upstream alters the
// count, the object gets a fresh array of 1.0 (full thickness), and the
// values painted before come back once the count returns. Every evaluation
// writes the live array into the mesh's vertex-data channel 2, where the
// renderer reads the painted thickness (out-of-range values count as 1
// there).
//
// Values reach the modifier from a scene description or a model file; the
// interactive painting of a host application has no counterpart here.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "host/scene/modifier.h"

namespace pw {

// Chunks. The modifier writes kPaintOnChunkVersion after the modifier
// header; its local data writes kPaintOnDataChunkVersion and one value
// list chunk. Readers take any chunk id from kPaintOnChunkValuesFirst to
// kPaintOnChunkValuesLast as a value list.
inline constexpr std::uint16_t kPaintOnChunkVersion = 100;      // i32
inline constexpr std::uint16_t kPaintOnDataChunkVersion = 211;  // i32
inline constexpr std::uint16_t kPaintOnChunkValuesFirst = 110;
inline constexpr std::uint16_t kPaintOnChunkValuesLast = 210;
inline constexpr std::int32_t kPaintOnVersion = 1;

// More entries than any object has vertex counts worth keeping; a larger
// count in a file is damage.
inline constexpr std::int32_t kMaxPaintOnEntries = 1 << 16;

class PwPaintOnData : public host::LocalModData {
 public:
  struct Entry {
    int vertexCount = 0;
    std::vector<float> values;  // vertexCount of them
    friend bool operator==(const Entry&, const Entry&) = default;
  };

  host::LocalModData* Clone() override { return new PwPaintOnData(*this); }

  // The entry for this vertex count, made (filled with 1.0) when missing.
  // Null only when memory runs out.
  Entry* EntryFor(int vertexCount);
  const Entry* FindEntry(int vertexCount) const;
  const std::vector<Entry>& Entries() const { return entries_; }
  // Replaces the values kept for values.size() vertices.
  void SetValues(std::span<const float> values);
  // Forgets every entry (the next evaluation starts at 1.0 everywhere).
  void EraseAll() { entries_.clear(); }

  host::IOResult Save(host::ISave* isave) const;
  // Reads the chunks of the caller's open chunk; on failure the reason goes
  // to iload->SetError and the data is unchanged.
  host::IOResult Load(host::ILoad* iload);

 private:
  std::vector<Entry> entries_;
};

class PwPaintOn : public host::Modifier {
 public:
  explicit PwPaintOn(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "Penwright! Paint On"; }
  host::Class_ID InputType() override { return host::triObjectClassID; }
  // The painted values are not animated, but the channel written is marked
  // valid at the evaluation time only: the host re-evaluates rather than
  // keep a channel that painting may change at any moment.
  host::Interval LocalValidity(host::TimeValue t) override { return host::Interval(t, t); }

  // The value painting sets, kept in 0..1 (NaN counts as 1).
  float PaintValue() const { return paintValue_; }
  void SetPaintValue(float v);
  // Steps of the hot keys: +-0.1, kept in 0..1.
  void StepPaintValue(float delta) { SetPaintValue(paintValue_ + delta); }
  bool FrontVerticesOnly() const { return frontOnly_; }
  void SetFrontVerticesOnly(bool on) { frontOnly_ = on; }

  // Converts the object to a mesh when it is not one, makes the local data
  // and the entry for the mesh's vertex count, and writes the entry into
  // vertex-data channel 2.
  void ModifyObject(host::TimeValue t, host::ModContext& mc, host::ObjectState& os, host::INode* node) override;

  host::IOResult SaveLocalData(host::ISave* isave, host::LocalModData* ld) override;
  host::IOResult LoadLocalData(host::ILoad* iload, host::LocalModData** pld) override;

  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Save(host::ISave* isave) override;
  host::IOResult Load(host::ILoad* iload) override;

 private:
  float paintValue_ = 1.0f;
  bool frontOnly_ = true;
};

// The local data of the modifier in `mc`, made when missing.
PwPaintOnData* PaintOnDataOf(host::ModContext& mc);

// Plugs the class into the plug-in's class table and the host's registry.
bool RegisterPaintOnClass();

}  // namespace pw
