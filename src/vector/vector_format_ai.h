// The Illustrator writer: one Illustrator 1.1 / EPS document per frame, one
// image pixel to a point, y flipped so the picture stands upright.
#pragma once

#include <cstdint>
#include <string>

#include "vector/vector_params_ai.h"
#include "vector/vector_writer.h"

namespace pw {

// Converted colour as written: cyan, magenta, yellow, black.
struct PwCMYK {
  double c = 0, m = 0, y = 0, k = 0;
};
PwCMYK ConvertColorAI(PwAIColorMode mode, PwVectorColor color);

// The text of the dash operator for a 32-bit mask at width w, beginning with
// the line separator; empty for mask 0 (which draws nothing). Cached per
// (mask, width) for the life of the process.
const std::string& DashArrayAI(std::int32_t mask, float width);

class PwVectorFormatAI final : public PwVectorFormat {
 public:
  void BeginSequence() override;
  void BeginObject(const PwVectorObject& object) override;
  void BeginSurfaces() override;
  void DrawPolygon(const PwVectorPolygon& polygon) override;
  void EndSurfaces() override;
  void BeginLines() override;
  void DrawSegment(const PwVectorPoint& p0, const PwVectorPoint& p1) override;
  void EndLines() override;
  void EndObject() override;
  bool WantsSurfaces() const override { return Options().surface; }
  bool WantsLines() const override { return Options().lines; }
  bool WantsFacettedShading() const override { return Options().FacettedShading(); }
  void SetParameters(const PwVectorFormatParams& params) override;
  bool WriteHeader() override;
  bool WriteTrailer() override;

  const PwVectorFormatParamsAI& Options() const;

 private:
  void PutColor(const char* op, PwVectorColor color);
  bool GroupObjects() const;
  PwAIColorMode mode_ = PwAIColorMode::Print;
};

}  // namespace pw
