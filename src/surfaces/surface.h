// The surface art material: how the faces of the objects drawn with a style
// are filled. One of four kinds; the Toon kind shades with the surface's own
// Toon material, which the surface keeps whatever its kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/shading/mtl.h"
#include "library/pw_object.h"
#include "surfaces/mtl_toon.h"

namespace pw {

enum class SurfaceKind : int { None = 0, Matte = 1, MaxMaterial = 2, Toon = 3 };
inline constexpr int kSurfaceKindCount = 4;
// "None", "Matte", "MAX Material", "Toon"; "" out of range.
std::string_view SurfaceKindName(int kind);
// What the editor says of each kind; "" out of range.
std::string_view SurfaceKindDescription(int kind);

// Chunks of the surface's own data, after the common ones.
inline constexpr std::uint16_t kSurfaceChunkVersion = 100;  // u16, 1
inline constexpr std::uint16_t kSurfaceChunkKind = 101;     // i32
inline constexpr std::uint16_t kSurfaceVersion = 1;

// Preset surfaces 300..306 by index 0..6.
struct SurfacePreset {
  SurfaceKind kind;
  int toonPreset;        // -1: the Toon material keeps its reset state
  bool smoothShaded;     // "Lights Intensity Shading" 1.0 on top of the preset
};
inline constexpr int kSurfacePresetCount = 7;
bool GetSurfacePreset(int index, SurfacePreset& out);

class PwSurface : public PwObject {
 public:
  // Reference 0 (the base's block slot) holds the Toon material.
  static constexpr int TOON_REF = PARAMBLOCK_REF;

  // A fresh surface has kind Toon and a new, reset Toon material.
  explicit PwSurface(bool loading = false);

  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "Surface"; }
  bool CanPreviewAsLine() const override { return false; }
  bool IsDrawingTool() const override { return false; }

  SurfaceKind GetKind() const { return kind_; }
  // False (unchanged) for a kind out of range. The Toon material stays as it is.
  bool SetKind(int kind);
  // The surface's Toon material, or null when it has none (a damaged file).
  PwMtlToon* GetToonMaterial() const;
  // The material to shade an object with: the object's own for any kind but
  // Toon; for Toon the Toon material, now wrapping the object's material.
  // Objects must be shaded one after another: the Toon material is shared.
  host::Mtl* GetSurfaceMaterial(host::Mtl* objectMaterial);
  // The Toon material's name for reference 0.
  std::string SubAnimName(int i) const;

  // The wrapped object material belongs to the scene: resetting leaves its
  // animation alone, and it does not make the surface animated.
  void ResetToDefaults(bool removeAnimation) override;
  bool IsAnimated() override;
  void InitLibraryMaterial(PwObjectLibrary& library, int origin, int number) override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Load(host::ILoad* iload) override;
  int NumExtraSaveChunks() const override { return 2; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override;
  host::IOResult LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) override;

 private:
  PwMtlToon* EnsureToon();

  SurfaceKind kind_ = SurfaceKind::Toon;
};

}  // namespace pw
