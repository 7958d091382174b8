#include "host/shading/mtl_multi.h"

namespace host {

namespace {

enum MultiMtlChunk : std::uint16_t {
  MULTI_COUNT = 0x0100,      // u32 slot count
  MULTI_SLOT_NAME = 0x0101,  // container: 0x0102 u32 slot, 0x0103 name
  MULTI_SLOT_INDEX = 0x0102,
  MULTI_SLOT_TEXT = 0x0103,
};

const Color kEmptySlotColor{0.5f, 0.5f, 0.5f};

}  // namespace

MultiMtl::MultiMtl(int numSlots) { SetNumSubMtls(numSlots); }

Mtl* MultiMtl::GetSubMtl(int i) {
  return i >= 0 && i < NumSubMtls() ? dynamic_cast<Mtl*>(slots_[i].mtl) : nullptr;
}

bool MultiMtl::SetSubMtl(int i, Mtl* m) {
  if (i < 0 || i >= NumSubMtls()) return false;
  ReplaceReference(i, m);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  return true;
}

std::string MultiMtl::GetSubMtlSlotName(int i) { return i >= 0 && i < NumSubMtls() ? slots_[i].name : ""; }

bool MultiMtl::SetNumSubMtls(int n) {
  if (n < 0 || n > kMaxSlots) return false;
  for (int i = NumSubMtls() - 1; i >= n; --i) ReplaceReference(i, nullptr);
  slots_.resize(n);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
  return true;
}

int MultiMtl::AddSubMtl(Mtl* m, std::string name) {
  const int i = NumSubMtls();
  if (!SetNumSubMtls(i + 1)) return -1;
  ReplaceReference(i, m);
  slots_[i].name = std::move(name);
  return i;
}

Mtl* MultiMtl::SubMtlFor(int mtlNum) {
  const int n = NumSubMtls();
  if (n == 0) return nullptr;
  const int i = mtlNum >= 0 ? mtlNum % n : 0;
  return GetSubMtl(i);
}

Color MultiMtl::GetAmbient(int mtlNum, bool backFace) {
  Mtl* sub = SubMtlFor(mtlNum);
  return sub ? sub->GetAmbient(mtlNum, backFace) : kEmptySlotColor;
}
Color MultiMtl::GetDiffuse(int mtlNum, bool backFace) {
  Mtl* sub = SubMtlFor(mtlNum);
  return sub ? sub->GetDiffuse(mtlNum, backFace) : kEmptySlotColor;
}
Color MultiMtl::GetSpecular(int mtlNum, bool backFace) {
  Mtl* sub = SubMtlFor(mtlNum);
  return sub ? sub->GetSpecular(mtlNum, backFace) : Color();
}
float MultiMtl::GetShininess(int mtlNum, bool backFace) {
  Mtl* sub = SubMtlFor(mtlNum);
  return sub ? sub->GetShininess(mtlNum, backFace) : 0.0f;
}
float MultiMtl::GetShinStr(int mtlNum, bool backFace) {
  Mtl* sub = SubMtlFor(mtlNum);
  return sub ? sub->GetShinStr(mtlNum, backFace) : 0.0f;
}
float MultiMtl::GetXParency(int mtlNum, bool backFace) {
  Mtl* sub = SubMtlFor(mtlNum);
  return sub ? sub->GetXParency(mtlNum, backFace) : 0.0f;
}
float MultiMtl::WireSize(int mtlNum, bool backFace) {
  Mtl* sub = SubMtlFor(mtlNum);
  return sub ? sub->WireSize(mtlNum, backFace) : 1.0f;
}

void MultiMtl::SetAmbient(const Color& c, TimeValue t) {
  for (int i = 0; i < NumSubMtls(); ++i)
    if (Mtl* sub = GetSubMtl(i)) sub->SetAmbient(c, t);
}
void MultiMtl::SetDiffuse(const Color& c, TimeValue t) {
  for (int i = 0; i < NumSubMtls(); ++i)
    if (Mtl* sub = GetSubMtl(i)) sub->SetDiffuse(c, t);
}
void MultiMtl::SetSpecular(const Color& c, TimeValue t) {
  for (int i = 0; i < NumSubMtls(); ++i)
    if (Mtl* sub = GetSubMtl(i)) sub->SetSpecular(c, t);
}
void MultiMtl::SetShininess(float v, TimeValue t) {
  for (int i = 0; i < NumSubMtls(); ++i)
    if (Mtl* sub = GetSubMtl(i)) sub->SetShininess(v, t);
}

void MultiMtl::Update(TimeValue t, Interval& valid) {
  for (int i = 0; i < NumSubMtls(); ++i)
    if (Mtl* sub = GetSubMtl(i)) sub->Update(t, valid);
}

std::uint32_t MultiMtl::Requirements(int subMtlNum) {
  if (subMtlNum >= 0) {
    Mtl* sub = SubMtlFor(subMtlNum);
    return sub ? sub->Requirements(subMtlNum) : 0u;
  }
  std::uint32_t req = 0;
  for (int i = 0; i < NumSubMtls(); ++i)
    if (Mtl* sub = GetSubMtl(i)) req |= sub->Requirements(-1);
  return req;
}

void MultiMtl::MappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq) {
  if (subMtlNum >= 0) {
    if (Mtl* sub = SubMtlFor(subMtlNum)) sub->MappingsRequired(subMtlNum, mapreq, bumpreq);
    return;
  }
  for (int i = 0; i < NumSubMtls(); ++i)
    if (Mtl* sub = GetSubMtl(i)) sub->MappingsRequired(-1, mapreq, bumpreq);
}

void MultiMtl::Shade(ShadeContext& sc) {
  if (Mtl* sub = SubMtlFor(sc.mtlNum))
    sub->Shade(sc);
  else
    Mtl::Shade(sc);
}

ReferenceTarget* MultiMtl::GetReference(int i) { return i >= 0 && i < NumSubMtls() ? slots_[i].mtl : nullptr; }

void MultiMtl::SetReference(int i, ReferenceTarget* target) {
  if (i >= 0 && i < NumSubMtls()) slots_[i].mtl = target;
}

ReferenceTarget* MultiMtl::Clone(RemapDir& remap) {
  auto* copy = new MultiMtl(NumSubMtls());
  copy->CopyMtlBase(*this);
  for (int i = 0; i < NumSubMtls(); ++i) {
    copy->ReplaceReference(i, remap.CloneRef(slots_[i].mtl));
    copy->slots_[i].name = slots_[i].name;
  }
  return copy;
}

IOResult MultiMtl::Save(ISave* isave) {
  SaveHeader(isave);
  isave->WriteChunk(MULTI_COUNT, static_cast<std::uint32_t>(slots_.size()));
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].name.empty()) continue;
    isave->BeginChunk(MULTI_SLOT_NAME);
    isave->WriteChunk(MULTI_SLOT_INDEX, static_cast<std::uint32_t>(i));
    isave->WriteStringChunk(MULTI_SLOT_TEXT, slots_[i].name);
    isave->EndChunk();
  }
  return IO_OK;
}

IOResult MultiMtl::Load(ILoad* iload) {
  std::vector<std::pair<std::uint32_t, std::string>> names;
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    switch (iload->CurChunkID()) {
      case MTL_HDR_CHUNK:
        if (LoadHeader(iload) != IO_OK) return IO_ERROR;
        break;
      case MULTI_COUNT: {
        std::uint32_t n = 0;
        if (iload->ReadValue(&n) != IO_OK) return IO_ERROR;
        if (n > static_cast<std::uint32_t>(kMaxSlots)) {
          iload->SetError("multi-material: " + std::to_string(n) + " slots, more than material ids can select");
          return IO_ERROR;
        }
        slots_.assign(n, Slot());  // the scene file fills the materials in
        break;
      }
      case MULTI_SLOT_NAME: {
        std::uint32_t index = 0;
        std::string name;
        IOResult sr;
        while ((sr = iload->OpenChunk()) == IO_OK) {
          if (iload->CurChunkID() == MULTI_SLOT_INDEX && iload->ReadValue(&index) != IO_OK) return IO_ERROR;
          if (iload->CurChunkID() == MULTI_SLOT_TEXT && iload->ReadCStringChunk(&name) != IO_OK) return IO_ERROR;
          if (iload->CloseChunk() != IO_OK) return IO_ERROR;
        }
        if (sr == IO_ERROR) return IO_ERROR;
        names.emplace_back(index, std::move(name));
        break;
      }
      default:
        break;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  if (r == IO_ERROR) return IO_ERROR;
  for (auto& [index, name] : names) {
    if (index >= slots_.size()) {
      iload->SetError("multi-material: a name for slot " + std::to_string(index) + " of " +
                      std::to_string(slots_.size()));
      return IO_ERROR;
    }
    slots_[index].name = std::move(name);
  }
  return IO_OK;
}

}  // namespace host
