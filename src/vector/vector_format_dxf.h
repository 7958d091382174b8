// The DXF writer: one release-10 drawing per frame. Lines are two-vertex
// open polylines, polygons closed polylines; the library's strokes become
// line types and layers stand for objects or styles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vector/vector_params_dxf.h"
#include "vector/vector_writer.h"

namespace pw {

struct PwRGB8 {
  std::uint8_t r, g, b;
};
// The 256 colours of the colour-number palette.
const PwRGB8* AciPalette();
// The lowest colour number nearest to the colour's high bytes.
int NearestAciColor(PwVectorColor color);

// A name with white space and the characters DXF reserves replaced by
// underscores; `anyKept` tells whether any character survived.
std::string CleanLayerName(std::string_view name, bool* anyKept);

// The line-type name of a dash mask, as both the table and the entities write it.
std::string LineTypeNameDXF(std::int32_t mask);

class PwVectorFormatDXF final : public PwVectorFormat {
 public:
  bool BeginFrame(bool outputOn, bool previewOn, bool surfacesOn, bool linesOn) override;
  void BeginObject(const PwVectorObject& object) override;
  void DrawPolygon(const PwVectorPolygon& polygon) override;
  void DrawSegment(const PwVectorPoint& p0, const PwVectorPoint& p1) override;
  bool WantsSurfaces() const override { return Options().surface; }
  bool WantsLines() const override { return Options().lines; }
  void SetParameters(const PwVectorFormatParams& params) override;
  bool WriteHeader() override;
  bool WriteTrailer() override;

  const PwVectorFormatParamsDXF& Options() const;
  const std::string& Layer() const { return layer_; }

 private:
  void PutVertex(const PwVectorPoint& p);
  PwVectorColor PreviewColor(int aci) const;
  // The colour number of a primitive, 7 with colour numbers off. Runs of one
  // colour are the rule (an object's flat polygons), so the last answer is kept.
  int ColorNumber(PwVectorColor color);
  std::string layer_ = "0";
  PwVectorColor lastAciColor_;
  int lastAci_ = -1;
  std::vector<std::int32_t> tableMasks_;  // the line types the table defines
};

}  // namespace pw
