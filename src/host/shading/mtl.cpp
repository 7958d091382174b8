#include "host/shading/mtl.h"

#include "host/shading/texmap.h"

namespace host {

namespace {

enum MtlBaseChunk : std::uint16_t {
  MTL_NAME = 0x4001,
};

}  // namespace

void MtlBase::SetName(std::string name) {
  name_ = std::move(name);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_NAMECHANGE);
}

std::uint32_t MtlBase::Requirements(int subMtlNum) {
  std::uint32_t req = 0;
  for (int i = 0; i < NumSubTexmaps(); ++i)
    if (Texmap* map = GetSubTexmap(i); map && SubTexmapOn(i)) req |= map->Requirements(subMtlNum);
  return req;
}

void MtlBase::MappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq) {
  for (int i = 0; i < NumSubTexmaps(); ++i)
    if (Texmap* map = GetSubTexmap(i); map && SubTexmapOn(i)) map->MappingsRequired(subMtlNum, mapreq, bumpreq);
}

IOResult MtlBase::SaveHeader(ISave* isave) {
  isave->BeginChunk(MTL_HDR_CHUNK);
  isave->WriteStringChunk(MTL_NAME, name_);
  isave->EndChunk();
  return IO_OK;
}

IOResult MtlBase::LoadHeader(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    if (iload->CurChunkID() == MTL_NAME && iload->ReadCStringChunk(&name_) != IO_OK) return IO_ERROR;
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  return r == IO_ERROR ? IO_ERROR : IO_OK;
}

void Mtl::Shade(ShadeContext& sc) {
  const float xp = GetXParency(sc.mtlNum, sc.backFace);
  sc.out.c = GetDiffuse(sc.mtlNum, sc.backFace) * (1.0f - xp);
  sc.out.t = Color(xp, xp, xp);
}

// ---- Texmap -------------------------------------------------------------------

float Texmap::EvalMono(ShadeContext& sc) { return Intens(EvalColor(sc)); }

std::uint32_t Texmap::Requirements(int subMtlNum) {
  std::uint32_t req = MtlBase::Requirements(subMtlNum);
  if (GetUVWSource() == UVWSRC_EXPLICIT) req |= GetMapChannel() == 0 ? MTLREQ_UV2 : MTLREQ_UV;
  return req;
}

void Texmap::MappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq) {
  if (GetUVWSource() == UVWSRC_EXPLICIT) {
    const int ch = GetMapChannel();
    if (ch >= 0 && ch >= mapreq.GetSize()) mapreq.SetSize(ch + 1, true);
    mapreq.Set(ch);
  }
  MtlBase::MappingsRequired(subMtlNum, mapreq, bumpreq);
}

}  // namespace host
