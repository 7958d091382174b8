// "modifiers" of a mesh node: the modifier stack, in the order the
// modifiers are applied (the first sits directly on the mesh).
//
// An entry names its selection itself ("edges", "faces"): it becomes a Mesh
// Select modifier that sets that selection, with the line modifier right
// above it recording it, so each entry tags or restricts exactly what it
// lists, whatever lies below it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "host/scene/modifier_select.h"
#include "host/scene/object_derived.h"
#include "lines/edge_id_modifier.h"
#include "lines/restrict_si.h"
#include "painton/paint_on.h"
#include "scene_io/scene_json_build.h"

namespace host {

namespace {

// More than any stack holds; a longer list is a mistake in the file.
constexpr std::size_t kMaxJsonModifiers = 1000;

// The face edges of a mesh by the two vertices they join, built once per
// node and only when an entry lists edges.
class FaceEdgeIndex {
 public:
  explicit FaceEdgeIndex(const Mesh& mesh) : mesh_(mesh) {}

  // Bits 3f + e of every face edge joining a and b, in either direction.
  template <class Fn>
  void ForEachJoining(std::uint32_t a, std::uint32_t b, Fn&& fn) {
    Build();
    const std::uint64_t key = Key(a, b);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const Entry& e, std::uint64_t k) { return e.key < k; });
    for (; it != entries_.end() && it->key == key; ++it) fn(it->bit);
  }

 private:
  struct Entry {
    std::uint64_t key;
    int bit;
  };
  static std::uint64_t Key(std::uint32_t a, std::uint32_t b) {
    return (std::uint64_t{std::min(a, b)} << 32) | std::max(a, b);
  }
  void Build() {
    if (built_) return;
    built_ = true;
    const std::span<const Face> faces = mesh_.faces();
    entries_.reserve(faces.size() * 3);
    for (std::size_t f = 0; f < faces.size(); ++f)
      for (int e = 0; e < 3; ++e)
        entries_.push_back({Key(faces[f].v[e], faces[f].v[(e + 1) % 3]), static_cast<int>(3 * f) + e});
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& x, const Entry& y) { return x.key != y.key ? x.key < y.key : x.bit < y.bit; });
  }

  const Mesh& mesh_;
  std::vector<Entry> entries_;
  bool built_ = false;
};

// An index into the mesh's n vertices or faces (`one` names one of them,
// `what` several).
bool JsonIndex(JsonContext& ctx, const JsonValue& v, const std::string& path, const char* one, const char* what,
               int n, std::uint32_t* out) {
  if (!v.IsNumber() || v.number != std::floor(v.number))
    return ctx.Fail(path, std::string("expected a ") + one + " index");
  if (v.number < 0.0 || v.number >= n) {
    char num[32];
    std::snprintf(num, sizeof num, "%.0f", v.number);
    return ctx.Fail(path, std::string(one) + " " + num + " is out of range (the mesh has " + std::to_string(n) + " " +
                              (n == 1 ? one : what) + ")");
  }
  *out = static_cast<std::uint32_t>(v.number);
  return true;
}

// "edges": [[a, b], ...], each the two vertices an edge joins; every face
// edge between them is selected (both faces of a shared edge).
bool Edges(JsonContext& ctx, const JsonValue* v, const std::string& path, const Mesh& mesh, FaceEdgeIndex& index,
           BitArray* out) {
  if (!v) return ctx.Fail(path, "missing: the edges to tag, each [a, b]: the two vertices it joins");
  if (!v->IsArray()) return ctx.Fail(path, "expected an array of edges, each [a, b]: the two vertices it joins");
  out->SetSize(3 * mesh.getNumFaces());
  for (std::size_t i = 0; i < v->items.size(); ++i) {
    const JsonValue& edge = v->items[i];
    const std::string p = JsonItem(path, i);
    if (!edge.IsArray() || edge.items.size() != 2)
      return ctx.Fail(p, "expected [a, b]: the two vertices the edge joins");
    std::uint32_t ends[2] = {0, 0};
    for (std::size_t k = 0; k < 2; ++k)
      if (!JsonIndex(ctx, edge.items[k], JsonItem(p, k), "vertex", "vertices", mesh.getNumVerts(), &ends[k]))
        return false;
    if (ends[0] == ends[1]) return ctx.Fail(p, "an edge joins two different vertices");
    bool found = false;
    index.ForEachJoining(ends[0], ends[1], [&](int bit) {
      out->Set(bit);
      found = true;
    });
    if (!found)
      return ctx.Fail(p, "no face has an edge from vertex " + std::to_string(ends[0]) + " to vertex " +
                             std::to_string(ends[1]));
  }
  return true;
}

// "faces": [f, ...], faces of the mesh.
bool Faces(JsonContext& ctx, const JsonValue* v, const std::string& path, const Mesh& mesh, BitArray* out) {
  if (!v) return ctx.Fail(path, "missing: the faces that take part in intersections");
  if (!v->IsArray()) return ctx.Fail(path, "expected an array of face indices");
  out->SetSize(mesh.getNumFaces());
  for (std::size_t i = 0; i < v->items.size(); ++i) {
    std::uint32_t f = 0;
    if (!JsonIndex(ctx, v->items[i], JsonItem(path, i), "face", "faces", mesh.getNumFaces(), &f)) return false;
    out->Set(static_cast<int>(f));
  }
  return true;
}

void Apply(JsonSceneBuild& b, INode* node, MeshSelectMod* select, Modifier* mod, bool enabled) {
  b.Keep(select);
  b.Keep(mod);
  if (!enabled) {
    select->DisableMod();
    mod->DisableMod();
  }
  AddModifierToNode(node, select);
  AddModifierToNode(node, mod);
}

bool EdgeIdEntry(JsonSceneBuild& b, JsonObject& o, INode* node, const Mesh& mesh, FaceEdgeIndex& index) {
  int id = pw::kEdgeIdShownMin;
  bool enabled = true;
  if (!o.Check({"type", "id", "edges", "enabled"}) ||
      !o.Int("id", pw::kEdgeIdShownMin, pw::kEdgeIdShownMax, &id) || !o.Bool("enabled", &enabled))
    return false;
  BitArray edges;
  if (!Edges(b.ctx, o.Has("edges"), o.PathOf("edges"), mesh, index, &edges)) return false;
  auto* select = new MeshSelectMod();
  select->SetEdgeSelection(std::move(edges));
  auto* tagger = new pw::PwEdgeIDModifier();
  tagger->SetShownEdgeID(0, id);
  Apply(b, node, select, tagger, enabled);
  return true;
}

bool RestrictSIEntry(JsonSceneBuild& b, JsonObject& o, INode* node, const Mesh& mesh) {
  bool within = true, withOthers = false, enabled = true;
  if (!o.Check({"type", "withinObject", "withOthers", "faces", "enabled"}) || !o.Bool("withinObject", &within) ||
      !o.Bool("withOthers", &withOthers) || !o.Bool("enabled", &enabled))
    return false;
  BitArray faces;
  if (!Faces(b.ctx, o.Has("faces"), o.PathOf("faces"), mesh, &faces)) return false;
  auto* select = new MeshSelectMod();
  select->SetFaceSelection(std::move(faces));
  auto* restriction = new pw::PwRestrictSI();
  restriction->SetWithinObject(within);
  restriction->SetWithOthers(withOthers);
  Apply(b, node, select, restriction, enabled);
  return true;
}

// "values": one number per vertex of the mesh as the entry receives it. The
// modifier keeps them for that vertex count; painted values outside 0..1
// are kept as written (the renderer draws them at full thickness).
bool PaintOnEntry(JsonSceneBuild& b, JsonObject& o, INode* node, const Mesh& mesh) {
  bool enabled = true;
  if (!o.Check({"type", "values", "enabled"}) || !o.Bool("enabled", &enabled)) return false;
  const JsonValue* v = o.Has("values");
  const std::string path = o.PathOf("values");
  if (!v) return b.ctx.Fail(path, "missing: one thickness scale per vertex, 0 to 1");
  if (!v->IsArray()) return b.ctx.Fail(path, "expected an array of numbers, one per vertex");
  if (v->items.size() != static_cast<std::size_t>(mesh.getNumVerts()))
    return b.ctx.Fail(path, std::to_string(v->items.size()) + " values for a mesh of " +
                                std::to_string(mesh.getNumVerts()) + " vertices");
  std::vector<float> values(v->items.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!v->items[i].IsNumber() || !std::isfinite(v->items[i].number))
      return b.ctx.Fail(JsonItem(path, i), "expected a number");
    values[i] = static_cast<float>(v->items[i].number);
  }
  auto* paint = new pw::PwPaintOn();
  b.Keep(paint);
  if (!enabled) paint->DisableMod();
  DerivedObject* stack = AddModifierToNode(node, paint);
  if (!stack) return b.ctx.Fail(o.PathOf("type"), "the modifier cannot be added to this node");
  pw::PaintOnDataOf(*stack->GetModContext(0))->SetValues(values);
  return true;
}

}  // namespace

bool JsonModifiers(JsonSceneBuild& b, const JsonValue& v, const std::string& path, INode* node) {
  JsonContext& ctx = b.ctx;
  auto* tri = dynamic_cast<TriObject*>(node->GetObjectRef());
  if (!tri) return ctx.Fail(path, "only a node with a mesh has modifiers");
  if (!v.IsArray()) return ctx.Fail(path, "expected an array of modifiers");
  if (v.items.size() > kMaxJsonModifiers)
    return ctx.Fail(path, "more than " + std::to_string(kMaxJsonModifiers) + " modifiers");
  const Mesh& mesh = tri->mesh;
  FaceEdgeIndex index(mesh);
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    const std::string p = JsonItem(path, i);
    JsonObject o(ctx, v.items[i], p);
    if (!v.items[i].IsObject()) return ctx.Fail(p, "expected a modifier: an object with a \"type\"");
    const JsonValue* type = o.Has("type");
    if (!type) return ctx.Fail(o.PathOf("type"), "missing: \"edgeId\", \"restrictSI\" or \"paintOn\"");
    int kind = 0;
    if (!JsonChoice(ctx, *type, o.PathOf("type"), {"edgeId", "restrictSI", "paintOn"}, &kind)) return false;
    const bool ok = kind == 0   ? EdgeIdEntry(b, o, node, mesh, index)
                    : kind == 1 ? RestrictSIEntry(b, o, node, mesh)
                                : PaintOnEntry(b, o, node, mesh);
    if (!ok) return false;
  }
  return true;
}

}  // namespace host
