// The one file that includes the OBJ parser's header.
#include "import/import_obj.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <sstream>
#include <unordered_set>
#include <vector>

#include "import/import_axes.h"
#include "host/io/whole_file.h"
#include "import/import_names.h"
#include "import/import_mtl_check.h"
#include "import/import_obj_scan.h"
#include "import/import_polymesh.h"
#include "host/services/interface.h"
#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "host/scene/object_tri.h"
#include "host/shading/texmap_bitmap.h"

namespace host {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxSmoothingBits = 32;
constexpr float kMaxNs = 1000.0f;

// Reads the parser's input straight from our buffer.
class MemoryBuf : public std::streambuf {
 public:
  explicit MemoryBuf(std::string& text) { setg(text.data(), text.data(), text.data() + text.size()); }
};

// Puts back what a checked MTL line should have given, or the parser's
// default where no good line was left.
void ApplyFix(const MtlValueFix& fix, tinyobj::material_t& m) {
  auto colour = [&](tinyobj::real_t* c) {
    for (int i = 0; i < 3; ++i) c[i] = fix.present ? fix.value[i] : 0.0f;
  };
  switch (fix.key) {
    case MtlKey::Ka: colour(m.ambient); break;
    case MtlKey::Kd: colour(m.diffuse); break;
    case MtlKey::Ks: colour(m.specular); break;
    case MtlKey::Ke: colour(m.emission); break;
    case MtlKey::D: m.dissolve = fix.present ? fix.value[0] : 1.0f; break;
    case MtlKey::Tr: m.dissolve = fix.present ? 1.0f - fix.value[0] : 1.0f; break;
    case MtlKey::Ns: m.shininess = fix.present ? fix.value[0] : 1.0f; break;
  }
}

// Reads MTL libraries from the OBJ file's folder and remembers which
// library each material came from (texture paths are relative to it).
class MtlReader : public tinyobj::MaterialReader {
 public:
  explicit MtlReader(fs::path folder) : folder_(std::move(folder)) {}

  bool operator()(const std::string& name, std::vector<tinyobj::material_t>* materials,
                  std::map<std::string, int>* matMap, std::string* warn, std::string* err) override {
    fs::path path = folder_ / name;
    std::string text, why;
    std::error_code ec;
    if (!fs::exists(path, ec)) {
      missing.push_back(name);
      return false;
    }
    // A folder, pipe or device named as a library is refused unopened.
    if (!ReadWholeFile(path.string(), text, &why)) {
      WarningText(why);
      return false;
    }
    const MtlCheck check = CheckMtlText(text, path.string());
    for (const std::string& w : check.warnings) WarningText(w);
    const std::size_t first = materials->size();
    std::istringstream in(std::move(text));
    tinyobj::LoadMtl(matMap, materials, &in, warn, err);
    // The parser keeps one material per named "newmtl", in file order.
    if (materials->size() - first == check.materials)
      for (const MtlValueFix& fix : check.fixes) ApplyFix(fix, (*materials)[first + fix.material]);
    sources.resize(materials->size(), path);
    return true;
  }

  std::vector<fs::path> sources;  // per material
  std::vector<std::string> missing;

 private:
  fs::path folder_;
};

struct ObjFile {
  std::string path;  // as named in messages
  ObjScan scan;
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::vector<fs::path> materialSources;
  std::vector<std::uint32_t> faceCorners;  // per face over all shapes, in file order
  bool faceLinesKnown = false;

  std::string Where(std::uint32_t line) const { return path + ":" + std::to_string(line); }
  std::string FacePlace(std::uint32_t globalFace, const std::string& object) const {
    if (faceLinesKnown && globalFace < scan.faceLines.size()) return Where(scan.faceLines[globalFace]);
    return path + ": object '" + object + "', face " + std::to_string(globalFace + 1);
  }
};

std::string FirstLine(const std::string& text) {
  std::string s = text.substr(0, text.find('\n'));
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
  return s;
}

// The parser keeps a polygon's corner count in a byte; the scan's counts
// are right when they agree with it modulo 256 and add up to the corners.
void SettleFaceCorners(ObjFile& f) {
  std::size_t faces = 0, corners = 0;
  for (const auto& s : f.shapes) {
    faces += s.mesh.num_face_vertices.size();
    corners += s.mesh.indices.size();
  }
  f.faceLinesKnown = faces == f.scan.faceLines.size();
  bool scanAgrees = f.faceLinesKnown;
  if (scanAgrees) {
    std::size_t g = 0, sum = 0;
    for (const auto& s : f.shapes)
      for (unsigned char n : s.mesh.num_face_vertices) {
        scanAgrees = scanAgrees && (f.scan.faceCorners[g] & 0xFFu) == n;
        sum += f.scan.faceCorners[g++];
      }
    scanAgrees = scanAgrees && sum == corners;
  }
  f.faceCorners.clear();
  f.faceCorners.reserve(faces);
  if (scanAgrees) {
    f.faceCorners = f.scan.faceCorners;
    return;
  }
  for (const auto& s : f.shapes)
    for (unsigned char n : s.mesh.num_face_vertices) f.faceCorners.push_back(n);
}

bool ReadObj(const std::string& path, ObjFile& f, std::string* error) {
  f.path = path;
  std::string text;
  if (!ReadWholeFile(path, text, error)) return false;
  if (!ScanObjText(text, f.scan)) {
    *error = path + ":" + f.scan.error;
    return false;
  }
  MemoryBuf buf(text);
  std::istream in(&buf);
  MtlReader mtl(fs::path(path).parent_path());
  std::string warn, err;
  bool ok = false;
  try {
    ok = tinyobj::LoadObj(&f.attrib, &f.shapes, &f.materials, &warn, &err, &in, &mtl, /*triangulate=*/false);
  } catch (const std::exception& e) {
    // The parser reports through err; this is for what slips past it.
    err = e.what();
  }
  if (!ok) {
    *error = path + ": " + (err.empty() ? std::string("not a readable OBJ file") : FirstLine(err));
    return false;
  }
  // The parser's warnings repeat what the scan found, with less precision;
  // ours name the line.
  for (const ObjNamedLine& lib : f.scan.mtllibs)
    if (std::find(mtl.missing.begin(), mtl.missing.end(), lib.name) != mtl.missing.end())
      WarningText(f.Where(lib.line) + ": material library '" + lib.name + "' not found");
  f.materialSources = std::move(mtl.sources);
  f.materialSources.resize(f.materials.size());
  SettleFaceCorners(f);
  return true;
}

// ---- Materials ------------------------------------------------------------------

Color ColorOf(const tinyobj::real_t* c) { return Color(c[0], c[1], c[2]); }

bool Finite3(const tinyobj::real_t* c) { return std::isfinite(c[0]) && std::isfinite(c[1]) && std::isfinite(c[2]); }

BitmapTex* DiffuseMap(const tinyobj::material_t& m, const fs::path& mtlPath) {
  fs::path file = mtlPath.parent_path() / m.diffuse_texname;
  std::error_code ec;
  if (!fs::exists(file, ec))
    WarningText(mtlPath.string() + ": material '" + m.name + "': texture '" + m.diffuse_texname + "' not found");
  auto* tex = new BitmapTex();
  tex->SetMapName(file.string());
  const tinyobj::texture_option_t& o = m.diffuse_texopt;
  tex->SetTiling(std::isfinite(o.scale[0]) ? o.scale[0] : 1.0f, std::isfinite(o.scale[1]) ? o.scale[1] : 1.0f);
  tex->SetOffset(std::isfinite(o.origin_offset[0]) ? o.origin_offset[0] : 0.0f,
                 std::isfinite(o.origin_offset[1]) ? o.origin_offset[1] : 0.0f);
  tex->SetWrap(!o.clamp, !o.clamp);
  return tex;
}

StdMat* MakeStdMat(const tinyobj::material_t& m, const fs::path& mtlPath) {
  auto* mtl = new StdMat();
  mtl->SetName(m.name);
  const std::string where = mtlPath.string() + ": material '" + m.name + "'";
  auto colour = [&](const tinyobj::real_t* c, const char* key, Color fallback) {
    if (Finite3(c)) return ColorOf(c);
    WarningText(where + ": " + key + " is not a finite colour; the default is used");
    return fallback;
  };
  mtl->SetDiffuse(colour(m.diffuse, "Kd", Color(0.6f, 0.6f, 0.6f)), 0);
  mtl->SetAmbient(colour(m.ambient, "Ka", Color(0.0f, 0.0f, 0.0f)), 0);
  Color ks = colour(m.specular, "Ks", Color(0.0f, 0.0f, 0.0f));
  float level = std::max({ks.r, ks.g, ks.b, 0.0f});
  mtl->SetSpecular(level > 0.0f ? ks / level : Color(1.0f, 1.0f, 1.0f), 0);
  mtl->SetShinStr(level, 0);
  float ns = std::isfinite(m.shininess) ? std::clamp(m.shininess, 0.0f, kMaxNs) : 0.0f;
  mtl->SetShininess(std::sqrt(ns / kMaxNs), 0);
  mtl->SetOpacity(std::isfinite(m.dissolve) ? m.dissolve : 1.0f, 0);
  if (!m.diffuse_texname.empty()) mtl->SetSubTexmap(ID_DI, DiffuseMap(m, mtlPath));
  return mtl;
}

// The file's multi/sub-object material, or null when no face uses one.
// defaultSlot receives the slot of faces without a known material.
MultiMtl* MakeMaterials(const ObjFile& f, int* defaultSlot) {
  bool used = false, unknown = false;
  for (const auto& s : f.shapes)
    for (int id : s.mesh.material_ids) {
      bool known = id >= 0 && static_cast<std::size_t>(id) < f.materials.size();
      used = used || known;
      unknown = unknown || !known;
    }
  *defaultSlot = -1;
  if (!used) return nullptr;

  auto* multi = new MultiMtl();
  multi->SetName(fs::path(f.path).stem().string());
  for (std::size_t i = 0; i < f.materials.size(); ++i)
    multi->AddSubMtl(MakeStdMat(f.materials[i], f.materialSources[i]), f.materials[i].name);
  if (unknown) {
    auto* grey = new StdMat();
    grey->SetName("Default");
    *defaultSlot = multi->AddSubMtl(grey, "Default");
  }
  return multi;
}

void WarnUnknownMaterials(const ObjFile& f) {
  std::unordered_set<std::string> known;
  for (const auto& m : f.materials) known.insert(m.name);
  for (const ObjNamedLine& use : f.scan.usemtls)
    if (!known.count(use.name))
      WarningText(f.Where(use.line) + ": material '" + use.name + "' is not in the material libraries");
}

// ---- Meshes ---------------------------------------------------------------------------

std::uint32_t SmoothingBits(unsigned int group) { return group == 0 ? 0u : 1u << ((group - 1) % kMaxSmoothingBits); }

// Local vertex numbers for one shape: the file's vertices in order of first use.
class LocalIndex {
 public:
  explicit LocalIndex(std::size_t n) : local_(n, kNone) {}
  std::uint32_t Get(std::size_t global, std::vector<std::uint32_t>& order) {
    if (local_[global] == kNone) {
      local_[global] = static_cast<std::uint32_t>(order.size());
      order.push_back(static_cast<std::uint32_t>(global));
    }
    return local_[global];
  }
  void Reset(const std::vector<std::uint32_t>& order) {
    for (std::uint32_t g : order) local_[g] = kNone;
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::vector<std::uint32_t> local_;
};

struct ShapeBuild {
  PolyMesh poly;
  std::vector<std::uint32_t> posOrder, uvOrder;
};

// Fills the shape's polygon mesh; false (with *error) for an index out of range.
bool ShapePolygons(const ObjFile& f, const tinyobj::shape_t& s, std::uint32_t firstFace, int defaultSlot,
                   LocalIndex& pos, LocalIndex& uv, ShapeBuild& b, std::string* error) {
  const std::size_t numVerts = f.attrib.vertices.size() / 3;
  const std::size_t numUVs = f.attrib.texcoords.size() / 2;
  bool anyUV = false;
  for (const tinyobj::index_t& ix : s.mesh.indices) anyUV = anyUV || ix.texcoord_index >= 0;

  // Map vertex 0 is (0, 0): the coordinates of corners that have none.
  if (anyUV) b.poly.mapVerts.push_back(Point3());
  std::size_t k = 0;
  const std::size_t faces = s.mesh.num_face_vertices.size();
  for (std::size_t fi = 0; fi < faces; ++fi) {
    const std::uint32_t global = firstFace + static_cast<std::uint32_t>(fi);
    const std::uint32_t n = f.faceCorners[global];
    if (k + n > s.mesh.indices.size()) {
      *error = f.FacePlace(global, s.name) + ": the face's corners could not be read";
      return false;
    }
    for (std::uint32_t c = 0; c < n; ++c, ++k) {
      const tinyobj::index_t& ix = s.mesh.indices[k];
      if (ix.vertex_index < 0 || static_cast<std::size_t>(ix.vertex_index) >= numVerts) {
        *error = f.FacePlace(global, s.name) + ": vertex index " + std::to_string(ix.vertex_index + 1) +
                 " is out of range (the file has " + std::to_string(numVerts) + " vertices)";
        return false;
      }
      b.poly.corners.push_back(pos.Get(static_cast<std::size_t>(ix.vertex_index), b.posOrder));
      if (!anyUV) continue;
      if (ix.texcoord_index >= static_cast<int>(numUVs)) {
        *error = f.FacePlace(global, s.name) + ": texture coordinate index " + std::to_string(ix.texcoord_index + 1) +
                 " is out of range (the file has " + std::to_string(numUVs) + ")";
        return false;
      }
      b.poly.mapCorners.push_back(
          ix.texcoord_index < 0 ? 0u : 1u + uv.Get(static_cast<std::size_t>(ix.texcoord_index), b.uvOrder));
    }
    int id = fi < s.mesh.material_ids.size() ? s.mesh.material_ids[fi] : -1;
    bool known = id >= 0 && static_cast<std::size_t>(id) < f.materials.size();
    MtlID slot = static_cast<MtlID>(known ? id : std::max(defaultSlot, 0));
    unsigned int group = fi < s.mesh.smoothing_group_ids.size() ? s.mesh.smoothing_group_ids[fi] : 0u;
    b.poly.ClosePolygon(SmoothingBits(group), slot);
  }
  for (std::uint32_t g : b.posOrder) {
    const tinyobj::real_t* v = &f.attrib.vertices[3 * static_cast<std::size_t>(g)];
    b.poly.positions.emplace_back(v[0], v[1], v[2]);
  }
  for (std::uint32_t g : b.uvOrder) {
    const tinyobj::real_t* t = &f.attrib.texcoords[2 * static_cast<std::size_t>(g)];
    b.poly.mapVerts.emplace_back(t[0], t[1], 0.0f);
  }
  return true;
}

void WarnPolyIssues(const ObjFile& f, const tinyobj::shape_t& s, std::uint32_t firstFace,
                    const PolyMeshReport& report) {
  for (int k = 0; k < kPolyIssueKinds; ++k) {
    if (report.count[k] == 0) continue;
    const auto kind = static_cast<PolyIssueKind>(k);
    WarningText(DescribePolyIssue(kind, report.count[k], f.FacePlace(firstFace + report.first[k].polygon, s.name)));
  }
}

// The red channel of the vertices' colours, in the mesh's vertex order, as
// painted thickness (vertex-data channel 2).
bool ThicknessFromColours(const ObjFile& f, const std::vector<std::uint32_t>& posOrder, Mesh& mesh) {
  if (f.attrib.colors.size() != f.attrib.vertices.size() || !mesh.setVDataSupport(VDATA_ALPHA)) return false;
  std::span<float> values = mesh.vertexFloat(VDATA_ALPHA);
  for (std::size_t v = 0; v < posOrder.size() && v < values.size(); ++v)
    values[v] = f.attrib.colors[3 * static_cast<std::size_t>(posOrder[v])];
  return true;
}

bool ImportObjFile(const std::string& path, Scene& scene, INode* parent, std::string* error, ImportSummary* summary,
                   const ObjImportOptions& options) {
  auto file = std::make_unique<ObjFile>();
  ObjFile& f = *file;
  if (!ReadObj(path, f, error)) return false;
  WarnUnknownMaterials(f);
  for (std::uint32_t line : f.scan.shortFaceLines)
    WarningText(f.Where(line) + ": a face needs at least 3 corners; this one was skipped");

  int defaultSlot = -1;
  RefHolder materials(MakeMaterials(f, &defaultSlot));
  NodeNames names(scene.Root());
  const std::string stem = fs::path(path).stem().string();

  std::vector<std::unique_ptr<RefHolder>> made;  // kept alive until attached
  LocalIndex pos(f.attrib.vertices.size() / 3), uv(f.attrib.texcoords.size() / 2);
  std::uint32_t firstFace = 0;
  bool skippedLines = false;
  for (const tinyobj::shape_t& s : f.shapes) {
    skippedLines = skippedLines || !s.lines.indices.empty() || !s.points.indices.empty();
    const auto faces = static_cast<std::uint32_t>(s.mesh.num_face_vertices.size());
    if (faces == 0) continue;
    ShapeBuild b;
    bool ok = ShapePolygons(f, s, firstFace, defaultSlot, pos, uv, b, error);
    pos.Reset(b.posOrder);
    uv.Reset(b.uvOrder);
    if (!ok) return false;

    auto* obj = new TriObject();
    made.push_back(std::make_unique<RefHolder>(obj));
    PolyMeshReport report;
    if (!BuildTriMesh(b.poly, obj->mesh, report)) {
      // Indices were checked above and coordinates by the scan.
      *error = path + ": object '" + s.name + "' could not be built (" +
               (report.fatal ? "bad coordinates" : "out of memory") + ")";
      return false;
    }
    WarnPolyIssues(f, s, firstFace, report);
    if (options.thicknessFromColours && !ThicknessFromColours(f, b.posOrder, obj->mesh)) {
      *error = path + ": object '" + s.name + "': the vertex colours could not be read as line thickness";
      return false;
    }

    auto* node = new INode(names.Claim(s.name, stem));
    made.push_back(std::make_unique<RefHolder>(node));
    node->SetObjectRef(obj);
    if (materials.get()) node->SetMtl(static_cast<Mtl*>(materials.get()));
    node->TMController().SetValue(ZUpFromYUp());
    firstFace += faces;
  }
  if (skippedLines) WarningText(path + ": lines and points ('l', 'p') are not drawn and were skipped");

  INode* under = parent ? parent : scene.Root();
  for (auto& holder : made)
    if (auto* node = dynamic_cast<INode*>(holder->get())) {
      under->AttachChild(node);
      if (summary) summary->topNodes.push_back(node);
    }
  return true;
}

}  // namespace

bool ImportObj(const std::string& path, Scene& scene, INode* parent, std::string* error, ImportSummary* summary,
               const ObjImportOptions& options) {
  std::string ignored;
  if (!error) error = &ignored;
  try {
    return ImportObjFile(path, scene, parent, error, summary, options);
  } catch (const std::exception& e) {
    // Only running out of memory gets here: every bad input has its message.
    *error = path + ": " + e.what();
    return false;
  }
}

}  // namespace host
