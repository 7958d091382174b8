#include "host/refs/reference.h"

#include <algorithm>
#include <cassert>
#include <iterator>
#include <unordered_set>

namespace host {

// ---- ReferenceMaker ---------------------------------------------------------

ReferenceMaker::~ReferenceMaker() = default;

RefResult ReferenceMaker::ReplaceReference(int which, ReferenceTarget* target) {
  if (which < 0 || which >= NumRefs()) return REF_FAIL;
  ReferenceTarget* old = GetReference(which);
  if (old == target) return REF_SUCCEED;
  // Register with the new target first: if old and new share a sub-graph,
  // releasing the old one must not delete what the new one still needs.
  if (target) target->AddDependent(this);
  SetReference(which, target);
  if (old) {
    old->RemoveDependent(this);
    PartID part = PART_ALL;
    old->NotifyRefChanged(FOREVER, nullptr, part, REFMSG_REF_DELETED);
    if (old->NumDependents() == 0 && old->AutoDelete() && !old->deleting_) old->DeleteThis();
  }
  return REF_SUCCEED;
}

void ReferenceMaker::DeleteAllRefs() {
  for (int i = NumRefs() - 1; i >= 0; --i) DeleteReference(i);
}

RefResult ReferenceMaker::NotifyRefChanged(const Interval&, ReferenceTarget*, PartID&, RefMessage) {
  return REF_SUCCEED;
}

IOResult ReferenceMaker::Save(ISave*) { return IO_OK; }
IOResult ReferenceMaker::Load(ILoad*) { return IO_OK; }

void ReferenceMaker::DeleteThis() {
  if (deleting_) return;
  deleting_ = true;
  DeleteAllRefs();
  delete this;
}

bool ReferenceMaker::EnumRefHierarchy(RefEnumProc& proc) {
  std::unordered_set<ReferenceMaker*> seen;
  std::vector<ReferenceMaker*> stack{this};
  while (!stack.empty()) {
    ReferenceMaker* maker = stack.back();
    stack.pop_back();
    if (!seen.insert(maker).second) continue;
    int answer = proc.proc(maker);
    if (answer == REF_ENUM_HALT) return false;
    if (answer == REF_ENUM_SKIP) continue;
    // Push in reverse so references are visited in slot order.
    for (int i = maker->NumRefs() - 1; i >= 0; --i) {
      ReferenceTarget* ref = maker->GetReference(i);
      if (ref && !seen.count(ref)) stack.push_back(ref);
    }
  }
  return true;
}

std::vector<int> ReferenceMaker::FindRefs(const ReferenceTarget* target) {
  std::vector<int> slots;
  for (int i = 0; i < NumRefs(); ++i)
    if (GetReference(i) == target) slots.push_back(i);
  return slots;
}

// ---- ReferenceTarget --------------------------------------------------------

ReferenceTarget::~ReferenceTarget() {
  // Deleted through DeleteThis, every dependent has already let go.
  assert(dependents_.empty() && "a reference target was deleted while still referenced; use DeleteThis");
}

void ReferenceTarget::RemoveDependent(ReferenceMaker* maker) {
  // Searched from the back: references are usually released in the reverse
  // order they were made, which keeps a widely shared target cheap to release.
  auto it = std::find(dependents_.rbegin(), dependents_.rend(), maker);
  if (it != dependents_.rend()) dependents_.erase(std::next(it).base());
}

RefResult ReferenceTarget::NotifyDependents(const Interval& changeInt, PartID partID, RefMessage message) {
  // Copy: a dependent may drop its reference while being told.
  std::vector<ReferenceMaker*> deps = dependents_;
  std::unordered_set<ReferenceMaker*> told;
  for (ReferenceMaker* dep : deps) {
    if (!told.insert(dep).second) continue;
    PartID part = partID;
    RefResult r = dep->NotifyRefChanged(changeInt, this, part, message);
    if (r == REF_STOP) continue;
    if (message != REFMSG_TARGET_DELETED && dep->IsRefTarget())
      static_cast<ReferenceTarget*>(dep)->NotifyDependents(changeInt, part, message);
  }
  return REF_SUCCEED;
}

ReferenceTarget* ReferenceTarget::Clone(RemapDir&) { return nullptr; }

ReferenceTarget* ReferenceTarget::Clone() {
  RemapDir remap;
  return remap.CloneRef(this);
}

void ReferenceTarget::TransferReferences(ReferenceTarget* to) {
  if (to == this) return;
  // Keep this target alive while its last dependents move away.
  const bool autoDelete = autoDelete_;
  autoDelete_ = false;
  std::vector<ReferenceMaker*> deps = dependents_;
  std::unordered_set<ReferenceMaker*> moved;
  for (ReferenceMaker* dep : deps) {
    if (!moved.insert(dep).second) continue;
    for (int slot : dep->FindRefs(this)) dep->ReplaceReference(slot, to);
  }
  autoDelete_ = autoDelete;
  if (dependents_.empty() && autoDelete_ && !deleting_) DeleteThis();
}

void ReferenceTarget::DeleteThis() {
  if (deleting_) return;
  deleting_ = true;
  // Dependents hear about it first, then lose the reference whatever they answered.
  NotifyDependents(FOREVER, PART_ALL, REFMSG_TARGET_DELETED);
  std::vector<ReferenceMaker*> deps = dependents_;
  std::unordered_set<ReferenceMaker*> cleared;
  for (ReferenceMaker* dep : deps) {
    if (!cleared.insert(dep).second) continue;
    for (int slot : dep->FindRefs(this)) dep->ReplaceReference(slot, nullptr);
  }
  dependents_.clear();
  DeleteAllRefs();
  delete this;
}

// ---- RemapDir ---------------------------------------------------------------

ReferenceTarget* RemapDir::CloneRef(ReferenceTarget* from) {
  if (!from) return nullptr;
  if (ReferenceTarget* done = FindMapping(from)) return done;
  ReferenceTarget* copy = from->Clone(*this);
  if (copy) map_[from] = copy;
  return copy;
}

ReferenceTarget* RemapDir::FindMapping(const ReferenceTarget* from) const {
  auto it = map_.find(from);
  return it == map_.end() ? nullptr : it->second;
}

}  // namespace host
