#include "host/scene/object_tri.h"

namespace host {

namespace {

enum TriObjectChunk : std::uint16_t {
  TRIOBJ_MESH = 0x0200,
  TRIOBJ_GEN_UVW = 0x0201,
};

}  // namespace

bool MakePlanarMapping(Mesh& mesh, int ch) {
  if (!mesh.setMapSupport(ch) || !mesh.setNumMapVerts(ch, mesh.getNumVerts())) return false;
  const Box3 box = mesh.getBoundingBox();
  const Point3 size = box.Width();
  auto unit = [](float v, float lo, float extent) { return extent > 0.0f ? (v - lo) / extent : 0.5f; };
  std::span<Point3> uvw = mesh.mapVerts(ch);
  std::span<const Point3> verts = mesh.verts();
  for (std::size_t i = 0; i < verts.size(); ++i)
    uvw[i] = Point3(unit(verts[i].x, box.pmin.x, size.x), unit(verts[i].y, box.pmin.y, size.y), 0.0f);
  std::span<TVFace> tv = mesh.mapFaces(ch);
  std::span<const Face> faces = mesh.faces();
  for (std::size_t f = 0; f < faces.size(); ++f) tv[f].setTVerts(faces[f].v[0], faces[f].v[1], faces[f].v[2]);
  return true;
}

Mesh* TriObject::GetRenderMesh(TimeValue, INode*, View&, bool& needDelete) {
  needDelete = false;
  if (!genUVW_ || mesh.mapSupport(1) || mesh.getNumFaces() == 0) return &mesh;
  auto* mapped = new Mesh(mesh);
  if (!MakePlanarMapping(*mapped, 1)) {
    delete mapped;
    return &mesh;
  }
  needDelete = true;
  return mapped;
}

ReferenceTarget* TriObject::Clone(RemapDir&) {
  auto* copy = new TriObject(mesh);
  copy->genUVW_ = genUVW_;
  return copy;
}

IOResult TriObject::Save(ISave* isave) {
  isave->BeginChunk(TRIOBJ_MESH);
  IOResult r = mesh.Save(*isave);
  isave->EndChunk();
  isave->WriteChunk(TRIOBJ_GEN_UVW, static_cast<std::uint32_t>(genUVW_));
  return r;
}

IOResult TriObject::Load(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    switch (iload->CurChunkID()) {
      case TRIOBJ_MESH:
        if (mesh.Load(*iload) != IO_OK) return IO_ERROR;
        break;
      case TRIOBJ_GEN_UVW: {
        std::uint32_t on = 0;
        if (iload->ReadValue(&on) != IO_OK) return IO_ERROR;
        genUVW_ = on != 0;
        break;
      }
      default:
        break;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  return r == IO_ERROR ? IO_ERROR : IO_OK;
}

}  // namespace host
