// A small reference target for tests of the reference system and scene
// files: a name, a number, and any number of references.
#pragma once

#include <string>
#include <vector>

#include "host/io/chunk_io.h"
#include "host/refs/class_desc.h"
#include "host/refs/reference.h"

namespace pwtest {

inline constexpr host::Class_ID kTestNodeClassID{0x7E570001, 0x00000001};

class TestNode : public host::ReferenceTarget {
 public:
  explicit TestNode(std::string name = "", int refs = 0) : name_(std::move(name)), refs_(refs, nullptr) { ++live; }
  ~TestNode() override { --live; }

  // Live TestNodes, to prove that deletion happens exactly once.
  static inline int live = 0;

  host::Class_ID ClassID() const override { return kTestNodeClassID; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "TestNode"; }

  int NumRefs() override { return static_cast<int>(refs_.size()); }
  host::ReferenceTarget* GetReference(int i) override {
    return i >= 0 && i < NumRefs() ? refs_[i] : nullptr;
  }
  void SetRefCount(int n) { refs_.resize(n, nullptr); }

  host::RefResult NotifyRefChanged(const host::Interval&, host::ReferenceTarget* target, host::PartID&,
                                   host::RefMessage message) override {
    heard.push_back({target, message});
    return host::REF_SUCCEED;
  }

  host::IOResult Save(host::ISave* isave) override;
  host::IOResult Load(host::ILoad* iload) override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;

  std::string name_;
  int number = 0;
  struct Heard {
    host::ReferenceTarget* from;
    host::RefMessage message;
  };
  std::vector<Heard> heard;

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override {
    if (i >= 0 && i < NumRefs()) refs_[i] = target;
  }

 private:
  std::vector<host::ReferenceTarget*> refs_;
};

class TestNodeClassDesc : public host::ClassDesc {
 public:
  host::ReferenceTarget* Create(bool) override { return new TestNode(); }
  std::string ClassName() const override { return "TestNode"; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  host::Class_ID ClassID() const override { return kTestNodeClassID; }
};

}  // namespace pwtest
