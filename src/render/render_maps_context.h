// What a material that builds its own maps (a mirror, a reflection) is told
// about the object being drawn. Nothing is rendered for it: such maps come
// out black.
#pragma once

#include "host/render_api/render_interfaces.h"
#include "render/render_run.h"

namespace pw {

class PwRenderMapsContext : public host::RenderMapsContext {
 public:
  explicit PwRenderMapsContext(PwRenderRun& run) : run_(run) {}

  void SetInstance(PwRenderInstance* instance) { instance_ = instance; }
  PwRenderInstance* Instance() const { return instance_; }

  host::INode* GetNode() override { return instance_ ? instance_->node : nullptr; }
  int NodeRenderID() override { return instance_ ? instance_->index : -1; }
  void GetCurrentViewParams(host::ViewParams& vp) override { vp = run_.view.params; }
  void GetSubRendParams(host::SubRendParams& srp) override;
  int SubMtlIndex() override { return subMtl_; }
  void SetSubMtlIndex(int mindex) override { subMtl_ = mindex; }
  // The plane through the instance's first face, in camera space;
  // (0, 1, 0, 0) for a mesh without faces.
  void FindMirrorPlane(std::array<float, 4>& plane) override;
  host::Matrix3 GetObjectTM() override { return instance_ ? instance_->objToWorld : host::Matrix3(); }
  host::RenderGlobalContext* GetGlobalContext() override { return &run_.globalContext; }
  // Fills bm with opaque black and answers 0: sub-renders are not made.
  int Render(host::Bitmap* bm, host::ViewParams& vp, host::SubRendParams& srp) override;

 private:
  PwRenderRun& run_;
  PwRenderInstance* instance_ = nullptr;
  int subMtl_ = 0;
};

}  // namespace pw
