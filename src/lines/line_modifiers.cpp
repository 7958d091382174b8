#include "lines/line_modifiers.h"

#include <algorithm>

#include "host/scene/object_derived.h"
#include "lines/edge_id_modifier.h"
#include "lines/restrict_si.h"
#include "styles/line_kind.h"
#include "styles/style.h"

namespace pw {

namespace {

// Calls fn(modifier) for every modifier of the node's stack that renders,
// top first, until fn answers true (found).
template <class Fn>
void ForEachRenderModifier(host::INode* node, Fn&& fn) {
  if (!node) return;
  for (auto* stack = dynamic_cast<host::DerivedObject*>(node->GetObjectRef()); stack;
       stack = dynamic_cast<host::DerivedObject*>(stack->GetObjRef())) {
    for (int i = 0; i < stack->NumModifiers(); ++i) {
      host::Modifier* mod = stack->GetModifier(i);
      if (!mod || !mod->IsEnabled() || !mod->IsEnabledInRender()) continue;
      if (fn(*mod)) return;
    }
  }
}

// id mod n, never negative, as the style numbers its sub-items.
int SubItemOf(int id, int n) {
  const int r = id % n;
  return r < 0 ? r + n : r;
}

// Appends a row of face masks: the host selection (original winding) laid
// onto the render mesh's edges.
void AppendFaceEdges(const host::BitArray& selection, int numFaces, bool windingReversed,
                     std::vector<std::uint8_t>& faceEdges) {
  const std::size_t row = faceEdges.size();
  faceEdges.resize(row + static_cast<std::size_t>(numFaces), 0);
  const int covered = std::min(numFaces, (selection.GetSize() + 2) / 3);
  int hostEdge[3];
  for (int e = 0; e < 3; ++e) hostEdge[e] = hostEdgeIndex(e, windingReversed);
  for (int f = 0; f < covered; ++f) {
    std::uint8_t mask = 0;
    for (int e = 0; e < 3; ++e)
      if (selection[3 * f + hostEdge[e]]) mask |= static_cast<std::uint8_t>(1u << e);
    faceEdges[row + static_cast<std::size_t>(f)] = mask;
  }
}

template <class IsOn>
void CollectEdgeIds(host::INode* node, host::TimeValue t, const PwRenderMesh& mesh, int n, IsOn&& isOn,
                    ActiveEdgeIds& out) {
  out.numFaces = mesh.numFaces();
  out.subItems.clear();
  out.faceEdges.clear();
  if (n <= 0) return;
  ForEachRenderModifier(node, [&](host::Modifier& mod) {
    const auto* tagger = dynamic_cast<const PwEdgeIDModifier*>(&mod);
    if (!tagger) return false;
    const int sub = SubItemOf(tagger->GetEdgeID(t), n);
    if (!isOn(sub) || std::find(out.subItems.begin(), out.subItems.end(), sub) != out.subItems.end()) return false;
    if (tagger->EdgeSelection().IsEmpty()) return false;
    out.subItems.push_back(sub);
    AppendFaceEdges(tagger->EdgeSelection(), out.numFaces, mesh.windingReversed, out.faceEdges);
    return false;
  });
}

// Whether edge e of face f joins exactly low and high (low < high).
bool FaceEdgeJoins(const MeshFace& face, int e, std::uint32_t low, std::uint32_t high) {
  const std::uint32_t a = face.v[e], b = face.v[(e + 1) % 3];
  return std::min(a, b) == low && std::max(a, b) == high;
}

bool TaggedEdgeJoins(const ActiveEdgeIds& ids, const PwRenderMesh& mesh, int k, std::uint32_t face,
                     std::uint32_t low, std::uint32_t high) {
  if (face >= static_cast<std::uint32_t>(mesh.numFaces()) || static_cast<int>(face) >= ids.numFaces) return false;
  const std::uint8_t mask = ids.Edges(k, static_cast<int>(face));
  if (!mask) return false;
  const MeshFace& f = mesh.faces[face];
  for (int e = 0; e < 3; ++e)
    if ((mask & (1u << e)) && FaceEdgeJoins(f, e, low, high)) return true;
  return false;
}

const PwRestrictSI* FindRestriction(host::INode* node, bool withOthers) {
  const PwRestrictSI* found = nullptr;
  ForEachRenderModifier(node, [&](host::Modifier& mod) {
    const auto* restriction = dynamic_cast<const PwRestrictSI*>(&mod);
    if (!restriction || !restriction->Restricts(withOthers) || restriction->FaceSelection().IsEmpty()) return false;
    found = restriction;
    return true;
  });
  return found;
}

}  // namespace

void CollectActiveEdgeIds(host::INode* node, host::TimeValue t, const PwRenderMesh& mesh,
                          std::span<const std::uint8_t> subItemOn, ActiveEdgeIds& out) {
  CollectEdgeIds(
      node, t, mesh, static_cast<int>(subItemOn.size()),
      [subItemOn](int sub) { return subItemOn[static_cast<std::size_t>(sub)] != 0; }, out);
}

void CollectActiveEdgeIds(host::INode* node, host::TimeValue t, const PwRenderMesh& mesh, const PwStyle& style,
                          ActiveEdgeIds& out) {
  CollectEdgeIds(
      node, t, mesh, style.GetSubItemCount(LINE_KIND_EDGE_IDS),
      [&style](int sub) {
        const PwStyleTreeItem* item = style.GetLineKindItem(LINE_KIND_EDGE_IDS, sub);
        return item && item->IsOn();
      },
      out);
}

int EdgeIdSubItemOf(const ActiveEdgeIds& ids, const PwRenderMesh& mesh, std::uint32_t low, std::uint32_t high,
                    std::uint32_t firstFace, std::uint32_t secondFace) {
  for (int k = 0; k < ids.Count(); ++k) {
    if (TaggedEdgeJoins(ids, mesh, k, firstFace, low, high)) return ids.subItems[static_cast<std::size_t>(k)];
    if (secondFace != kNoSecondFace && TaggedEdgeJoins(ids, mesh, k, secondFace, low, high))
      return ids.subItems[static_cast<std::size_t>(k)];
  }
  return -1;
}

bool RestrictedFaces(host::INode* node, bool withOthers, host::BitArray& faces) {
  const PwRestrictSI* restriction = FindRestriction(node, withOthers);
  if (!restriction) return false;
  faces = restriction->FaceSelection();
  return true;
}

void ResolveIntersectionFaces(host::INode* node, int numFaces, IntersectionFaces& out) {
  const PwRestrictSI* within = FindRestriction(node, false);
  const PwRestrictSI* withOthers = FindRestriction(node, true);
  out.withinRestricted = within != nullptr;
  out.withOthersRestricted = withOthers != nullptr;
  out.faces.clear();
  if (!within && !withOthers) return;
  out.faces.resize(static_cast<std::size_t>(std::max(numFaces, 0)), 0);
  for (int f = 0; f < numFaces; ++f) {
    std::uint8_t bits = 0;
    if (within && within->FaceSelection()[f]) bits |= kIntersectsWithin;
    if (withOthers && withOthers->FaceSelection()[f]) bits |= kIntersectsWithOthers;
    out.faces[static_cast<std::size_t>(f)] = bits;
  }
}

}  // namespace pw
