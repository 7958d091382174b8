// Style definitions of a scene description: the style's switches, its
// surface, the order of its line kinds, and per kind the "Where Visible" and
// "Where Hidden" tools, angle range, sub-item counts and contour settings.
#include <algorithm>
#include <array>

#include "plugin/class_ids.h"
#include "scene_io/art_materials_json_build.h"
#include "styles/style.h"

namespace pw {

namespace {

using host::JsonObject;
using host::JsonValue;

constexpr int kMaxSmoothingSteps = 1000;
constexpr int kMaxContourSteps = 10000;

std::vector<std::string_view> KindLabels() {
  std::vector<std::string_view> labels;
  for (int k = 0; k < kLineKindCount; ++k) labels.push_back(LineKindLabel(k));
  return labels;
}

std::vector<std::string_view> Names(std::string_view (*name)(int), int count) {
  std::vector<std::string_view> names;
  for (int i = 0; i < count; ++i) names.push_back(name(i));
  return names;
}

// An optional choice among names made at run time.
bool Word(host::JsonContext& ctx, JsonObject& o, std::string_view key, const std::vector<std::string_view>& words,
          int* out) {
  const JsonValue* v = o.Has(key);
  return !v || JsonWord(ctx, *v, o.PathOf(key), words, out);
}

bool OptionalDegrees(host::JsonContext& ctx, JsonObject& o, std::string_view key, float* out) {
  const JsonValue* v = o.Has(key);
  return !v || JsonDegrees(ctx, *v, o.PathOf(key), out);
}

// "visible" / "hidden": a "Where" item's switch and tools.
bool ReadWhere(ArtJsonBuild& b, PwStyleTreeItem* where, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  bool on = false;
  if (!o.Check({"on", "brush", "paint", "stroke"}) || !o.Bool("on", &on)) return false;
  if (!where) return b.ctx.Fail(path, "the style's tree has no such item");
  if (o.Has("on")) where->SetOn(on);
  constexpr std::array<std::pair<std::string_view, int>, 3> tools{
      {{"brush", DRAWING_TOOLS_BRUSH}, {"paint", DRAWING_TOOLS_PAINT}, {"stroke", DRAWING_TOOLS_STROKE}}};
  constexpr std::array<host::Class_ID, 3> classes{PW_BRUSH_CLASS_ID, PW_PAINT_CLASS_ID, PW_STROKE_CLASS_ID};
  auto* triple = dynamic_cast<PwStyleDrawingTools*>(where->GetData());
  for (const auto& [key, tool] : tools) {
    const JsonValue* name = o.Has(key);
    if (!name) continue;
    if (!triple) return b.ctx.Fail(path, "the style's tree item has no drawing tools");
    PwObject* obj = JsonMaterialByName(b, *name, o.PathOf(key), classes[static_cast<std::size_t>(tool)]);
    if (!obj) return false;
    triple->SetTool(tool, obj);
  }
  return true;
}

bool ReadWhereChildren(ArtJsonBuild& b, PwStyleTreeItem* item, JsonObject& o) {
  if (const JsonValue* v = o.Has("visible");
      v && !ReadWhere(b, item ? item->GetChild(STYLE_WHERE_VISIBLE) : nullptr, *v, o.PathOf("visible")))
    return false;
  if (const JsonValue* v = o.Has("hidden");
      v && !ReadWhere(b, item ? item->GetChild(STYLE_WHERE_HIDDEN) : nullptr, *v, o.PathOf("hidden")))
    return false;
  return true;
}

// Every contour setting may be given whatever the type, so that switching a
// sub-item's type later keeps the ranges the user chose for each. The
// relative ranges are fractions of the object's extent: anything outside
// 0..1 would only be clamped when drawn, so it is refused here.
bool ReadContour(ArtJsonBuild& b, PwStyleLineContour* c, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  host::JsonContext& ctx = b.ctx;
  int type = -1, dirA = -1, dirB = -1, posAxis = -1, texAxis = -1, texChannel = 0;
  int angleSteps = 0, posSteps = 0, texSteps = 0;
  float angleMin = 0, angleMax = 0, posMin = 0, posMax = 0, texMin = 0, texMax = 0;
  if (!o.Check({"type", "angleDirectionA", "angleDirectionB", "angleMin", "angleMax", "angleSteps", "positionAxis",
                "positionMin", "positionMax", "positionSteps", "textureAxis", "textureChannel", "textureMin",
                "textureMax", "textureSteps"}) ||
      !o.Choice("type", {"angle", "position", "texture"}, &type) ||
      !Word(ctx, o, "angleDirectionA", Names(ContourDirAName, kContourDirACount), &dirA) ||
      !Word(ctx, o, "angleDirectionB", Names(ContourDirBName, kContourDirBCount), &dirB) ||
      !OptionalDegrees(ctx, o, "angleMin", &angleMin) || !OptionalDegrees(ctx, o, "angleMax", &angleMax) ||
      !o.Int("angleSteps", 1, kMaxContourSteps, &angleSteps) ||
      !Word(ctx, o, "positionAxis", Names(ContourPosAxisName, kContourPosAxisCount), &posAxis) ||
      !o.Float("positionMin", 0.0f, 1.0f, &posMin) || !o.Float("positionMax", 0.0f, 1.0f, &posMax) ||
      !o.Int("positionSteps", 1, kMaxContourSteps, &posSteps) ||
      !Word(ctx, o, "textureAxis", Names(ContourTexAxisName, kContourTexAxisCount), &texAxis) ||
      !o.Int("textureChannel", kContourMinTexChannel, kContourMaxTexChannel, &texChannel) ||
      !o.Float("textureMin", 0.0f, 1.0f, &texMin) || !o.Float("textureMax", 0.0f, 1.0f, &texMax) ||
      !o.Int("textureSteps", 1, kMaxContourSteps, &texSteps))
    return false;
  if (!c) return ctx.Fail(path, "the style's tree item has no contour settings");
  if (type >= 0) c->SetType(type);
  if (dirA >= 0) c->SetAngleDirA(dirA);
  if (dirB >= 0) c->SetAngleDirB(dirB);
  if (o.Has("angleMin")) c->SetAngleMin(angleMin);
  if (o.Has("angleMax")) c->SetAngleMax(angleMax);
  if (o.Has("angleSteps")) c->SetAngleSteps(angleSteps);
  if (posAxis >= 0) c->SetPosAxis(posAxis);
  if (o.Has("positionMin")) c->SetPosMin(posMin);
  if (o.Has("positionMax")) c->SetPosMax(posMax);
  if (o.Has("positionSteps")) c->SetPosSteps(posSteps);
  if (texAxis >= 0) c->SetTexAxis(texAxis);
  if (o.Has("textureChannel")) c->SetTexChannel(texChannel);
  if (o.Has("textureMin")) c->SetTexMin(texMin);
  if (o.Has("textureMax")) c->SetTexMax(texMax);
  if (o.Has("textureSteps")) c->SetTexSteps(texSteps);
  return true;
}

// One sub-item of Edge IDs or Contours.
bool ReadSubItem(ArtJsonBuild& b, PwStyle& style, int kind, int sub, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  bool on = false;
  const bool contours = kind == LINE_KIND_CONTOURS;
  if (!(contours ? o.Check({"on", "visible", "hidden", "contour"}) : o.Check({"on", "visible", "hidden"})) ||
      !o.Bool("on", &on))
    return false;
  PwStyleTreeItem* item = style.GetLineKindItem(kind, sub);
  if (!item) return b.ctx.Fail(path, "the style's tree has no such item");
  if (o.Has("on")) item->SetOn(on);
  if (!ReadWhereChildren(b, item, o)) return false;
  if (const JsonValue* c = o.Has("contour"); c && !ReadContour(b, style.GetLineContour(sub), *c, o.PathOf("contour")))
    return false;
  return true;
}

bool ReadSubItems(ArtJsonBuild& b, PwStyle& style, int kind, JsonObject& o) {
  int count = 0;
  if (!o.Int("count", 1, kStyleMaxSubItems, &count)) return false;
  const JsonValue* items = o.Has("items");
  if (items && !items->IsArray()) return b.ctx.Fail(o.PathOf("items"), "expected an array of items");
  const int listed = items ? static_cast<int>(items->items.size()) : 0;
  if (o.Has("count") && listed > count)
    return b.ctx.Fail(o.PathOf("items"), std::to_string(listed) + " items for a count of " + std::to_string(count));
  if (listed > kStyleMaxSubItems)
    return b.ctx.Fail(o.PathOf("items"), "more than " + std::to_string(kStyleMaxSubItems) + " items");
  if (!o.Has("count")) count = std::max(style.GetSubItemCount(kind), listed);
  if (count != style.GetSubItemCount(kind)) style.SetSubItemCount(kind, count);
  for (int i = 0; i < listed; ++i)
    if (!ReadSubItem(b, style, kind, i, items->items[static_cast<std::size_t>(i)],
                     host::JsonItem(o.PathOf("items"), static_cast<std::size_t>(i))))
      return false;
  return true;
}

bool ReadKind(ArtJsonBuild& b, PwStyle& style, int kind, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  const bool subItems = LineKindHasSubItems(kind);
  const bool angle = kind == LINE_KIND_ANGLE;
  bool on = false;
  float minAngle = 0.0f, maxAngle = 0.0f;
  const bool known = subItems ? o.Check({"on", "count", "items"})
                     : angle  ? o.Check({"on", "visible", "hidden", "minAngle", "maxAngle"})
                              : o.Check({"on", "visible", "hidden"});
  if (!known || !o.Bool("on", &on) || !OptionalDegrees(b.ctx, o, "minAngle", &minAngle) ||
      !OptionalDegrees(b.ctx, o, "maxAngle", &maxAngle))
    return false;
  PwStyleTreeItem* item = style.GetLineKindItem(kind);
  if (!item) return b.ctx.Fail(path, "the style's tree has no such item");
  if (o.Has("on")) item->SetOn(on);
  if (subItems) return ReadSubItems(b, style, kind, o);
  if (angle && (o.Has("minAngle") || o.Has("maxAngle"))) {
    PwStyleEdgeAngle* range = style.GetEdgeAngle();
    if (!range) return b.ctx.Fail(path, "the style's Angle item has no angle range");
    if (o.Has("minAngle")) range->SetMinAngle(minAngle);
    if (o.Has("maxAngle")) range->SetMaxAngle(maxAngle);
  }
  return ReadWhereChildren(b, item, o);
}

// The kinds listed come first, in the order given; the others keep their
// order after them.
bool ReadLineOrder(ArtJsonBuild& b, PwStyle& style, const JsonValue& v, const std::string& path) {
  if (!v.IsArray()) return b.ctx.Fail(path, "expected an array of line kinds");
  std::vector<int> order;
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    int kind = -1;
    if (!JsonWord(b.ctx, v.items[i], host::JsonItem(path, i), KindLabels(), &kind)) return false;
    if (std::find(order.begin(), order.end(), kind) != order.end())
      return b.ctx.Fail(host::JsonItem(path, i), "'" + v.items[i].text + "' is listed twice");
    order.push_back(kind);
  }
  for (int p = 0; p < kLineKindCount; ++p)
    if (const int kind = style.GetLineOrder(p);
        IsValidLineKind(kind) && std::find(order.begin(), order.end(), kind) == order.end())
      order.push_back(kind);
  for (int kind = 0; kind < kLineKindCount; ++kind)
    if (std::find(order.begin(), order.end(), kind) == order.end()) order.push_back(kind);
  for (int p = 0; p < kLineKindCount; ++p) style.SetLineOrder(order[static_cast<std::size_t>(p)], p);
  return true;
}

bool ReadLines(ArtJsonBuild& b, PwStyle& style, const JsonValue& v, const std::string& path) {
  if (!v.IsObject()) return b.ctx.Fail(path, "expected an object of line kinds by name");
  for (const auto& [label, value] : v.members) {
    const std::string p = host::JsonMember(path, label);
    const std::vector<std::string_view> labels = KindLabels();
    const auto it = std::find(labels.begin(), labels.end(), label);
    if (it == labels.end())
      return b.ctx.Fail(p, "'" + label + "' is not a line kind; the kinds are " + WordList(labels));
    if (!ReadKind(b, style, static_cast<int>(it - labels.begin()), value, p)) return false;
  }
  return true;
}

}  // namespace

bool ReadJsonStyle(ArtJsonBuild& b, const JsonValue& v, const std::string& path) {
  JsonObject o(b.ctx, v, path);
  bool surfaceOn = false, linesOn = false, forceVisible = false, smoothingOn = false;
  float curvature = 0.0f;
  int steps = 0;
  if (!o.Check({"name", "from", "surface", "surfaceOn", "linesOn", "forceAllLinesVisible", "edgeSmoothingOn",
                "edgeSmoothingCurvature", "edgeSmoothingSteps", "lineOrder", "lines"}) ||
      !o.Bool("surfaceOn", &surfaceOn) || !o.Bool("linesOn", &linesOn) ||
      !o.Bool("forceAllLinesVisible", &forceVisible) || !o.Bool("edgeSmoothingOn", &smoothingOn) ||
      !o.Float("edgeSmoothingCurvature", 0.0f, 1.0f, &curvature) ||
      !o.Int("edgeSmoothingSteps", 1, kMaxSmoothingSteps, &steps))
    return false;
  PwObject* made = JsonNewMaterial(b, o, PW_STYLE_CLASS_ID);
  if (!made) return false;
  auto* style = dynamic_cast<PwStyle*>(made);
  if (!style) return b.ctx.Fail(path, "the style class is not available in this program");
  // A new style draws with this library's defaults, whichever library
  // happened to be current when it was made.
  if (!o.Has("from")) style->BuildDefaultTree(&b.library, false);
  if (const JsonValue* s = o.Has("surface")) {
    PwObject* surface = JsonMaterialByName(b, *s, o.PathOf("surface"), PW_SURFACE_CLASS_ID);
    if (!surface) return false;
    style->SetSurface(surface);
  }
  if (o.Has("surfaceOn")) style->SetSurfaceOn(surfaceOn);
  if (o.Has("linesOn")) style->SetLinesOn(linesOn);
  if (o.Has("forceAllLinesVisible")) style->SetForceAllLinesVisible(forceVisible);
  if (o.Has("edgeSmoothingOn")) style->SetEdgeSmoothingOn(smoothingOn);
  if (o.Has("edgeSmoothingCurvature")) style->SetEdgeSmoothingCurvature(curvature);
  if (o.Has("edgeSmoothingSteps")) style->SetEdgeSmoothingSteps(steps);
  if (const JsonValue* l = o.Has("lines"); l && !ReadLines(b, *style, *l, o.PathOf("lines"))) return false;
  if (const JsonValue* order = o.Has("lineOrder"); order && !ReadLineOrder(b, *style, *order, o.PathOf("lineOrder")))
    return false;
  return true;
}

}  // namespace pw
