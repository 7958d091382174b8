// The surface-intersection restriction modifier: limits the faces that take
// part in an object's surface-intersection lines to the faces selected where
// it sits in the mesh's modifier stack. Two switches say whether it limits
// the intersections of the object with itself, with other objects, or both.
//
// The modifier leaves the mesh unchanged. Each evaluation of the stack
// records the face selection that reaches it, and keeps a copy of the mesh
// with the stack's data for that object; on an object that is not a mesh it
// keeps what it recorded last.
#pragma once

#include <memory>
#include <string>

#include "host/core/bitarray.h"
#include "host/scene/mesh.h"
#include "lines/line_modifier.h"

namespace pw {

// Parameters of the block "PwRestrictSIParameters" (block 0).
enum RestrictSIParamID : host::ParamID {
  kRestrictSIWithinObject = 0,  // "restrictSIWithinObject": int switch, default 1
  kRestrictSIWithOthers = 1,    // "restrictSIWithOthers": int switch, default 0
};

const host::ParamBlockDesc2& RestrictSIBlockDesc();

// What the modifier keeps per modified object.
class PwRestrictSIData : public host::LocalModData {
 public:
  std::unique_ptr<host::Mesh> mesh;  // the mesh at the last evaluation; none before
  // Copies start empty: the copy's own stack fills it on its next evaluation.
  host::LocalModData* Clone() override { return new PwRestrictSIData(); }
};

class PwRestrictSI : public PwLineModifier {
 public:
  explicit PwRestrictSI(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "Penwright! RestrictSI"; }

  bool GetWithinObject() const;
  bool SetWithinObject(bool on);
  bool GetWithOthers() const;
  bool SetWithOthers(bool on);
  // The switch for intersections with other objects (withOthers) or within
  // the object.
  bool Restricts(bool withOthers) const { return withOthers ? GetWithOthers() : GetWithinObject(); }

  // The face selection the last evaluation recorded, one bit per face.
  const host::BitArray& FaceSelection() const { return faceSelection_; }

  void ModifyObject(host::TimeValue t, host::ModContext& mc, host::ObjectState& os, host::INode* node) override;

  // A new modifier with a copy of the block; it records its own selection.
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;

 private:
  host::BitArray faceSelection_;
};

}  // namespace pw
