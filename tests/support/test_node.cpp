#include "support/test_node.h"

namespace pwtest {

namespace {
enum : std::uint16_t { kNameChunk = 1, kNumberChunk = 2, kRefCountChunk = 3 };
}

host::IOResult TestNode::Save(host::ISave* isave) {
  isave->WriteStringChunk(kNameChunk, name_);
  isave->WriteChunk<std::int32_t>(kNumberChunk, number);
  // The reference count travels with the data so the loader knows how many
  // slots to restore before references are linked.
  return isave->WriteChunk<std::int32_t>(kRefCountChunk, NumRefs());
}

host::IOResult TestNode::Load(host::ILoad* iload) {
  host::IOResult r;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    switch (iload->CurChunkID()) {
      case kNameChunk:
        r = iload->ReadCStringChunk(&name_);
        break;
      case kNumberChunk:
        r = iload->ReadValue(&number);
        break;
      case kRefCountChunk: {
        std::int32_t n = 0;
        r = iload->ReadValue(&n);
        if (r == host::IO_OK && (n < 0 || n > 1000)) {
          iload->SetError("bad reference count");
          r = host::IO_ERROR;
        }
        if (r == host::IO_OK) SetRefCount(n);
        break;
      }
    }
    iload->CloseChunk();
    if (r != host::IO_OK) return r;
  }
  return r == host::IO_END ? host::IO_OK : r;
}

host::ReferenceTarget* TestNode::Clone(host::RemapDir& remap) {
  auto* copy = new TestNode(name_, NumRefs());
  copy->number = number;
  remap.AddEntry(this, copy);
  for (int i = 0; i < NumRefs(); ++i) copy->ReplaceReference(i, remap.CloneRef(GetReference(i)));
  return copy;
}

}  // namespace pwtest
