// Stand-ins for the six art-material classes and a fixture that plugs them
// into the class table, captures messages and answers questions.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/services/interface.h"
#include "host/refs/reference.h"
#include "library/library_state.h"
#include "library/object_library.h"
#include "library/pw_object.h"

namespace pw::test {

// An art material with a parameter block (one animatable float
// "standInWidth", id 0), three tool references (slots 1..3, what a style's
// drawing tools would hold) and one extra chunk.
class StandIn : public PwObject {
 public:
  static constexpr int TOOL_REFS = 3;
  static constexpr std::uint16_t VALUE_CHUNK = 500;

  StandIn(host::Class_ID id, bool loading);

  host::Class_ID ClassID() const override { return id_; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override;
  int NumRefs() override { return 1 + TOOL_REFS; }
  host::ReferenceTarget* GetReference(int i) override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using ReferenceTarget::Clone;

  int NumExtraSaveChunks() const override { return 1; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override;
  host::IOResult LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) override;
  void ResetToDefaults(bool removeAnimation) override;
  void InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) override;
  void PostLibraryLoaded(PwObjectLibrary& library, host::TimeValue t) override;

  host::ReferenceTarget* Tool(int k) { return tools_[k]; }
  void SetTool(int k, host::ReferenceTarget* t) { ReplaceReference(1 + k, t); }
  float Width() const;
  bool SetWidthKey(host::TimeValue t, float v);

  std::int32_t value = 0;      // saved in the extra chunk
  int resets = 0;
  bool lastRemoveAnimation = false;
  bool wasInLibraryAtInit = false;

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  host::Class_ID id_;
  host::ReferenceTarget* tools_[TOOL_REFS] = {};
};

// What the stand-ins were told, in order.
struct StandInLog {
  std::vector<int> postLoadSlots;  // library slot of each PostLibraryLoaded call
  std::vector<std::pair<int, int>> inits;  // (origin, number) of each InitLibraryMaterial call
};
StandInLog& TheStandInLog();

// Installs the stand-ins for all six classes, or for the listed ones only.
void InstallStandIns(const std::vector<host::Class_ID>& only = {});
void RemoveStandIns();

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh library kept alive by the fixture until the end of the test.
  PwObjectLibrary* MakeLibrary();
  // Keeps a loaded or made target alive until the end of the test.
  void Hold(host::ReferenceTarget* t) { holders_.push_back(std::make_unique<host::RefHolder>(t)); }
  // Lets go of every held target.
  void ReleaseAll() { holders_.clear(); }

  StandIn* At(PwObjectLibrary& lib, int slot) { return dynamic_cast<StandIn*>(lib.Get(slot)); }

  std::vector<std::string> messages;                  // warnings and answered questions
  std::vector<std::pair<int, std::uint32_t>> posted;  // library messages

 private:
  host::InterfaceState savedInterface_;
  int listener_ = 0;
  std::vector<std::unique_ptr<host::RefHolder>> holders_;
};

}  // namespace pw::test
