#include "host/render_api/render_interfaces.h"

namespace host {

// ---- ShadeContext ------------------------------------------------------------------

Point3 ShadeContext::ReflectVector() {
  const Point3 v = V();
  const Point3 n = Normal();
  return v - n * (2.0f * DotProd(n, v));
}

Point3 ShadeContext::PObjRelBox() {
  const Box3 box = ObjectBox();
  if (box.IsEmpty()) return {};
  const Point3 p = PObj();
  const Point3 c = box.Center();
  const Point3 half = box.Width() * 0.5f;
  auto rel = [](float v, float center, float extent) { return extent > 0.0f ? (v - center) / extent : 0.0f; };
  return {rel(p.x, c.x, half.x), rel(p.y, c.y, half.y), rel(p.z, c.z, half.z)};
}

// ---- ObjLightDesc -------------------------------------------------------------------

int ObjLightDesc::UpdateViewDepParams(const Matrix3& worldToCam) {
  lightToCam = lightToWorld * worldToCam;
  camToLight = Inverse(lightToCam);
  lightPos = lightToCam.GetTrans();
  return 1;
}

}  // namespace host
