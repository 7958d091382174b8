// Stand-ins for the brush, paint, surface and canvas art materials (their
// module is not linked into this test program) and a fixture with a class
// registry, a library holding every default and preset, and scene-file
// round trips.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/refs/reference.h"
#include "library/object_library.h"
#include "library/pw_object.h"
#include "styles/style.h"

namespace pw::test {

// An art material of any of the four classes, with a parameter block (one
// animatable float "standInSize", id 0) and, for surfaces, a kind saved in
// an extra chunk. Presets remember their number so tests can tell them apart.
class StandInMaterial : public PwObject {
 public:
  static constexpr std::uint16_t KIND_CHUNK = 600;

  StandInMaterial(host::Class_ID id, bool loading);

  host::Class_ID ClassID() const override { return id_; }
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using ReferenceTarget::Clone;
  int NumExtraSaveChunks() const override { return 1; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override;
  host::IOResult LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) override;
  void InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) override;

  float Size(host::TimeValue t = 0) const;
  void SetSize(float v);

  int kind = 3;  // surfaces: 0 None, 1 Matte, 2 MAX Material, 3 Toon

 private:
  host::Class_ID id_;
};

class StyleTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh library with every default and preset, current, kept alive
  // until the end of the test.
  PwObjectLibrary* MakeLibrary();
  // Keeps a target alive until the end of the test.
  void Hold(host::ReferenceTarget* t) { holders_.push_back(std::make_unique<host::RefHolder>(t)); }

  // The default (origin 0) or preset (origin 1) material with this number.
  static PwObject* Material(PwObjectLibrary& lib, int origin, int number);
  static PwStyle* StyleNamed(PwObjectLibrary& lib, const std::string& name);
  // A new user style added to the library, built with its default tree.
  PwStyle* NewStyle(PwObjectLibrary& lib);

  // Saves everything the root reaches into a scene file image and loads it
  // back; the loaded root is held by the fixture. Null (and a test failure)
  // when the load fails.
  host::ReferenceTarget* RoundTrip(host::ReferenceTarget* root);

 private:
  std::vector<std::unique_ptr<host::RefHolder>> holders_;
};

// The tools of a kind item or sub-item's "Where" child.
PwStyleDrawingTools* WhereTools(const PwStyle& style, int kind, int sub, int where);
bool WhereOn(const PwStyle& style, int kind, int sub, int where);

}  // namespace pw::test
