// The paint art material: the colour of a line, either a custom colour or
// a colour of the object's material, scaled by a brightness.
#pragma once

#include <cstdint>
#include <string>

#include "host/imaging/bitmap.h"
#include "host/core/color.h"
#include "host/params/paramblock_legacy.h"
#include "library/pw_object.h"

namespace pw {

// Entries of the paint's older-style block.
enum PaintParam : int {
  kPaintCustomColor = 0,  // "Custom Color", colour, animatable
  kPaintBrightness = 1,   // "Brightness", float shown as a percentage, animatable
};
inline constexpr std::uint32_t kPaintBlockVersion = 1;
const host::ParamVersionDesc& PaintBlockLayout();

// Which colour of the object's material a paint takes.
enum class ObjectColorSource : int { Ambient = 0, Diffuse = 1, Specular = 2 };

// Chunks of the paint's own data, after the common ones.
inline constexpr std::uint16_t kPaintChunkVersion = 100;  // u16
inline constexpr std::uint16_t kPaintChunkFields = 101;   // i32 use object colour, i32 source
inline constexpr std::uint16_t kPaintVersion = 1;

// 16-bit colours as lines carry them: the same channels as a bitmap pixel.
using Color16 = host::BMM_Color_64;

// A 0..1 colour as 16 bits a channel (x 65535, truncated; out-of-range
// channels limited), opaque.
Color16 ToColor16(const host::Color& c);
// Red, green and blue times brightness, limited to 0..65535 and truncated;
// alpha kept. A brightness of exactly 1 leaves the colour bit for bit.
Color16 ApplyBrightness(const Color16& c, float brightness);
// The float form: times brightness, limited to 0..1.
host::Color ApplyBrightness(const host::Color& c, float brightness);

// The three colours of an object's material a paint can take.
struct MaterialColors {
  host::Color ambient;
  host::Color diffuse;
  host::Color specular;
};

class PwPaint : public PwObject {
 public:
  // A fresh paint: object colour (diffuse), brightness 1, custom colour black.
  explicit PwPaint(bool loading = false);

  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "Paint"; }

  // The paint's block, or null when it has none (a damaged file).
  host::IParamBlock* ParamBlock() const;

  host::Color GetCustomColor(host::TimeValue t, host::Interval& valid) const;
  host::Color GetCustomColor(host::TimeValue t = 0) const;
  Color16 GetCustomColor16(host::TimeValue t = 0) const;
  bool SetCustomColor(host::TimeValue t, const host::Color& c);
  float GetBrightness(host::TimeValue t, host::Interval& valid) const;
  float GetBrightness(host::TimeValue t = 0) const;
  bool SetBrightness(host::TimeValue t, float brightness);

  bool GetUseObjectColor() const { return useObjectColor_; }
  void SetUseObjectColor(bool on);
  ObjectColorSource GetObjectColorSource() const { return source_; }
  // False (unchanged) for a source out of range.
  bool SetObjectColorSource(int source);

  // The paint's brightness at t applied to a colour.
  Color16 ApplyBrightness16(const Color16& c, host::TimeValue t) const;
  host::Color ApplyBrightnessColor(const host::Color& c, host::TimeValue t) const;
  // The colour of a line at t on a face of a material with these colours.
  Color16 LineColor(host::TimeValue t, const MaterialColors& material) const;

  void ResetToDefaults(bool removeAnimation) override;
  void InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Load(host::ILoad* iload) override;
  int NumExtraSaveChunks() const override { return 2; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override;
  host::IOResult LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) override;

 private:
  void BuildBlock();
  void ApplyNewPaintSettings(host::TimeValue t);

  bool useObjectColor_ = true;
  ObjectColorSource source_ = ObjectColorSource::Diffuse;
};

// Preset paints 200..221 by index 0..21.
struct PaintPreset {
  bool useObjectColor;
  ObjectColorSource source;
  float brightness;
  host::Color custom;
};
inline constexpr int kPaintPresetCount = 22;
bool GetPaintPreset(int index, PaintPreset& out);

}  // namespace pw
