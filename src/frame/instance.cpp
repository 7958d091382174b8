#include "frame/instance.h"

#include <cassert>

#include "frame/corner_normals.h"

namespace pw {

namespace {

host::Point3 position(const MeshVertex& v) { return {v.x, v.y, v.z}; }

}  // namespace

PwRenderInstance::PwRenderInstance(host::INode* n, std::int16_t i) : node(n), index(i) {}

void PwRenderInstance::setMaterial(host::Mtl* m) {
  standin_.reset();
  mtl = m;
}

void PwRenderInstance::setOwnedMaterial(host::Mtl* m) {
  mtl = m;
  standin_.reset(m);
}

namespace {

int subMaterialId(host::Mtl& m, int mtlId) {
  const int subs = m.NumSubMtls();
  if (subs <= 0 || mtlId <= 0) return 0;
  return mtlId % subs;
}

}  // namespace

host::Color PwRenderInstance::colour(int kind, int mtlId, bool backFace) const {
  if (!mtl) return {};
  const int id = subMaterialId(*mtl, mtlId);
  switch (kind) {
    case kAmbient: return mtl->GetAmbient(id, backFace);
    case kDiffuse: return mtl->GetDiffuse(id, backFace);
    case kSpecular: return mtl->GetSpecular(id, backFace);
    default: return {};
  }
}

std::uint16_t PwRenderInstance::opacity(int mtlId, bool backFace) const {
  if (!mtl) return 65535;
  float o = 1.0f - mtl->GetXParency(subMaterialId(*mtl, mtlId), backFace);
  if (!(o >= 0.0f)) o = 0.0f;  // NaN too
  if (o > 1.0f) o = 1.0f;
  return static_cast<std::uint16_t>(o * 65535.0f);
}

std::uint32_t PwRenderInstance::MtlRequirements(int mtlNum, int /*faceNum*/) {
  return mtl ? mtl->Requirements(mtlNum) : 0u;
}

host::Point3 PwRenderInstance::GetFaceNormal(int faceNum) {
  assert(faceNum >= 0 && faceNum < mesh.numFaces());
  return faceNormal(mesh.verts, mesh.faces[faceNum]);
}

const std::vector<host::Point3>& PwRenderInstance::cornerNormals() {
  if (!cornerNormalsValid_) {
    buildCornerNormals(mesh.verts, mesh.faces, cornerNormals_, adjacencyScratch_);
    cornerNormalsValid_ = true;
  }
  return cornerNormals_;
}

host::Point3 PwRenderInstance::GetFaceVertNormal(int faceNum, int vertNum) {
  assert(faceNum >= 0 && faceNum < mesh.numFaces() && vertNum >= 0 && vertNum < 3);
  return cornerNormals()[static_cast<std::size_t>(faceNum) * 3 + vertNum];
}

void PwRenderInstance::GetFaceVertNormals(int faceNum, host::Point3 n[3]) {
  for (int k = 0; k < 3; ++k) n[k] = GetFaceVertNormal(faceNum, k);
}

host::Point3 PwRenderInstance::GetCamVert(int vertNum) {
  assert(vertNum >= 0 && vertNum < mesh.numVerts());
  return position(mesh.verts[vertNum]);
}

void PwRenderInstance::GetCamVerts(int faceNum, host::Point3 p[3]) {
  assert(faceNum >= 0 && faceNum < mesh.numFaces());
  for (int k = 0; k < 3; ++k) p[k] = position(mesh.verts[mesh.faces[faceNum].v[k]]);
}

void PwRenderInstance::GetObjVerts(int faceNum, host::Point3 p[3]) {
  GetCamVerts(faceNum, p);
  for (int k = 0; k < 3; ++k) p[k] = p[k] * camToObj;
}

}  // namespace pw
