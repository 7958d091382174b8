// Texture maps: colours (and single values) that vary over a surface or the
// background, evaluated at a shading point.
#pragma once

#include "host/shading/mtl.h"

namespace host {

// Where a map takes its coordinates from.
enum UVWSource : int {
  UVWSRC_EXPLICIT = 0,  // a map channel of the mesh
  UVWSRC_SCREEN = 1,    // the screen position (backgrounds)
  UVWSRC_SPHERICAL = 2, // the view direction, as an environment around the camera
};

class Texmap : public MtlBase {
 public:
  SClass_ID SuperClassID() const override { return TEXMAP_CLASS_ID; }

  // Colour at the point, premultiplied by its alpha.
  virtual AColor EvalColor(ShadeContext& sc) = 0;
  // A single value: by default the mean of EvalColor's red, green and blue.
  virtual float EvalMono(ShadeContext& sc);
  // How the map tilts the normal when used as a bump map (camera space).
  virtual Point3 EvalNormalPerturb(ShadeContext& /*sc*/) { return {}; }

  virtual int GetUVWSource() { return UVWSRC_EXPLICIT; }
  virtual int GetMapChannel() { return 1; }

  // A map that reads a map channel needs it (MTLREQ_UV for channel 1,
  // MTLREQ_UV2 for channel 0), then whatever its own sub-maps need.
  std::uint32_t Requirements(int subMtlNum) override;
  void MappingsRequired(int subMtlNum, BitArray& mapreq, BitArray& bumpreq) override;
};

// Mean of a colour's three channels.
inline float Intens(const AColor& c) { return (c.r + c.g + c.b) / 3.0f; }
inline float Intens(const Color& c) { return (c.r + c.g + c.b) / 3.0f; }

}  // namespace host
