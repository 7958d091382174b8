// The brush art material: the tip of a line, a shape and a width.
//
// The width is stored in thousandths of a centimetre (see units.h) and shown
// in the brush's own unit; world-unit brushes are measured in scene units
// and shrink with distance when drawn.
#pragma once

#include <string>

#include "host/params/paramblock.h"
#include "library/pw_object.h"
#include "surfaces/units.h"

namespace pw {

// Parameters of the brush's block (block 0, "PwBrushParameters").
enum BrushParamID : host::ParamID {
  kBrushShape = 0,          // int, 0 circle, 1 square
  kBrushSize = 1,           // float, animatable: stored width
  kBrushSizeUnits = 2,      // int: OutputUnit the width is shown in
  kBrushScaleRelative = 3,  // int switch: the width follows the output resolution
};

enum class BrushShape : int { Circle = 0, Square = 1 };

// Chunks of the brush's own data, after the common ones.
inline constexpr std::uint16_t kBrushChunkVersion = 100;     // u16
inline constexpr std::uint16_t kBrushChunkOldShape = 101;    // version 1 only: i32, i32 shape
inline constexpr std::uint16_t kBrushVersion = 2;

const host::ParamBlockDesc2& BrushBlockDesc();

// The width a line gets from a brush: the stored width (negative counts as
// 0), times the resolution scale when it is relative and not in world
// units, converted to pixels. World-unit widths come back in scene units:
// the caller applies the view's projection scale (and depth).
double BrushLineWidth(double storedWidth, int units, bool scaleRelative, double resolutionScale,
                      const UnitSettings& settings);

class PwBrush : public PwObject {
 public:
  // A fresh brush (loading false) has a new brush's settings: a circle one
  // pixel wide shown in the default unit.
  explicit PwBrush(bool loading = false);

  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "Brush"; }

  // The brush's block, or null when it has none (a damaged file).
  host::IParamBlock2* ParamBlock() const;

  BrushShape GetShape(host::TimeValue t = 0) const;
  bool SetShape(BrushShape shape);
  // Stored width at t; a negative value reads as 0. valid is narrowed.
  float GetSize(host::TimeValue t, host::Interval& valid) const;
  float GetSize(host::TimeValue t = 0) const;
  bool SetSize(host::TimeValue t, float stored);
  // Width in pixels at the given settings (before any resolution scaling).
  double GetSizePixels(host::TimeValue t, const UnitSettings& settings = TheUnitSettings()) const;
  bool SetSizePixels(host::TimeValue t, double pixels, const UnitSettings& settings = TheUnitSettings());
  // Width as shown in the brush's own unit, and set from such a value.
  double GetSizeInUnits(host::TimeValue t, const UnitSettings& settings = TheUnitSettings()) const;
  bool SetSizeInUnits(host::TimeValue t, double value, const UnitSettings& settings = TheUnitSettings());
  OutputUnit GetUnits() const;
  // False (unchanged) for a unit out of range.
  bool SetUnits(int unit);
  bool GetScaleRelative() const;
  bool SetScaleRelative(bool on);

  // The width a line drawn at t gets; see BrushLineWidth.
  double LineWidth(host::TimeValue t, double resolutionScale, const UnitSettings& settings = TheUnitSettings()) const;

  void ResetToDefaults(bool removeAnimation) override;
  void InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Load(host::ILoad* iload) override;
  int NumExtraSaveChunks() const override { return 1; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override;
  host::IOResult LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) override;
  void BeforeLoad() override;

 private:
  void ApplyNewBrushSettings(host::TimeValue t);
  void EnsureBlock();

  int oldShape_ = -1;  // shape read from a version-1 file, until the block holds it
};

// Preset brushes 0..11: shape and width in pixels.
struct BrushPreset {
  BrushShape shape;
  double pixels;
};
inline constexpr int kBrushPresetCount = 12;
// The preset with this index, false when out of range.
bool GetBrushPreset(int index, BrushPreset& out);

}  // namespace pw
