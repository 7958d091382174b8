// Mesh Select. Chunks, after the modifier header:
//   0x0100 u32: bit 0 the edge selection is set, bit 1 the face selection
//   0x0101 / 0x0102 edge / face selection: u32 bit count, the bits packed
//          eight to a byte, lowest bit first
// Rules checked on reading, each with its own message:
//   1. a selection's bytes are exactly what its bit count needs;
//   2. a bit count is below 2^31.
// A failed read leaves the selections as they were.
#include "host/scene/modifier_select.h"

#include <limits>
#include <utility>
#include <vector>

#include "host/scene/object_tri.h"

namespace host {

namespace {

enum MeshSelectChunk : std::uint16_t {
  SELECT_LEVELS = 0x0100,
  SELECT_EDGES = 0x0101,
  SELECT_FACES = 0x0102,
};

constexpr std::uint32_t kSetsEdges = 1u;
constexpr std::uint32_t kSetsFaces = 2u;

IOResult WriteBits(ISave& isave, std::uint16_t id, const BitArray& bits) {
  std::vector<std::uint8_t> packed((static_cast<std::size_t>(bits.GetSize()) + 7) / 8, 0);
  for (int i = 0; i < bits.GetSize(); ++i)
    if (bits[i]) packed[static_cast<std::size_t>(i / 8)] |= static_cast<std::uint8_t>(1u << (i % 8));
  isave.BeginChunk(id);
  IOResult r = isave.WriteValue(static_cast<std::uint32_t>(bits.GetSize()));
  if (r == IO_OK && !packed.empty()) r = isave.Write(packed.data(), packed.size(), nullptr);
  isave.EndChunk();
  return r;
}

bool ReadBits(ILoad& iload, const char* what, BitArray* bits) {
  auto fail = [&iload, what](const std::string& why) {
    iload.SetError(std::string("mesh select: ") + what + ": " + why);
    return false;
  };
  std::uint32_t count = 0;
  if (iload.ReadValue(&count) != IO_OK) return fail("the bit count is missing");
  if (count > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
    return fail(std::to_string(count) + " bits are more than a selection holds");
  const std::size_t bytes = (static_cast<std::size_t>(count) + 7) / 8;
  if (bytes != iload.CurChunkRemaining())
    return fail(std::to_string(count) + " bits do not match the chunk's " + std::to_string(iload.CurChunkRemaining()) +
                " bytes");
  std::vector<std::uint8_t> packed(bytes);
  if (bytes && iload.Read(packed.data(), bytes, nullptr) != IO_OK) return fail("short");
  bits->SetSize(static_cast<int>(count));
  for (std::uint32_t i = 0; i < count; ++i)
    if (packed[i / 8] & (1u << (i % 8))) bits->Set(static_cast<int>(i));
  return true;
}

// dst = src, sized to n bits; assignment keeps dst's memory from frame to frame.
void CopySized(BitArray& dst, const BitArray& src, int n) {
  dst = src;
  dst.SetSize(n, true);
}

}  // namespace

void MeshSelectMod::SetEdgeSelection(BitArray edges) {
  edges_ = std::move(edges);
  setsEdges_ = true;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void MeshSelectMod::SetFaceSelection(BitArray faces) {
  faces_ = std::move(faces);
  setsFaces_ = true;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void MeshSelectMod::ClearEdgeSelection() {
  edges_ = BitArray();
  setsEdges_ = false;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void MeshSelectMod::ClearFaceSelection() {
  faces_ = BitArray();
  setsFaces_ = false;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void MeshSelectMod::ModifyObject(TimeValue, ModContext&, ObjectState& os, INode*) {
  auto* tri = dynamic_cast<TriObject*>(os.obj);
  if (!tri) return;
  Mesh& mesh = tri->mesh;
  if (setsEdges_) CopySized(mesh.edgeSel(), edges_, 3 * mesh.getNumFaces());
  if (setsFaces_) CopySized(mesh.faceSel(), faces_, mesh.getNumFaces());
}

ReferenceTarget* MeshSelectMod::Clone(RemapDir& remap) {
  auto* copy = new MeshSelectMod();
  remap.AddEntry(this, copy);
  copy->CopyModifierBase(*this);
  copy->setsEdges_ = setsEdges_;
  copy->setsFaces_ = setsFaces_;
  copy->edges_ = edges_;
  copy->faces_ = faces_;
  return copy;
}

IOResult MeshSelectMod::Save(ISave* isave) {
  IOResult r = SaveHeader(isave);
  if (r != IO_OK) return r;
  const std::uint32_t levels = (setsEdges_ ? kSetsEdges : 0u) | (setsFaces_ ? kSetsFaces : 0u);
  if ((r = isave->WriteChunk(SELECT_LEVELS, levels)) != IO_OK) return r;
  if (setsEdges_ && (r = WriteBits(*isave, SELECT_EDGES, edges_)) != IO_OK) return r;
  if (setsFaces_ && (r = WriteBits(*isave, SELECT_FACES, faces_)) != IO_OK) return r;
  return IO_OK;
}

IOResult MeshSelectMod::Load(ILoad* iload) {
  std::uint32_t levels = 0;
  BitArray edges, faces;
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    bool ok = true;
    switch (iload->CurChunkID()) {
      case MODIFIER_HDR_CHUNK:
        ok = LoadHeader(iload) == IO_OK;
        break;
      case SELECT_LEVELS:
        ok = iload->ReadValue(&levels) == IO_OK;
        break;
      case SELECT_EDGES:
        ok = ReadBits(*iload, "edge selection", &edges);
        break;
      case SELECT_FACES:
        ok = ReadBits(*iload, "face selection", &faces);
        break;
      default:
        break;
    }
    if (!ok || iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  setsEdges_ = (levels & kSetsEdges) != 0;
  setsFaces_ = (levels & kSetsFaces) != 0;
  edges_ = setsEdges_ ? std::move(edges) : BitArray();
  faces_ = setsFaces_ ? std::move(faces) : BitArray();
  return IO_OK;
}

}  // namespace host
