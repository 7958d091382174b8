#include "render/def_light_desc.h"

namespace pw {

PwDefLightDesc::PwDefLightDesc(const host::DefaultLight& light) : host::ObjLightDesc(nullptr) {
  ls = light.ls;
  affectDiffuse = ls.affectDiffuse;
  affectSpecular = ls.affectSpecular;
  ambientOnly = ls.ambientOnly;
  cameraAttached_ = light.tm == host::kCameraAttachedLightTM;
  if (cameraAttached_) {
    lightToWorld = host::Matrix3();
    worldToLight = host::Matrix3();
  } else {
    lightToWorld = light.tm;
    worldToLight = host::Inverse(light.tm);
  }
}

int PwDefLightDesc::UpdateViewDepParams(const host::Matrix3& worldToCam) {
  lightToCam = cameraAttached_ ? host::Matrix3() : lightToWorld * worldToCam;
  camToLight = host::Inverse(lightToCam);
  lightPos = lightToCam.GetTrans();
  return 1;
}

bool PwDefLightDesc::Illuminate(host::ShadeContext& sc, const host::Point3& normal, host::Color& color,
                                host::Point3& dir, float& dotNL, float& diffuseCoef) {
  dir = host::Normalize(lightPos - sc.P());
  color = ls.color;
  dotNL = host::DotProd(normal, dir);
  diffuseCoef = dotNL;
  return dotNL > 0.0f;
}

}  // namespace pw
