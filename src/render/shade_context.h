// The shading context the surface pass aims at each object, face and pixel
// before it asks a material to shade. One per renderer, re-aimed in place:
// materials read it through the host's ShadeContext queries, all answers in
// camera space unless a query names another frame.
//
// Everything a query can work out from the current face and the pixel's
// weights (map coordinates, their extent over a pixel, surface directions)
// is worked out when asked, so a material that never asks costs nothing.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "frame/instance.h"
#include "host/render_api/render_interfaces.h"
#include "render/gather.h"
#include "render/polygon_fill.h"

namespace pw {

class PwShadeContext : public host::ShadeContext {
 public:
  // ---- Frame -------------------------------------------------------------------
  // Once per field: the frame-wide facts and the lights shaded with.
  void beginFrame(host::RenderGlobalContext& global, PwLightList& lights, host::TimeValue time, int imageWidth,
                  int imageHeight, bool perspective, const host::Color& ambient, bool maps, bool filter);

  // ---- Object ------------------------------------------------------------------
  // The object's transforms, its opacity factor (node visibility clamped to
  // 0..1) and what the shading material needs: the map channels whose
  // coordinates it reads and those it needs surface directions for.
  void beginObject(PwRenderInstance& instance, host::Mtl* material, float opacityFactor);
  std::uint32_t requirements() const { return requirements_; }
  float opacityFactor() const { return opacityFactor_; }
  const std::vector<int>& mapChannels() const { return channels_; }

  // ---- Face --------------------------------------------------------------------
  // The face's corners, normals and (for the required channels) map corners.
  // cornerNormals points at the face's three.
  void beginFace(int faceNum, bool back, int mtlId, const host::Point3* cornerNormals);
  const host::Point3& cornerNormal(int k) const { return cornerN_[k]; }
  const host::Point3& cornerPoint(int k) const { return cornerP_[k]; }

  // ---- Pixel -------------------------------------------------------------------
  // The pixel's screen column and row, its point, unit normal and weights;
  // the interpolator supplies the weights' change across the pixel.
  void setPixel(int x, int y, const host::Point3& point, const host::Point3& normal, const host::Point3& bary,
                const PwFaceInterpolator& interp);

  // ---- host::ShadeContext ------------------------------------------------------
  bool InMtlEditor() override { return global_ && global_->inMtlEdit; }
  host::TimeValue CurTime() override { return time_; }
  int ProjType() override { return perspective_ ? host::PROJ_PERSPECTIVE : host::PROJ_PARALLEL; }
  host::LightDesc* Light(int n) override;
  host::INode* Node() override { return instance_ ? instance_->node : nullptr; }
  host::Object* GetEvalObject() override { return instance_ ? instance_->evalObject : nullptr; }
  int FaceNumber() override { return faceNum_; }

  host::Point3 P() override { return point_; }
  host::Point3 DP() override;
  host::Point3 V() override { return view_; }
  void SetView(const host::Point3& v) override { view_ = v; }
  host::Point3 Normal() override { return normal_; }
  void SetNormal(const host::Point3& n) override { normal_ = n; }
  host::Point3 OrigNormal() override { return origNormal_; }
  host::Point3 GNormal() override { return faceNormal_; }
  host::Point3 BarycentricCoords() override { return bary_; }
  host::Point3 CamPos() override { return {}; }
  host::Point3 PointTo(const host::Point3& p, host::RefFrame ito) override;
  host::Point3 PointFrom(const host::Point3& p, host::RefFrame ifrom) override;
  host::Point3 VectorTo(const host::Point3& v, host::RefFrame ito) override;
  host::Point3 VectorFrom(const host::Point3& v, host::RefFrame ifrom) override;
  host::Point3 PObj() override { return point_ * camToObj_; }
  host::Point3 DPObj() override { return VectorTransform(camToObj_, DP()); }
  host::Box3 ObjectBox() override { return instance_ ? instance_->obBox : host::Box3(); }

  void ScreenUV(host::Point2& uv, host::Point2& duv) override;
  void ScreenCoord(int& x, int& y) override {
    x = sx_;
    y = sy_;
  }
  host::Point3 UVW(int channel) override;
  host::Point3 DUVW(int channel) override;
  void DPdUVW(host::Point3 dP[3], int channel) override;

 private:
  // Index of channel among the required ones; -1 when it is not required.
  int slotOf(int channel) const;
  // The weights' change over one pixel step in x and y.
  void baryDerivatives(host::Point3& ddx, host::Point3& ddy) const;

  host::RenderGlobalContext* global_ = nullptr;
  PwLightList* lights_ = nullptr;
  host::TimeValue time_ = 0;
  bool perspective_ = true;
  float invWidth_ = 1.0f;
  float invHeight_ = 1.0f;
  host::Matrix3 camToWorld_;
  host::Matrix3 worldToCam_;

  PwRenderInstance* instance_ = nullptr;
  host::Matrix3 objToCam_, normalObjToCam_, camToObj_, normalCamToObj_, worldToObj_;
  float opacityFactor_ = 1.0f;
  std::uint32_t requirements_ = 0;
  std::vector<int> channels_;      // required map channels
  host::BitArray mapReq_, bumpReq_;

  int faceNum_ = 0;
  std::array<host::Point3, 3> cornerP_{};
  std::array<host::Point3, 3> cornerN_{};
  host::Point3 faceNormal_;
  // Per required channel, the face's three map corners.
  std::vector<std::array<host::Point3, 3>> cornerUVW_;

  int sx_ = 0;
  int sy_ = 0;
  host::Point3 point_, normal_, origNormal_, view_, bary_;
  const PwFaceInterpolator* interp_ = nullptr;
};

}  // namespace pw
