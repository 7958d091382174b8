// The reference system: objects that point at each other and hear about
// each other's changes.
//
// A ReferenceMaker holds numbered references to ReferenceTargets; every
// target knows its dependents (the makers referring to it), so a change or a
// deletion can be told to everyone who cares. A target whose last dependent
// lets go deletes itself, which is how art materials and parameter blocks
// stay alive exactly as long as something uses them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/core/time.h"
#include "host/core/types.h"

namespace host {

class ISave;
class ILoad;
class ReferenceTarget;
class RemapDir;

using PartID = std::uint32_t;
inline constexpr PartID PART_ALL = 0xFFFFFFFFu;

// What a notification says happened.
enum RefMessage : std::uint32_t {
  REFMSG_CHANGE = 1,                    // the target's value changed
  REFMSG_TARGET_DELETED = 2,            // the target is going away; drop it
  REFMSG_SUBANIM_STRUCTURE_CHANGED = 3, // sub-objects added or removed
  REFMSG_NODE_NAMECHANGE = 4,           // a name changed
  REFMSG_REF_DELETED = 5,               // a dependent dropped its reference
  REFMSG_USER = 0x10000,                // first id free for the program's own messages
};

enum class RefResult { Succeed, Fail, Stop, DontCare };
inline constexpr RefResult REF_SUCCEED = RefResult::Succeed;
inline constexpr RefResult REF_FAIL = RefResult::Fail;
inline constexpr RefResult REF_STOP = RefResult::Stop;
inline constexpr RefResult REF_DONTCARE = RefResult::DontCare;

// Per-object flag bits for visit marks during walks (A_WORK1 ...) and the
// program's own marks (A_PLUGIN1 ...).
inline constexpr std::uint32_t A_WORK1 = 1u << 0;
inline constexpr std::uint32_t A_WORK2 = 1u << 1;
inline constexpr std::uint32_t A_WORK3 = 1u << 2;
inline constexpr std::uint32_t A_WORK4 = 1u << 3;
inline constexpr std::uint32_t A_PLUGIN1 = 1u << 16;
inline constexpr std::uint32_t A_PLUGIN2 = 1u << 17;
inline constexpr std::uint32_t A_PLUGIN3 = 1u << 18;
inline constexpr std::uint32_t A_PLUGIN4 = 1u << 19;

// Anything the host can name, flag and persist.
class Animatable {
 public:
  Animatable() = default;
  Animatable(const Animatable&) = delete;
  Animatable& operator=(const Animatable&) = delete;
  virtual ~Animatable() = default;

  virtual Class_ID ClassID() const { return Class_ID(); }
  virtual SClass_ID SuperClassID() const { return 0; }
  virtual std::string GetClassName() const { return "Animatable"; }

  void SetAFlag(std::uint32_t mask) { aflag_ |= mask; }
  void ClearAFlag(std::uint32_t mask) { aflag_ &= ~mask; }
  bool TestAFlag(std::uint32_t mask) const { return (aflag_ & mask) != 0; }

 private:
  std::uint32_t aflag_ = 0;
};

// Answers of a RefEnumProc.
inline constexpr int REF_ENUM_CONTINUE = 0;
inline constexpr int REF_ENUM_SKIP = 1;  // do not descend into this maker's references
inline constexpr int REF_ENUM_HALT = 2;

class ReferenceMaker;
class RefEnumProc {
 public:
  virtual ~RefEnumProc() = default;
  virtual int proc(ReferenceMaker* maker) = 0;
};

class ReferenceMaker : public Animatable {
 public:
  ~ReferenceMaker() override;

  virtual int NumRefs() { return 0; }
  virtual ReferenceTarget* GetReference(int /*i*/) { return nullptr; }

  // Points reference `which` at `target`, registering as its dependent and
  // releasing the old target (which deletes itself when nobody else holds it).
  RefResult ReplaceReference(int which, ReferenceTarget* target);
  RefResult DeleteReference(int which) { return ReplaceReference(which, nullptr); }
  void DeleteAllRefs();

  // Told by a target this maker refers to. `target` is the sender.
  virtual RefResult NotifyRefChanged(const Interval& changeInt, ReferenceTarget* target, PartID& partID,
                                     RefMessage message);

  virtual IOResult Save(ISave* isave);
  virtual IOResult Load(ILoad* iload);

  virtual bool IsRefTarget() const { return false; }
  // Releases all references and frees the object. The only sanctioned way to
  // destroy a reference maker.
  virtual void DeleteThis();

  // Walks this maker and everything it reaches through references, each
  // object once, parents before children. Returns false when halted.
  bool EnumRefHierarchy(RefEnumProc& proc);

  // Every reference slot that currently points at `target`.
  std::vector<int> FindRefs(const ReferenceTarget* target);

 protected:
  friend class ReferenceTarget;
  friend class SceneFileReader;
  // Raw storage of a reference; bookkeeping is ReplaceReference's job.
  virtual void SetReference(int /*i*/, ReferenceTarget* /*target*/) {}

 private:
  bool deleting_ = false;
};

class ReferenceTarget : public ReferenceMaker {
 public:
  ~ReferenceTarget() override;

  bool IsRefTarget() const override { return true; }

  // Tells every dependent; a dependent answering REF_STOP ends propagation to
  // its own dependents only.
  RefResult NotifyDependents(const Interval& changeInt, PartID partID, RefMessage message);

  const std::vector<ReferenceMaker*>& Dependents() const { return dependents_; }
  int NumDependents() const { return static_cast<int>(dependents_.size()); }

  // A copy of this target; references are cloned through `remap`, so targets
  // shared inside the original stay shared inside the copy.
  virtual ReferenceTarget* Clone(RemapDir& remap);
  ReferenceTarget* Clone();

  // Makes every dependent refer to `to` instead of this target.
  void TransferReferences(ReferenceTarget* to);

  void DeleteThis() override;

  // Called when the last dependent lets go; deletes by default. Objects kept
  // alive by something other than references (the scene root) opt out.
  void SetAutoDelete(bool on) { autoDelete_ = on; }
  bool AutoDelete() const { return autoDelete_; }

 private:
  friend class ReferenceMaker;
  void AddDependent(ReferenceMaker* maker) { dependents_.push_back(maker); }
  void RemoveDependent(ReferenceMaker* maker);

  std::vector<ReferenceMaker*> dependents_;  // one entry per referring slot
  bool autoDelete_ = true;
};

// Maps originals to their clones during one Clone call.
class RemapDir {
 public:
  // The clone of `from`, cloning it on first use (null stays null).
  ReferenceTarget* CloneRef(ReferenceTarget* from);
  void AddEntry(const ReferenceTarget* from, ReferenceTarget* to) { map_[from] = to; }
  ReferenceTarget* FindMapping(const ReferenceTarget* from) const;

 private:
  std::unordered_map<const ReferenceTarget*, ReferenceTarget*> map_;
};

// Keeps one target alive from outside the reference graph (a scene root held
// by the program, a test's object): a maker with a single reference.
class RefHolder : public ReferenceMaker {
 public:
  explicit RefHolder(ReferenceTarget* target = nullptr) { ReplaceReference(0, target); }
  ~RefHolder() override { DeleteAllRefs(); }
  RefHolder(const RefHolder&) = delete;
  RefHolder& operator=(const RefHolder&) = delete;

  int NumRefs() override { return 1; }
  ReferenceTarget* GetReference(int i) override { return i == 0 ? target_ : nullptr; }
  ReferenceTarget* get() const { return target_; }
  void reset(ReferenceTarget* target = nullptr) { ReplaceReference(0, target); }

 protected:
  void SetReference(int i, ReferenceTarget* target) override {
    if (i == 0) target_ = target;
  }

 private:
  ReferenceTarget* target_ = nullptr;
};

}  // namespace host
