// "include" of a scene description: model files taken whole, their nodes,
// cameras and lights as the files have them, and the styles named for them.
#include <algorithm>

#include "host/io/whole_file.h"
#include "import/import_gltf.h"
#include "import/import_obj.h"
#include "library/art_materials.h"
#include "library/style_assignment.h"
#include "scene_io/scene_json_build.h"

namespace host {

namespace {

// One entry of "include": a file name, or an object with "file" and the
// styles of its nodes.
struct IncludeEntry {
  std::string file;
  std::string filePath;  // where the file is named, for messages
  std::string style;     // for every mesh node without one of its own
  const JsonValue* styles = nullptr;
  std::string stylesPath;
  bool thicknessFromColours = false;
  std::string thicknessPath;
};

bool ReadEntry(JsonContext& ctx, const JsonValue& v, const std::string& path, IncludeEntry* e) {
  e->filePath = path;
  if (v.IsString()) {
    e->file = v.text;
  } else if (v.IsObject()) {
    JsonObject o(ctx, v, path);
    if (!o.Check({"file", "style", "styles", "thicknessFromColours"}) || !o.String("file", &e->file) ||
        !o.String("style", &e->style) || !o.Bool("thicknessFromColours", &e->thicknessFromColours))
      return false;
    e->thicknessPath = o.PathOf("thicknessFromColours");
    if (!o.Has("file")) return ctx.Fail(path, "an include needs a \"file\"");
    if (o.Has("style") && e->style.empty()) return ctx.Fail(o.PathOf("style"), "the style name is empty");
    e->filePath = o.PathOf("file");
    e->styles = o.Has("styles");
    e->stylesPath = o.PathOf("styles");
    if (e->styles && !e->styles->IsObject())
      return ctx.Fail(e->stylesPath, "expected an object of style names by node name");
  } else {
    return ctx.Fail(path, "expected a model file's name, or an object with its \"file\"");
  }
  if (e->file.empty()) return ctx.Fail(e->filePath, "the file name is empty");
  return true;
}

// Every node the file brought, depth first.
void AddedNodes(INode* node, std::vector<INode*>& out) {
  out.push_back(node);
  for (int i = 0; i < node->NumberOfChildren(); ++i)
    if (INode* child = node->GetChildNode(i)) AddedNodes(child, out);
}

bool HasOwnStyle(const INode& node) {
  return node.UserPropExists(pw::PW_PROP_PROPERTIES_VERSION) || node.UserPropExists(pw::PW_PROP_STYLE_NAME);
}

// The style is named, as a node's "style" names it; the art materials
// resolve the name once the library stands. Naming it here replaces any
// assignment the file carried.
bool NameStyle(JsonContext& ctx, INode& node, const std::string& style, const std::string& path) {
  for (const char* key : {pw::PW_PROP_PROPERTIES_VERSION, pw::PW_PROP_STYLE_LIBRARY_ID, pw::PW_PROP_STYLE_SLOT})
    node.RemoveUserProp(key);
  if (!node.SetUserPropString(pw::PW_PROP_STYLE_NAME, style)) return ctx.Fail(path, "a style name is one line of text");
  return true;
}

// "styles": by node name, then "style" for the rest of the file's meshes.
bool StyleNodes(JsonContext& ctx, const IncludeEntry& e, const std::vector<INode*>& nodes) {
  std::vector<std::string> meshNames;
  for (INode* n : nodes)
    if (pw::IsGeometryNode(*n)) meshNames.push_back(n->GetName());
  if (e.styles) {
    for (const auto& [name, value] : e.styles->members) {
      const std::string p = JsonMember(e.stylesPath, name);
      const auto it = std::find_if(nodes.begin(), nodes.end(), [&](INode* n) { return n->GetName() == name; });
      if (it == nodes.end() || !pw::IsGeometryNode(**it))
        return ctx.Fail(p, "'" + e.file + "' has no mesh node named '" + name + "'; its mesh nodes are " +
                               (meshNames.empty() ? "none" : pw::QuotedNameList(meshNames)));
      std::string style;
      if (!JsonString(ctx, value, p, &style)) return false;
      if (style.empty()) return ctx.Fail(p, "the style name is empty");
      if (!NameStyle(ctx, **it, style, p)) return false;
    }
  }
  if (e.style.empty()) return true;
  for (INode* n : nodes)
    if (pw::IsGeometryNode(*n) && !HasOwnStyle(*n) && !NameStyle(ctx, *n, e.style, e.filePath)) return false;
  return true;
}

bool IncludeOne(JsonSceneBuild& b, const JsonValue& v, const std::string& path, JsonIncluded* out) {
  JsonContext& ctx = b.ctx;
  IncludeEntry e;
  if (!ReadEntry(ctx, v, path, &e)) return false;
  const std::string resolved = ctx.Resolve(e.file);
  const std::string ext = LowerExtension(resolved);
  ImportSummary summary;
  std::string error;
  bool ok = false;
  if (e.thicknessFromColours && ext != ".obj")
    return ctx.Fail(e.thicknessPath, "only an OBJ file's vertex colours can give line thickness; a glTF file "
                                     "gives it as the vertex attribute _THICKNESS");
  if (ext == ".obj")
    ok = ImportObj(resolved, b.scene, nullptr, &error, &summary, {.thicknessFromColours = e.thicknessFromColours});
  else if (ext == ".gltf" || ext == ".glb")
    ok = ImportGltf(resolved, b.scene, nullptr, &error, &summary);
  else
    return ctx.Fail(e.filePath, "'" + e.file + "' is neither an OBJ nor a glTF file (.obj, .gltf, .glb)");
  if (!ok) return ctx.Fail(e.filePath, error);

  std::vector<INode*> nodes;
  for (INode* top : summary.topNodes) AddedNodes(top, nodes);
  // The importer keeps names unique within the scene; the description's own
  // nodes, read later, are checked against these.
  for (INode* n : nodes) b.nodePaths.emplace(n->GetName(), "a node of '" + e.file + "'");
  if (!StyleNodes(ctx, e, nodes)) return false;

  if (summary.firstCamera) out->cameras.push_back({summary.firstCamera, summary.cameraAspect});
  if (summary.animated) {
    out->lastKey = out->animated ? std::max(out->lastKey, summary.lastKey) : summary.lastKey;
    out->animated = true;
  }
  return true;
}

}  // namespace

bool ReadJsonIncludes(JsonSceneBuild& b, const JsonValue& v, const std::string& path, JsonIncluded* out) {
  if (!v.IsArray()) return IncludeOne(b, v, path, out);
  for (std::size_t i = 0; i < v.items.size(); ++i)
    if (!IncludeOne(b, v.items[i], JsonItem(path, i), out)) return false;
  return true;
}

void FinishJsonIncludes(JsonSceneBuild& b, const JsonIncluded& included, bool imageGiven, bool framesGiven,
                        SceneInputInfo& info) {
  SceneRoot* root = b.scene.Root();
  if (!included.cameras.empty() && root->activeCamera.empty())
    root->activeCamera = included.cameras.front().node->GetName();
  for (const JsonIncluded::Camera& c : included.cameras)
    if (!imageGiven && c.aspect > 0.0f && c.node->GetName() == root->activeCamera)
      info.imageHeight = PictureHeightForAspect(info.imageWidth, c.aspect);
  if (!framesGiven && included.animated) {
    info.frameStart = 0;
    info.frameEnd = LastFrameOfKeys(included.lastKey, b.ctx.ticksPerFrame);
  }
}

}  // namespace host
