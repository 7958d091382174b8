// The stroke art material: how a line is broken into dashes and how the
// ends of each dash are capped.
//
// The line emitter copies a stroke's pattern, scale and capping into every
// segment it draws; dash_layout.h lays the dashes out from them.
#pragma once

#include <cstdint>
#include <string>

#include "host/params/paramblock.h"
#include "library/pw_object.h"

namespace pw {

// Parameter ids of the block "PwStrokeParameters".
enum StrokeParam : host::ParamID {
  STROKE_LINESTYLE_PATTERN = 0,
  STROKE_LINESTYLE_SCALE = 1,
  STROKE_CAPPING = 2,
};

// The stroke's own chunks, after the common ones.
inline constexpr std::uint16_t PW_STROKE_CHUNK_VERSION = 100;
inline constexpr std::uint16_t PW_STROKE_CHUNK_OLD_PATTERN = 101;  // format 1: the pattern, 4 bytes
inline constexpr std::uint16_t PW_STROKE_VERSION = 2;

class PwStroke : public PwObject {
 public:
  // A fresh stroke (loading false) is solid, scale 1, capped in the
  // brush's shape.
  explicit PwStroke(bool loading = false);

  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "Stroke"; }
  std::string DisplayClassName() const override { return "Stroke"; }
  // Same name, origin and number, a copy of the block.
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Load(host::ILoad* iload) override;

  void ResetToDefaults(bool removeAnimation) override;
  int NumExtraSaveChunks() const override { return 1; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override;
  host::IOResult LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) override;
  // Stroke presets 100..108 get the pattern of the same index.
  void InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) override;

  // The block, or null when it is missing (a damaged file); accessors then
  // answer the defaults and setters do nothing.
  host::IParamBlock2* Block() const;

  // The 32-bit mask, bit 0 first; -1 solid, 0 nothing.
  std::int32_t GetPattern() const;
  void SetPattern(std::int32_t mask);
  // Stores the mask of preset pattern `index` (0 Solid .. 8 Divide); false,
  // and nothing changed, for an index out of range.
  bool SetPatternPreset(int index);

  // Length of one pattern cell in brush widths at t; a stored value below
  // zero reads as 1e-4.
  float GetScale(host::TimeValue t = 0) const;
  // The value as stored, for editors.
  float GetStoredScale(host::TimeValue t = 0) const;
  void SetScale(float scale, host::TimeValue t = 0);
  bool IsScaleAnimated() const;

  // 0: no caps beyond the line's ends, 1: caps in the brush's shape; any
  // other value draws nothing.
  int GetCapping() const;
  void SetCapping(int capping);

  // The format the stroke was read in (PW_STROKE_VERSION for a new one).
  int LoadedVersion() const { return loadedVersion_; }

 private:
  friend class PwStrokePostLoad;
  void MakeFreshBlock();
  void FinishLoading();

  int loadedVersion_ = PW_STROKE_VERSION;
  bool haveOldPattern_ = false;
  std::int32_t oldPattern_ = -1;
};

const host::ParamBlockDesc2& StrokeBlockDesc();

}  // namespace pw
