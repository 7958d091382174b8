#include "frame/mesh_transform.h"

namespace pw {

void transformToCamera(PwRenderMesh& mesh, const host::Matrix3& cameraFromObject, const PwProjection& proj) {
  for (MeshVertex& v : mesh.verts) {
    host::Point3 c = host::Point3(v.x, v.y, v.z) * cameraFromObject;
    host::Point2 s = project(proj, c);
    v = MeshVertex{c.x, c.y, c.z, s.x, s.y};
  }
}

ClipStats clipMesh(PwRenderMesh& mesh, const PwProjection& proj, const PwClipWindow& window) {
  return clipFaces(mesh.verts, mesh.faces, mesh.clipPoints, mesh.clipScratch, proj, window);
}

}  // namespace pw
