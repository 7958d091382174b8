// "meshes" and mesh references of a scene description: meshes written out
// in place, and meshes taken from OBJ and glTF files.
#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "import/import_axes.h"
#include "host/io/whole_file.h"
#include "import/import_gltf.h"
#include "import/import_obj.h"
#include "import/import_polymesh.h"
#include "host/services/interface.h"
#include "scene_io/scene_json_build.h"

namespace host {

namespace {

constexpr double kMaxSmoothing = 4294967295.0;  // all 32 groups

bool IsNumbers(const JsonValue& v, std::size_t n) {
  if (!v.IsArray() || v.items.size() != n) return false;
  for (const JsonValue& x : v.items)
    if (!x.IsNumber() || !std::isfinite(static_cast<float>(x.number))) return false;
  return true;
}

// An array with one value per face, or a single value for all of them.
bool PerFace(JsonContext& ctx, const JsonValue& v, const std::string& path, std::size_t faces, double max,
             std::vector<std::uint32_t>& out) {
  if (v.IsNumber()) {
    double d = 0.0;
    if (!JsonNumber(ctx, v, path, 0.0, max, &d)) return false;
    if (d != std::floor(d)) return ctx.Fail(path, "expected a whole number");
    out.assign(faces, static_cast<std::uint32_t>(d));
    return true;
  }
  if (!v.IsArray() || v.items.size() != faces)
    return ctx.Fail(path, "expected a number, or an array of " + std::to_string(faces) + " numbers (one per face)");
  out.resize(faces);
  for (std::size_t i = 0; i < faces; ++i) {
    double d = 0.0;
    const JsonValue& x = v.items[i];
    if (!x.IsNumber() || !(x.number >= 0.0 && x.number <= max) || x.number != std::floor(x.number)) {
      if (!JsonNumber(ctx, x, JsonItem(path, i), 0.0, max, &d)) return false;
      return ctx.Fail(JsonItem(path, i), "expected a whole number");
    }
    out[i] = static_cast<std::uint32_t>(x.number);
  }
  return true;
}

bool ReadVertices(JsonContext& ctx, const JsonValue* v, const std::string& path, PolyMesh& m) {
  if (!v || !v->IsArray()) return ctx.Fail(path, "expected an array of vertices ([x, y, z] each)");
  m.positions.reserve(v->items.size());
  for (std::size_t i = 0; i < v->items.size(); ++i) {
    const JsonValue& p = v->items[i];
    if (!IsNumbers(p, 3)) {
      Point3 unused;
      if (!JsonPoint3(ctx, p, JsonItem(path, i), &unused)) return false;
    }
    m.positions.emplace_back(static_cast<float>(p.items[0].number), static_cast<float>(p.items[1].number),
                             static_cast<float>(p.items[2].number));
  }
  return true;
}

bool ReadFaces(JsonContext& ctx, const JsonValue* v, const std::string& path, PolyMesh& m) {
  if (!v || !v->IsArray()) return ctx.Fail(path, "expected an array of faces (vertex indices each)");
  const std::size_t n = m.positions.size();
  for (std::size_t f = 0; f < v->items.size(); ++f) {
    const JsonValue& face = v->items[f];
    if (!face.IsArray() || face.items.size() < 3)
      return ctx.Fail(JsonItem(path, f), "expected an array of at least 3 vertex indices");
    for (std::size_t k = 0; k < face.items.size(); ++k) {
      const JsonValue& x = face.items[k];
      if (!x.IsNumber() || x.number != std::floor(x.number) || x.number < 0.0 || x.number >= static_cast<double>(n))
        return ctx.Fail(JsonItem(JsonItem(path, f), k),
                        x.IsNumber() ? "vertex index out of range (the mesh has " + std::to_string(n) + " vertices)"
                                     : "expected a vertex index");
      m.corners.push_back(static_cast<std::uint32_t>(x.number));
    }
    m.faceStart.push_back(static_cast<std::uint32_t>(m.corners.size()));
  }
  return true;
}

bool ReadUVs(JsonContext& ctx, const JsonValue& v, const std::string& path, PolyMesh& m) {
  if (!v.IsArray() || v.items.size() != m.positions.size())
    return ctx.Fail(path, "expected one [u, v] per vertex (" + std::to_string(m.positions.size()) + ")");
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    Point2 uv;
    if (!JsonPoint2(ctx, v.items[i], JsonItem(path, i), &uv)) return false;
    m.mapVerts.emplace_back(uv.x, uv.y, 0.0f);
  }
  m.mapCorners = m.corners;
  return true;
}

TriObject* InlineMesh(JsonSceneBuild& b, JsonObject& o) {
  JsonContext& ctx = b.ctx;
  PolyMesh m;
  if (!ReadVertices(ctx, o.Has("vertices"), o.PathOf("vertices"), m) ||
      !ReadFaces(ctx, o.Has("faces"), o.PathOf("faces"), m))
    return nullptr;
  const std::size_t faces = m.NumPolygons();
  std::vector<std::uint32_t> values;
  if (const JsonValue* s = o.Has("smoothing")) {
    if (!PerFace(ctx, *s, o.PathOf("smoothing"), faces, kMaxSmoothing, m.smGroups)) return nullptr;
  }
  if (const JsonValue* ids = o.Has("materialIds")) {
    if (!PerFace(ctx, *ids, o.PathOf("materialIds"), faces, std::numeric_limits<MtlID>::max(), values)) return nullptr;
    m.mtlIds.assign(values.begin(), values.end());
  }
  if (const JsonValue* uv = o.Has("uvs"); uv && !ReadUVs(ctx, *uv, o.PathOf("uvs"), m)) return nullptr;

  auto* obj = b.Keep(new TriObject());
  PolyMeshReport report;
  if (!BuildTriMesh(m, obj->mesh, report)) {
    ctx.Fail(o.Path(), "the mesh could not be built");
    return nullptr;
  }
  for (int k = 0; k < kPolyIssueKinds; ++k)
    if (report.count[k] > 0)
      WarningText(DescribePolyIssue(static_cast<PolyIssueKind>(k), report.count[k],
                                    ctx.Where(JsonItem(o.PathOf("faces"), report.first[k].polygon))));
  return obj;
}

// Appends src, placed by tm, to dst; faces of a mirroring tm are turned
// round so they still face outwards.
void AppendMesh(Mesh& dst, const Mesh& src, const Matrix3& tm, bool withMap) {
  const int v0 = dst.getNumVerts(), f0 = dst.getNumFaces(), t0 = withMap ? dst.getNumMapVerts(1) : 0;
  const bool mirror = Determinant(tm) < 0.0f;
  dst.setNumVerts(v0 + src.getNumVerts(), true);
  dst.setNumFaces(f0 + src.getNumFaces(), true);
  for (int i = 0; i < src.getNumVerts(); ++i) dst.setVert(v0 + i, src.getVert(i) * tm);
  // Painted line thickness (a glTF _THICKNESS attribute) comes along; the
  // vertices of a mesh without it keep full thickness.
  if (dst.vDataSupport(VDATA_ALPHA) && src.vDataSupport(VDATA_ALPHA)) {
    const std::span<const float> from = src.vertexFloat(VDATA_ALPHA);
    std::copy(from.begin(), from.end(), dst.vertexFloat(VDATA_ALPHA).begin() + v0);
  }
  const bool srcMap = src.mapSupport(1);
  if (withMap) {
    const int add = srcMap ? src.getNumMapVerts(1) : 1;
    dst.setNumMapVerts(1, t0 + add, true);
    for (int i = 0; i < add; ++i) dst.mapVerts(1)[t0 + i] = srcMap ? src.mapVerts(1)[i] : Point3();
  }
  for (int f = 0; f < src.getNumFaces(); ++f) {
    Face face = src.faces()[f];
    for (std::uint32_t& v : face.v) v += static_cast<std::uint32_t>(v0);
    TVFace tv = srcMap ? src.mapFaces(1)[f] : TVFace();
    for (std::uint32_t& t : tv.t) t += static_cast<std::uint32_t>(t0);
    if (mirror) {
      std::swap(face.v[0], face.v[2]);
      std::swap(tv.t[0], tv.t[2]);
      const bool e0 = face.getEdgeVis(0), e1 = face.getEdgeVis(1);
      face.setEdgeVis(0, e1);
      face.setEdgeVis(1, e0);
    }
    dst.faces()[f0 + f] = face;
    if (withMap) dst.mapFaces(1)[f0 + f] = tv;
  }
}

// The file's mesh nodes, depth first.
void MeshNodes(INode* node, std::vector<INode*>& out) {
  for (int i = 0; i < node->NumberOfChildren(); ++i) {
    INode* child = node->GetChildNode(i);
    if (!child) continue;
    if (dynamic_cast<TriObject*>(child->GetObjectRef())) out.push_back(child);
    MeshNodes(child, out);
  }
}

bool FileMesh(JsonSceneBuild& b, JsonObject& o, JsonMeshDef* out) {
  JsonContext& ctx = b.ctx;
  std::string file, object;
  int upAxis = 0;
  bool thicknessFromColours = false;
  if (!o.String("file", &file) || !o.String("object", &object) || !o.Choice("upAxis", {"y", "z"}, &upAxis) ||
      !o.Bool("thicknessFromColours", &thicknessFromColours))
    return false;
  if (file.empty()) return ctx.Fail(o.PathOf("file"), "the file name is empty");
  const std::string resolved = ctx.Resolve(file);
  const std::string ext = LowerExtension(resolved);
  Scene scratch;
  std::string error;
  bool ok = false;
  if (thicknessFromColours && ext != ".obj")
    return ctx.Fail(o.PathOf("thicknessFromColours"), "only an OBJ file's vertex colours can give line thickness; "
                                                      "a glTF file gives it as the vertex attribute _THICKNESS");
  if (ext == ".obj")
    ok = ImportObj(resolved, scratch, nullptr, &error, nullptr, {.thicknessFromColours = thicknessFromColours});
  else if (ext == ".gltf" || ext == ".glb")
    ok = ImportGltf(resolved, scratch, nullptr, &error);
  else
    return ctx.Fail(o.PathOf("file"), "'" + file + "' is neither an OBJ nor a glTF file (.obj, .gltf, .glb)");
  if (!ok) return ctx.Fail(o.PathOf("file"), error);

  std::vector<INode*> nodes;
  MeshNodes(scratch.Root(), nodes);
  if (!object.empty()) {
    std::erase_if(nodes, [&](INode* n) { return n->GetName() != object; });
    if (nodes.empty()) return ctx.Fail(o.PathOf("object"), "'" + file + "' has no mesh object named '" + object + "'");
  }
  if (nodes.empty()) return ctx.Fail(o.PathOf("file"), "'" + file + "' holds no mesh");

  // The file's own coordinates when it is Z-up already.
  const Matrix3 fix = upAxis == 1 ? Inverse(ZUpFromYUp()) : Matrix3();
  bool withMap = false;
  for (INode* n : nodes) withMap = withMap || static_cast<TriObject*>(n->GetObjectRef())->mesh.mapSupport(1);
  auto* obj = b.Keep(new TriObject());
  if (withMap) obj->mesh.setMapSupport(1);
  for (INode* n : nodes)
    if (static_cast<TriObject*>(n->GetObjectRef())->mesh.vDataSupport(VDATA_ALPHA)) {
      obj->mesh.setVDataSupport(VDATA_ALPHA);
      break;
    }
  for (INode* n : nodes)
    AppendMesh(obj->mesh, static_cast<TriObject*>(n->GetObjectRef())->mesh, n->GetObjectTM(0) * fix, withMap);
  out->object = obj;
  out->fileMaterial = nodes.front()->GetMtl();
  if (out->fileMaterial) b.Keep(out->fileMaterial);
  return true;
}

bool MeshDef(JsonSceneBuild& b, const JsonValue& v, const std::string& path, bool needName, std::string* name,
             JsonMeshDef* out) {
  JsonObject o(b.ctx, v, path);
  if (!o.Check({"name", "file", "object", "upAxis", "thicknessFromColours", "vertices", "faces", "smoothing",
                "materialIds", "uvs"}) ||
      !o.String("name", name))
    return false;
  if (needName && name->empty())
    return b.ctx.Fail(o.PathOf("name"), o.Has("name") ? "the name is empty" : "a mesh here needs a name");
  const bool fromFile = o.Has("file") != nullptr;
  for (std::string_view k : {"vertices", "faces", "smoothing", "materialIds", "uvs"})
    if (fromFile && o.Has(k))
      return b.ctx.Fail(o.PathOf(k), "a mesh from a file cannot also list its own " + std::string(k));
  for (std::string_view k : {"object", "upAxis"})
    if (!fromFile && o.Has(k)) return b.ctx.Fail(o.PathOf(k), "only a mesh from a file has " + std::string(k));
  if (fromFile) return FileMesh(b, o, out);
  out->object = InlineMesh(b, o);
  return out->object != nullptr;
}

}  // namespace

bool ReadJsonMeshes(JsonSceneBuild& b, const JsonValue& v, const std::string& path) {
  if (!v.IsArray()) return b.ctx.Fail(path, "expected an array of meshes");
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    const std::string p = JsonItem(path, i);
    std::string name;
    JsonMeshDef def;
    if (!MeshDef(b, v.items[i], p, true, &name, &def)) return false;
    if (!b.meshes.emplace(name, def).second)
      return b.ctx.Fail(JsonMember(p, "name"), "another mesh is named '" + name + "' already");
  }
  return true;
}

bool JsonMeshRef(JsonSceneBuild& b, const JsonValue& v, const std::string& path, JsonMeshDef* out) {
  if (v.IsString()) {
    auto it = b.meshes.find(v.text);
    if (it == b.meshes.end()) return b.ctx.Fail(path, "no mesh is named '" + v.text + "'");
    *out = it->second;
    return true;
  }
  std::string name;
  return MeshDef(b, v, path, false, &name, out);
}

}  // namespace host
