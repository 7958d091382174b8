#include "render/shade_context.h"

#include <algorithm>
#include <cmath>

#include "host/shading/mtl.h"

namespace pw {

namespace {

host::Point3 positionOf(const MeshVertex& v) { return {v.x, v.y, v.z}; }

host::Point3 absolute(const host::Point3& p) { return {std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}; }

// Required map channels: what the host's map requests name, 0..99.
void collectChannels(const host::BitArray& bits, std::vector<int>& out) {
  for (int ch = 0; ch < std::min(bits.GetSize(), kNumMapChannels); ++ch)
    if (bits[ch]) out.push_back(ch);
}

}  // namespace

void PwShadeContext::beginFrame(host::RenderGlobalContext& global, PwLightList& lights, host::TimeValue time,
                                int imageWidth, int imageHeight, bool perspective, const host::Color& ambient,
                                bool maps, bool filter) {
  global_ = &global;
  globContext = &global;
  lights_ = &lights;
  nLights = static_cast<int>(lights.entries.size());
  time_ = time;
  perspective_ = perspective;
  invWidth_ = imageWidth > 0 ? 1.0f / static_cast<float>(imageWidth) : 1.0f;
  invHeight_ = imageHeight > 0 ? 1.0f / static_cast<float>(imageHeight) : 1.0f;
  worldToCam_ = global.worldToCam;
  camToWorld_ = host::Inverse(worldToCam_);
  ambientLight = ambient;
  doMaps = maps;
  filterMaps = filter;
  mode = host::SCMODE_NORMAL;
  shadow = false;
}

void PwShadeContext::beginObject(PwRenderInstance& instance, host::Mtl* material, float opacityFactor) {
  instance_ = &instance;
  inst = &instance;
  objToCam_ = instance.objToCam;
  normalObjToCam_ = instance.normalObjToCam;
  camToObj_ = instance.camToObj;
  normalCamToObj_ = instance.normalCamToObj;
  worldToObj_ = host::Inverse(instance.objToWorld);
  opacityFactor_ = std::isfinite(opacityFactor) ? std::clamp(opacityFactor, 0.0f, 1.0f) : 1.0f;
  requirements_ = material ? material->Requirements(-1) : 0u;

  channels_.clear();
  if (material) {
    mapReq_.SetSize(kNumMapChannels);
    bumpReq_.SetSize(kNumMapChannels);
    material->MappingsRequired(-1, mapReq_, bumpReq_);
    // The older request bits name channels 1 and 0 too.
    if (requirements_ & host::MTLREQ_UV) mapReq_.Set(1);
    if (requirements_ & host::MTLREQ_UV2) mapReq_.Set(0);
    for (int ch = 0; ch < std::min(bumpReq_.GetSize(), kNumMapChannels); ++ch)
      if (bumpReq_[ch]) mapReq_.Set(ch);
    collectChannels(mapReq_, channels_);
  }
  cornerUVW_.resize(channels_.size());
}

void PwShadeContext::beginFace(int faceNum, bool back, int mtlId, const host::Point3* cornerNormals) {
  faceNum_ = faceNum;
  backFace = back;
  mtlNum = mtlId;
  const PwRenderMesh& mesh = instance_->mesh;
  const MeshFace& face = mesh.faces[static_cast<std::size_t>(faceNum)];
  for (int k = 0; k < 3; ++k) {
    cornerP_[k] = positionOf(mesh.verts[face.v[k]]);
    cornerN_[k] = cornerNormals[k];
  }
  faceNormal_ = host::Normalize(host::CrossProd(cornerP_[1] - cornerP_[0], cornerP_[2] - cornerP_[0]));
  if (back) faceNormal_ = -faceNormal_;
  for (std::size_t s = 0; s < channels_.size(); ++s) {
    const int ch = channels_[s];
    std::array<host::Point3, 3>& uvw = cornerUVW_[s];
    if (!mesh.mapSupport(ch) || static_cast<std::size_t>(faceNum) >= mesh.maps[ch].faces.size()) {
      uvw = {};
      continue;
    }
    const PwMapChannel& map = mesh.maps[ch];
    const host::TVFace& tv = map.faces[static_cast<std::size_t>(faceNum)];
    for (int k = 0; k < 3; ++k) uvw[k] = tv.t[k] < map.verts.size() ? map.verts[tv.t[k]] : host::Point3();
  }
}

void PwShadeContext::setPixel(int x, int y, const host::Point3& point, const host::Point3& normal,
                              const host::Point3& bary, const PwFaceInterpolator& interp) {
  sx_ = x;
  sy_ = y;
  point_ = point;
  normal_ = normal;
  origNormal_ = normal;
  bary_ = bary;
  interp_ = &interp;
  view_ = perspective_ ? host::Normalize(point) : host::Point3(0.0f, 0.0f, -1.0f);
}

host::LightDesc* PwShadeContext::Light(int n) {
  if (!lights_ || n < 0 || n >= static_cast<int>(lights_->entries.size())) return nullptr;
  return lights_->entries[static_cast<std::size_t>(n)].desc.get();
}

void PwShadeContext::baryDerivatives(host::Point3& ddx, host::Point3& ddy) const {
  ddx = ddy = host::Point3();
  if (!interp_) return;
  const PwFaceInterpolator& f = *interp_;
  double dx0 = f.stepX(0), dx1 = f.stepX(1), dy0 = f.stepY(0), dy1 = f.stepY(1);
  if (f.perspective()) {
    // b = q / w with w = 1/z: db = (dq - b dw) / w = (dq - b dw) z.
    const double z = point_.z;
    dx0 = (dx0 - bary_.x * f.stepX(2)) * z;
    dx1 = (dx1 - bary_.y * f.stepX(2)) * z;
    dy0 = (dy0 - bary_.x * f.stepY(2)) * z;
    dy1 = (dy1 - bary_.y * f.stepY(2)) * z;
  }
  ddx = {static_cast<float>(dx0), static_cast<float>(dx1), static_cast<float>(-dx0 - dx1)};
  ddy = {static_cast<float>(dy0), static_cast<float>(dy1), static_cast<float>(-dy0 - dy1)};
}

host::Point3 PwShadeContext::DP() {
  host::Point3 ddx, ddy;
  baryDerivatives(ddx, ddy);
  const host::Point3 px = cornerP_[0] * ddx.x + cornerP_[1] * ddx.y + cornerP_[2] * ddx.z;
  const host::Point3 py = cornerP_[0] * ddy.x + cornerP_[1] * ddy.y + cornerP_[2] * ddy.z;
  return absolute(px) + absolute(py);
}

host::Point3 PwShadeContext::PointTo(const host::Point3& p, host::RefFrame ito) {
  if (ito == host::REF_WORLD) return p * camToWorld_;
  if (ito == host::REF_OBJECT) return p * camToObj_;
  return p;
}

host::Point3 PwShadeContext::PointFrom(const host::Point3& p, host::RefFrame ifrom) {
  if (ifrom == host::REF_WORLD) return p * worldToCam_;
  if (ifrom == host::REF_OBJECT) return p * objToCam_;
  return p;
}

host::Point3 PwShadeContext::VectorTo(const host::Point3& v, host::RefFrame ito) {
  if (ito == host::REF_WORLD) return VectorTransform(camToWorld_, v);
  if (ito == host::REF_OBJECT) return VectorTransform(normalCamToObj_, v);
  return v;
}

host::Point3 PwShadeContext::VectorFrom(const host::Point3& v, host::RefFrame ifrom) {
  if (ifrom == host::REF_WORLD) return VectorTransform(worldToCam_, v);
  if (ifrom == host::REF_OBJECT) return VectorTransform(normalObjToCam_, v);
  return v;
}

void PwShadeContext::ScreenUV(host::Point2& uv, host::Point2& duv) {
  // Pixel centres, v growing upwards, as the background is mapped.
  uv = {(static_cast<float>(sx_) + 0.5f) * invWidth_, 1.0f - (static_cast<float>(sy_) + 0.5f) * invHeight_};
  duv = {invWidth_, invHeight_};
}

int PwShadeContext::slotOf(int channel) const {
  for (std::size_t s = 0; s < channels_.size(); ++s)
    if (channels_[s] == channel) return static_cast<int>(s);
  return -1;
}

host::Point3 PwShadeContext::UVW(int channel) {
  const int s = slotOf(channel);
  if (s < 0) return {};
  const std::array<host::Point3, 3>& m = cornerUVW_[static_cast<std::size_t>(s)];
  return m[0] * bary_.x + m[1] * bary_.y + m[2] * bary_.z;
}

host::Point3 PwShadeContext::DUVW(int channel) {
  const int s = slotOf(channel);
  if (s < 0) return {};
  const std::array<host::Point3, 3>& m = cornerUVW_[static_cast<std::size_t>(s)];
  host::Point3 ddx, ddy;
  baryDerivatives(ddx, ddy);
  // A filter wants the coordinates' spread over the pixel, both directions
  // together, whichever way the map runs.
  return absolute(m[0] * ddx.x + m[1] * ddx.y + m[2] * ddx.z) + absolute(m[0] * ddy.x + m[1] * ddy.y + m[2] * ddy.z);
}

void PwShadeContext::DPdUVW(host::Point3 dP[3], int channel) {
  dP[0] = dP[1] = dP[2] = host::Point3();
  const int s = slotOf(channel);
  if (s < 0) return;
  const std::array<host::Point3, 3>& m = cornerUVW_[static_cast<std::size_t>(s)];
  const host::Point3 e1 = cornerP_[1] - cornerP_[0], e2 = cornerP_[2] - cornerP_[0];
  const float du1 = m[1].x - m[0].x, dv1 = m[1].y - m[0].y;
  const float du2 = m[2].x - m[0].x, dv2 = m[2].y - m[0].y;
  const float det = du1 * dv2 - du2 * dv1;
  // The bump scale grows where the surface is seen edge-on.
  const float h = 0.11f / (std::fabs(host::DotProd(normal_, view_)) + 0.1f);
  if (det != 0.0f && std::isfinite(det)) {
    dP[0] = host::Normalize((e1 * dv2 - e2 * dv1) / det) * h;
    dP[1] = host::Normalize((e2 * du1 - e1 * du2) / det) * h;
  }
  dP[2] = normal_ * h;
}

}  // namespace pw
