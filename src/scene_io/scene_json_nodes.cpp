// "nodes" of a scene description: the tree, what each node shows, its
// transform, its style and its properties.
#include <charconv>

#include "host/scene/camera.h"
#include "import/import_names.h"
#include "library/style_assignment.h"
#include "scene_io/scene_json_build.h"

namespace host {

namespace {

// Deep enough for any real hierarchy; nodes nest by recursion here.
constexpr int kMaxNodeDepth = 100;

std::string ValueText(const JsonValue& v) {
  if (v.IsString()) return v.text;
  if (v.IsBool()) return v.boolean ? "true" : "false";
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v.number);
  return std::string(buf, r.ptr);
}

bool UserProperties(JsonContext& ctx, const JsonValue& v, const std::string& path, INode* node) {
  if (!v.IsObject()) return ctx.Fail(path, "expected an object of properties");
  for (const auto& [key, value] : v.members) {
    const std::string p = JsonMember(path, key);
    if (!value.IsString() && !value.IsNumber() && !value.IsBool())
      return ctx.Fail(p, "a property is a string, a number, true or false");
    if (!node->SetUserPropString(key, ValueText(value)))
      return ctx.Fail(p,
                      "not usable as a user property (keys: no '=', no line breaks, no blanks around them; "
                      "values: one line)");
  }
  return true;
}

bool Visibility(JsonContext& ctx, const JsonValue& v, const std::string& path, INode* node) {
  if (v.IsBool()) {
    node->SetVisibility(0, v.boolean ? 1.0f : 0.0f);
    return true;
  }
  float f = 1.0f;
  if (!v.IsNumber()) return ctx.Fail(path, "expected true, false or a number from 0 to 1");
  if (!JsonFloat(ctx, v, path, 0.0f, 1.0f, &f)) return false;
  node->SetVisibility(0, f);
  return true;
}

// What the node shows: a mesh (with its material), a camera or a light.
bool NodeObject(JsonSceneBuild& b, JsonObject& o, INode* node) {
  JsonContext& ctx = b.ctx;
  const int kinds = (o.Has("mesh") ? 1 : 0) + (o.Has("camera") ? 1 : 0) + (o.Has("light") ? 1 : 0);
  if (kinds > 1) return ctx.Fail(o.Path(), "a node shows one thing: a mesh, a camera or a light");
  if (o.Has("material") && !o.Has("mesh"))
    return ctx.Fail(o.PathOf("material"), "only a node with a mesh has a material");
  if (const JsonValue* m = o.Has("mesh")) {
    JsonMeshDef def;
    if (!JsonMeshRef(b, *m, o.PathOf("mesh"), &def)) return false;
    node->SetObjectRef(def.object);
    Mtl* mtl = def.fileMaterial;
    if (const JsonValue* mv = o.Has("material")) {
      mtl = JsonMaterialRef(b, *mv, o.PathOf("material"));
      if (!mtl) return false;
    }
    if (mtl) node->SetMtl(mtl);
    return true;
  }
  if (const JsonValue* c = o.Has("camera")) {
    Object* cam = JsonCamera(b, *c, o.PathOf("camera"), o.Has("target") != nullptr);
    if (!cam) return false;
    node->SetObjectRef(cam);
  }
  if (const JsonValue* l = o.Has("light")) {
    Object* light = JsonLight(b, *l, o.PathOf("light"));
    if (!light) return false;
    node->SetObjectRef(light);
  }
  return true;
}

bool Aim(JsonSceneBuild& b, JsonObject& o, INode* node) {
  JsonContext& ctx = b.ctx;
  if (o.Has("target") && o.Has("lookAt")) return ctx.Fail(o.PathOf("lookAt"), "give either a target or lookAt");
  if (const JsonValue* t = o.Has("target")) {
    JsonPendingAim aim{node, o.PathOf("target"), "", false, {}};
    if (!JsonString(ctx, *t, aim.path, &aim.target)) return false;
    b.aims.push_back(aim);
  }
  if (const JsonValue* l = o.Has("lookAt")) {
    if (o.Has("rotation")) return ctx.Fail(o.PathOf("lookAt"), "give either a rotation or lookAt");
    JsonPendingAim aim{node, o.PathOf("lookAt"), "", true, {}};
    if (!JsonPoint3(ctx, *l, aim.path, &aim.point)) return false;
    b.aims.push_back(aim);
  }
  return true;
}

bool Flags(JsonContext& ctx, JsonObject& o, INode* node) {
  std::string style;
  Color wire = node->GetWireColorRGB();
  bool renderable = true, hidden = false;
  if (!o.String("style", &style) || !o.Color("wireColor", &wire) || !o.Bool("renderable", &renderable) ||
      !o.Bool("hidden", &hidden))
    return false;
  if (o.Has("style")) {
    if (style.empty()) return ctx.Fail(o.PathOf("style"), "the style name is empty");
    if (!node->SetUserPropString(pw::PW_PROP_STYLE_NAME, style))
      return ctx.Fail(o.PathOf("style"), "a style name is one line of text");
  }
  if (o.Has("wireColor")) node->SetWireColorRGB(wire);
  node->SetRenderable(renderable);
  node->Hide(hidden);
  if (const JsonValue* v = o.Has("visible"); v && !Visibility(ctx, *v, o.PathOf("visible"), node)) return false;
  if (const JsonValue* u = o.Has("userProperties"); u && !UserProperties(ctx, *u, o.PathOf("userProperties"), node))
    return false;
  return true;
}

bool ReadNode(JsonSceneBuild& b, const JsonValue& v, const std::string& path, INode* parent, int depth) {
  JsonContext& ctx = b.ctx;
  JsonObject o(ctx, v, path);
  if (!o.Check({"name",     "children",  "mesh",    "material",   "camera",        "light",          "position",
                "rotation", "scale",     "matrix",  "keys",       "interpolation", "target",         "lookAt",
                "style",    "wireColor", "visible", "renderable", "hidden",        "userProperties", "modifiers"}))
    return false;
  std::string name;
  if (!o.String("name", &name)) return false;
  if (o.Has("name") && name.empty()) return ctx.Fail(o.PathOf("name"), "the name is empty");
  if (!name.empty())
    if (auto [it, added] = b.nodePaths.emplace(name, path); !added)
      return ctx.Fail(o.PathOf("name"), "'" + name + "' is the name of " + it->second + " already");

  auto* node = b.Keep(new INode(name));
  if (name.empty()) b.unnamed.push_back(node);
  parent->AttachChild(node);
  if (!NodeObject(b, o, node) || !JsonTransform(b, o, node) || !Aim(b, o, node) || !Flags(ctx, o, node)) return false;
  if (const JsonValue* m = o.Has("modifiers"); m && !JsonModifiers(b, *m, o.PathOf("modifiers"), node)) return false;
  if (const JsonValue* c = o.Has("children")) return ReadJsonNodes(b, *c, o.PathOf("children"), node, depth + 1);
  return true;
}

// cameraFromWorld's inverse for something at `eye` looking at `at`, +Z up.
Matrix3 LookAtMatrix(const Point3& eye, const Point3& at) {
  Point3 back = Normalize(eye - at);  // cameras and lights look down their -Z
  Point3 right = Normalize(CrossProd(Point3::ZAxis(), back));
  if (right == Point3()) right = Point3::XAxis();
  return Matrix3(right, CrossProd(back, right), back, eye);
}

}  // namespace

bool ReadJsonNodes(JsonSceneBuild& b, const JsonValue& v, const std::string& path, INode* parent, int depth) {
  if (!v.IsArray()) return b.ctx.Fail(path, "expected an array of nodes");
  if (depth > kMaxNodeDepth) return b.ctx.Fail(path, "nodes nest more than " + std::to_string(kMaxNodeDepth) + " deep");
  for (std::size_t i = 0; i < v.items.size(); ++i)
    if (!ReadNode(b, v.items[i], JsonItem(path, i), parent, depth)) return false;
  return true;
}

bool FinishJsonNodes(JsonSceneBuild& b) {
  NodeNames names(b.scene.Root());
  for (INode* node : b.unnamed) {
    Object* obj = node->GetObjectRef() ? node->GetObjectRef()->FindBaseObject() : nullptr;
    const SClass_ID kind = obj ? obj->SuperClassID() : 0;
    node->SetName(names.Claim(kind == GEOMOBJECT_CLASS_ID ? "Mesh"
                              : kind == CAMERA_CLASS_ID   ? "Camera"
                              : kind == LIGHT_CLASS_ID    ? "Light"
                                                          : "Node"));
  }
  for (const JsonPendingAim& aim : b.aims) {
    if (aim.lookAt) {
      const Matrix3 world = aim.node->GetNodeTM(0);
      if (Length(aim.point - world.GetTrans()) == 0.0f) return b.ctx.Fail(aim.path, "the point is where the node is");
      const Point3 scale = aim.node->TMController().Scale().Value(0);
      aim.node->SetNodeTM(0, ScaleMatrix(scale) * LookAtMatrix(world.GetTrans(), aim.point));
      continue;
    }
    INode* target = FindNodeByName(b.scene.Root(), aim.target);
    if (!target) return b.ctx.Fail(aim.path, "no node is named '" + aim.target + "'");
    if (target == aim.node) return b.ctx.Fail(aim.path, "a node cannot aim at itself");
    if (!aim.node->SetTarget(target)) return b.ctx.Fail(aim.path, "'" + aim.target + "' cannot be the target");
  }
  return true;
}

}  // namespace host
