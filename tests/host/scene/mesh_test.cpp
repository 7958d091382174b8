#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/scene/mesh.h"
#include "host/scene/object_tri.h"
#include "scene_test_support.h"

using namespace host;

namespace {

// A mesh using every feature: two faces, map channels 1 and 7, vertex alpha,
// and all three selections.
Mesh FullMesh() {
  Mesh m;
  m.setNumVerts(4);
  m.setVert(0, {0, 0, 0});
  m.setVert(1, {2, 0, 0});
  m.setVert(2, {2, 3, 0});
  m.setVert(3, {0, 3, 1});
  m.setNumFaces(2);
  m.faces()[0].setVerts(0, 1, 2);
  m.faces()[0].setSmGroup(1);
  m.faces()[0].setMatID(3);
  m.faces()[0].setEdgeVisFlags(true, true, false);
  m.faces()[1].setVerts(0, 2, 3);
  m.faces()[1].setSmGroup(0x80000000u);
  m.faces()[1].setMatID(0xFFFF);
  m.faces()[1].setEdgeVisFlags(false, true, true);
  m.setMapSupport(1);
  m.setNumMapVerts(1, 4);
  for (int i = 0; i < 4; ++i) m.mapVerts(1)[i] = Point3(0.1f * i, 0.2f * i, 0);
  m.mapFaces(1)[0].setTVerts(0, 1, 2);
  m.mapFaces(1)[1].setTVerts(0, 2, 3);
  m.setMapSupport(7);
  m.setNumMapVerts(7, 1);
  m.mapVerts(7)[0] = Point3(5, 6, 7);
  m.setVDataSupport(VDATA_ALPHA);
  m.vertexFloat(VDATA_ALPHA)[2] = 0.25f;
  m.vertSel().Set(3);
  m.edgeSel().Set(4);
  m.faceSel().Set(1);
  return m;
}

std::vector<std::uint8_t> SaveMesh(const Mesh& m) {
  MemorySave out;
  out.BeginChunk(1);
  m.Save(out);
  out.EndChunk();
  return out.TakeBytes();
}

// Loads from a buffer holding one container chunk around the mesh's chunks.
IOResult LoadMesh(std::span<const std::uint8_t> bytes, Mesh* m, std::string* error) {
  MemoryLoad in(bytes);
  if (in.OpenChunk() != IO_OK) {
    *error = in.Error();
    return IO_ERROR;
  }
  IOResult r = m->Load(in);
  *error = in.Error();
  return r;
}

TEST(MeshFace, MaterialIdAndEdgeBitsShareTheFlagsWordWithoutDisturbingEachOther) {
  struct Case {
    MtlID id;
    bool a, b, c;
  } cases[] = {{0, true, true, true}, {1, false, false, false}, {0xFFFF, true, false, true}, {0x8001, false, true, false}};
  for (const Case& k : cases) {
    Face f;
    f.setEdgeVisFlags(k.a, k.b, k.c);
    f.setMatID(k.id);
    f.setEdgeVis(1, k.b);  // rewriting an edge keeps the id
    EXPECT_EQ(f.getMatID(), k.id);
    EXPECT_EQ(f.getEdgeVis(0), k.a);
    EXPECT_EQ(f.getEdgeVis(1), k.b);
    EXPECT_EQ(f.getEdgeVis(2), k.c);
    EXPECT_EQ(f.flags & 0xFFFFu, (k.a ? EDGE_A : 0u) | (k.b ? EDGE_B : 0u) | (k.c ? EDGE_C : 0u));
    EXPECT_EQ(f.flags >> 16, k.id);
  }
}

TEST(Mesh, ResizingKeepsEveryPerFaceAndPerVertexArrayInStep) {
  Mesh m = FullMesh();
  ASSERT_TRUE(m.setNumFaces(5, true));
  EXPECT_EQ(m.mapFaces(1).size(), 5u);
  EXPECT_EQ(m.mapFaces(7).size(), 5u);
  EXPECT_EQ(m.mapFaces(1)[1].t[2], 3u);  // kept
  EXPECT_EQ(m.faces()[0].getMatID(), 3);
  EXPECT_EQ(m.edgeSel().GetSize(), 15);
  EXPECT_TRUE(m.edgeSel()[4]);
  EXPECT_EQ(m.faceSel().GetSize(), 5);

  ASSERT_TRUE(m.setNumVerts(6, true));
  ASSERT_EQ(m.vertexFloat(VDATA_ALPHA).size(), 6u);
  EXPECT_EQ(m.vertexFloat(VDATA_ALPHA)[2], 0.25f);
  EXPECT_EQ(m.vertexFloat(VDATA_ALPHA)[5], 1.0f);  // new alpha is opaque
  EXPECT_EQ(m.vertSel().GetSize(), 6);

  ASSERT_TRUE(m.setNumFaces(1, false));  // without keep: cleared
  EXPECT_EQ(m.faces()[0], Face());
  EXPECT_EQ(m.mapFaces(1)[0], TVFace());
  EXPECT_FALSE(m.setNumVerts(-1));
  EXPECT_EQ(m.getNumVerts(), 6);
}

TEST(Mesh, MapAndVertexDataChannelsAcceptOnlyTheirRange) {
  Mesh m = scenetest::Triangle();
  for (int ch : {-1, MAX_MESHMAPS}) {
    EXPECT_FALSE(m.setMapSupport(ch)) << ch;
    EXPECT_FALSE(m.mapSupport(ch));
    EXPECT_TRUE(m.mapVerts(ch).empty());
    EXPECT_FALSE(m.setVDataSupport(ch)) << ch;
  }
  EXPECT_TRUE(m.setMapSupport(MAX_MESHMAPS - 1));
  EXPECT_EQ(m.getNumMaps(), MAX_MESHMAPS);
  EXPECT_EQ(m.mapFaces(MAX_MESHMAPS - 1).size(), 1u);
  EXPECT_EQ(m.getNumMapVerts(MAX_MESHMAPS - 1), 0);
  m.setMapSupport(MAX_MESHMAPS - 1, false);
  EXPECT_EQ(m.getNumMaps(), 0);
  EXPECT_FALSE(m.setNumMapVerts(5, 3));  // channel off
  EXPECT_TRUE(m.setVDataSupport(0));
  EXPECT_EQ(m.vertexFloat(0)[1], 0.0f);  // only alpha defaults to 1
}

TEST(Mesh, BoundsAndFaceNormal) {
  Mesh m = FullMesh();
  const Box3 box = m.getBoundingBox();
  EXPECT_EQ(box.pmin, Point3(0, 0, 0));
  EXPECT_EQ(box.pmax, Point3(2, 3, 1));
  const Matrix3 shift = TransMatrix({10, 0, 0});
  EXPECT_EQ(m.getBoundingBox(&shift).pmin, Point3(10, 0, 0));
  EXPECT_EQ(m.getFaceNormal(0), Point3(0, 0, 1));
  EXPECT_TRUE(Mesh().getBoundingBox().IsEmpty());
}

TEST(MeshIO, SavedMeshLoadsBackEqual) {
  const Mesh original = FullMesh();
  Mesh loaded;
  std::string error;
  ASSERT_EQ(LoadMesh(SaveMesh(original), &loaded, &error), IO_OK) << error;
  EXPECT_TRUE(loaded == original);
  EXPECT_EQ(loaded.faces()[1].getMatID(), 0xFFFF);
  EXPECT_TRUE(loaded.mapSupport(7));
  EXPECT_FALSE(loaded.mapSupport(6));
  EXPECT_TRUE(loaded.faceSel()[1]);
}

TEST(MeshIO, EveryTruncationEitherFailsUntouchedOrGivesAConsistentMesh) {
  const std::vector<std::uint8_t> bytes = SaveMesh(FullMesh());
  int failures = 0;
  for (std::size_t n = CHUNK_HEADER_SIZE; n < bytes.size(); ++n) {
    // Cut the data and make the outer chunk claim just what is left, so the
    // cut lands inside the mesh's own chunks.
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    const std::uint32_t size = static_cast<std::uint32_t>(n) | CHUNK_CONTAINER_BIT;
    for (int i = 0; i < 4; ++i) cut[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    Mesh target = scenetest::Triangle();
    std::string error;
    if (LoadMesh(cut, &target, &error) == IO_ERROR) {
      ++failures;
      EXPECT_FALSE(error.empty()) << "length " << n;
      EXPECT_TRUE(target == scenetest::Triangle()) << "length " << n;
    } else {
      // A cut between chunks drops whole chunks: what loads is still sound.
      EXPECT_TRUE(target.checkIntegrity().empty()) << "length " << n << ": " << target.checkIntegrity();
    }
  }
  EXPECT_GT(failures, static_cast<int>(bytes.size()) / 2);
}

// Writes the chunks of a mesh by hand so each can be damaged on purpose.
struct RawMesh {
  std::vector<Point3> verts{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  std::vector<Face> faces{Face{{0, 1, 2}, 0, 0}};
  std::uint32_t vertCount = 3;  // as written, may lie
  std::uint32_t faceCount = 1;
  int mapChannel = -1;  // -1: no map chunk
  std::vector<Point3> mapVerts{{0, 0, 0}};
  std::vector<TVFace> mapFaces{TVFace{{0, 0, 0}}};
  bool duplicateMap = false;
  std::uint32_t edgeSelBits = 3;
  std::vector<float> alpha;  // empty: none
  std::size_t trailingBytes = 0;

  std::vector<std::uint8_t> Bytes() const {
    MemorySave out;
    out.BeginChunk(1);
    out.BeginChunk(0x0100);
    out.WriteValue(vertCount);
    out.Write(verts.data(), verts.size() * sizeof(Point3), nullptr);
    for (std::size_t i = 0; i < trailingBytes; ++i) out.WriteValue(std::uint8_t{0});
    out.EndChunk();
    out.BeginChunk(0x0110);
    out.WriteValue(faceCount);
    out.Write(faces.data(), faces.size() * sizeof(Face), nullptr);
    out.EndChunk();
    for (int k = 0; k < (duplicateMap ? 2 : (mapChannel >= 0 ? 1 : 0)); ++k) {
      out.BeginChunk(0x0120);
      out.WriteChunk(0x0121, static_cast<std::uint32_t>(mapChannel));
      out.BeginChunk(0x0122);
      out.WriteValue(static_cast<std::uint32_t>(mapVerts.size()));
      out.Write(mapVerts.data(), mapVerts.size() * sizeof(Point3), nullptr);
      out.EndChunk();
      out.BeginChunk(0x0123);
      out.WriteValue(static_cast<std::uint32_t>(mapFaces.size()));
      out.Write(mapFaces.data(), mapFaces.size() * sizeof(TVFace), nullptr);
      out.EndChunk();
      out.EndChunk();
    }
    if (!alpha.empty()) {
      out.BeginChunk(0x0130);
      out.WriteValue(std::uint32_t{2});
      out.WriteValue(static_cast<std::uint32_t>(alpha.size()));
      out.Write(alpha.data(), alpha.size() * sizeof(float), nullptr);
      out.EndChunk();
    }
    out.BeginChunk(0x0141);
    out.WriteValue(edgeSelBits);
    out.WriteValue(std::uint8_t{0});
    out.EndChunk();
    out.EndChunk();
    return out.TakeBytes();
  }
};

TEST(MeshIO, DamagedCountsAndIndicesFailCleanlyWithTheirOwnMessage) {
  struct Case {
    const char* what;
    void (*damage)(RawMesh&);
    const char* message;
  } cases[] = {
      {"vertex count beyond the chunk", [](RawMesh& r) { r.vertCount = 0x40000000; }, "does not fit"},
      {"face count beyond the chunk", [](RawMesh& r) { r.faceCount = 2; }, "does not fit"},
      {"bytes after the vertices", [](RawMesh& r) { r.trailingBytes = 4; }, "more than its count"},
      {"face index past the vertices", [](RawMesh& r) { r.faces[0].v[2] = 3; }, "uses vertex 3 of 3"},
      {"map channel out of range", [](RawMesh& r) { r.mapChannel = MAX_MESHMAPS; }, "out of range"},
      {"map channel given twice", [](RawMesh& r) { r.mapChannel = 1; r.duplicateMap = true; }, "given twice"},
      {"map faces fewer than faces", [](RawMesh& r) { r.mapChannel = 1; r.mapFaces.clear(); }, "0 faces for 1"},
      {"map face index past its vertices",
       [](RawMesh& r) { r.mapChannel = 1; r.mapFaces[0].t[1] = 1; }, "uses map vertex 1 of 1"},
      {"vertex not finite", [](RawMesh& r) { r.verts[1].y = std::numeric_limits<float>::infinity(); }, "not finite"},
      {"map vertex not finite",
       [](RawMesh& r) { r.mapChannel = 1; r.mapVerts[0].x = std::numeric_limits<float>::quiet_NaN(); }, "not finite"},
      {"vertex alpha for another vertex count", [](RawMesh& r) { r.alpha = {1.0f, 0.5f}; }, "2 values for 3"},
      {"edge selection of another size", [](RawMesh& r) { r.edgeSelBits = 6; }, "edge selection"},
  };
  {
    Mesh ok;
    std::string error;
    ASSERT_EQ(LoadMesh(RawMesh().Bytes(), &ok, &error), IO_OK) << "the undamaged mesh must load: " << error;
    EXPECT_EQ(ok.getNumFaces(), 1);
  }
  for (const Case& c : cases) {
    RawMesh raw;
    c.damage(raw);
    Mesh target = FullMesh();
    std::string error;
    EXPECT_EQ(LoadMesh(raw.Bytes(), &target, &error), IO_ERROR) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    EXPECT_TRUE(target == FullMesh()) << c.what;
  }
}

TEST(TriObject, RenderMeshIsItsOwnUnlessGeneratedMappingIsNeeded) {
  struct NullView : View {
    Point2 ViewToScreen(const Point3& p) override { return {p.x, p.y}; }
  } view;
  TriObject* obj = new TriObject(FullMesh());
  RefHolder hold(obj);
  bool needDelete = true;
  EXPECT_EQ(obj->GetRenderMesh(0, nullptr, view, needDelete), &obj->mesh);
  EXPECT_FALSE(needDelete);

  obj->mesh.setMapSupport(1, false);
  EXPECT_FALSE(obj->HasUVW());
  obj->SetGenUVW(true);
  Mesh* mapped = obj->GetRenderMesh(0, nullptr, view, needDelete);
  ASSERT_TRUE(needDelete);
  ASSERT_TRUE(mapped->mapSupport(1));
  // Planar over the box: the far corner of the xy extent maps to (1, 1).
  EXPECT_EQ(mapped->mapVerts(1)[2], Point3(1, 1, 0));
  EXPECT_EQ(mapped->mapVerts(1)[0], Point3(0, 0, 0));
  EXPECT_EQ(mapped->mapFaces(1)[1].t[2], 3u);
  EXPECT_TRUE(mapped->checkIntegrity().empty());
  EXPECT_FALSE(obj->mesh.mapSupport(1));  // the object itself is untouched
  delete mapped;
}

}  // namespace
