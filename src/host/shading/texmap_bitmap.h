// Bitmap texture: an image file laid over a map channel, the screen or the
// sky around the camera.
//
// The image is read on first use (or by LoadMapFiles). A file that cannot be
// read is reported once through the warning reporter; the map then evaluates
// to transparent black, so whatever it is laid over shows unchanged.
//
// Coordinates: u' = u × uTiling + uOffset (v likewise). With tiling on the
// image repeats; with it off, coordinates outside 0..1 get transparent
// black. v = 0 is the bottom row of the image.
#pragma once

#include <string>
#include <vector>

#include "host/imaging/bitmap.h"
#include "host/shading/scene_aux_files.h"
#include "host/core/scene_class_ids.h"
#include "host/shading/texmap.h"

namespace host {

class BitmapTex : public Texmap, public AuxFileProvider {
 public:
  Class_ID ClassID() const override { return BITMAP_TEX_CLASS_ID; }
  std::string GetClassName() const override { return "Bitmap"; }

  // ---- Settings -----------------------------------------------------------------
  const std::string& GetMapName() const { return fileName_; }
  // A new name forgets the image read so far (and any error).
  void SetMapName(std::string name);
  int GetMapChannel() override { return mapChannel_; }
  void SetMapChannel(int ch);  // clamped to 0..99
  int GetUVWSource() override { return uvwSource_; }
  void SetUVWSource(int source);  // one of UVWSource
  float GetUTiling() const { return uTiling_; }
  float GetVTiling() const { return vTiling_; }
  float GetUOffset() const { return uOffset_; }
  float GetVOffset() const { return vOffset_; }
  void SetTiling(float u, float v);
  void SetOffset(float u, float v);
  bool GetUWrap() const { return uWrap_; }
  void SetWrap(bool u, bool v);

  // ---- The image ------------------------------------------------------------------
  // Reads the image unless that was tried already; true when it is in memory.
  bool LoadImage();
  bool IsLoaded() const { return loaded_; }
  // Why the image could not be read ("" when it was, or was not tried).
  const std::string& LoadError() const { return error_; }
  const Bitmap& GetBitmap() const { return image_; }
  // Uses an image already in memory instead of a file (the name is kept).
  void SetBitmap(const Bitmap& image);

  // ---- Evaluation -------------------------------------------------------------------
  void LoadMapFiles(TimeValue t) override;
  AColor EvalColor(ShadeContext& sc) override;
  Point3 EvalNormalPerturb(ShadeContext& sc) override;
  // The texel colour (premultiplied) at map coordinates (u, v), after tiling
  // and offset; bilinear when `filter`, else the nearest texel.
  AColor Sample(float u, float v, bool filter);

  void EnumAuxFiles(std::vector<std::string>& files, bool missingOnly) override;

  ReferenceTarget* Clone(RemapDir& remap) override;
  using ReferenceTarget::Clone;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

 private:
  // The map coordinates of the point before tiling.
  Point2 Coords(ShadeContext& sc);
  void Changed() { NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE); }

  std::string fileName_;
  int mapChannel_ = 1;
  int uvwSource_ = UVWSRC_EXPLICIT;
  float uTiling_ = 1.0f;
  float vTiling_ = 1.0f;
  float uOffset_ = 0.0f;
  float vOffset_ = 0.0f;
  bool uWrap_ = true;
  bool vWrap_ = true;
  bool useAlpha_ = true;  // the image's alpha is used (else the map is opaque)

  Bitmap image_;
  bool tried_ = false;
  bool loaded_ = false;
  std::string error_;
};

}  // namespace host
