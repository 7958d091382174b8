// The vector renderer the frame driver uses in Vector mode: owns one file
// writer for the run, names its files, turns each object's faces into flat
// polygons painted farthest first and hands every line piece of the object
// to the writer with its colour, width and dash.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "render/vector_renderer.h"
#include "vector/vector_writer.h"

namespace pw {

class PwVectoriser final : public PwVectorRenderer {
 public:
  PwVectoriser();
  ~PwVectoriser() override;

  bool Open(PwRenderRun& run) override;
  bool BeginFrame(PwRenderRun& run, host::Bitmap* preview) override;
  void BeginObject(PwRenderRun& run, PwRenderInstance& instance) override;
  bool WantsSurfaces() const override;
  bool WantsLines() const override;
  bool DrawSurfaces(PwRenderRun& run, PwRenderInstance& instance, PwStyle& style) override;
  bool DrawLines(PwRenderRun& run, PwRenderInstance& instance, PwStyle& style) override;
  void EndObject(PwRenderRun& run, PwRenderInstance& instance) override;
  bool EndFrame(PwRenderRun& run) override;
  void Finish(PwRenderRun& run) override;
  void Abandon(PwRenderRun& run) override;

  // DrawSurfaces without the style, which polygons do not depend on.
  bool DrawObjectSurfaces(PwRenderRun& run, PwRenderInstance& instance);

  // The writer of the open sequence (null when idle).
  PwVectorFormat* Writer() { return writer_.get(); }
  // What the last frame handed to its writer.
  long long PolygonCount() const { return polygons_; }
  long long SegmentCount() const { return segments_; }

  // The object's visible faces as flat polygons, in face order.
  static void BuildPolygons(PwRenderRun& run, PwRenderInstance& instance, bool facetted,
                            std::vector<PwVectorPolygonRecord>& out);

 private:
  void Release();
  void SetNumericLocale();
  void RestoreNumericLocale();

  class ObjectSurfaces;

  std::unique_ptr<PwVectorFormat> writer_;
  // The current object's polygons for a writer that draws surfaces itself:
  // bound at BeginObject, unbound after EndObject.
  std::unique_ptr<ObjectSurfaces> surfaces_;
  std::vector<PwVectorPolygonRecord> polygons_list_;
  std::string savedLocale_;
  bool localeSet_ = false;
  bool surfacesOn_ = false;
  bool linesOn_ = false;
  int objectIndex_ = 0;
  long long polygons_ = 0;
  long long segments_ = 0;
  std::string nodeName_, styleName_;
};

}  // namespace pw
