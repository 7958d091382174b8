// Triangle meshes: parallel flat arrays addressed by 32-bit indices.
//
// A mesh holds vertices and faces, and optionally
// - map channels 0..99, each with its own vertices and one map face per face
//   (channel 1 is the usual texture coordinates, channel 0 vertex colours);
// - vertex-data channels 0..99, one float per vertex (channel 2 is vertex
//   alpha, which also carries the painted line thickness);
// - vertex, edge (3 bits per face) and face selections.
// Resizing the vertices or faces resizes everything that is per vertex or
// per face, so the arrays always agree in length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/core/bitarray.h"
#include "host/core/box3.h"
#include "host/io/chunk_io.h"
#include "host/core/matrix3.h"
#include "host/core/point.h"

namespace host {

using MtlID = std::uint16_t;

inline constexpr int MAX_VERTEX_DATA = 100;
inline constexpr int VDATA_SELECT = 0;
inline constexpr int VDATA_WEIGHT = 1;
inline constexpr int VDATA_ALPHA = 2;  // also the painted thickness scale

// Face flag bits. Edge e runs from v[e] to v[(e + 1) % 3]; a visible edge is
// one the modeller drew (polygon diagonals are invisible).
inline constexpr std::uint32_t EDGE_A = 1u;
inline constexpr std::uint32_t EDGE_B = 2u;
inline constexpr std::uint32_t EDGE_C = 4u;
inline constexpr std::uint32_t EDGE_ALL = EDGE_A | EDGE_B | EDGE_C;
inline constexpr int FACE_MATID_SHIFT = 16;
inline constexpr std::uint32_t FACE_MATID_MASK = 0xFFFF0000u;

struct Face {
  std::uint32_t v[3] = {0, 0, 0};
  std::uint32_t smGroup = 0;  // smoothing group bits
  std::uint32_t flags = 0;    // edge visibility (low bits), material id (high 16 bits)

  void setVerts(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    v[0] = a;
    v[1] = b;
    v[2] = c;
  }
  void setSmGroup(std::uint32_t g) { smGroup = g; }
  MtlID getMatID() const { return static_cast<MtlID>(flags >> FACE_MATID_SHIFT); }
  void setMatID(MtlID id) { flags = (flags & ~FACE_MATID_MASK) | (std::uint32_t{id} << FACE_MATID_SHIFT); }
  bool getEdgeVis(int edge) const { return (flags & (EDGE_A << edge)) != 0; }
  void setEdgeVis(int edge, bool visible) {
    if (visible)
      flags |= EDGE_A << edge;
    else
      flags &= ~(EDGE_A << edge);
  }
  void setEdgeVisFlags(bool a, bool b, bool c) {
    flags = (flags & ~EDGE_ALL) | (a ? EDGE_A : 0u) | (b ? EDGE_B : 0u) | (c ? EDGE_C : 0u);
  }
  friend bool operator==(const Face&, const Face&) = default;
};
static_assert(sizeof(Face) == 20, "faces are copied and saved as raw records");

// A face of a map channel: indices into the channel's own vertices.
struct TVFace {
  std::uint32_t t[3] = {0, 0, 0};

  void setTVerts(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    t[0] = a;
    t[1] = b;
    t[2] = c;
  }
  friend bool operator==(const TVFace&, const TVFace&) = default;
};
static_assert(sizeof(TVFace) == 12, "map faces are saved as raw records");

class Mesh {
 public:
  // ---- Vertices and faces -------------------------------------------------
  // Resizing answers false (the mesh unchanged) for negative counts or when
  // memory runs out. Without keep the contents are cleared.
  int getNumVerts() const { return static_cast<int>(verts_.size()); }
  bool setNumVerts(int n, bool keep = false);
  int getNumFaces() const { return static_cast<int>(faces_.size()); }
  bool setNumFaces(int n, bool keep = false);

  std::span<Point3> verts() { return verts_; }
  std::span<const Point3> verts() const { return verts_; }
  const Point3& getVert(int i) const { return verts_[i]; }
  void setVert(int i, const Point3& p) { verts_[i] = p; }
  std::span<Face> faces() { return faces_; }
  std::span<const Face> faces() const { return faces_; }

  // Unit normal of face f from its vertices (zero for a degenerate face).
  Point3 getFaceNormal(int f) const;
  // Of the vertices, transformed by tm when given; empty for no vertices.
  Box3 getBoundingBox(const Matrix3* tm = nullptr) const;

  // ---- Map channels (0..MAX_MESHMAPS-1) -----------------------------------
  bool mapSupport(int ch) const;
  // Turning a channel on gives it one zeroed map face per face and no map
  // vertices; turning it off frees it. False for a channel out of range.
  bool setMapSupport(int ch, bool support = true);
  // Empty answers for channels that are off.
  int getNumMapVerts(int ch) const;
  bool setNumMapVerts(int ch, int n, bool keep = false);
  std::span<Point3> mapVerts(int ch);
  std::span<const Point3> mapVerts(int ch) const;
  std::span<TVFace> mapFaces(int ch);
  std::span<const TVFace> mapFaces(int ch) const;
  // One past the highest channel that is on (0 when none is).
  int getNumMaps() const;

  // ---- Vertex-data channels (0..MAX_VERTEX_DATA-1) -------------------------
  bool vDataSupport(int ch) const;
  // Turning a channel on fills it with its default (1 for vertex alpha,
  // else 0); turning it off frees it.
  bool setVDataSupport(int ch, bool support = true);
  std::span<float> vertexFloat(int ch);  // empty when the channel is off
  std::span<const float> vertexFloat(int ch) const;
  static float vDataDefault(int ch) { return ch == VDATA_ALPHA ? 1.0f : 0.0f; }

  // ---- Selections -----------------------------------------------------------
  // Sized with the mesh: one bit per vertex, 3 per face (bit 3f + e for edge
  // e of face f), one per face.
  BitArray& vertSel() { return vertSel_; }
  const BitArray& vertSel() const { return vertSel_; }
  BitArray& edgeSel() { return edgeSel_; }
  const BitArray& edgeSel() const { return edgeSel_; }
  BitArray& faceSel() { return faceSel_; }
  const BitArray& faceSel() const { return faceSel_; }

  // Empties the mesh.
  void clear() { *this = Mesh(); }

  // ---- Consistency and persistence -----------------------------------------
  // "" when every index lies in range and every array has its length, else
  // the first problem found.
  std::string checkIntegrity() const;

  // Writes the mesh as sub-chunks of the caller's open chunk (counts followed
  // by raw little-endian arrays).
  IOResult Save(ISave& isave) const;
  // Reads the sub-chunks of the caller's open chunk. Counts are checked
  // against the bytes their chunk holds and every index against its array;
  // on failure the reason goes to iload.SetError and the mesh is unchanged.
  IOResult Load(ILoad& iload);

  friend bool operator==(const Mesh& a, const Mesh& b);

 private:
  struct MapChannel {
    bool on = false;
    std::vector<Point3> verts;
    std::vector<TVFace> faces;
    friend bool operator==(const MapChannel&, const MapChannel&) = default;
  };
  struct VDataChannel {
    bool on = false;
    std::vector<float> values;
    friend bool operator==(const VDataChannel&, const VDataChannel&) = default;
  };
  const MapChannel* Map(int ch) const;
  MapChannel* Map(int ch) { return const_cast<MapChannel*>(static_cast<const Mesh*>(this)->Map(ch)); }
  const VDataChannel* VData(int ch) const;
  VDataChannel* VData(int ch) { return const_cast<VDataChannel*>(static_cast<const Mesh*>(this)->VData(ch)); }

  friend class MeshReader;

  std::vector<Point3> verts_;
  std::vector<Face> faces_;
  std::vector<MapChannel> maps_;    // grows to the highest channel turned on
  std::vector<VDataChannel> vData_; // likewise
  BitArray vertSel_;
  BitArray edgeSel_;
  BitArray faceSel_;
};

}  // namespace host
