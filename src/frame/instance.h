// One renderable object of a render run, and what the frame made of it.
//
// Instances live from Open to Close; their mesh, visibility, depth key and
// transforms are renewed every frame. Shaders reach an instance through the
// host's RenderInstance queries, which answer from the frame's mesh once the
// object stage has moved it to camera space.
#pragma once

#include <cstdint>
#include <vector>

#include "host/shading/mtl.h"
#include "host/scene/node.h"
#include "host/refs/reference.h"
#include "host/render_api/render_interfaces.h"
#include "frame/render_mesh.h"

namespace pw {

// Depth key of an instance the frame has not placed.
inline constexpr float kNoDepthKey = -1e30f;

// Pixel records name instances by a 16-bit index.
inline constexpr int kMaxInstances = 32767;

class PwRenderInstance : public host::RenderInstance {
 public:
  PwRenderInstance(host::INode* node, std::int16_t index);
  ~PwRenderInstance() override = default;
  PwRenderInstance(const PwRenderInstance&) = delete;
  PwRenderInstance& operator=(const PwRenderInstance&) = delete;

  host::INode* node = nullptr;  // owned by the scene
  float depthKey = kNoDepthKey;
  bool visible = true;
  // objToWorld, objToCam, camToObj and obBox (inherited) hold this frame's
  // transforms and object-space mesh bounds.
  PwRenderMesh mesh;
  bool whollyInside = false;  // every bounding-box corner inside the region and the depth range
  std::int16_t index = -1;    // position in the gathering order
  std::uint32_t workFlags = 0;
  float zMin = 0.0f;  // camera-space depth range of the bounding box
  float zMax = 0.0f;
  host::Object* evalObject = nullptr;  // the node's object as evaluated this frame

  // The node's material, or the stand-in made for a node without one.
  host::Mtl* material() const { return mtl; }
  // The node's own material (owned by the scene); drops any stand-in.
  void setMaterial(host::Mtl* m);
  // A material made for this instance: kept alive by the instance and let go
  // when replaced or when the instance goes.
  void setOwnedMaterial(host::Mtl* m);
  bool ownsMaterial() const { return standin_.get() != nullptr; }

  // Colour kinds of the instance's material the surface pass asks for.
  enum ColourKind : int { kAmbient = 0, kDiffuse = 1, kSpecular = 2 };
  // A colour of the material for a face's material id and side; the id is
  // taken modulo the number of sub-materials (0 without any). Black without
  // a material or for an unknown kind.
  host::Color colour(int kind, int mtlId, bool backFace) const;
  // The material's opacity for that id and side, 0..65535 (opaque without
  // a material).
  std::uint16_t opacity(int mtlId, bool backFace) const;

  // Three unit corner normals per face in camera space (face i at 3 i),
  // worked out once per frame on first use.
  const std::vector<host::Point3>& faceCornerNormals() { return cornerNormals(); }

  // The mesh changed: answers computed from the old one are stale.
  void meshChanged() { cornerNormalsValid_ = false; }

  // ---- host::RenderInstance ------------------------------------------------------
  host::INode* GetINode() override { return node; }
  host::Object* GetEvalObject() override { return evalObject; }
  std::uint32_t MtlRequirements(int mtlNum, int faceNum) override;
  host::Point3 GetFaceNormal(int faceNum) override;
  host::Point3 GetFaceVertNormal(int faceNum, int vertNum) override;
  void GetFaceVertNormals(int faceNum, host::Point3 n[3]) override;
  host::Point3 GetCamVert(int vertNum) override;
  void GetObjVerts(int faceNum, host::Point3 p[3]) override;
  void GetCamVerts(int faceNum, host::Point3 p[3]) override;

 private:
  const std::vector<host::Point3>& cornerNormals();

  host::RefHolder standin_;
  std::vector<host::Point3> cornerNormals_;
  std::vector<std::uint32_t> adjacencyScratch_;
  bool cornerNormalsValid_ = false;
};

}  // namespace pw
