// Mesh persistence. Layout, as sub-chunks of the owner's chunk:
//   0x0100 vertices: u32 n, n × 3 f32
//   0x0110 faces: u32 n, n × (3 u32 vertex indices, u32 smoothing group, u32 flags)
//   0x0120 map channel (container): 0x0121 u32 channel,
//          0x0122 u32 n, n × 3 f32 map vertices, 0x0123 u32 n, n × 3 u32 map faces
//   0x0130 vertex data: u32 channel, u32 n, n × f32
//   0x0140 / 0x0141 / 0x0142 vertex / edge / face selection: u32 bit count, the bits
//          packed eight to a byte, lowest bit first
// Rules checked on reading, each with its own message:
//   1. a chunk appears at most once (map and vertex-data chunks once per channel);
//   2. a count fits the bytes left in its chunk, and the chunk holds exactly that;
//   3. channels lie within 0..99;
//   4. positions and map coordinates are finite;
//   5. indices lie within their arrays and per-face or per-vertex arrays have the
//      mesh's length (Mesh::checkIntegrity).
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>

#include "host/scene/mesh.h"

namespace host {

static_assert(std::endian::native == std::endian::little, "mesh arrays are written as raw little-endian data");

namespace {

enum MeshChunk : std::uint16_t {
  MESH_VERTS = 0x0100,
  MESH_FACES = 0x0110,
  MESH_MAP = 0x0120,
  MESH_MAP_CHANNEL = 0x0121,
  MESH_MAP_VERTS = 0x0122,
  MESH_MAP_FACES = 0x0123,
  MESH_VDATA = 0x0130,
  MESH_VERTSEL = 0x0140,
  MESH_EDGESEL = 0x0141,
  MESH_FACESEL = 0x0142,
};

template <class T>
void WriteArray(ISave& isave, std::uint16_t id, std::span<const T> items) {
  isave.BeginChunk(id);
  isave.WriteValue(static_cast<std::uint32_t>(items.size()));
  if (!items.empty()) isave.Write(items.data(), items.size_bytes(), nullptr);
  isave.EndChunk();
}

void WriteBits(ISave& isave, std::uint16_t id, const BitArray& bits) {
  std::vector<std::uint8_t> packed((static_cast<std::size_t>(bits.GetSize()) + 7) / 8, 0);
  for (int i = 0; i < bits.GetSize(); ++i)
    if (bits[i]) packed[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
  isave.BeginChunk(id);
  isave.WriteValue(static_cast<std::uint32_t>(bits.GetSize()));
  if (!packed.empty()) isave.Write(packed.data(), packed.size(), nullptr);
  isave.EndChunk();
}

bool AllFinite(std::span<const Point3> points, std::size_t* bad) {
  for (std::size_t i = 0; i < points.size(); ++i)
    if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y) || !std::isfinite(points[i].z)) {
      *bad = i;
      return false;
    }
  return true;
}

}  // namespace

// Reads into a fresh mesh so that a failure leaves the target untouched.
class MeshReader {
 public:
  explicit MeshReader(ILoad& iload) : in_(iload) {}

  IOResult Run(Mesh* target) {
    try {
      if (!ReadChunks() || !Finish()) return IO_ERROR;
    } catch (const std::exception&) {
      Fail("out of memory");
      return IO_ERROR;
    }
    *target = std::move(mesh_);
    return IO_OK;
  }

 private:
  bool Fail(const std::string& why) {
    in_.SetError("mesh: " + why);
    return false;
  }

  // Rule 2: a u32 count of records of `size` bytes that fills the rest of the chunk.
  bool ReadCount(std::size_t size, const char* what, std::size_t* n) {
    std::uint32_t count = 0;
    if (in_.ReadValue(&count) != IO_OK) return Fail(std::string(what) + ": the count is missing");
    const std::size_t left = in_.CurChunkRemaining();
    if (count > left / size || count > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
      return Fail(std::string(what) + ": count " + std::to_string(count) + " does not fit in its chunk (" +
                  std::to_string(left) + " bytes)");
    if (left != count * size)
      return Fail(std::string(what) + ": the chunk holds " + std::to_string(left - count * size) +
                  " bytes more than its count says");
    *n = count;
    return true;
  }

  template <class T>
  bool ReadArray(const char* what, std::vector<T>* out) {
    std::size_t n = 0;
    if (!ReadCount(sizeof(T), what, &n)) return false;
    out->resize(n);
    return n == 0 || in_.Read(out->data(), n * sizeof(T), nullptr) == IO_OK || Fail(std::string(what) + ": short");
  }

  bool ReadBits(const char* what, BitArray* bits, bool* seen) {
    if (*seen) return Fail(std::string("two ") + what + " chunks");
    *seen = true;
    std::uint32_t count = 0;
    if (in_.ReadValue(&count) != IO_OK) return Fail(std::string(what) + ": the bit count is missing");
    const std::size_t bytes = (static_cast<std::size_t>(count) + 7) / 8;
    if (bytes != in_.CurChunkRemaining() || count > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
      return Fail(std::string(what) + ": " + std::to_string(count) + " bits do not match the chunk's " +
                  std::to_string(in_.CurChunkRemaining()) + " bytes");
    std::vector<std::uint8_t> packed(bytes);
    if (bytes && in_.Read(packed.data(), bytes, nullptr) != IO_OK) return Fail(std::string(what) + ": short");
    bits->SetSize(static_cast<int>(count));
    for (std::uint32_t i = 0; i < count; ++i)
      if (packed[i / 8] & (1u << (i % 8))) bits->Set(static_cast<int>(i));
    return true;
  }

  bool ReadMapChannel() {
    bool haveChannel = false, haveVerts = false, haveFaces = false;
    std::uint32_t ch = 0;
    std::vector<Point3> verts;
    std::vector<TVFace> faces;
    IOResult r;
    while ((r = in_.OpenChunk()) == IO_OK) {
      bool ok = true;
      switch (in_.CurChunkID()) {
        case MESH_MAP_CHANNEL:
          ok = !haveChannel && in_.ReadValue(&ch) == IO_OK;
          haveChannel = true;
          if (!ok) return Fail("map channel number unreadable or given twice");
          break;
        case MESH_MAP_VERTS:
          if (haveVerts) return Fail("two map vertex chunks in one channel");
          haveVerts = true;
          ok = ReadArray("map vertices", &verts);
          break;
        case MESH_MAP_FACES:
          if (haveFaces) return Fail("two map face chunks in one channel");
          haveFaces = true;
          ok = ReadArray("map faces", &faces);
          break;
        default:
          break;
      }
      if (!ok) return false;
      if (in_.CloseChunk() != IO_OK) return Fail(in_.Error());
    }
    if (r == IO_ERROR) return false;
    if (!haveChannel) return Fail("a map channel without its number");
    // Rule 3.
    if (ch >= static_cast<std::uint32_t>(MAX_MESHMAPS))
      return Fail("map channel " + std::to_string(ch) + " is out of range 0.." + std::to_string(MAX_MESHMAPS - 1));
    if (mesh_.mapSupport(static_cast<int>(ch))) return Fail("map channel " + std::to_string(ch) + " given twice");
    // Rule 4.
    std::size_t bad = 0;
    if (!AllFinite(verts, &bad))
      return Fail("map channel " + std::to_string(ch) + ": map vertex " + std::to_string(bad) + " is not finite");
    auto& map = mesh_.maps_;
    if (map.size() <= ch) map.resize(ch + 1);
    map[ch].on = true;
    map[ch].verts = std::move(verts);
    map[ch].faces = std::move(faces);
    return true;
  }

  bool ReadVData() {
    std::uint32_t ch = 0;
    if (in_.ReadValue(&ch) != IO_OK) return Fail("vertex data: the channel number is missing");
    if (ch >= static_cast<std::uint32_t>(MAX_VERTEX_DATA))
      return Fail("vertex data channel " + std::to_string(ch) + " is out of range 0.." +
                  std::to_string(MAX_VERTEX_DATA - 1));
    if (mesh_.vDataSupport(static_cast<int>(ch)))
      return Fail("vertex data channel " + std::to_string(ch) + " given twice");
    std::vector<float> values;
    if (!ReadArray("vertex data", &values)) return false;
    auto& vdata = mesh_.vData_;
    if (vdata.size() <= ch) vdata.resize(ch + 1);
    vdata[ch].on = true;
    vdata[ch].values = std::move(values);
    return true;
  }

  bool ReadChunks() {
    bool haveVerts = false, haveFaces = false;
    IOResult r;
    while ((r = in_.OpenChunk()) == IO_OK) {
      bool ok = true;
      switch (in_.CurChunkID()) {
        case MESH_VERTS:
          if (haveVerts) return Fail("two vertex chunks");
          haveVerts = true;
          ok = ReadArray("vertices", &mesh_.verts_);
          break;
        case MESH_FACES:
          if (haveFaces) return Fail("two face chunks");
          haveFaces = true;
          ok = ReadArray("faces", &mesh_.faces_);
          break;
        case MESH_MAP:
          ok = ReadMapChannel();
          break;
        case MESH_VDATA:
          ok = ReadVData();
          break;
        case MESH_VERTSEL:
          ok = ReadBits("vertex selection", &mesh_.vertSel_, &haveVertSel_);
          break;
        case MESH_EDGESEL:
          ok = ReadBits("edge selection", &mesh_.edgeSel_, &haveEdgeSel_);
          break;
        case MESH_FACESEL:
          ok = ReadBits("face selection", &mesh_.faceSel_, &haveFaceSel_);
          break;
        default:
          break;
      }
      if (!ok) return false;
      if (in_.CloseChunk() != IO_OK) return Fail(in_.Error());
    }
    return r != IO_ERROR;
  }

  bool Finish() {
    std::size_t bad = 0;
    if (!AllFinite(mesh_.verts_, &bad)) return Fail("vertex " + std::to_string(bad) + " is not finite");
    // Selections absent from the file are empty, sized to the mesh.
    if (!haveVertSel_) mesh_.vertSel_.SetSize(mesh_.getNumVerts());
    if (!haveEdgeSel_) mesh_.edgeSel_.SetSize(3 * mesh_.getNumFaces());
    if (!haveFaceSel_) mesh_.faceSel_.SetSize(mesh_.getNumFaces());
    const std::string problem = mesh_.checkIntegrity();
    return problem.empty() || Fail(problem);
  }

  ILoad& in_;
  Mesh mesh_;
  bool haveVertSel_ = false;
  bool haveEdgeSel_ = false;
  bool haveFaceSel_ = false;
};

IOResult Mesh::Save(ISave& isave) const {
  WriteArray<Point3>(isave, MESH_VERTS, verts_);
  WriteArray<Face>(isave, MESH_FACES, faces_);
  for (std::size_t ch = 0; ch < maps_.size(); ++ch) {
    if (!maps_[ch].on) continue;
    isave.BeginChunk(MESH_MAP);
    isave.WriteChunk(MESH_MAP_CHANNEL, static_cast<std::uint32_t>(ch));
    WriteArray<Point3>(isave, MESH_MAP_VERTS, maps_[ch].verts);
    WriteArray<TVFace>(isave, MESH_MAP_FACES, maps_[ch].faces);
    isave.EndChunk();
  }
  for (std::size_t ch = 0; ch < vData_.size(); ++ch) {
    if (!vData_[ch].on) continue;
    const std::vector<float>& values = vData_[ch].values;
    isave.BeginChunk(MESH_VDATA);
    isave.WriteValue(static_cast<std::uint32_t>(ch));
    isave.WriteValue(static_cast<std::uint32_t>(values.size()));
    if (!values.empty()) isave.Write(values.data(), values.size() * sizeof(float), nullptr);
    isave.EndChunk();
  }
  WriteBits(isave, MESH_VERTSEL, vertSel_);
  WriteBits(isave, MESH_EDGESEL, edgeSel_);
  WriteBits(isave, MESH_FACESEL, faceSel_);
  return IO_OK;
}

IOResult Mesh::Load(ILoad& iload) { return MeshReader(iload).Run(this); }

}  // namespace host
