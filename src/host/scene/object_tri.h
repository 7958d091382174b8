// Triangle-mesh objects: the geometry everything is rendered from.
#pragma once

#include <string>
#include <utility>

#include "host/scene/mesh.h"
#include "host/scene/object_base.h"

namespace host {

class TriObject : public GeomObject {
 public:
  TriObject() = default;
  explicit TriObject(Mesh m) : mesh(std::move(m)) {}

  Mesh mesh;

  Class_ID ClassID() const override { return triObjectClassID; }
  std::string GetClassName() const override { return "Mesh"; }

  Box3 GetLocalBoundBox(TimeValue) override { return mesh.getBoundingBox(); }
  // The object's own mesh (needDelete false), unless generated mapping is
  // on and the mesh has no channel 1: then a copy with planar mapping
  // (needDelete true).
  Mesh* GetRenderMesh(TimeValue t, INode* node, View& view, bool& needDelete) override;
  bool HasUVW() override { return mesh.mapSupport(1); }
  void SetGenUVW(bool on) override { genUVW_ = on; }
  bool GetGenUVW() const { return genUVW_; }

  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 private:
  bool genUVW_ = false;
};

// Fills map channel `ch` with a projection onto the xy plane of the mesh's
// bounding box: u and v run 0..1 across the box, w is 0. A flat axis maps
// to 0.5. Answers false for a channel out of range or when memory runs out.
bool MakePlanarMapping(Mesh& mesh, int ch);

}  // namespace host
