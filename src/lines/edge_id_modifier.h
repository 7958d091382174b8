// The edge ID modifier: tags the edges selected where it sits in a mesh's
// modifier stack with a number, the edge ID. A style's "Edge IDs" lines are
// drawn on the edges whose ID belongs to one of its numbered items.
//
// The modifier leaves the mesh unchanged. Each evaluation of the stack
// records the edge selection that reaches it (3 bits per face, bit 3f + e
// for edge e of face f, in the host mesh's winding); on an object that is
// not a mesh it keeps what it recorded last.
#pragma once

#include <string>

#include "host/core/bitarray.h"
#include "lines/line_modifier.h"

namespace pw {

// Parameters of the block "PwEdgeIDModifierParameters" (block 0).
enum EdgeIdParamID : host::ParamID {
  kEdgeIdParam = 0,  // "edgeID": int, animatable, default 0
};

// The edge ID as users see and type it is one more than the stored value.
inline constexpr int kEdgeIdShownMin = 1;
inline constexpr int kEdgeIdShownMax = 9999;

const host::ParamBlockDesc2& EdgeIdBlockDesc();

class PwEdgeIDModifier : public PwLineModifier {
 public:
  explicit PwEdgeIDModifier(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "Penwright! Edge ID"; }

  // The stored edge ID at t (0 without a block). valid is narrowed.
  int GetEdgeID(host::TimeValue t, host::Interval& valid) const { return GetIntParam(kEdgeIdParam, t, valid); }
  int GetEdgeID(host::TimeValue t = 0) const;
  bool SetEdgeID(host::TimeValue t, int id) { return SetIntParam(kEdgeIdParam, t, id); }
  // The ID as shown (stored + 1), and set from a shown value, which is first
  // brought into kEdgeIdShownMin..kEdgeIdShownMax.
  int GetShownEdgeID(host::TimeValue t = 0) const { return GetEdgeID(t) + 1; }
  bool SetShownEdgeID(host::TimeValue t, int shown);

  // The edge selection the last evaluation recorded.
  const host::BitArray& EdgeSelection() const { return edgeSelection_; }

  void ModifyObject(host::TimeValue t, host::ModContext& mc, host::ObjectState& os, host::INode* node) override;

  // A new modifier with a copy of the block; it records its own selection.
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;

 private:
  host::BitArray edgeSelection_;
};

}  // namespace pw
