#include "lines/line_modifiers.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "modifier_fixture.h"
#include "styles/style.h"

namespace pw::test {
namespace {

class LineModifierQueries : public ModifierStackTest {
 protected:
  // n sub-items, all on.
  static std::vector<std::uint8_t> AllOn(int n) { return std::vector<std::uint8_t>(static_cast<std::size_t>(n), 1); }

  ActiveEdgeIds Collect(std::span<const std::uint8_t> on, host::TimeValue t = 0, bool reversed = false) {
    const PwRenderMesh rm = RenderMesh(t, reversed);
    ActiveEdgeIds ids;
    CollectActiveEdgeIds(node_, t, rm, on, ids);
    return ids;
  }
  // Entry k's masks as an edge selection again (render winding = host winding here).
  static host::BitArray Row(const ActiveEdgeIds& ids, int k) {
    host::BitArray bits(3 * ids.numFaces);
    for (int f = 0; f < ids.numFaces; ++f)
      for (int e = 0; e < 3; ++e)
        if (ids.Edges(k, f) & (1u << e)) bits.Set(3 * f + e);
    return bits;
  }
};

TEST_F(LineModifierQueries, AnIdGoesToItsSubItemModuloTheCount) {
  struct Case {
    int id, n, sub;
  };
  // "Edge IDs with 5 sub-items and a modifier whose ID is 7: sub-item 2."
  for (Case c : {Case{7, 5, 2}, Case{0, 5, 0}, Case{4, 5, 4}, Case{5, 5, 0}, Case{9998, 5, 3}, Case{3, 1, 0},
                 Case{-3, 5, 2}}) {
    PwEdgeIDModifier* mod = PushEdgeId(c.id, EdgeBits(NumFaces(), {{0, 0}}));
    const std::vector<std::uint8_t> on = AllOn(c.n);
    const ActiveEdgeIds ids = Collect(on);
    ASSERT_EQ(ids.Count(), 1) << "id " << c.id << ", " << c.n << " sub-items";
    EXPECT_EQ(ids.subItems[0], c.sub) << "id " << c.id << ", " << c.n << " sub-items";
    mod->DisableMod();  // out of the way of the next case
  }
}

TEST_F(LineModifierQueries, TheTopmostModifierOfASubItemWins) {
  const host::BitArray bottom = EdgeBits(NumFaces(), {{0, 0}, {1, 1}});
  const host::BitArray middle = EdgeBits(NumFaces(), {{2, 2}});
  const host::BitArray top = EdgeBits(NumFaces(), {{7, 1}, {6, 0}});
  PushEdgeId(2, bottom);
  PushEdgeId(3, middle);
  PwEdgeIDModifier* topMod = PushEdgeId(7, top);  // also sub-item 2 of 5
  const std::vector<std::uint8_t> on = AllOn(5);

  ActiveEdgeIds ids = Collect(on);
  ASSERT_EQ(ids.Count(), 2);
  EXPECT_EQ(ids.subItems[0], 2);
  EXPECT_EQ(Row(ids, 0), top);
  EXPECT_EQ(ids.subItems[1], 3);
  EXPECT_EQ(Row(ids, 1), middle);

  // Switched off (either way) the top one no longer hides the bottom one.
  topMod->DisableMod();
  ids = Collect(on);
  ASSERT_EQ(ids.Count(), 2);
  EXPECT_EQ(ids.subItems[0], 3);
  EXPECT_EQ(ids.subItems[1], 2);
  EXPECT_EQ(Row(ids, 1), bottom);
  topMod->EnableMod();
  topMod->DisableModInRender();
  ids = Collect(on);
  ASSERT_EQ(ids.Count(), 2);
  EXPECT_EQ(Row(ids, 1), bottom);
}

TEST_F(LineModifierQueries, AnEmptySelectionNeitherTagsNorHides) {
  const host::BitArray bottom = EdgeBits(NumFaces(), {{3, 2}});
  PushEdgeId(1, bottom);
  PushEdgeId(1, host::BitArray(3 * NumFaces()));
  const std::vector<std::uint8_t> on = AllOn(5);
  const ActiveEdgeIds ids = Collect(on);
  ASSERT_EQ(ids.Count(), 1);
  EXPECT_EQ(ids.subItems[0], 1);
  EXPECT_EQ(Row(ids, 0), bottom);
}

TEST_F(LineModifierQueries, SubItemsThatAreOffAndStylesWithoutItemsListNothing) {
  PushEdgeId(1, EdgeBits(NumFaces(), {{0, 1}}));
  PushEdgeId(2, EdgeBits(NumFaces(), {{0, 2}}));
  std::vector<std::uint8_t> on = AllOn(4);
  on[2] = 0;
  ActiveEdgeIds ids = Collect(on);
  ASSERT_EQ(ids.Count(), 1);
  EXPECT_EQ(ids.subItems[0], 1);
  ids = Collect({});
  EXPECT_EQ(ids.Count(), 0);
  EXPECT_TRUE(ids.faceEdges.empty());

  // A node without a stack has none either.
  host::INode bare("Bare");
  bare.SetObjectRef(new host::TriObject(Strip(1)));
  const PwRenderMesh rm = RenderMesh();
  CollectActiveEdgeIds(&bare, 0, rm, on, ids);
  EXPECT_EQ(ids.Count(), 0);
}

TEST_F(LineModifierQueries, AnAnimatedIdIsTakenAtTheFrameTime) {
  PwEdgeIDModifier* mod = PushEdgeId(0, EdgeBits(NumFaces(), {{5, 0}}));
  mod->ParamBlock()->SetKey(kEdgeIdParam, 0, 2);
  mod->ParamBlock()->SetKey(kEdgeIdParam, 4800, 3);
  const std::vector<std::uint8_t> on = AllOn(5);
  EXPECT_EQ(Collect(on, 0).subItems.at(0), 2);
  EXPECT_EQ(Collect(on, 4800).subItems.at(0), 3);
}

TEST_F(LineModifierQueries, TheOuterStackComesBeforeTheOneBelowIt) {
  PushEdgeId(1, EdgeBits(NumFaces(), {{0, 0}}));
  // A second stack on top of the first one.
  auto* outer = new host::DerivedObject(Stack(node_));
  node_->SetObjectRef(outer);
  auto* select = new host::MeshSelectMod();
  select->SetEdgeSelection(EdgeBits(NumFaces(), {{4, 2}}));
  outer->AddModifier(select);
  auto* top = new PwEdgeIDModifier();
  top->SetEdgeID(0, 1);
  outer->AddModifier(top);
  const std::vector<std::uint8_t> on = AllOn(3);
  const ActiveEdgeIds ids = Collect(on);
  ASSERT_EQ(ids.Count(), 1);
  EXPECT_EQ(Row(ids, 0), EdgeBits(NumFaces(), {{4, 2}}));
}

TEST_F(LineModifierQueries, SelectionsOfAnotherSizeAreLaidOnFaceByFace) {
  PushEdgeId(0, EdgeBits(NumFaces(), {{0, 1}, {7, 2}}));
  Evaluate();
  const std::vector<std::uint8_t> on = AllOn(1);
  ActiveEdgeIds ids;
  // A smaller render mesh (a stand-in box has 12 faces, a clipped copy fewer).
  PwRenderMesh small;
  copyHostMesh(Strip(2), small);
  CollectActiveEdgeIds(node_, 0, small, on, ids);
  ASSERT_EQ(ids.Count(), 1);
  ASSERT_EQ(ids.faceEdges.size(), 4u);
  EXPECT_EQ(ids.Edges(0, 0), 0b010);
  // A bigger one: the faces past the selection carry nothing.
  PwRenderMesh big;
  copyHostMesh(Strip(6), big);
  CollectActiveEdgeIds(node_, 0, big, on, ids);
  ASSERT_EQ(ids.faceEdges.size(), 12u);
  EXPECT_EQ(ids.Edges(0, 7), 0b100);
  for (int f = 8; f < 12; ++f) EXPECT_EQ(ids.Edges(0, f), 0) << f;
}

// A mesh of random triangles over a few vertices (so edges are shared), with
// a random edge selection.
host::Mesh RandomMesh(std::mt19937& rng, int verts, int faces, host::BitArray& selection) {
  host::Mesh m;
  m.setNumVerts(verts);
  m.setNumFaces(faces);
  std::uniform_int_distribution<std::uint32_t> v(0, static_cast<std::uint32_t>(verts - 1));
  for (host::Face& f : m.faces()) {
    std::uint32_t a = v(rng), b = v(rng), c = v(rng);
    while (b == a) b = v(rng);
    while (c == a || c == b) c = v(rng);
    f.setVerts(a, b, c);
  }
  selection.SetSize(3 * faces);
  std::bernoulli_distribution pick(0.3);
  for (int i = 0; i < 3 * faces; ++i)
    if (pick(rng)) selection.Set(i);
  return m;
}

// The host face edge of face f joining a and b, selected or not.
bool HostEdgeSelected(const host::Mesh& m, const host::BitArray& selection, int f, std::uint32_t a, std::uint32_t b) {
  const host::Face& face = m.faces()[static_cast<std::size_t>(f)];
  for (int e = 0; e < 3; ++e) {
    const std::uint32_t p = face.v[e], q = face.v[(e + 1) % 3];
    if ((p == a && q == b) || (p == b && q == a)) return selection[3 * f + e];
  }
  ADD_FAILURE() << "face " << f << " has no edge " << a << "-" << b;
  return false;
}

TEST_F(LineModifierQueries, TaggedEdgesJoinTheSameVerticesInEitherWinding) {
  std::mt19937 rng(20240611);
  const std::vector<std::uint8_t> on = AllOn(1);
  PushEdgeId(0, host::BitArray());
  auto* select = static_cast<host::MeshSelectMod*>(Stack(node_)->GetModifier(1));
  for (int round = 0; round < 40; ++round) {
    host::BitArray selection;
    mesh_->mesh = RandomMesh(rng, 6 + round % 5, 10 + round, selection);
    select->SetEdgeSelection(selection);
    for (bool reversed : {false, true}) {
      const PwRenderMesh rm = RenderMesh(0, reversed);
      ActiveEdgeIds ids;
      CollectActiveEdgeIds(node_, 0, rm, on, ids);
      ASSERT_EQ(ids.Count(), selection.IsEmpty() ? 0 : 1);
      if (ids.Count() == 0) continue;
      for (int f = 0; f < rm.numFaces(); ++f) {
        for (int e = 0; e < 3; ++e) {
          const std::uint32_t a = rm.faces[f].v[e], b = rm.faces[f].v[(e + 1) % 3];
          const bool expected = HostEdgeSelected(mesh_->mesh, selection, f, a, b);
          ASSERT_EQ((ids.Edges(0, f) >> e) & 1u, expected ? 1u : 0u)
              << "round " << round << (reversed ? ", reversed" : "") << ": face " << f << " edge " << e << " ("
              << a << "-" << b << ")";
          // The edge pass's question gives the same answer.
          const int sub = EdgeIdSubItemOf(ids, rm, std::min(a, b), std::max(a, b), static_cast<std::uint32_t>(f),
                                          kNoSecondFace);
          ASSERT_EQ(sub, expected ? 0 : -1) << "round " << round << ": face " << f << " edge " << e;
        }
      }
    }
  }
}

TEST_F(LineModifierQueries, AReversedFaceFindsItsEdgeUnderTheOtherIndex) {
  // Face 0 is (0, 2, 3); host edge 0 runs 0-2. Reversed, the face reads
  // (3, 2, 0) and 0-2 is its edge 1.
  PushEdgeId(0, EdgeBits(NumFaces(), {{0, 0}}));
  const std::vector<std::uint8_t> on = AllOn(1);
  EXPECT_EQ(Collect(on, 0, false).Edges(0, 0), 0b001);
  const ActiveEdgeIds ids = Collect(on, 0, true);
  EXPECT_EQ(ids.Edges(0, 0), 0b010);
  const PwRenderMesh rm = RenderMesh(0, true);
  EXPECT_EQ(EdgeIdSubItemOf(ids, rm, 0, 2, 0, kNoSecondFace), 0);
  EXPECT_EQ(EdgeIdSubItemOf(ids, rm, 2, 3, 0, kNoSecondFace), -1);
}

TEST_F(LineModifierQueries, AnEdgeTakesTheFirstListedIdOnEitherFace) {
  // The diagonal 0-3 of the first square: edge 2 of face 0, edge 0 of face 1.
  PushEdgeId(1, EdgeBits(NumFaces(), {{0, 2}}));  // listed second: on the first face
  PushEdgeId(2, EdgeBits(NumFaces(), {{1, 0}}));  // listed first: on the second face
  const std::vector<std::uint8_t> on = AllOn(3);
  const ActiveEdgeIds ids = Collect(on);
  ASSERT_EQ(ids.Count(), 2);
  const PwRenderMesh rm = RenderMesh();
  EXPECT_EQ(EdgeIdSubItemOf(ids, rm, 0, 3, 0, 1), 2);
  EXPECT_EQ(EdgeIdSubItemOf(ids, rm, 0, 3, 1, 0), 2);
  // Without the second face only the first face's tag counts.
  EXPECT_EQ(EdgeIdSubItemOf(ids, rm, 0, 3, 0, kNoSecondFace), 1);
  // Faces outside the mesh carry nothing.
  EXPECT_EQ(EdgeIdSubItemOf(ids, rm, 0, 3, 99, kNoSecondFace), -1);
}

TEST_F(LineModifierQueries, TheStyleSaysWhichSubItemsAreOn) {
  PwStyle style;
  style.SetSubItemCount(LINE_KIND_EDGE_IDS, 4);
  for (int i = 0; i < 4; ++i) style.GetLineKindItem(LINE_KIND_EDGE_IDS, i)->SetOn(i != 1);
  PushEdgeId(5, EdgeBits(NumFaces(), {{0, 0}}));  // sub-item 1: off
  PushEdgeId(6, EdgeBits(NumFaces(), {{0, 1}}));  // sub-item 2
  const PwRenderMesh rm = RenderMesh();
  ActiveEdgeIds ids;
  CollectActiveEdgeIds(node_, 0, rm, style, ids);
  ASSERT_EQ(ids.Count(), 1);
  EXPECT_EQ(ids.subItems[0], 2);
}

// ---- Surface-intersection restriction ----------------------------------------------

TEST_F(LineModifierQueries, ARestrictionAppliesToTheKindsItsSwitchesName) {
  PushRestriction(true, false, FaceBits(NumFaces(), {1, 4}));
  Evaluate();
  host::BitArray faces;
  ASSERT_TRUE(RestrictedFaces(node_, false, faces));
  EXPECT_EQ(faces, FaceBits(NumFaces(), {1, 4}));
  host::BitArray untouched = FaceBits(3, {0});
  EXPECT_FALSE(RestrictedFaces(node_, true, untouched));
  EXPECT_EQ(untouched, FaceBits(3, {0}));

  IntersectionFaces resolved;
  ResolveIntersectionFaces(node_, NumFaces(), resolved);
  EXPECT_TRUE(resolved.withinRestricted);
  EXPECT_FALSE(resolved.withOthersRestricted);
  for (int f = 0; f < NumFaces(); ++f) {
    EXPECT_EQ(resolved.TakesPartWithin(f), f == 1 || f == 4) << f;
    EXPECT_TRUE(resolved.TakesPartWithOthers(f)) << f;
  }
}

TEST_F(LineModifierQueries, EmptyAndDisabledRestrictionsAreLookedPast) {
  PushRestriction(true, true, FaceBits(NumFaces(), {2}));
  PushRestriction(true, false, FaceBits(NumFaces(), {}));       // empty
  PwRestrictSI* off = PushRestriction(false, true, FaceBits(NumFaces(), {6}));
  off->DisableMod();
  PushRestriction(false, false, FaceBits(NumFaces(), {7}));     // neither switch on
  Evaluate();
  host::BitArray faces;
  ASSERT_TRUE(RestrictedFaces(node_, false, faces));
  EXPECT_EQ(faces, FaceBits(NumFaces(), {2}));
  ASSERT_TRUE(RestrictedFaces(node_, true, faces));
  EXPECT_EQ(faces, FaceBits(NumFaces(), {2}));
  off->EnableMod();
  Evaluate();
  ASSERT_TRUE(RestrictedFaces(node_, true, faces));
  EXPECT_EQ(faces, FaceBits(NumFaces(), {6}));
  off->DisableModInRender();
  ASSERT_TRUE(RestrictedFaces(node_, true, faces));
  EXPECT_EQ(faces, FaceBits(NumFaces(), {2}));
}

TEST_F(LineModifierQueries, ResolvedFacesCoverTheRenderMesh) {
  PushRestriction(true, false, FaceBits(NumFaces(), {0, 7}));
  PushRestriction(false, true, FaceBits(NumFaces(), {7}));
  Evaluate();
  IntersectionFaces resolved;
  ResolveIntersectionFaces(node_, NumFaces() + 3, resolved);  // more faces than the selections
  ASSERT_EQ(resolved.faces.size(), static_cast<std::size_t>(NumFaces() + 3));
  EXPECT_EQ(resolved.faces[0], kIntersectsWithin);
  EXPECT_EQ(resolved.faces[7], kIntersectsWithin | kIntersectsWithOthers);
  EXPECT_EQ(resolved.faces[3], 0);
  for (int f = NumFaces(); f < NumFaces() + 3; ++f) {
    EXPECT_FALSE(resolved.TakesPartWithin(f));
    EXPECT_FALSE(resolved.TakesPartWithOthers(f));
  }
  // Without restrictions every face takes part, and the array is let go.
  for (int i = 0; i < Stack(node_)->NumModifiers(); ++i) Stack(node_)->GetModifier(i)->DisableMod();
  ResolveIntersectionFaces(node_, NumFaces(), resolved);
  EXPECT_FALSE(resolved.withinRestricted || resolved.withOthersRestricted);
  EXPECT_TRUE(resolved.faces.empty());
  EXPECT_TRUE(resolved.TakesPartWithin(5));
}

}  // namespace
}  // namespace pw::test
