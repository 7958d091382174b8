// A modifier that sets the selection of the mesh passing through it.
//
// Modifiers that act on "the selection reaching them" (the edge ID and
// intersection restriction modifiers of the line renderer) get that
// selection from below: a user's sub-object selection in a host
// application, this modifier in the stand-alone build. It holds an edge
// selection, a face selection or both, and replaces only the ones it holds;
// the others pass through unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "host/core/bitarray.h"
#include "host/scene/modifier.h"

namespace host {

class MeshSelectMod : public Modifier {
 public:
  Class_ID ClassID() const override { return MESH_SELECT_CLASS_ID; }
  std::string GetClassName() const override { return "Mesh Select"; }

  // Takes over `edges` (3 bits per face: bit 3f + e for edge e of face f)
  // as the edge selection it sets.
  void SetEdgeSelection(BitArray edges);
  void SetFaceSelection(BitArray faces);
  // Stops setting that selection: the one from below passes through.
  void ClearEdgeSelection();
  void ClearFaceSelection();

  bool SetsEdges() const { return setsEdges_; }
  bool SetsFaces() const { return setsFaces_; }
  const BitArray& EdgeSelection() const { return edges_; }
  const BitArray& FaceSelection() const { return faces_; }

  // On a mesh object: the held selections, cut or padded (clear) to the
  // mesh's faces. Other objects pass unchanged.
  void ModifyObject(TimeValue t, ModContext& mc, ObjectState& os, INode* node) override;

  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 private:
  bool setsEdges_ = false;
  bool setsFaces_ = false;
  BitArray edges_;
  BitArray faces_;
};

}  // namespace host
