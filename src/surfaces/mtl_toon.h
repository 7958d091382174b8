// The Toon material: paints a surface in Shadow, Main and Highlight bands,
// each coloured from a selectable source (a gradient or the colours and
// maps of the material it wraps, the object material). The surface art
// material of kind Toon owns one and hands it the object's material before
// each object is shaded.
//
// Settings, reset, presets, copying and persistence are in mtl_toon.cpp;
// Update's resolving and the banding itself in mtl_toon_shade.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/shading/mtl.h"
#include "host/shading/mtl_std.h"
#include "host/params/paramblock_legacy.h"
#include "host/shading/texmap.h"
#include "surfaces/band_ramp.h"
#include "surfaces/gradient.h"
#include "surfaces/toon_params.h"

namespace pw {

// References, in sub-animatable order, then the wrapped object material.
enum ToonRef : int {
  kToonRefParams = 0,
  kToonRefShadowGradient = 1,  // + band
  kToonRefShadowColorMap = 4,  // + band
  kToonRefShadowOpacityMap = 7,  // + band
  kToonRefOverallOpacityMap = 10,
  kToonRefObjectMaterial = 11,
};
inline constexpr int kToonSubAnimCount = 11;
inline constexpr int kToonRefCount = 12;

// Chunks of the material's own data, after the material header.
inline constexpr std::uint16_t kToonChunkVersion = 100;         // u16, 1
inline constexpr std::uint16_t kToonChunkFurtherSwitch = 101;   // i32
inline constexpr std::uint16_t kToonChunkOverallMapOn = 102;    // i32
inline constexpr std::uint16_t kToonChunkLockBlending = 105;    // i32
inline constexpr std::uint16_t kToonChunkSmoothBlending = 106;  // i32
inline constexpr std::uint16_t kToonChunkBands = 107;           // per band 6 x i32
inline constexpr std::uint16_t kToonVersion = 1;

// The colour each gradient gets at Reset: Shadow, Main, Highlight.
inline constexpr std::array<float, 3> kToonGradientResetGrey = {0.5f, 0.75f, 1.0f};

class PwMtlToon : public host::Mtl {
 public:
  // A fresh material is Reset; one made for loading waits for its file.
  explicit PwMtlToon(bool loading = false);

  host::Class_ID ClassID() const override;
  std::string GetClassName() const override { return "Toon"; }

  // ---- settings ----
  // The block of 21 floats, or null when it is missing (a damaged file).
  host::IParamBlock* ParamBlock() const;
  // An entry at t (0 without a block); valid is narrowed.
  float GetParam(int id, host::TimeValue t, host::Interval& valid) const;
  float GetParam(int id, host::TimeValue t = 0) const;
  // Sets an entry at t. The two blending widths go through SetBlending.
  bool SetParam(int id, host::TimeValue t, float value);

  // Blending widths: which 0 is Shadow-Main, 1 Main-Highlight. While the
  // lock is on both read and write the one shared value.
  float GetBlending(int which, host::TimeValue t, host::Interval& valid) const;
  bool SetBlending(int which, host::TimeValue t, float value);
  bool GetLockBlending() const { return lockBlending_; }
  // Locking makes Main-Highlight follow Shadow-Main; unlocking leaves each a
  // copy of the shared animation.
  void SetLockBlending(bool on);
  bool GetSmoothBlending() const { return smoothBlending_; }
  void SetSmoothBlending(bool on);
  bool GetOverallOpacityMapOn() const { return overallOpacityMapOn_; }
  void SetOverallOpacityMapOn(bool on);
  // The saved switch that does not enter shading.
  std::int32_t GetFurtherSwitch() const { return furtherSwitch_; }
  void SetFurtherSwitch(std::int32_t v) { furtherSwitch_ = v; }
  int GetGBufferId() const { return gbufferId_; }
  void SetGBufferId(int id) { gbufferId_ = id; }

  // Band 0 Shadow, 1 Main, 2 Highlight; a band out of range reads as a
  // default band and cannot be set.
  ToonBand GetBand(int band) const;
  // False (unchanged) for a band out of range or a colour source outside 0..17.
  bool SetBand(int band, const ToonBand& values);
  bool SetBandOn(int band, bool on);
  bool SetBandColorSource(int band, int source);
  int BandsOn() const;

  PwGradient* GetGradient(int band) const;
  host::Texmap* GetColorMap(int band) const;
  host::Texmap* GetOpacityMap(int band) const;
  host::Texmap* GetOverallOpacityMap() const;
  // False for a band out of range; the map is then not taken.
  bool SetColorMap(int band, host::Texmap* map);
  bool SetOpacityMap(int band, host::Texmap* map);
  bool SetOverallOpacityMap(host::Texmap* map);

  // The material this one wraps. A Toon material is not held (it cannot
  // wrap itself or another Toon material): it leaves none and marks this
  // material unusable until a usable one is set.
  host::Mtl* GetObjectMaterial() const;
  void SetObjectMaterial(host::Mtl* mtl);
  // No object material, or the object material given was a Toon material.
  bool IsUnusable() const { return !GetObjectMaterial(); }

  // Reset, then the settings of a quick preset (0 Flat, 1 Cartoon, 2 Comic,
  // 3 Cel). False, with nothing changed, for a preset out of range.
  bool ApplyToonPreset(int preset);

  // ---- host material ----
  void Reset() override;
  // Updates the object material and, when the cached validity does not
  // hold t, the gradients and maps of the bands that are on; narrows valid.
  void Update(host::TimeValue t, host::Interval& valid) override;
  host::Interval Validity(host::TimeValue t) override;
  const host::Interval& CachedValidity() const { return validity_; }
  // Colours the point in bands from the values the last Update resolved.
  // Unusable (or in the material editor): black and opaque.
  void Shade(host::ShadeContext& sc) override;
  // The ramp of the last Update.
  const BandRamp& Ramp() const { return ramp_; }

  host::Color GetAmbient(int mtlNum = 0, bool backFace = false) override;
  host::Color GetDiffuse(int mtlNum = 0, bool backFace = false) override;
  host::Color GetSpecular(int mtlNum = 0, bool backFace = false) override;
  float GetShininess(int mtlNum = 0, bool backFace = false) override;
  float GetShinStr(int mtlNum = 0, bool backFace = false) override;
  float GetXParency(int mtlNum = 0, bool backFace = false) override;
  // The colours belong to the wrapped material; these change nothing.
  void SetAmbient(const host::Color&, host::TimeValue) override {}
  void SetDiffuse(const host::Color&, host::TimeValue) override {}
  void SetSpecular(const host::Color&, host::TimeValue) override {}
  void SetShininess(float, host::TimeValue) override {}

  // Its own maps' needs and those of the wrapped material, whose colours
  // and maps the bands read.
  std::uint32_t Requirements(int subMtlNum) override;
  void MappingsRequired(int subMtlNum, host::BitArray& mapreq, host::BitArray& bumpreq) override;

  // Maps 0..6: the colour maps, the opacity maps (band order), the overall
  // opacity map.
  int NumSubTexmaps() override { return 7; }
  host::Texmap* GetSubTexmap(int i) override;
  bool SetSubTexmap(int i, host::Texmap* m) override;
  std::string GetSubTexmapSlotName(int i) override;
  bool SubTexmapOn(int i) override;

  // ---- references ----
  int NumRefs() override { return kToonRefCount; }
  host::ReferenceTarget* GetReference(int i) override;
  // "Parameters", "Shadow Gradient", ..., "Overall Opacity Map"; "" beyond.
  std::string SubAnimName(int i) const;
  host::RefResult NotifyRefChanged(const host::Interval& changeInt, host::ReferenceTarget* target,
                                   host::PartID& partID, host::RefMessage message) override;
  // Copies the block, gradients and maps; shares the object material.
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Save(host::ISave* isave) override;
  host::IOResult Load(host::ILoad* iload) override;

 protected:
  void SetReference(int i, host::ReferenceTarget* target) override;

 private:
  void BuildBlock();
  void ResetParams();
  void EnsureGradients();
  host::Texmap* MapAt(int ref) const;
  bool SetMapAt(int ref, host::Texmap* map);
  void Invalidate() { validity_.SetEmpty(); }
  // Entry 18 takes entry 17's values (keys and all).
  void CopyBlendingToSecond();
  host::IOResult LoadBands(host::ILoad* iload);

  // ---- shading (mtl_toon_shade.cpp) ----
  // What a band reads while shading, resolved by Update.
  struct BandResolved {
    float start = 1e30f;  // the band's own interval before blending; empty when off
    float end = -1e30f;
    float invWidth = 0.0f;
    float opacity = 1.0f;
    float brightness = 1.0f;
    float colorMapAmount = 1.0f;
    float opacityMapAmount = 1.0f;
  };
  // The object material as the current material id sees it: the
  // sub-material it selects, and that as a Standard material when it is one.
  struct ObjectView {
    int mtlNum = -1;
    host::Mtl* mtl = nullptr;
    host::StdMat* standard = nullptr;
  };
  void Resolve(host::TimeValue t);
  const ObjectView& ViewFor(int mtlNum);
  host::Color BandColour(host::ShadeContext& sc, int band, float position, const ObjectView& view);
  host::Color SourceColour(host::ShadeContext& sc, int source, float position, const ObjectView& view);
  float BandOpacity(host::ShadeContext& sc, int band, const ObjectView& view);
  float OverallOpacity(host::ShadeContext& sc);
  // The object material's own map for a band's colour or opacity.
  host::Texmap* ObjectMap(const ObjectView& view, int stdId) const;

  std::array<host::ReferenceTarget*, kToonRefCount> refs_{};
  std::array<ToonBand, kToonBandCount> bands_{};
  std::int32_t furtherSwitch_ = 0;
  bool overallOpacityMapOn_ = false;
  bool smoothBlending_ = true;
  bool lockBlending_ = true;
  int gbufferId_ = 0;
  host::Interval validity_;

  BandRamp ramp_;
  std::array<BandResolved, kToonBandCount> resolved_{};
  float tinting_ = 0.0f;
  float shading_ = 0.0f;
  float overallOpacity_ = 1.0f;
  float overallOpacityMapAmount_ = 1.0f;
  ObjectView view_;
};

}  // namespace pw
