// The edge table against its literal construction, on real meshes seen
// whole and cut by the view, all faces and front faces only.
#include "lines/edge_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "placed_mesh_fixture.h"

namespace {

void ExpectSameTable(const pw::PwRenderMesh& mesh, bool frontOnly) {
  pw::EdgeTable table;
  table.Build(mesh, frontOnly);
  std::vector<pw::EdgeRecord> reference;
  pw::BuildEdgeTableReference(mesh, frontOnly, reference);
  ASSERT_EQ(table.Records().size(), reference.size());
  for (std::size_t i = 0; i < reference.size(); ++i) {
    const pw::EdgeRecord& a = table.Records()[i];
    const pw::EdgeRecord& b = reference[i];
    ASSERT_TRUE(a.low == b.low && a.high == b.high && a.face0 == b.face0 && a.face1 == b.face1 &&
                a.partial == b.partial && a.startPoint == b.startPoint && a.endPoint == b.endPoint &&
                a.start == b.start && a.end == b.end)
        << "record " << i << " (" << b.low << ", " << b.high << ")";
  }
}

TEST(EdgeTable, MatchesTheLiteralTableOnRealMeshesWholeAndCut) {
  const pwtest::TestView view = pwtest::perspectiveView(640, 480, 60.0f, 0.5f, 100.0f);
  for (const char* name : {"bunny.obj", "sphere.obj", "suzanne0.obj", "bevelcube.obj"}) {
    for (bool cut : {false, true}) {
      pw::PwRenderMesh mesh;
      ASSERT_TRUE(pwtest::placedObjMesh(name, mesh, view, cut)) << name;
      int clipped = 0;
      for (const pw::MeshFace& f : mesh.faces) clipped += (f.faceFlags & pw::FaceClipped) != 0;
      if (cut) {
        EXPECT_GT(clipped, 0) << name << " is not cut by the view";
      }
      SCOPED_TRACE(std::string(name) + (cut ? " cut" : " whole"));
      ExpectSameTable(mesh, false);
      ExpectSameTable(mesh, true);
    }
  }
}

TEST(EdgeTable, ClosedMeshesShareEveryEdgeAndRecordsAreOrdered) {
  const pwtest::TestView view = pwtest::perspectiveView(640, 480, 60.0f, 0.5f, 100.0f);
  pw::PwRenderMesh mesh;
  ASSERT_TRUE(pwtest::placedObjMesh("sphere.obj", mesh, view, false));
  pw::EdgeTable table;
  table.Build(mesh, false);
  // A closed triangle mesh: 3F/2 edges, each with two faces.
  EXPECT_EQ(table.Count() * 2, mesh.numFaces() * 3);
  const auto r = table.Records();
  for (std::size_t i = 0; i < r.size(); ++i) {
    EXPECT_LT(r[i].low, r[i].high);
    EXPECT_NE(r[i].face1, pw::kNoFace);
    if (i > 0) {
      EXPECT_TRUE(r[i - 1].low < r[i].low || (r[i - 1].low == r[i].low && r[i - 1].high < r[i].high));
    }
  }
}

}  // namespace
