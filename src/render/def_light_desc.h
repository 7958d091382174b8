// A light the host supplies for scenes without lights of their own: a
// plain point light without attenuation or shadows, fixed in the world or
// riding with the camera.
#pragma once

#include "host/render_api/render_interfaces.h"
#include "host/render_api/rendering.h"

namespace pw {

class PwDefLightDesc : public host::ObjLightDesc {
 public:
  explicit PwDefLightDesc(const host::DefaultLight& light);

  // A transform of all zeros: the light stays at the camera.
  bool cameraAttached() const { return cameraAttached_; }

  // Nothing in the scene moves a default light.
  int Update(host::TimeValue, const host::RendContext&, host::RenderGlobalContext*, bool, bool) override {
    return 1;
  }
  int UpdateViewDepParams(const host::Matrix3& worldToCam) override;
  // The light's colour from its position; lit only where the normal faces it.
  bool Illuminate(host::ShadeContext& sc, const host::Point3& normal, host::Color& color, host::Point3& dir,
                  float& dotNL, float& diffuseCoef) override;

 private:
  bool cameraAttached_ = false;
};

}  // namespace pw
