// The canvas art material: a paper texture whose relief shades the finished
// frame as if lit from one direction. This holds its settings and the slope
// field built from the texture image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/core/color.h"
#include "host/params/paramblock_legacy.h"
#include "host/shading/scene_aux_files.h"
#include "library/aux_file_holder.h"
#include "library/pw_object.h"
#include "surfaces/canvas_slopes.h"

namespace host {
class Bitmap;
}

namespace pw {

class PwRenderProgress;

// Entries of the canvas's older-style block.
enum CanvasParam : int {
  kCanvasLightColor = 0,      // "Light Color", colour, animatable
  kCanvasLightAngle = 1,      // "Light Angle", radians, animatable
  kCanvasLightElevation = 2,  // "Light Elevation", radians, animatable
};
inline constexpr std::uint32_t kCanvasBlockVersion = 1;
const host::ParamVersionDesc& CanvasBlockLayout();

inline constexpr float kCanvasDefaultLightAngle = 3.9269907f;      // 225 degrees
inline constexpr float kCanvasDefaultLightElevation = 0.7853982f;  // 45 degrees

// Chunks of the canvas's own data, after the common ones.
inline constexpr std::uint16_t kCanvasChunkVersion = 100;   // u16
inline constexpr std::uint16_t kCanvasChunkSwitches = 101;  // i32 texture on, i32 name is a file
inline constexpr std::uint16_t kCanvasChunkTexture = 102;   // the texture name, zero-terminated
inline constexpr std::uint16_t kCanvasVersion = 1;

class PwCanvas : public PwObject, public host::AuxFileProvider, public PwAuxFileHolder {
 public:
  // A fresh canvas: white light from 225 degrees at 45 degrees elevation,
  // texture on, no texture named yet.
  explicit PwCanvas(bool loading = false);

  host::Class_ID ClassID() const override;
  host::SClass_ID SuperClassID() const override { return host::REF_TARGET_CLASS_ID; }
  std::string GetClassName() const override { return "Canvas"; }
  bool CanPreviewAsLine() const override { return false; }
  bool IsDrawingTool() const override { return false; }

  // The canvas's block, or null when it has none (a damaged file).
  host::IParamBlock* ParamBlock() const;

  host::Color GetLightColor(host::TimeValue t, host::Interval& valid) const;
  float GetLightAngle(host::TimeValue t, host::Interval& valid) const;
  float GetLightElevation(host::TimeValue t, host::Interval& valid) const;
  bool SetLightColor(host::TimeValue t, const host::Color& c);
  bool SetLightAngle(host::TimeValue t, float radians);
  bool SetLightElevation(host::TimeValue t, float radians);

  bool GetTextureOn() const { return textureOn_; }
  void SetTextureOn(bool on);
  const std::string& GetTextureName() const { return textureName_; }
  // A different name or kind of name drops the slope field, so the next
  // LoadTexture reads the new image.
  void SetTextureName(const std::string& name);
  bool GetNameIsFile() const { return nameIsFile_; }
  void SetNameIsFile(bool on);
  // The files the canvas depends on (the texture, when it names a file).
  std::vector<std::string> AuxFiles() const;
  // host::AuxFileProvider: the texture, as the file it resolves to; with
  // missingOnly, only when it is used (texture on) and cannot be found.
  void EnumAuxFiles(std::vector<std::string>& files, bool missingOnly) override;

  // Reads the texture and builds the slope field. Succeeds at once when the
  // texture is off, unnamed or already loaded. A file name that does not
  // exist as given is looked for in the bitmap search folders (the
  // installation's Maps folder among them). On failure the field stays
  // empty and *error (when given) says why.
  bool LoadTexture(std::string* error = nullptr);
  void UnloadTexture();
  const CanvasSlopeField& SlopeField() const { return field_; }
  // Builds the field from an image already in memory.
  bool SetTextureImage(const host::Bitmap& image);

  // PwAuxFileHolder: the texture is read before a render's frames. A file
  // that exists but cannot be read is reported once until the name changes
  // or the texture is let go; a missing one is the render's missing-file
  // report's to name.
  bool LoadAuxFiles(host::TimeValue t) override;
  void UnloadAuxFiles() override { UnloadTexture(); }

  // Embosses the paper into `image` (red, green and blue; alpha is kept)
  // with the light at t, under the caption "Applying Canvas Texture". Does
  // nothing while no usable texture is loaded.
  void Apply(host::Bitmap& image, host::TimeValue t, PwRenderProgress& progress) const;

  void ResetToDefaults(bool removeAnimation) override;
  host::ReferenceTarget* Clone(host::RemapDir& remap) override;
  using host::ReferenceTarget::Clone;
  host::IOResult Load(host::ILoad* iload) override;
  int NumExtraSaveChunks() const override { return 3; }
  host::IOResult SaveExtraChunk(host::ISave* isave, int i) override;
  host::IOResult LoadExtraChunk(host::ILoad* iload, std::uint16_t chunkId) override;
  void BeforeLoad() override;

 private:
  void BuildBlock();
  void ApplyNewCanvasSettings(host::TimeValue t);

  bool textureOn_ = true;
  std::string textureName_;
  bool nameIsFile_ = true;
  CanvasSlopeField field_;
  bool loadReported_ = false;  // a failed load was reported for this texture
};

}  // namespace pw
