#include "surfaces/gradient.h"

#include <algorithm>

#include "plugin/class_ids.h"
#include "surfaces/legacy_block.h"

namespace pw {

PwGradient::PwGradient(bool loading) {
  table_.reserve(kMaxKeys);
  if (!loading) AddKey(new PwGradientColor(false, host::Color::White(), 0.5f));
}

host::Class_ID PwGradient::ClassID() const { return PW_GRADIENT_CLASS_ID; }

int PwGradient::UsedSlots() const {
  for (int i = kMaxKeys; i > 0; --i)
    if (keys_[static_cast<std::size_t>(i - 1)]) return i;
  return 0;
}

int PwGradient::NumRefs() { return loading_ ? savedCount_ : std::max(UsedSlots(), reserved_); }

host::ReferenceTarget* PwGradient::GetReference(int i) {
  return i >= 0 && i < kMaxKeys ? keys_[static_cast<std::size_t>(i)] : nullptr;
}

PwGradientColor* PwGradient::KeyInSlot(int slot) const {
  if (slot < 0 || slot >= kMaxKeys) return nullptr;
  host::ReferenceTarget* t = keys_[static_cast<std::size_t>(slot)];
  return t && t->ClassID() == PW_GRADIENT_COLOR_CLASS_ID && t->SuperClassID() == host::REF_TARGET_CLASS_ID
             ? static_cast<PwGradientColor*>(t)
             : nullptr;
}

void PwGradient::SetReference(int i, host::ReferenceTarget* target) {
  if (i >= 0 && i < kMaxKeys) keys_[static_cast<std::size_t>(i)] = target;
}

std::string PwGradient::SubAnimName(int i) const { return KeyInSlot(i) ? "Key Color" : ""; }

int PwGradient::KeyCount() const {
  int n = 0;
  for (int i = 0; i < kMaxKeys; ++i) n += KeyInSlot(i) ? 1 : 0;
  return n;
}

PwGradientColor* PwGradient::KeyAt(int index) const {
  if (index < 0 || index >= static_cast<int>(table_.size())) return nullptr;
  return KeyInSlot(table_[static_cast<std::size_t>(index)].ref);
}

int PwGradient::AddKey(PwGradientColor* key) {
  if (!key) return -1;
  auto empty = std::find(keys_.begin(), keys_.end(), nullptr);
  if (empty == keys_.end()) {
    if (key->NumDependents() == 0) key->DeleteThis();
    return -1;
  }
  const int slot = static_cast<int>(empty - keys_.begin());
  reserved_ = slot + 1;
  ReplaceReference(slot, key);
  reserved_ = 0;
  Invalidate();
  NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_SUBANIM_STRUCTURE_CHANGED);
  return slot;
}

bool PwGradient::RemoveKey(int slot) {
  if (!KeyInSlot(slot)) return false;
  DeleteReference(slot);
  Invalidate();
  NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_SUBANIM_STRUCTURE_CHANGED);
  return true;
}

void PwGradient::SetSingleColour(const host::Color& color) {
  int keep = 0;
  while (keep < kMaxKeys && !KeyInSlot(keep)) ++keep;
  if (keep == kMaxKeys) {
    AddKey(new PwGradientColor(false, color, 0.5f));
  } else {
    // Everything else goes, including whatever a damaged file left in a slot.
    for (int i = kMaxKeys - 1; i >= 0; --i)
      if (i != keep && keys_[static_cast<std::size_t>(i)]) DeleteReference(i);
    PwGradientColor* key = KeyInSlot(keep);
    key->SetColor(0, color);
    key->SetPosition(0, 0.5f);
    NotifyDependents(host::FOREVER, host::PART_ALL, host::REFMSG_SUBANIM_STRUCTURE_CHANGED);
  }
  Invalidate();
}

void PwGradient::Update(host::TimeValue t, host::Interval& valid) {
  if (!validity_.InInterval(t)) {
    validity_ = host::FOREVER;
    table_.clear();
    for (int i = 0; i < kMaxKeys; ++i) {
      const PwGradientColor* key = KeyInSlot(i);
      if (!key) continue;
      const host::Color c = key->GetColor(t, validity_);
      table_.push_back(GradientKey{c.r, c.g, c.b, key->GetPosition(t, validity_), i});
    }
    SortGradientKeys(table_);
  }
  valid &= validity_;
}

host::RefResult PwGradient::NotifyRefChanged(const host::Interval&, host::ReferenceTarget*, host::PartID&,
                                             host::RefMessage message) {
  switch (message) {
    case host::REFMSG_CHANGE:
    case host::REFMSG_SUBANIM_STRUCTURE_CHANGED:
    case host::REFMSG_TARGET_DELETED:
      Invalidate();
      break;
    default:
      break;
  }
  return host::REF_SUCCEED;
}

host::ReferenceTarget* PwGradient::Clone(host::RemapDir& remap) {
  auto* copy = new PwGradient(true);
  remap.AddEntry(this, copy);
  for (int i = 0; i < kMaxKeys; ++i) {
    PwGradientColor* key = KeyInSlot(i);
    if (!key) continue;
    copy->reserved_ = i + 1;
    copy->ReplaceReference(i, remap.CloneRef(key));
  }
  copy->reserved_ = 0;
  return copy;
}

host::IOResult PwGradient::Save(host::ISave* isave) {
  host::IOResult r = host::ReferenceTarget::Save(isave);
  if (r != host::IO_OK) return r;
  if ((r = isave->WriteChunk(kGradientChunkVersion, kGradientVersion)) != host::IO_OK) return r;
  return isave->WriteChunk(kGradientChunkRefCount, static_cast<std::int32_t>(NumRefs()));
}

host::IOResult PwGradient::Load(host::ILoad* iload) {
  host::IOResult r = host::ReferenceTarget::Load(iload);
  if (r != host::IO_OK) return r;
  // Until the count is read, every slot the file linked is taken.
  savedCount_ = kMaxKeys;
  loading_ = true;
  while ((r = iload->OpenChunk()) == host::IO_OK) {
    if (iload->CurChunkID() == kGradientChunkRefCount) {
      std::int32_t count = 0;
      if (iload->ReadValue(&count) != host::IO_OK) return host::IO_ERROR;
      if (count < 0 || count > kMaxKeys) {
        iload->SetError("gradient: " + std::to_string(count) + " key slots, at most " +
                        std::to_string(kMaxKeys) + " are possible");
        return host::IO_ERROR;
      }
      savedCount_ = count;
    }
    if (iload->CloseChunk() != host::IO_OK) return host::IO_ERROR;
  }
  if (r == host::IO_ERROR) return r;
  Invalidate();
  RunAfterLoad(iload, [this] {
    loading_ = false;
    Invalidate();
  });
  return host::IO_OK;
}

}  // namespace pw
