#include "library/pw_object.h"

#include "host/params/paramblock.h"
#include "host/params/paramblock_legacy.h"
#include "plugin/class_table.h"

namespace pw {

namespace {

// Visits the parameter blocks that belong to one art material: everything it
// reaches through references, except other art materials (a style refers to
// brushes and paints it does not own) and what lies below them.
template <class Fn>
class OwnBlocksProc : public host::RefEnumProc {
 public:
  OwnBlocksProc(const PwObject* self, Fn fn) : self_(self), fn_(std::move(fn)) {}

  int proc(host::ReferenceMaker* maker) override {
    if (maker != self_ && dynamic_cast<PwObject*>(maker)) return host::REF_ENUM_SKIP;
    if (auto* pb2 = dynamic_cast<host::IParamBlock2*>(maker)) return fn_(pb2) ? host::REF_ENUM_HALT : host::REF_ENUM_CONTINUE;
    if (auto* pb = dynamic_cast<host::IParamBlock*>(maker)) return fn_(pb) ? host::REF_ENUM_HALT : host::REF_ENUM_CONTINUE;
    return host::REF_ENUM_CONTINUE;
  }

 private:
  const PwObject* self_;
  Fn fn_;
};

template <class Fn>
void ForOwnBlocks(PwObject& self, Fn fn) {
  OwnBlocksProc<Fn> proc(&self, std::move(fn));
  self.EnumRefHierarchy(proc);
}

bool BlockIsAnimated(const host::IParamBlock2* pb) {
  for (int i = 0; i < pb->NumParams(); ++i)
    if (pb->IsAnimated(pb->IndexToId(i))) return true;
  return false;
}

bool BlockIsAnimated(const host::IParamBlock* pb) {
  for (int i = 0; i < pb->NumParams(); ++i)
    if (pb->IsAnimated(i)) return true;
  return false;
}

}  // namespace

void PwObject::NotifyChanged(host::TimeValue /*t*/) {
  NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_CHANGE);
}

void PwObject::SetName(const std::string& name) {
  name_ = name;
  NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_NODE_NAMECHANGE);
}

void PwObject::ResetToDefaults(bool removeAnimation) {
  if (!removeAnimation) return;
  ForOwnBlocks(*this, [](auto* pb) {
    pb->RemoveAllAnimation(0);
    return false;
  });
}

bool PwObject::IsAnimated() {
  bool animated = false;
  ForOwnBlocks(*this, [&animated](auto* pb) {
    animated = BlockIsAnimated(pb);
    return animated;
  });
  return animated;
}

std::string PwObject::DisplayClassName() const {
  if (const PluginClassDesc* desc = FindPluginClass(ClassID())) return desc->DisplayName();
  return GetClassName();
}

void PwObject::CloneBaseInto(PwObject& to, host::RemapDir& remap) {
  to.name_ = name_;
  to.origin_ = origin_;
  to.number_ = number_;
  to.ReplaceReference(PARAMBLOCK_REF, remap.CloneRef(paramBlock_));
}

host::IOResult PwObject::Save(host::ISave* isave) {
  host::IOResult r = ReferenceTarget::Save(isave);
  if (r != host::IO_OK) return r;
  if ((r = isave->WriteChunk(PW_OBJECT_CHUNK_VERSION, PW_OBJECT_VERSION)) != host::IO_OK) return r;
  if ((r = isave->WriteStringChunk(PW_OBJECT_CHUNK_NAME, name_)) != host::IO_OK) return r;
  if ((r = isave->WriteChunk(PW_OBJECT_CHUNK_ORIGIN, static_cast<std::int32_t>(origin_))) != host::IO_OK) return r;
  if ((r = isave->WriteChunk(PW_OBJECT_CHUNK_NUMBER, static_cast<std::int32_t>(number_))) != host::IO_OK) return r;
  const int extra = NumExtraSaveChunks();
  for (int i = 0; i < extra; ++i)
    if ((r = SaveExtraChunk(isave, i)) != host::IO_OK) return r;
  return host::IO_OK;
}

host::IOResult PwObject::Load(host::ILoad* iload) {
  BeforeLoad();
  host::IOResult r = ReferenceTarget::Load(iload);
  if (r != host::IO_OK) return r;
  std::uint16_t version = PW_OBJECT_VERSION;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    const std::uint16_t id = iload->CurChunkID();
    switch (id) {
      case PW_OBJECT_CHUNK_VERSION:
        r = iload->ReadValue(&version);
        break;
      case PW_OBJECT_CHUNK_NAME:
        r = iload->ReadCStringChunk(&name_);
        break;
      case PW_OBJECT_CHUNK_ORIGIN: {
        std::int32_t v = 0;
        if ((r = iload->ReadValue(&v)) == host::IO_OK) origin_ = v;
        break;
      }
      case PW_OBJECT_CHUNK_NUMBER: {
        std::int32_t v = 0;
        if ((r = iload->ReadValue(&v)) == host::IO_OK) number_ = v;
        break;
      }
      default:
        r = LoadExtraChunk(iload, id);
        break;
    }
    if (r != host::IO_OK) return r;
    if ((r = iload->CloseChunk()) != host::IO_OK) return r;
  }
  if (r == host::IO_ERROR) return r;
  // Files of the first format carried no meaningful origin or number: what
  // they hold are the user's own materials, whatever the chunks say.
  if (version == 1) {
    origin_ = PW_ORIGIN_USER;
    number_ = PW_NUMBER_NONE;
  }
  return host::IO_OK;
}

}  // namespace pw
