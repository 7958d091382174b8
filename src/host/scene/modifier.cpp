#include "host/scene/modifier.h"

namespace host {

namespace {

enum ModifierChunk : std::uint16_t {
  MODIFIER_FLAGS = 0x4011,  // u32: bit 0 enabled, bit 1 enabled in render
  MODIFIER_NAME = 0x4012,
};

}  // namespace

ModContext::ModContext(const ModContext& other)
    : tm(other.tm), box(other.box), localData(other.localData ? other.localData->Clone() : nullptr) {}

void Modifier::SetEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void Modifier::SetEnabledInRender(bool on) {
  if (enabledInRender_ == on) return;
  enabledInRender_ = on;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

IOResult Modifier::SaveHeader(ISave* isave) {
  isave->BeginChunk(MODIFIER_HDR_CHUNK);
  const std::uint32_t flags = (enabled_ ? 1u : 0u) | (enabledInRender_ ? 2u : 0u);
  isave->WriteChunk(MODIFIER_FLAGS, flags);
  if (!name_.empty()) isave->WriteStringChunk(MODIFIER_NAME, name_);
  isave->EndChunk();
  return IO_OK;
}

IOResult Modifier::LoadHeader(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    switch (iload->CurChunkID()) {
      case MODIFIER_FLAGS: {
        std::uint32_t flags = 0;
        if (iload->ReadValue(&flags) != IO_OK) return IO_ERROR;
        enabled_ = (flags & 1u) != 0;
        enabledInRender_ = (flags & 2u) != 0;
        break;
      }
      case MODIFIER_NAME:
        if (iload->ReadCStringChunk(&name_) != IO_OK) return IO_ERROR;
        break;
      default:
        break;
    }
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  return r == IO_ERROR ? IO_ERROR : IO_OK;
}

IOResult Modifier::Load(ILoad* iload) {
  IOResult r;
  while ((r = iload->OpenChunk()) == IO_OK) {
    if (iload->CurChunkID() == MODIFIER_HDR_CHUNK && LoadHeader(iload) != IO_OK) return IO_ERROR;
    if (iload->CloseChunk() != IO_OK) return IO_ERROR;
  }
  return r == IO_ERROR ? IO_ERROR : IO_OK;
}

}  // namespace host
