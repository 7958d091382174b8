#include "import/import_gltf.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <set>

#include "host/scene/camera.h"
#include "import/import_axes.h"
#include "import/import_edges.h"
#include "import/import_gltf_doc.h"
#include "import/import_names.h"
#include "import/import_smoothing.h"
#include "import/import_weld.h"
#include "host/services/interface.h"
#include "host/scene/light.h"
#include "host/shading/mtl_multi.h"
#include "host/shading/mtl_std.h"
#include "host/scene/object_tri.h"
#include "host/shading/texmap_bitmap.h"

namespace host {

namespace {

namespace fs = std::filesystem;

constexpr float kSpecularLevel = 0.5f;
constexpr float kMetalBelow = 0.5f;  // metallic factors from here on count as metal
constexpr float kDefaultAspect = static_cast<float>(kDefaultImageWidth) / kDefaultImageHeight;
constexpr float kNoFarClip = 1.0e30f;
constexpr float kOrthoFov = std::numbers::pi_v<float> / 4.0f;

// ---- Materials ---------------------------------------------------------------------

StdMat* MakeStdMat(const GltfDoc& doc, const GltfMaterial& m) {
  auto* mtl = new StdMat();
  mtl->SetName(m.name);
  mtl->SetDiffuse(m.baseColor, 0);
  mtl->SetAmbient(m.baseColor, 0);
  mtl->SetSpecular(m.metallic >= kMetalBelow ? m.baseColor : Color(1.0f, 1.0f, 1.0f), 0);
  mtl->SetShinStr(kSpecularLevel, 0);
  mtl->SetShininess(std::clamp(1.0f - m.roughness, 0.0f, 1.0f), 0);
  mtl->SetOpacity(m.alpha, 0);
  mtl->SetTwoSided(m.doubleSided);
  if (m.texture >= 0) {
    const GltfTexture& t = doc.textures[static_cast<std::size_t>(m.texture)];
    auto* tex = new BitmapTex();
    if (!t.file.empty()) tex->SetMapName(t.file);
    if (t.embedded.Width() > 0) tex->SetBitmap(t.embedded);
    tex->SetWrap(t.repeatU, t.repeatV);
    mtl->SetSubTexmap(ID_DI, tex);
  }
  return mtl;
}

// The file's multi/sub-object material, or null when no primitive has a
// material. defaultSlot receives the slot of primitives without one.
MultiMtl* MakeMaterials(const GltfDoc& doc, const std::string& name, int* defaultSlot) {
  bool used = false, without = false;
  for (const GltfMesh& mesh : doc.meshes)
    for (const GltfPrimitive& p : mesh.primitives) {
      used = used || p.material >= 0;
      without = without || p.material < 0;
    }
  *defaultSlot = 0;
  if (!used) return nullptr;
  auto* multi = new MultiMtl();
  multi->SetName(name);
  for (const GltfMaterial& m : doc.materials) multi->AddSubMtl(MakeStdMat(doc, m), m.name);
  if (without) {
    auto* grey = new StdMat();
    grey->SetName("Default");
    *defaultSlot = multi->AddSubMtl(grey, "Default");
  }
  return multi;
}

// ---- Meshes ----------------------------------------------------------------------------

struct MeshStats {
  int degenerate = 0;
  int flatFallback = 0;
};

bool BuildMesh(const GltfMesh& src, int defaultSlot, Mesh& mesh, MeshStats& stats) {
  // All primitives' vertices in one list, in order.
  std::vector<Point3> positions;
  std::vector<std::uint32_t> corners;  // into positions
  std::vector<Point3> cornerNormals;
  std::vector<MtlID> faceMtl;
  bool anyUV = false;
  bool anyThickness = false;
  for (const GltfPrimitive& p : src.primitives) {
    anyThickness = anyThickness || !p.thickness.empty();
    const auto base = static_cast<std::uint32_t>(positions.size());
    positions.insert(positions.end(), p.positions.begin(), p.positions.end());
    anyUV = anyUV || !p.uvs.empty();
    for (std::uint32_t i : p.indices) {
      corners.push_back(base + i);
      cornerNormals.push_back(p.normals.empty() ? Point3() : p.normals[i]);
    }
    faceMtl.insert(faceMtl.end(), p.indices.size() / 3, static_cast<MtlID>(p.material >= 0 ? p.material : defaultSlot));
  }
  std::vector<std::uint32_t> remap;
  std::vector<Point3> welded;
  WeldByPosition(positions, remap, welded);
  std::vector<std::uint32_t> cornerVerts(corners.size());
  for (std::size_t c = 0; c < corners.size(); ++c) cornerVerts[c] = remap[corners[c]];

  std::vector<std::uint32_t> groups;
  SmoothingStats ss =
      SmoothingFromNormals(cornerVerts, cornerNormals, static_cast<std::uint32_t>(welded.size()), groups);
  stats.flatFallback += ss.fallbackFlat;

  const auto numFaces = static_cast<int>(corners.size() / 3);
  if (!mesh.setNumVerts(static_cast<int>(welded.size())) || !mesh.setNumFaces(numFaces)) return false;
  std::copy(welded.begin(), welded.end(), mesh.verts().begin());
  std::span<Face> faces = mesh.faces();
  for (int f = 0; f < numFaces; ++f) {
    const std::uint32_t* v = &cornerVerts[3 * static_cast<std::size_t>(f)];
    faces[f].setVerts(v[0], v[1], v[2]);
    faces[f].setSmGroup(groups[static_cast<std::size_t>(f)]);
    faces[f].setMatID(faceMtl[static_cast<std::size_t>(f)]);
    faces[f].setEdgeVisFlags(true, true, true);
    if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) ++stats.degenerate;
  }
  HideFlatEdges(mesh);

  // Painted thickness goes where the renderer reads it, vertex-data channel
  // 2; where positions were welded the first one's value is kept.
  if (anyThickness) {
    if (!mesh.setVDataSupport(VDATA_ALPHA)) return false;
    std::span<float> values = mesh.vertexFloat(VDATA_ALPHA);
    std::vector<bool> set(values.size(), false);
    std::size_t at = 0;
    for (const GltfPrimitive& p : src.primitives)
      for (std::size_t i = 0; i < p.positions.size(); ++i, ++at) {
        const std::uint32_t v = remap[at];
        if (set[v]) continue;
        set[v] = true;
        values[v] = p.thickness.empty() ? 1.0f : p.thickness[i];
      }
  }

  if (anyUV) {
    if (!mesh.setMapSupport(1) || !mesh.setNumMapVerts(1, static_cast<int>(positions.size()))) return false;
    std::span<Point3> tv = mesh.mapVerts(1);
    std::size_t at = 0;
    for (const GltfPrimitive& p : src.primitives)
      for (std::size_t i = 0; i < p.positions.size(); ++i, ++at)
        tv[at] = p.uvs.empty() ? Point3() : Point3(p.uvs[i].x, 1.0f - p.uvs[i].y, 0.0f);
    std::span<TVFace> tf = mesh.mapFaces(1);
    for (int f = 0; f < numFaces; ++f) {
      const std::uint32_t* c = &corners[3 * static_cast<std::size_t>(f)];
      tf[f].setTVerts(c[0], c[1], c[2]);
    }
  }
  return true;
}

// ---- Cameras and lights ------------------------------------------------------------------

GenCamera* MakeCamera(const GltfCamera& c) {
  auto* cam = new GenCamera(false);
  const float aspect = c.aspect > 0.0f ? c.aspect : kDefaultAspect;
  if (c.orthographic) {
    cam->SetOrtho(true);
    cam->SetFOV(0, kOrthoFov);
    cam->SetTDist(0, c.xmag / std::tan(kOrthoFov / 2.0f));
  } else {
    cam->SetFOV(0, 2.0f * std::atan(std::tan(c.yfov / 2.0f) * aspect));
  }
  cam->SetManualClip(true);
  cam->SetClipDist(0, c.znear, c.zfar > 0.0f ? c.zfar : kNoFarClip);
  return cam;
}

GenLight* MakeLight(const GltfLight& l) {
  const int type = l.type == GltfLightType::Spot          ? SPOT_LGT
                   : l.type == GltfLightType::Directional ? DIRECT_LGT
                                                          : OMNI_LGT;
  auto* light = new GenLight(type);
  light->SetRGBColor(0, l.color);
  light->SetIntensity(0, 1.0f);
  if (type == SPOT_LGT) {
    constexpr float kDegrees = 180.0f / std::numbers::pi_v<float>;
    light->SetFallsize(0, 2.0f * l.outerCone * kDegrees);
    light->SetHotspot(0, 2.0f * l.innerCone * kDegrees);
  }
  return light;
}

// ---- Nodes ---------------------------------------------------------------------------------

struct Build {
  const std::string& path;
  const GltfDoc& doc;
  Scene& scene;
  NodeNames names;
  std::vector<TriObject*> meshes;  // per glTF mesh; null when empty
  Mtl* material = nullptr;
  std::vector<INode*> nodeOf;  // per glTF node
  std::vector<std::unique_ptr<RefHolder>> keep;
  ImportSummary summary;
  std::vector<std::string> warnings;

  INode* NewNode(const std::string& name, Object* obj) {
    auto* node = new INode(name);
    keep.push_back(std::make_unique<RefHolder>(node));
    if (obj) node->SetObjectRef(obj);
    return node;
  }

  void SetTransform(INode* node, TransformParts parts, bool top) {
    if (top) {
      parts.position = Rotate(parts.position, ZUpFromYUpRotation());
      parts.rotation = parts.rotation * ZUpFromYUpRotation();
    }
    node->TMController().SetValue(ComposeMatrix(parts));
  }

  void UserProps(INode* node, const GltfNode& g, const std::string& place) {
    for (const UserProp& p : g.extras)
      if (!node->SetUserPropString(p.key, p.value))
        warnings.push_back(place + ".extras." + p.key +
                           ": not usable as a user property (keys must be plain, values one line)");
    for (const std::string& key : g.skippedExtras)
      warnings.push_back(place + ".extras." + key + ": arrays and objects are not kept as user properties");
  }

  // Makes the node for g (and children for the objects a node cannot hold
  // beside its first).
  INode* MakeNode(int index, bool top) {
    const GltfNode& g = doc.nodes[static_cast<std::size_t>(index)];
    const std::string place = path + ": nodes[" + std::to_string(index) + "]";
    std::vector<Object*> objects;
    std::vector<const char*> kinds;
    if (g.mesh >= 0 && meshes[static_cast<std::size_t>(g.mesh)]) {
      objects.push_back(meshes[static_cast<std::size_t>(g.mesh)]);
      kinds.push_back("Mesh");
    }
    if (g.camera >= 0) {
      objects.push_back(MakeCamera(doc.cameras[static_cast<std::size_t>(g.camera)]));
      kinds.push_back("Camera");
    }
    if (g.light >= 0) {
      objects.push_back(MakeLight(doc.lights[static_cast<std::size_t>(g.light)]));
      kinds.push_back("Light");
    }
    const std::string fallback = g.mesh >= 0 ? doc.meshes[static_cast<std::size_t>(g.mesh)].name : "Node";
    INode* node =
        NewNode(names.Claim(g.name, fallback.empty() ? "Node" : fallback), objects.empty() ? nullptr : objects[0]);
    for (std::size_t k = 1; k < objects.size(); ++k)
      node->AttachChild(NewNode(names.Claim(node->GetName() + " " + kinds[k]), objects[k]));
    for (std::size_t k = 0; k < objects.size(); ++k) {
      if (objects[k]->SuperClassID() == GEOMOBJECT_CLASS_ID && material) node->SetMtl(material);
      INode* holder = k == 0 ? node : node->GetChildNode(static_cast<int>(k - 1));
      if (objects[k]->SuperClassID() == CAMERA_CLASS_ID && !summary.firstCamera) {
        summary.firstCamera = holder;
        summary.cameraAspect = doc.cameras[static_cast<std::size_t>(g.camera)].aspect;
      }
      if (objects[k]->SuperClassID() == LIGHT_CLASS_ID)
        holder->SetUserPropFloat("gltf_intensity", doc.lights[static_cast<std::size_t>(g.light)].intensity);
    }
    SetTransform(node, g.local, top);
    if (g.shearDropped) warnings.push_back(place + ": its matrix has shear, which was dropped");
    UserProps(node, g, place);
    return node;
  }

  // Depth first from the scene's roots; a node met twice (a child of two
  // parents, or its own ancestor) makes the file invalid.
  bool MakeTree(std::string* error) {
    nodeOf.assign(doc.nodes.size(), nullptr);
    struct Item {
      int node;
      INode* parent;
    };
    std::vector<Item> stack;
    for (auto it = doc.roots.rbegin(); it != doc.roots.rend(); ++it) stack.push_back({*it, nullptr});
    while (!stack.empty()) {
      Item item = stack.back();
      stack.pop_back();
      if (nodeOf[static_cast<std::size_t>(item.node)]) {
        *error = path + ": nodes[" + std::to_string(item.node) + "] appears twice in the node tree";
        return false;
      }
      INode* node = MakeNode(item.node, item.parent == nullptr);
      nodeOf[static_cast<std::size_t>(item.node)] = node;
      if (item.parent)
        item.parent->AttachChild(node);
      else
        summary.topNodes.push_back(node);
      const std::vector<int>& children = doc.nodes[static_cast<std::size_t>(item.node)].children;
      for (auto c = children.rbegin(); c != children.rend(); ++c) stack.push_back({*c, node});
    }
    return true;
  }

  void Animate() {
    std::set<std::pair<int, int>> seen;
    bool cubic = false;
    for (const GltfChannel& ch : doc.channels) {
      INode* node = nodeOf[static_cast<std::size_t>(ch.node)];
      if (!node || ch.times.empty()) continue;  // not in the scene shown
      if (!seen.insert({ch.node, static_cast<int>(ch.path)}).second) {
        warnings.push_back(path + ": animation " + ch.animation + " animates nodes[" + std::to_string(ch.node) +
                           "] a second time; skipped");
        continue;
      }
      cubic = cubic || ch.wasCubic;
      const bool top = node->GetParentNode() == nullptr;
      TransformTrack& tm = node->TMController();
      for (std::size_t k = 0; k < ch.times.size(); ++k) {
        const auto t = static_cast<TimeValue>(std::lround(static_cast<double>(ch.times[k]) * TICKS_PER_SECOND));
        switch (ch.path) {
          case GltfPath::Translation:
            tm.Position().SetKey(t, top ? Rotate(ch.vectors[k], ZUpFromYUpRotation()) : ch.vectors[k]);
            break;
          case GltfPath::Rotation:
            tm.Rotation().SetKey(t, top ? ch.rotations[k] * ZUpFromYUpRotation() : ch.rotations[k]);
            break;
          case GltfPath::Scale: tm.Scale().SetKey(t, ch.vectors[k]); break;
        }
        summary.lastKey = summary.animated ? std::max(summary.lastKey, t) : t;
        summary.animated = true;
      }
      Interpolation interp = ch.interpolation;
      if (ch.path == GltfPath::Translation) tm.Position().SetInterpolation(interp);
      if (ch.path == GltfPath::Rotation) tm.Rotation().SetInterpolation(interp);
      if (ch.path == GltfPath::Scale) tm.Scale().SetInterpolation(interp);
    }
    if (cubic) warnings.push_back(path + ": cubic-spline animation is played linearly through its keys");
  }
};

bool ImportGltfFile(const std::string& path, Scene& scene, INode* parent, std::string* error, ImportSummary* summary) {
  auto doc = std::make_unique<GltfDoc>();
  if (!ReadGltf(path, *doc, error)) return false;
  for (const std::string& w : doc->warnings) WarningText(w);

  Build b{path, *doc, scene, NodeNames(scene.Root()), {}, nullptr, {}, {}, {}, {}};
  int defaultSlot = 0;
  RefHolder material(MakeMaterials(*doc, fs::path(path).stem().string(), &defaultSlot));
  b.material = static_cast<Mtl*>(material.get());

  MeshStats stats;
  for (std::size_t i = 0; i < doc->meshes.size(); ++i) {
    const GltfMesh& m = doc->meshes[i];
    if (m.primitives.empty()) {
      b.meshes.push_back(nullptr);
      continue;
    }
    auto* obj = new TriObject();
    b.keep.push_back(std::make_unique<RefHolder>(obj));
    if (!BuildMesh(m, defaultSlot, obj->mesh, stats)) {
      *error = path + ": meshes[" + std::to_string(i) + "]: out of memory";
      return false;
    }
    b.meshes.push_back(obj);
  }
  if (stats.degenerate > 0)
    WarningText(path + ": " + std::to_string(stats.degenerate) +
                " triangles have two corners at one position (kept, they will not be drawn)");
  if (stats.flatFallback > 0)
    WarningText(path + ": " + std::to_string(stats.flatFallback) +
                " smooth patches meet too many others for 32 smoothing groups and are shaded flat");

  if (!b.MakeTree(error)) return false;
  b.Animate();
  for (const std::string& w : b.warnings) WarningText(w);

  INode* under = parent ? parent : scene.Root();
  for (INode* node : b.summary.topNodes) under->AttachChild(node);
  if (summary) *summary = b.summary;
  return true;
}

}  // namespace

bool ImportGltf(const std::string& path, Scene& scene, INode* parent, std::string* error, ImportSummary* summary) {
  std::string ignored;
  if (!error) error = &ignored;
  try {
    return ImportGltfFile(path, scene, parent, error, summary);
  } catch (const std::exception& e) {
    // Only running out of memory gets here: every bad input has its message.
    *error = path + ": " + e.what();
    return false;
  }
}

}  // namespace host
