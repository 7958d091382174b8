#include "render/render_maps_context.h"

#include <cmath>

#include "host/imaging/bitmap.h"

namespace pw {

void PwRenderMapsContext::GetSubRendParams(host::SubRendParams& srp) {
  const host::RendParams& rp = run_.params.HostPart();
  srp = host::SubRendParams();
  srp.rendType = rp.rendType;
  srp.fieldRender = rp.fieldRender;
  srp.evenLines = run_.field == 0 && rp.fieldOrder == 0;
  srp.devWidth = static_cast<int>(run_.view.imageWidth);
  srp.devHeight = static_cast<int>(run_.view.imageHeight);
  srp.devAspect = run_.view.pixelAspect;
  srp.xorg = 0;
  srp.yorg = 0;
  srp.xmin = run_.frameParams.regxmin;
  srp.xmax = run_.frameParams.regxmax;
  srp.ymin = run_.frameParams.regymin;
  srp.ymax = run_.frameParams.regymax;
}

void PwRenderMapsContext::FindMirrorPlane(std::array<float, 4>& plane) {
  plane = {0.0f, 1.0f, 0.0f, 0.0f};
  if (!instance_ || instance_->mesh.faces.empty()) return;
  const PwRenderMesh& mesh = instance_->mesh;
  const MeshFace& face = mesh.faces.front();
  host::Point3 p[3];
  for (int i = 0; i < 3; ++i) {
    if (face.v[i] >= mesh.verts.size()) return;
    const MeshVertex& v = mesh.verts[face.v[i]];
    // The frame's mesh is still in object space when maps are built.
    p[i] = host::Point3(v.x, v.y, v.z) * instance_->objToCam;
  }
  const host::Point3 n = host::CrossProd(p[1] - p[0], p[2] - p[0]);
  const float len = std::sqrt(host::DotProd(n, n));
  if (!(len > 0.0f) || !std::isfinite(len)) return;  // a degenerate face has no plane
  const host::Point3 unit = n / len;
  plane = {unit.x, unit.y, unit.z, -host::DotProd(unit, p[0])};
}

int PwRenderMapsContext::Render(host::Bitmap* bm, host::ViewParams&, host::SubRendParams&) {
  if (bm) bm->Fill({0, 0, 0, 65535});
  return 0;
}

}  // namespace pw
